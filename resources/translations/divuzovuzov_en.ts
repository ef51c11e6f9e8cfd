<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US" sourcelanguage="ja_JP">
<context>
    <name>StringTable</name>
    <message>
        <source>更新ファイルのバージョンを確認してから、更新実行ボタンを押してください。</source>
        <comment>116</comment>
        <translation>Check the version of the update file, then press Execute.</translation>
    </message>
    <message>
        <source>DIVUZOvuzov</source>
        <comment>300</comment>
        <translation>DIVUZOvuzov</translation>
    </message>
    <message>
        <source>閉じる</source>
        <comment>301</comment>
        <translation>Close</translation>
    </message>
    <message>
        <source>中止</source>
        <comment>302</comment>
        <translation>Abort</translation>
    </message>
    <message>
        <source>Step1 ： 本体の準備</source>
        <comment>306</comment>
        <translation>Step 1: Prepare the device</translation>
    </message>
    <message>
        <source>接続</source>
        <comment>307</comment>
        <translation>Connect</translation>
    </message>
    <message>
        <source>切断</source>
        <comment>308</comment>
        <translation>Disconnect</translation>
    </message>
    <message>
        <source>接続先</source>
        <comment>309</comment>
        <translation>Port</translation>
    </message>
    <message>
        <source>本体と通信中．．．</source>
        <comment>310</comment>
        <translation>Talking to the device...</translation>
    </message>
    <message>
        <source>読み込みが完了しました。</source>
        <comment>311</comment>
        <translation>The device has been read.</translation>
    </message>
    <message>
        <source>モデル</source>
        <comment>312</comment>
        <translation>Model</translation>
    </message>
    <message>
        <source>本体バージョン</source>
        <comment>313</comment>
        <translation>Device version</translation>
    </message>
    <message>
        <source>ハードウエアバージョン</source>
        <comment>314</comment>
        <translation>Hardware version</translation>
    </message>
    <message>
        <source>タイムアウトです。もう一度はじめからやり直してください。</source>
        <comment>315</comment>
        <translation>Timed out. Please start again from the beginning.</translation>
    </message>
    <message>
        <source>接続先</source>
        <comment>316</comment>
        <translation>Port</translation>
    </message>
    <message>
        <source>Step2 ： 更新ファイルの準備</source>
        <comment>317</comment>
        <translation>Step 2: Prepare the update file</translation>
    </message>
    <message>
        <source>品番</source>
        <comment>318</comment>
        <translation>Product</translation>
    </message>
    <message>
        <source>バージョン</source>
        <comment>319</comment>
        <translation>Version</translation>
    </message>
    <message>
        <source>ファイルバージョン</source>
        <comment>320</comment>
        <translation>File version</translation>
    </message>
    <message>
        <source>ログデータ</source>
        <comment>384</comment>
        <translation>Log data</translation>
    </message>
    <message>
        <source>Copyright (C) 2026 DIVUZOvuzov</source>
        <comment>385</comment>
        <translation>Copyright (C) 2026 DIVUZOvuzov</translation>
    </message>
    <message>
        <source>ファイルを保存しました。</source>
        <comment>386</comment>
        <translation>The file has been saved.</translation>
    </message>
    <message>
        <source>接続先の自動設定</source>
        <comment>397</comment>
        <translation>Auto Detect</translation>
    </message>
    <message>
        <source>本体ソフトの更新</source>
        <comment>400</comment>
        <translation>Firmware update</translation>
    </message>
    <message>
        <source>[警告] 更新処理中はＵＳＢケーブルを外さないでください。
[警告] 更新処理の前に本体のログデータをパソコンに保存してから消去しておいてください。</source>
        <comment>401</comment>
        <translation>[Warning] Do not unplug the USB cable while the update runs.
[Warning] Before the update, save the log data of the device to the computer, then erase it.</translation>
    </message>
    <message>
        <source>更新ファイル（*.bin）：</source>
        <comment>402</comment>
        <translation>Update file (*.bin):</translation>
    </message>
    <message>
        <source>更新実行</source>
        <comment>403</comment>
        <translation>Execute</translation>
    </message>
    <message>
        <source>進行状態</source>
        <comment>404</comment>
        <translation>Progress</translation>
    </message>
    <message>
        <source>更新の準備中．．．</source>
        <comment>405</comment>
        <translation>Preparing the update...</translation>
    </message>
    <message>
        <source>更新の準備中．．．</source>
        <comment>406</comment>
        <translation>Preparing the update...</translation>
    </message>
    <message>
        <source>更新の準備中．．．</source>
        <comment>407</comment>
        <translation>Preparing the update...</translation>
    </message>
    <message>
        <source>ファイルを転送中．．．</source>
        <comment>408</comment>
        <translation>Sending the file...</translation>
    </message>
    <message>
        <source>ファイルを展開中．．．</source>
        <comment>409</comment>
        <translation>Unpacking the file...</translation>
    </message>
    <message>
        <source>本体を更新中．．．</source>
        <comment>410</comment>
        <translation>Updating the device...</translation>
    </message>
    <message>
        <source>更新が完了しました。</source>
        <comment>411</comment>
        <translation>The update is complete.</translation>
    </message>
    <message>
        <source>更新ファイル（*.bin）を選択してください。</source>
        <comment>412</comment>
        <translation>Select an update file (*.bin).</translation>
    </message>
    <message>
        <source>接続に失敗しました。設定を確認し再度実行してください。</source>
        <comment>413</comment>
        <translation>The connection failed. Check the settings and try again.</translation>
    </message>
    <message>
        <source>指定した更新ファイルは正しくありません。正しいファイルを選択し再度実行してください。</source>
        <comment>415</comment>
        <translation>The chosen update file is not valid. Choose a valid file and try again.</translation>
    </message>
    <message>
        <source>適合製品</source>
        <comment>418</comment>
        <translation>For product</translation>
    </message>
    <message>
        <source>更新ファイル Ver</source>
        <comment>419</comment>
        <translation>Update file ver.</translation>
    </message>
    <message>
        <source>適合バージョン</source>
        <comment>420</comment>
        <translation>For versions</translation>
    </message>
    <message>
        <source>ハードウエア</source>
        <comment>430</comment>
        <translation>Hardware</translation>
    </message>
    <message>
        <source>ファイルの読み込み</source>
        <comment>431</comment>
        <translation>Select File</translation>
    </message>
    <message>
        <source>DIVUZOvuzov について</source>
        <comment>432</comment>
        <translation>About DIVUZOvuzov</translation>
    </message>
    <message>
        <source>適合製品 : ZID300,ZID310,ZID200,ZIDTonic1      </source>
        <comment>433</comment>
        <translation>Supported products : ZID300,ZID310,ZID200,ZIDTonic1      </translation>
    </message>
    <message>
        <source>本体ソフトの更新</source>
        <comment>434</comment>
        <translation>Firmware update</translation>
    </message>
    <message>
        <source>指定した更新ファイルはご使用の製品に適合しておりません。</source>
        <comment>435</comment>
        <translation>The chosen update file does not fit your product.</translation>
    </message>
    <message>
        <source>更新ファイルを確認しています．．．</source>
        <comment>436</comment>
        <translation>Checking the update file...</translation>
    </message>
    <message>
        <source>更新ソフトが新しいバージョンであることを確認しました。更新を継続してください。</source>
        <comment>437</comment>
        <translation>The update file is a newer version. Go on with the update.</translation>
    </message>
    <message>
        <source>この更新ファイルは本体と同じバージョンです。更新する必要はありません。</source>
        <comment>438</comment>
        <translation>This update file has the same version as the device. No update is needed.</translation>
    </message>
    <message>
        <source>この更新ファイルは本体にインストールされているものより古いバージョンです。ファイルを選びなおしてください。</source>
        <comment>439</comment>
        <translation>This update file is older than the version installed on the device. Choose another file.</translation>
    </message>
    <message>
        <source>更新ファイルの確認結果</source>
        <comment>440</comment>
        <translation>Result of the file check</translation>
    </message>
    <message>
        <source>Step3 ： 更新の実行</source>
        <comment>441</comment>
        <translation>Step 3: Run the update</translation>
    </message>
    <message>
        <source>更新実行</source>
        <comment>442</comment>
        <translation>Execute</translation>
    </message>
    <message>
        <source>更新の進行状態</source>
        <comment>443</comment>
        <translation>Update progress</translation>
    </message>
    <message>
        <source>当社製品用の更新ファイルではありません。
正しいファイルを選択してください。</source>
        <comment>444</comment>
        <translation>This is not an update file for our products.
Choose a valid file.</translation>
    </message>
    <message>
        <source>更新ファイルを選択してください。</source>
        <comment>445</comment>
        <translation>Select an update file.</translation>
    </message>
    <message>
        <source>更新が完了しました。</source>
        <comment>446</comment>
        <translation>The update is complete.</translation>
    </message>
    <message>
        <source>更新に失敗しました。DIVUZOvuzovを再起動してはじめからやり直してください。</source>
        <comment>447</comment>
        <translation>The update failed. Restart DIVUZOvuzov and start again from the beginning.</translation>
    </message>
    <message>
        <source>手動設定</source>
        <comment>448</comment>
        <translation>Manual</translation>
    </message>
    <message>
        <source>接続先の自動設定ができません。手動設定してください。</source>
        <comment>449</comment>
        <translation>No port was found automatically. Choose one by hand.</translation>
    </message>
    <message>
        <source>接続の準備が完了しました。接続ボタンを押してください。</source>
        <comment>450</comment>
        <translation>Ready to connect. Press Connect.</translation>
    </message>
    <message>
        <source>強制実行</source>
        <comment>451</comment>
        <translation>Force</translation>
    </message>
    <message>
        <source>本体との接続設定を確認してください。 更新ファイルを確認してください。
ＵＳＢケーブルを外さないでください。</source>
        <comment>452</comment>
        <translation>Check the connection to the device. Check the update file.
Do not unplug the USB cable.</translation>
    </message>
    <message>
        <source>[警告] 更新処理中はＵＳＢケーブルを外さないでください。
[警告] 更新処理の前に本体のログデータをパソコンに保存してから消去しておいてください。</source>
        <comment>453</comment>
        <translation>[Warning] Do not unplug the USB cable while the update runs.
[Warning] Before the update, save the log data of the device to the computer, then erase it.</translation>
    </message>
    <message>
        <source>本体の電源を入れ直してください。</source>
        <comment>454</comment>
        <translation>Switch the device off and on again.</translation>
    </message>
    <message>
        <source>本体ソフトを書き込んでいる間は中止できません。途中で止めると本体が起動しなくなります。</source>
        <comment>900</comment>
        <translation>The firmware is being written and cannot be stopped now: stopped half-way, the unit would not start again.</translation>
    </message>
    <message>
        <source>中止しました。</source>
        <comment>901</comment>
        <translation>Stopped.</translation>
    </message>
    <message>
        <source>トラックログファイル（*.trl）：</source>
        <comment>902</comment>
        <translation>Track log file (*.trl):</translation>
    </message>
    <message>
        <source>写真のフォルダ：</source>
        <comment>903</comment>
        <translation>Photo folder:</translation>
    </message>
    <message>
        <source>本体の Bluetooth アドレスを読み取れず、保存されたアドレスもありません。このまま更新すると、本体の Bluetooth アドレスは失われます。ポートを使っている他のプログラムを終了し、本体の電源を確かめてから、もう一度やり直すこともできます。</source>
        <comment>904</comment>
        <translation>The Bluetooth address could not be read from the unit, and none is stored. Updating now leaves the unit without its Bluetooth address. You can also close the program that uses the port, check that the unit is switched on, and try again.</translation>
    </message>
    <message>
        <source>Bluetooth アドレスを設定ファイルに保存できません。このまま更新して途中で失敗すると、本体の Bluetooth アドレスは失われます。設定ファイルを確かめてから、もう一度やり直すこともできます。</source>
        <comment>905</comment>
        <translation>The Bluetooth address cannot be saved in the settings file. If the update then fails half-way, the unit's Bluetooth address is lost. You can also check the settings file and try again.</translation>
    </message>
    <message>
        <source>このまま更新を続けますか？</source>
        <comment>906</comment>
        <translation>Go on with the update?</translation>
    </message>
    <message>
        <source>Bluetooth アドレスを本体に書き戻せませんでした。ポートを使っている他のプログラムを終了してから、もう一度更新してください。保存されたアドレスがそのときに書き戻されます。</source>
        <comment>907</comment>
        <translation>The Bluetooth address could not be written back into the unit. Close the program that uses the port, then update again: the saved address is written back then.</translation>
    </message>
    <message>
        <source>Bluetooth アドレスを読み取れなかったため、本体に書き戻していません。</source>
        <comment>908</comment>
        <translation>The Bluetooth address could not be read, so none was written back into the unit.</translation>
    </message>
    <message>
        <source>設定ファイル: </source>
        <comment>909</comment>
        <translation>Settings file: </translation>
    </message>
    <message>
        <source>シリアルポートを開く権限がありません。dialout グループに加わってから、ログインし直してください。</source>
        <comment>910</comment>
        <translation>No permission to open the serial port. Join the dialout group, then log in again.</translation>
    </message>
    <message>
        <source>シリアルポートは他のプログラムが使っています。そのプログラムを終了してから、もう一度やり直してください。</source>
        <comment>911</comment>
        <translation>Another program is using the serial port. Close that program, then try again.</translation>
    </message>
    <message>
        <source>シリアルポートが見つかりません。本体がつながっているか確かめてください。</source>
        <comment>912</comment>
        <translation>The serial port cannot be found. Check that the unit is connected.</translation>
    </message>
    <message>
        <source>本体との接続が切れました。USB ケーブルを確かめてください。</source>
        <comment>913</comment>
        <translation>The connection to the unit was lost. Check the USB cable.</translation>
    </message>
    <message>
        <source>このポートはシリアルポートではありません。</source>
        <comment>914</comment>
        <translation>This port is not a serial port.</translation>
    </message>
    <message>
        <source>シリアルポートを使えません。</source>
        <comment>915</comment>
        <translation>The serial port cannot be used.</translation>
    </message>
    <message>
        <source>それでも書き込みますか？</source>
        <comment>916</comment>
        <translation>Write it anyway?</translation>
    </message>
    <message>
        <source>本体と同じか古いバージョンの更新ファイルは、--allow-downgrade を付けたときだけ書き込みます。</source>
        <comment>917</comment>
        <translation>An update file of the same or an older version than the unit's is written only with --allow-downgrade.</translation>
    </message>
    <message>
        <source>Bluetooth アドレスを保てなくても更新するときは、--allow-address-loss を付けてください。</source>
        <comment>918</comment>
        <translation>To update even though the Bluetooth address cannot be kept, add --allow-address-loss.</translation>
    </message>
    <message>
        <source>シリアルポートがありません。本体をパソコンにつないで、電源を入れてください。</source>
        <comment>919</comment>
        <translation>No serial port found. Connect the unit to the computer and switch it on.</translation>
    </message>
    <message>
        <source>本体のチップに合うダウンロードエージェントのファイルが見つかりません。</source>
        <comment>946</comment>
        <translation>No download agent file fits the unit's chip.</translation>
    </message>
    <message>
        <source>ダウンロードエージェントのファイルを読み込めません。</source>
        <comment>947</comment>
        <translation>The download agent file cannot be read.</translation>
    </message>
    <message>
        <source>更新ファイルの内容を読み込めません。</source>
        <comment>948</comment>
        <translation>The contents of the update file cannot be read.</translation>
    </message>
    <message>
        <source>本体のブート ROM が応答しません。USB ケーブルと本体の電源を確かめてください。</source>
        <comment>949</comment>
        <translation>The unit's boot ROM does not answer. Check the USB cable and that the unit is switched on.</translation>
    </message>
    <message>
        <source>フラッシュの配置ファイル（scat.txt）を読み込めません。</source>
        <comment>950</comment>
        <translation>The flash layout file (scat.txt) cannot be read.</translation>
    </message>
    <message>
        <source>更新ファイルが本体のフラッシュに収まりません。</source>
        <comment>951</comment>
        <translation>The update file does not fit the unit's flash memory.</translation>
    </message>
    <message>
        <source>本体のチップがダウンロードエージェントを受け付けません。本体の機種を確かめてください。</source>
        <comment>952</comment>
        <translation>The unit's chip does not take the download agent. Check the unit's model.</translation>
    </message>
    <message>
        <source>ダウンロードエージェントを起動できません。</source>
        <comment>953</comment>
        <translation>The download agent cannot be started.</translation>
    </message>
    <message>
        <source>本体が書き込みデータを受け付けません。</source>
        <comment>954</comment>
        <translation>The unit does not take the data being written.</translation>
    </message>
    <message>
        <source>本体が応答しなくなりました。</source>
        <comment>955</comment>
        <translation>The unit stopped answering.</translation>
    </message>
    <message>
        <source>書き込んだ内容の確認に失敗しました。</source>
        <comment>956</comment>
        <translation>The flash memory does not hold what was written.</translation>
    </message>
    <message>
        <source>書き込みに失敗しました。</source>
        <comment>957</comment>
        <translation>Writing failed.</translation>
    </message>
    <message>
        <source>本体と通信中のため閉じられません。終わるまでお待ちください。</source>
        <comment>958</comment>
        <translation>The unit is being talked to, so the window cannot close. Please wait until it is done.</translation>
    </message>
    <message>
        <source>ページ</source>
        <comment>959</comment>
        <translation>Pages</translation>
    </message>
    <message>
        <source>すべてのタブを表示</source>
        <comment>965</comment>
        <translation>Show all tabs</translation>
    </message>
    <message>
        <source>GPS の状態</source>
        <comment>966</comment>
        <translation>GPS status</translation>
    </message>
    <message>
        <source>トラックログの設定</source>
        <comment>967</comment>
        <translation>Track log settings</translation>
    </message>
    <message>
        <source>写真の位置情報</source>
        <comment>968</comment>
        <translation>Photo geotagging</translation>
    </message>
    <message>
        <source>ウェイポイントと地図</source>
        <comment>969</comment>
        <translation>Waypoints and maps</translation>
    </message>
    <message>
        <source>ファイルのチェックサム（CRC）が合いません。ファイルが壊れています。</source>
        <comment>989</comment>
        <translation>The file's checksum (CRC) does not match: the file is damaged.</translation>
    </message>
    <message>
        <source>ファイルを読み込めません。</source>
        <comment>990</comment>
        <translation>The file cannot be read.</translation>
    </message>
    <message>
        <source>ファイルが短すぎます。</source>
        <comment>991</comment>
        <translation>The file is too short.</translation>
    </message>
    <message>
        <source>ファイルが大きすぎます（本体のデータは 800 KiB まで）。</source>
        <comment>992</comment>
        <translation>The file is too large (a unit takes at most 800 KiB).</translation>
    </message>
    <message>
        <source>ファイルのパスが長すぎます（255 文字まで）。</source>
        <comment>993</comment>
        <translation>The file's path is too long (at most 255 characters).</translation>
    </message>
    <message>
        <source>更新ファイルの一時ファイルを書き込めません。</source>
        <comment>994</comment>
        <translation>The temporary copy of the update file cannot be written.</translation>
    </message>
    <message>
        <source>ロガーのダウンロード</source>
        <comment>995</comment>
        <translation>Logger download</translation>
    </message>
    <message>
        <source>ファームウェアのダウンロード</source>
        <comment>996</comment>
        <translation>Firmware download</translation>
    </message>
    <message>
        <source>トラックログファイル形式変換</source>
        <comment>1353</comment>
        <translation>Track log file conversion</translation>
    </message>
    <message>
        <source>元ファイル(*.trl):</source>
        <comment>1354</comment>
        <translation>Source file (*.trl):</translation>
    </message>
    <message>
        <source>タイムゾーン(UTC+-):</source>
        <comment>1355</comment>
        <translation>Time zone (UTC+-):</translation>
    </message>
    <message>
        <source>出力形式:</source>
        <comment>1356</comment>
        <translation>Output formats:</translation>
    </message>
    <message>
        <source>変換するファイルを選んでください。</source>
        <comment>1357</comment>
        <translation>Choose a file to convert.</translation>
    </message>
    <message>
        <source>変換</source>
        <comment>1358</comment>
        <translation>Convert</translation>
    </message>
    <message>
        <source>変換中．．．</source>
        <comment>1360</comment>
        <translation>Converting...</translation>
    </message>
    <message>
        <source>変換が完了しました。</source>
        <comment>1361</comment>
        <translation>The conversion is complete.</translation>
    </message>
    <message>
        <source>読み込み: </source>
        <comment>1366</comment>
        <translation>Read: </translation>
    </message>
    <message>
        <source>一致: </source>
        <comment>1367</comment>
        <translation>Matched: </translation>
    </message>
    <message>
        <source>不一致: </source>
        <comment>1368</comment>
        <translation>Not matched: </translation>
    </message>
    <message>
        <source>読み込んだ写真 %1 枚、失敗 %2 枚</source>
        <comment>1369</comment>
        <translation>Photos read: %1, failed: %2</translation>
    </message>
    <message>
        <source>一致した写真 %1 枚、一致しない写真 %2 枚</source>
        <comment>1370</comment>
        <translation>Photos matched: %1, not matched: %2</translation>
    </message>
    <message>
        <source>トラックログファイル（*.trl）を選択してください。</source>
        <comment>1380</comment>
        <translation>Choose a track log file (*.trl).</translation>
    </message>
    <message>
        <source>写真のフォルダを選択してください。</source>
        <comment>1381</comment>
        <translation>Choose the folder of the photos.</translation>
    </message>
    <message>
        <source>撮影日時がありません。</source>
        <comment>1387</comment>
        <translation>The photo has no time of taking.</translation>
    </message>
    <message>
        <source>撮影日時を変換できません。</source>
        <comment>1388</comment>
        <translation>The time of taking cannot be read.</translation>
    </message>
    <message>
        <source>失敗: </source>
        <comment>1389</comment>
        <translation>Failed: </translation>
    </message>
    <message>
        <source>次の写真はトラックに一致しません:</source>
        <comment>1393</comment>
        <translation>These photos do not match the track:</translation>
    </message>
    <message>
        <source>撮影時刻がトラックの最初の点より前、または最後の点以降の写真</source>
        <comment>1394</comment>
        <translation>photos taken before the first point of the track, or at or after its last point</translation>
    </message>
    <message>
        <source>撮影時刻の前後の点の間隔が 120 秒を超える写真</source>
        <comment>1395</comment>
        <translation>photos whose points before and after are more than 120 seconds apart</translation>
    </message>
    <message>
        <source>このカメラの写真には GPS 情報を書き込めません: </source>
        <comment>1414</comment>
        <translation>GPS data cannot be written into the photos of this camera: </translation>
    </message>
    <message>
        <source>一致したトラックポイントの位置、高度または時刻が範囲外のため、GPS 情報を書き込めません。</source>
        <comment>960</comment>
        <translation>The matched track point's position, height or time is out of range, so no GPS data can be written.</translation>
    </message>
    <message>
        <source>トラックログファイルを読み込めません: </source>
        <comment>961</comment>
        <translation>Cannot read the track log file: </translation>
    </message>
    <message>
        <source>写真のフォルダがありません: </source>
        <comment>962</comment>
        <translation>The photo folder does not exist: </translation>
    </message>
    <message>
        <source>トラックログファイル、写真、または KML ではない既存のファイルに KML を上書きすることはできません: </source>
        <comment>963</comment>
        <translation>The KML file would replace the track log file, a photo or an existing file that is not KML: </translation>
    </message>
    <message>
        <source>GPS フォルダがリンクか写真のフォルダそのものであるため、写真のコピーを書き込めません: </source>
        <comment>964</comment>
        <translation>The GPS folder is a link or the photo folder itself, so no photo copies can be written: </translation>
    </message>
    <message>
        <source>read Address: Timeout!</source>
        <comment>920</comment>
        <translation>read Address: Timeout!</translation>
    </message>
    <message>
        <source>Upload Failed! No Device Connected! </source>
        <comment>921</comment>
        <translation>Upload Failed! No Device Connected! </translation>
    </message>
    <message>
        <source>Clear Failed! No Device Connected! </source>
        <comment>922</comment>
        <translation>Clear Failed! No Device Connected! </translation>
    </message>
    <message>
        <source>Total mins: %M, secs: %S</source>
        <comment>923</comment>
        <translation>Total mins: %M, secs: %S</translation>
    </message>
    <message>
        <source>Connection to Device Failed</source>
        <comment>924</comment>
        <translation>Connection to Device Failed</translation>
    </message>
    <message>
        <source>Reading Record Mode Settings....</source>
        <comment>925</comment>
        <translation>Reading Record Mode Settings....</translation>
    </message>
    <message>
        <source>Updating Record Mode Settings....</source>
        <comment>926</comment>
        <translation>Updating Record Mode Settings....</translation>
    </message>
    <message>
        <source>%1 個のデータ（2048 バイトずつ）を本体から読み込めませんでした。アドレス: %2
読み込めた分はメモリイメージ Vorur.trl に、読めなかった範囲は Vorur_missing.txt に保存しました。トラックファイルは作成していません。もう一度ダウンロードしてください。</source>
        <comment>927</comment>
        <translation>%1 chunks (2048 bytes each) could not be read from the device, at addresses: %2
What could be read is in the memory image Vorur.trl, the ranges that could not in Vorur_missing.txt. No track files were made. Download again.</translation>
    </message>
    <message>
        <source>ダウンロード中に本体との接続が切れました。</source>
        <comment>928</comment>
        <translation>The connection to the device was lost during the download.</translation>
    </message>
    <message>
        <source>ログデータを消去できませんでした。本体が応答しません。</source>
        <comment>929</comment>
        <translation>The log data could not be erased: the device does not answer.</translation>
    </message>
    <message>
        <source>ログデータを消去しました。空きレコード数: %1</source>
        <comment>930</comment>
        <translation>The log data has been erased. Free records: %1</translation>
    </message>
    <message>
        <source>ログデータを消去しましたが、空きレコード数を読み込めませんでした。</source>
        <comment>931</comment>
        <translation>The log data has been erased, but the number of free records could not be read.</translation>
    </message>
    <message>
        <source>ファイルを書き込めませんでした: %1</source>
        <comment>932</comment>
        <translation>A file could not be written: %1</translation>
    </message>
    <message>
        <source>この本体からの前回のダウンロードの記録がないため、すべて読み込みます。</source>
        <comment>933</comment>
        <translation>No earlier download from this device is recorded, so everything is read.</translation>
    </message>
    <message>
        <source>本体の使用済みメモリの位置がわからないため、すべて読み込みます。</source>
        <comment>934</comment>
        <translation>The end of the device's used memory is not known, so everything is read.</translation>
    </message>
    <message>
        <source>前回のダウンロードの後にメモリが消去されたか一杯になったため、すべて読み込みます。</source>
        <comment>935</comment>
        <translation>The memory has been erased or has filled up since the last download, so everything is read.</translation>
    </message>
    <message>
        <source>前回のメモリイメージ（Vorur.trl）が保存先のフォルダにないため、すべて読み込みます。</source>
        <comment>936</comment>
        <translation>The memory image of the last download (Vorur.trl) is not in the output folder, so everything is read.</translation>
    </message>
    <message>
        <source>前回のダウンロードの続き（アドレス %1 から）だけを読み込みます。</source>
        <comment>937</comment>
        <translation>Only what follows the last download (from address %1 on) is read.</translation>
    </message>
    <message>
        <source>前回のダウンロードの後に新しいデータはありません。</source>
        <comment>938</comment>
        <translation>Nothing new has been recorded since the last download.</translation>
    </message>
    <message>
        <source>ダウンロード</source>
        <comment>939</comment>
        <translation>Download</translation>
    </message>
    <message>
        <source>消去</source>
        <comment>940</comment>
        <translation>Erase</translation>
    </message>
    <message>
        <source>記録間隔（秒）：</source>
        <comment>941</comment>
        <translation>Record interval (s):</translation>
    </message>
    <message>
        <source>記録距離（m）：</source>
        <comment>942</comment>
        <translation>Record distance (m):</translation>
    </message>
    <message>
        <source>前回のダウンロードの続きだけを読み込む</source>
        <comment>943</comment>
        <translation>Read only what is new since the last download</translation>
    </message>
    <message>
        <source>使用中のメモリ: %1 バイト</source>
        <comment>944</comment>
        <translation>Memory in use: %1 bytes</translation>
    </message>
    <message>
        <source>本体に設定する</source>
        <comment>945</comment>
        <translation>Send to the device</translation>
    </message>
    <message>
        <source>記録間隔を設定しています．．．</source>
        <comment>1335</comment>
        <translation>Setting the record interval...</translation>
    </message>
    <message>
        <source>記録距離を設定しています．．．</source>
        <comment>1336</comment>
        <translation>Setting the record distance...</translation>
    </message>
    <message>
        <source>設定を本体に書き込みました。</source>
        <comment>1337</comment>
        <translation>The settings have been sent to the device.</translation>
    </message>
    <message>
        <source>ダウンロードを中止しました。</source>
        <comment>1338</comment>
        <translation>The download was stopped.</translation>
    </message>
    <message>
        <source>ログデータのダウンロードが完了しました。</source>
        <comment>1340</comment>
        <translation>The log data has been downloaded.</translation>
    </message>
    <message>
        <source>ログデータを消去しています．．．</source>
        <comment>1341</comment>
        <translation>Erasing the log data...</translation>
    </message>
    <message>
        <source>空きレコード数を確認しています．．．</source>
        <comment>1342</comment>
        <translation>Reading the number of free records...</translation>
    </message>
    <message>
        <source>ファイルへの保存</source>
        <comment>1347</comment>
        <translation>Save to files</translation>
    </message>
    <message>
        <source>保存先のフォルダ：</source>
        <comment>1348</comment>
        <translation>Output folder:</translation>
    </message>
    <message>
        <source>写真のフォルダ：</source>
        <comment>1349</comment>
        <translation>Photo folder:</translation>
    </message>
    <message>
        <source>写真を KML ファイルに組み込む</source>
        <comment>1350</comment>
        <translation>Combine the photos into the KML files</translation>
    </message>
    <message>
        <source>全トラックをまとめたファイルも作成する</source>
        <comment>1351</comment>
        <translation>Also write one file with all tracks</translation>
    </message>
    <message>
        <source>記録モードを設定しています．．．</source>
        <comment>1379</comment>
        <translation>Setting the record mode...</translation>
    </message>
    <message>
        <source>作成したファイル</source>
        <comment>1382</comment>
        <translation>Files written</translation>
    </message>
    <message>
        <source>保存先のフォルダを選択してください。</source>
        <comment>1391</comment>
        <translation>Choose the folder to save the files in.</translation>
    </message>
    <message>
        <source>ダウンロードを中止しました。</source>
        <comment>1392</comment>
        <translation>The download was stopped.</translation>
    </message>
    <message>
        <source>Waiting for Starting...</source>
        <comment>970</comment>
        <translation>Waiting for Starting...</translation>
    </message>
    <message>
        <source>Downloading...</source>
        <comment>971</comment>
        <translation>Downloading...</translation>
    </message>
    <message>
        <source>Waiting for Finishing...</source>
        <comment>972</comment>
        <translation>Waiting for Finishing...</translation>
    </message>
    <message>
        <source>Download Successfully. Please power off and then power on device.</source>
        <comment>973</comment>
        <translation>Download Successfully. Please power off and then power on device.</translation>
    </message>
    <message>
        <source>Uploading...</source>
        <comment>974</comment>
        <translation>Uploading...</translation>
    </message>
    <message>
        <source>Upload Successfully. Please power off and then power on device.</source>
        <comment>975</comment>
        <translation>Upload Successfully. Please power off and then power on device.</translation>
    </message>
    <message>
        <source>Get no response from device. Please restart device again.</source>
        <comment>976</comment>
        <translation>Get no response from device. Please restart device again.</translation>
    </message>
    <message>
        <source>Update Setting...</source>
        <comment>977</comment>
        <translation>Update Setting...</translation>
    </message>
    <message>
        <source>Update Setting Successfully.</source>
        <comment>978</comment>
        <translation>Update Setting Successfully.</translation>
    </message>
    <message>
        <source>Clear Successfully. Please power off and then power on device.</source>
        <comment>979</comment>
        <translation>Clear Successfully. Please power off and then power on device.</translation>
    </message>
    <message>
        <source>転送の途中で本体からの応答がなくなりました。ＵＳＢケーブルと本体の電源を確認してから、もう一度実行してください。</source>
        <comment>980</comment>
        <translation>The device stopped answering during the transfer. Check the USB cable and the device's power, then try again.</translation>
    </message>
    <message>
        <source>途中まで受信したデータは次のファイルに保存しました（完全なデータではありません）: </source>
        <comment>981</comment>
        <translation>The data received so far (not complete) was kept in this file: </translation>
    </message>
    <message>
        <source>本体が同じデータを何度も受け付けませんでした。ＵＳＢケーブルを確認してから、もう一度実行してください。</source>
        <comment>982</comment>
        <translation>The device refused the same data again and again. Check the USB cable, then try again.</translation>
    </message>
    <message>
        <source>ファイルを書き込めません。保存先と空き容量を確認してください: </source>
        <comment>983</comment>
        <translation>Cannot write the file. Check the folder and the free space: </translation>
    </message>
    <message>
        <source>送信するファイルを読み込めません。ファイルを確認してください: </source>
        <comment>984</comment>
        <translation>Cannot read the file to send. Check the file: </translation>
    </message>
    <message>
        <source>データはすべて転送しましたが、本体から終了の確認がありませんでした。本体の電源を入れ直してから、本体のデータを確認してください。</source>
        <comment>985</comment>
        <translation>All data was transferred, but the device did not confirm the end. Switch the device off and on again, then check its data.</translation>
    </message>
    <message>
        <source>本体との接続が切れました。ＵＳＢケーブルを確認してから、もう一度実行してください。</source>
        <comment>986</comment>
        <translation>The connection to the device was lost. Check the USB cable, then try again.</translation>
    </message>
    <message>
        <source>本体が設定に応答しませんでした。接続を確認してから、もう一度実行してください。</source>
        <comment>987</comment>
        <translation>The device did not answer the setting. Check the connection, then try again.</translation>
    </message>
    <message>
        <source>本体がログの消去に応答しませんでした。接続を確認してから、もう一度実行してください。</source>
        <comment>988</comment>
        <translation>The device did not answer the erase of its log. Check the connection, then try again.</translation>
    </message>
    <message>
        <source>本体に記録されたログをすべて消去します。消去したデータは元に戻せません。よろしいですか？</source>
        <comment>997</comment>
        <translation>This erases every log recorded in the unit. Erased data cannot be recovered. Go on?</translation>
    </message>
    <message>
        <source>本体が転送を開始できる状態ではありません。本体の電源を入れ直してから、もう一度実行してください。</source>
        <comment>1103</comment>
        <translation>The device is not ready to start a transfer. Switch the device off and on again, then try again.</translation>
    </message>
    <message>
        <source>本体が見つかりません。ＵＳＢケーブルの接続と本体の電源を確認してから、もう一度実行してください。</source>
        <comment>1104</comment>
        <translation>No device found. Check the USB cable and the device's power, then try again.</translation>
    </message>
    <message>
        <source>本体がファイルの受け取りを断りました。ファイルの種類と本体の空き容量を確認してから、もう一度実行してください。</source>
        <comment>1105</comment>
        <translation>The device declined the file. Check the file type and the free space on the device, then try again.</translation>
    </message>
    <message>
        <source>本体でエラーが発生しました。本体の電源を入れ直してから、もう一度実行してください。</source>
        <comment>1106</comment>
        <translation>An error occurred in the device. Switch the device off and on again, then try again.</translation>
    </message>
    <message>
        <source>本体が転送を中止しました。本体の電源を入れ直してから、もう一度実行してください。</source>
        <comment>1107</comment>
        <translation>The device stopped the transfer. Switch the device off and on again, then try again.</translation>
    </message>
    <message>
        <source>本体がトラックログの送信を断りました。本体の電源を入れ直してから、もう一度実行してください。</source>
        <comment>1109</comment>
        <translation>The device declined to send its track log. Switch the device off and on again, then try again.</translation>
    </message>
</context>
<context>
    <name>TrackSplitter</name>
    <message>
        <source>ファイル作成:</source>
        <translation>File written:</translation>
    </message>
</context>
<context>
    <name>divuzo::PhotoCSDlg</name>
    <message>
        <source>日</source>
        <translation>days</translation>
    </message>
    <message>
        <source>時</source>
        <translation>hours</translation>
    </message>
    <message>
        <source>分</source>
        <translation>min</translation>
    </message>
    <message>
        <source>秒</source>
        <translation>s</translation>
    </message>
</context>
</TS>
