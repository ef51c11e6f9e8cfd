// The update page's ways to fail, met the way a user meets them: a device that goes away in
// the middle of flashing, before it or during identification, a boot ROM that never answers,
// an agent that does not fit the chip, a damaged image file, Execute without a file. Each
// ends in its text, with the reason where there is one, the failure plain to see (447 in red,
// the bar marked), the page usable again (connect, another port, another file, Execute
// again), the window closable, the temporary image gone and no thread left behind.
#include <QFile>
#include <QProgressBar>
#include <QPushButton>
#include <QtTest>

#include <algorithm>
#include <filesystem>
#include <memory>

#include "UpdatePageDriver.h"
#include "app/ui/StopMessage.h"
#include "app/ui/VaduzOdivozuDlg.h"
#include "serial/DeviceSession.h"
#include "update/FlashDownload.h"
#include "update/FlashFailure.h"
#include "update/FlashJob.h"
#include "update/ImageValidation.h"

using namespace divuzo;
using namespace divuzo::test;
namespace fs = std::filesystem;

namespace {

// Threads of this process; a window that ends leaves as many as there were before it.
int ThreadCount() {
  int n = 0;
  std::error_code ec;
  for (auto it = fs::directory_iterator("/proc/self/task", ec); !ec && it != fs::directory_iterator(); it.increment(ec))
    ++n;
  return n;
}

bool Logged(const VdevProcess& vdev, const std::string& prefix) {
  const auto lines = vdev.LogLines();
  return std::any_of(lines.begin(), lines.end(),
                     [&](const std::string& l) { return l.rfind(prefix, 0) == 0; });
}

// A copy of `image` in `dir` with one payload byte changed: its checksum no longer matches.
QString DamagedCopy(const QString& image, const TempDir& dir, const QString& fileName) {
  QFile in(image);
  if (!in.open(QIODevice::ReadOnly)) return {};
  QByteArray bytes = in.readAll();
  bytes[bytes.size() / 2] = static_cast<char>(bytes[bytes.size() / 2] ^ 0x10);
  const QString copy = QString::fromStdString((dir / fileName.toStdString()).string());
  QFile out(copy);
  if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size()) return {};
  return copy;
}

// The stop message for a file whose checksum does not match.
QStringList DamagedFileMessage() {
  return {Text(300) + "|" + Text(415) + "\n" + Text(kTextImageCrcMismatch)};
}

// Short waits everywhere on the page's side; the device keeps its own pace.
void ShortenWaits(PageDeviceSetting* p) {
  LinkTiming& link = p->Session().timing;
  // Answers come at once; what nobody answers (the goodbye of a fixed-query device) need not
  // be waited for 2.3 s.
  link.queryPolls = 15;
  link.disconnectPauseMs = 10;
  link.speedRestorePauseMs = 10;
  p->updatePauseMs = 10;
  auto& bt = p->Job().Addresses().timing;
  bt.queryPollMs = 10;
  bt.queryPolls = 50;
  bt.restorePauseMs = 10;
  bt.ackPollMs = 10;
  bt.ackPolls = 50;
  bt.ackSettleMs = 10;
  FlashDownload& flash = p->Job().Flashing();
  flash.connectTimeoutMs = 1000;
  flash.ackTimeoutMs = 1000;
  flash.noBootRomPauseMs = 10;
}

// Shows `w` with short waits on its update page's side; false if it never got on screen.
bool ShowWithShortWaits(VaduzOdivozuDlg& w) {
  if (!ShowWindow(w)) return false;
  ShortenWaits(w.UpdatePage());
  return true;
}

} // namespace

class UpdateFailureTest : public QObject {
  Q_OBJECT

  QStringList messages_;
  QStringList questions_;
  // The stored address of each test starts empty.
  std::unique_ptr<TempDir> config_;
  std::unique_ptr<ScopedEnv> configHome_;
  bool answer_ = true;
  int baseThreads_ = 0;
  bool ended_ = false;
  bool succeeded_ = false;

  // Auto Detect, Connect until the device is identified, then `image` through Select File.
  void IdentifyAndChoose(VaduzOdivozuDlg& w, const QString& image) {
    PageDeviceSetting* p = w.UpdatePage();
    QTest::mouseClick(FindControl<QPushButton>(p, 1005), Qt::LeftButton);
    QCOMPARE(Shown(p, 1003), Text(450));
    QTest::mouseClick(FindControl<QPushButton>(p, 1002), Qt::LeftButton);
    QVERIFY(WaitIdentificationEnd(p));
    QCOMPARE(Shown(p, 1003), Text(311));
    SelectFile(p, image);
    QCOMPARE(Usable(p), QStringLiteral("000101"));
  }

  // Execute, then the failed end: text 447 in red with the bar marked as failed, the reason
  // (`reason`) in a stop message, the page usable again, the window's close and About buttons
  // usable again, the temporary image deleted; the window then closes.
  void ExecuteAndExpectFailure(VaduzOdivozuDlg& w, int reason) {
    PageDeviceSetting* p = w.UpdatePage();
    const QString temp = QString::fromStdString(p->tempImagePath);
    QVERIFY(QFile::exists(temp));
    messages_.clear();
    ended_ = succeeded_ = false;
    p->onUpdateEnded = [this](bool success) { ended_ = true; succeeded_ = success; };
    QTest::mouseClick(FindControl<QPushButton>(p, 1224), Qt::LeftButton);
    QVERIFY(p->IsWorking());
    QVERIFY(!w.Control(1)->isEnabled());
    QVERIFY(!w.Control(1095)->isEnabled());
    QTRY_VERIFY_WITH_TIMEOUT(ended_, 30000);
    QVERIFY(!succeeded_);
    QCOMPARE(Shown(p, 1233), Text(447));
    const QColor red(255, 0, 0);
    QCOMPARE(FindControl<QLabel>(p, 1233)->palette().color(QPalette::WindowText), red);
    auto* bar = FindControl<QProgressBar>(p, 1093);
    QVERIFY(bar->property("failed").toBool());
    QCOMPARE(bar->palette().color(QPalette::Highlight), red);
    QVERIFY(Shown(p, 1234) != QStringLiteral("100%"));
    QVERIFY(bar->value() < 100);
    QCOMPARE(p->UpdateOutcome().reasonTextId, reason);
    QCOMPARE(messages_, QStringList{Text(300) + "|" + Text(447) + "\n" + Text(reason)});
    // Connect again, another port, another file, ForceUpdate or Execute again.
    QCOMPARE(Usable(p), QStringLiteral("011111"));
    QVERIFY(!QFile::exists(temp));
    QVERIFY(!p->IsWorking());
    QTRY_VERIFY(w.Control(1)->isEnabled());
    QVERIFY(w.Control(1095)->isEnabled());
    QVERIFY(!p->HoldsOpenPort());
    QTest::mouseClick(FindControl<QPushButton>(&w, 1), Qt::LeftButton);
    QVERIFY(!w.isVisible());
  }

private slots:
  void initTestCase() {
    // Whatever Qt starts once for the first window belongs to the baseline.
    TempDir empty;
    ScopedEnv env("DIVUZO_VPORT_DIR", empty.path().string());
    {
      VaduzOdivozuDlg w;
      QVERIFY(ShowWindow(w));
      w.close();
    }
    baseThreads_ = ThreadCount();
  }

  void init() {
    if (RealBridgeAttached()) QSKIP("a USB serial bridge is attached");
    theUtilityManager.Reset();
    config_ = std::make_unique<TempDir>();
    configHome_ = std::make_unique<ScopedEnv>("XDG_CONFIG_HOME", config_->path().string());
    RecordStopMessages(messages_);
    answer_ = true;
    AnswerQuestions(questions_, answer_);
  }
  void cleanup() {
    SetStopMessageHandler({});
    SetQuestionHandler({});
    configHome_.reset();
    config_.reset();
    QTRY_COMPARE(ThreadCount(), baseThreads_);
  }

  void hangUpInTheMiddleOfFlashing() {
    DiscoverableVdev vdev({"--model", "ZID310", "--firmware", "123", "--bt-address",
                           "00:1B:C1:02:03:04", "--hangup-at", "50"});
    QVERIFY(vdev.Started());
    TempDir dir;
    const QString image = MakeImage(dir, QStringLiteral("ZID310_V124_PLM.bin"), "ZID310", "V1.24", 64 * 1024);
    QVERIFY(!image.isEmpty());
    {
      VaduzOdivozuDlg w;
      QVERIFY(ShowWithShortWaits(w));
      IdentifyAndChoose(w, image);
      if (QTest::currentTestFailed()) return;
      ExecuteAndExpectFailure(w, kTextPortGone);
      if (QTest::currentTestFailed()) return;
    }
    // The device went away half-way through the image, as if unplugged.
    QVERIFY(Logged(vdev, "boot ROM: writing"));
    QVERIFY(Logged(vdev, "boot ROM: hanging up at"));
    QVERIFY(!vdev.Running());
  }

  void unpluggedBeforeExecute() {
    DiscoverableVdev vdev(
        {"--model", "ZID310", "--firmware", "123", "--bt-address", "00:1B:C1:02:03:04"});
    QVERIFY(vdev.Started());
    TempDir dir;
    const QString image = MakeImage(dir, QStringLiteral("ZID310_V124_PLM.bin"), "ZID310", "V1.24");
    QVERIFY(!image.isEmpty());
    VaduzOdivozuDlg w;
    QVERIFY(ShowWithShortWaits(w));
    IdentifyAndChoose(w, image);
    if (QTest::currentTestFailed()) return;
    vdev.Stop();
    // The address cannot be read now, and none is stored: the user is asked first, goes on,
    // and is told that the port is not there.
    ExecuteAndExpectFailure(w, kTextPortNotFound);
    if (QTest::currentTestFailed()) return;
    QCOMPARE(questions_.size(), 1);
    QVERIFY(questions_[0].startsWith(Text(kTextAddressUnknown)));
    QCOMPARE(w.UpdatePage()->Job().Flashing().downloadStatus, brom_download::kPortFailed);
  }

  void bootRomNeverAnswers() {
    DiscoverableVdev vdev({"--model", "ZID310", "--firmware", "123", "--bt-address",
                           "00:1B:C1:02:03:04", "--no-handshake"});
    QVERIFY(vdev.Started());
    TempDir dir;
    const QString image = MakeImage(dir, QStringLiteral("ZID310_V124_PLM.bin"), "ZID310", "V1.24");
    QVERIFY(!image.isEmpty());
    {
      VaduzOdivozuDlg w;
      QVERIFY(ShowWithShortWaits(w));
      IdentifyAndChoose(w, image);
      if (QTest::currentTestFailed()) return;
      ExecuteAndExpectFailure(w, kTextNoBootRom);
      if (QTest::currentTestFailed()) return;
      QCOMPARE(w.UpdatePage()->Job().Flashing().downloadStatus, brom_download::kNoBootRom);
    }
    QVERIFY(!Logged(vdev, "boot ROM: handshake done"));
    // The device itself is still there and talking: the address was written back.
    QVERIFY(vdev.Running());
    QVERIFY(vdev.CountReceived("$PMTK492*3D") >= 1);
  }

  void agentThatDoesNotFitTheChip() {
    // A forced update assumes the older chip; this unit has the newer one and refuses it.
    {
      TempDir out;
      DiscoverableVdev vdev(
          {"--model", "T2200", "--silent", "--flash-dump", (out / "flash.bin").string()});
      QVERIFY(vdev.Started());
      TempDir dir;
      const QString image = MakeImage(dir, QStringLiteral("KRB1_V100_PLM.bin"), "KRB-1", "V1.00");
      QVERIFY(!image.isEmpty());
      VaduzOdivozuDlg w;
      QVERIFY(ShowWithShortWaits(w));
      PageDeviceSetting* p = w.UpdatePage();
      QVERIFY(ConnectToSilentDevice(p));
      QCOMPARE(Shown(p, 1003), Text(315));
      QTest::mouseClick(FindControl<QPushButton>(p, 1239), Qt::LeftButton);
      SelectFile(p, image);
      QCOMPARE(Shown(p, 1228), Text(116));
      QCOMPARE(Usable(p), QStringLiteral("001111"));
      ExecuteAndExpectFailure(w, kTextAgentRefused);
      if (QTest::currentTestFailed()) return;
      QVERIFY(Logged(vdev, "boot ROM: agent for chip"));
      QVERIFY(!Logged(vdev, "boot ROM: writing"));
      QVERIFY(!fs::exists(out / "flash.bin"));
    }
    // The unit is identified, but the folder the agents come from has none for its chip.
    {
      TempDir out;
      DiscoverableVdev vdev(
          {"--model", "T2200", "--firmware", "100", "--flash-dump", (out / "flash.bin").string()});
      QVERIFY(vdev.Started());
      TempDir dir;
      const QString image = MakeImage(dir, QStringLiteral("T2200_V200_PLM.bin"), "T2200", "V2.00");
      QVERIFY(!image.isEmpty());
      TempDir agents;
      // The layout and the older chip's agent are there; the newer chip's is not.
      int copied = 0;
      for (const auto& entry : fs::directory_iterator(DIVUZO_BINARY_DIR "/bin")) {
        const std::string name = entry.path().filename().string();
        if (name == "scat.txt" || name.rfind("DA_MT3318_", 0) == 0) {
          fs::copy_file(entry.path(), agents / name);
          ++copied;
        }
      }
      QCOMPARE(copied, 2);
      VaduzOdivozuDlg w;
      QVERIFY(ShowWithShortWaits(w));
      PageDeviceSetting* p = w.UpdatePage();
      p->Job().Flashing().searchFolders = {agents.path().string()};
      IdentifyAndChoose(w, image);
      if (QTest::currentTestFailed()) return;
      ExecuteAndExpectFailure(w, kTextNoAgent);
      if (QTest::currentTestFailed()) return;
      QVERIFY(p->Job().Flashing().agentPath.empty());
      QVERIFY(!Logged(vdev, "boot ROM: handshake done"));  // the device is never touched
      QVERIFY(!fs::exists(out / "flash.bin"));
    }
  }

  void unplugDuringIdentification() {
    // Replies come in two parts with a long pause: the device is pulled out in between.
    DiscoverableVdev vdev(
        {"--model", "ZID310", "--firmware", "123", "--split-replies", "--split-pause-ms", "3000"});
    QVERIFY(vdev.Started());
    VaduzOdivozuDlg w;
    QVERIFY(ShowWithShortWaits(w));
    PageDeviceSetting* p = w.UpdatePage();
    QTest::mouseClick(FindControl<QPushButton>(p, 1005), Qt::LeftButton);
    QTest::mouseClick(FindControl<QPushButton>(p, 1002), Qt::LeftButton);
    QCOMPARE(vdev.WaitReceived("$PPLM810*38", 1), 1);
    QVERIFY(p->IsWorking());
    vdev.Stop();
    QVERIFY(WaitIdentificationEnd(p));
    QCOMPARE(Shown(p, 1003), Text(kTextPortGone));
    QVERIFY(!p->IsWorking());
    QCOMPARE(Usable(p), QStringLiteral("011010"));
    QVERIFY(!p->HoldsOpenPort());
    QTRY_VERIFY(w.Control(1)->isEnabled());
    QVERIFY(w.Control(1095)->isEnabled());
    // Connect again with the device still gone: the port is not there, in the status line
    // (nothing timed out) and in a stop message.
    messages_.clear();
    QTest::mouseClick(FindControl<QPushButton>(p, 1002), Qt::LeftButton);
    QVERIFY(p->IsWorking());
    QTRY_VERIFY_WITH_TIMEOUT(!p->IsWorking(), 20000);
    QCOMPARE(Shown(p, 1003), Text(kTextPortNotFound));
    QVERIFY(!p->HoldsOpenPort());
    QCOMPARE(Usable(p), QStringLiteral("011010"));
    QCOMPARE(messages_.size(), 1);
    QVERIFY2(messages_[0].startsWith(Text(300) + "|"), qPrintable(messages_[0]));
    QVERIFY2(messages_[0].endsWith(Text(kTextPortNotFound)), qPrintable(messages_[0]));
    QTRY_VERIFY(w.Control(1)->isEnabled());
    QTest::mouseClick(FindControl<QPushButton>(&w, 1), Qt::LeftButton);
    QVERIFY(!w.isVisible());
  }

  void damagedFileIsNeverFlashed() {
    // After a good image, a damaged one from the same folder is refused; Execute stays usable
    // and flashes the good image, which is also the one the page shows.
    {
      TempDir out;
      DiscoverableVdev vdev({"--model", "ZID310", "--firmware", "123", "--bt-address",
                             "00:1B:C1:02:03:04", "--flash-dump", (out / "flash.bin").string()});
      QVERIFY(vdev.Started());
      TempDir good;
      const QString image = MakeImage(good, QStringLiteral("ZID310_V124_PLM.bin"), "ZID310", "V1.24");
      QVERIFY(!image.isEmpty());
      const QString damaged = DamagedCopy(image, good, QStringLiteral("ZID310_V125_PLM.bin"));
      QVERIFY(!damaged.isEmpty());
      VaduzOdivozuDlg w;
      QVERIFY(ShowWithShortWaits(w));
      PageDeviceSetting* p = w.UpdatePage();
      IdentifyAndChoose(w, image);
      if (QTest::currentTestFailed()) return;
      SelectFile(p, damaged);
      QCOMPARE(messages_, DamagedFileMessage());
      QCOMPARE(Usable(p), QStringLiteral("000101"));
      QCOMPARE(Shown(p, 1198), image);
      QCOMPARE(Shown(p, 1212), QStringLiteral("V1.24"));
      ended_ = succeeded_ = false;
      p->onUpdateEnded = [this](bool success) { ended_ = true; succeeded_ = success; };
      QTest::mouseClick(FindControl<QPushButton>(p, 1224), Qt::LeftButton);
      QTRY_VERIFY_WITH_TIMEOUT(ended_, 30000);
      QVERIFY2(succeeded_, qPrintable(Shown(p, 1233)));
      QFile payload(QString::fromStdString((good / "payload.bin").string()));
      QFile flashed(QString::fromStdString((out / "flash.bin").string()));
      QVERIFY(payload.open(QIODevice::ReadOnly));
      QVERIFY(flashed.open(QIODevice::ReadOnly));
      QVERIFY(payload.readAll() == flashed.readAll());
      QTRY_VERIFY(w.Control(1)->isEnabled());
    }
    // After ForceUpdate, a damaged file as the first choice leaves no file to flash.
    {
      DiscoverableVdev vdev({"--model", "ZID310", "--silent"});
      QVERIFY(vdev.Started());
      TempDir dir;
      const QString image = MakeImage(dir, QStringLiteral("KRB1_V100_PLM.bin"), "KRB-1", "V1.00");
      QVERIFY(!image.isEmpty());
      const QString damaged = DamagedCopy(image, dir, QStringLiteral("KRB1_V101_PLM.bin"));
      QVERIFY(!damaged.isEmpty());
      VaduzOdivozuDlg w;
      QVERIFY(ShowWithShortWaits(w));
      PageDeviceSetting* p = w.UpdatePage();
      messages_.clear();
      QVERIFY(ConnectToSilentDevice(p));
      QTest::mouseClick(FindControl<QPushButton>(p, 1239), Qt::LeftButton);
      SelectFile(p, damaged);
      QCOMPARE(messages_, DamagedFileMessage());
      QCOMPARE(Usable(p), QStringLiteral("001111"));
      QTest::mouseClick(FindControl<QPushButton>(p, 1224), Qt::LeftButton);
      QVERIFY(!p->IsWorking());
      QCOMPARE(messages_.size(), 2);
      QCOMPARE(messages_[1], Text(300) + QStringLiteral("|") + Text(412));
      QCOMPARE(Shown(p, 1233), Text(443));
      QVERIFY(!Logged(vdev, "boot ROM:"));
    }
  }

  void imageInAFolderThatCannotBeWritten() {
    // The installed sample's folder, say: the payload goes to a private folder instead, and
    // the update flashes it.
    TempDir out;
    DiscoverableVdev vdev({"--model", "ZID310", "--firmware", "123", "--bt-address",
                           "00:1B:C1:02:03:04", "--flash-dump", (out / "flash.bin").string()});
    QVERIFY(vdev.Started());
    TempDir dir;
    const QString image = MakeImage(dir, QStringLiteral("ZID310_V124_PLM.bin"), "ZID310", "V1.24");
    QVERIFY(!image.isEmpty());
    // Read-only for everybody but root; a folder in the payload's place stops root as well.
    fs::create_directory(dir / "Raded_FW_Temp.bin");
    TempDir temporary;
    ScopedEnv tmp("TMPDIR", temporary.path().string());
    fs::permissions(dir.path(), fs::perms::owner_write, fs::perm_options::remove);
    VaduzOdivozuDlg w;
    QVERIFY(ShowWithShortWaits(w));
    PageDeviceSetting* p = w.UpdatePage();
    IdentifyAndChoose(w, image);
    fs::permissions(dir.path(), fs::perms::owner_write, fs::perm_options::add);
    if (QTest::currentTestFailed()) return;
    QVERIFY(messages_.isEmpty());
    QCOMPARE(Shown(p, 1228), Text(437));
    QCOMPARE(fs::path(p->tempImagePath).parent_path().parent_path(), temporary.path());

    // Nowhere to write the payload at all: the user is told that, not that the file is wrong.
    {
      ScopedEnv noTemp("TMPDIR", (dir / "no-such-folder").string());
      SelectFile(p, image);
      QCOMPARE(messages_, QStringList{Text(300) + "|" + Text(kTextPayloadNotWritten)});
      QCOMPARE(Usable(p), QStringLiteral("000101"));
    }
    ended_ = succeeded_ = false;
    p->onUpdateEnded = [this](bool success) { ended_ = true; succeeded_ = success; };
    QTest::mouseClick(FindControl<QPushButton>(p, 1224), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(ended_, 30000);
    QVERIFY2(succeeded_, qPrintable(Shown(p, 1233)));
    QCOMPARE(test::ReadFileBytes(out / "flash.bin"), test::ReadFileBytes(dir / "payload.bin"));
    // No private folder is left behind.
    QVERIFY(fs::is_empty(temporary.path()));
    QTRY_VERIFY(w.Control(1)->isEnabled());
  }

  void payloadsLeftUnusedAreDeleted() {
    // Choosing images in two folders and closing without an update leaves neither payload.
    DiscoverableVdev vdev({"--model", "ZID310", "--silent"});
    QVERIFY(vdev.Started());
    TempDir first, second;
    const QString a = MakeImage(first, QStringLiteral("KRB1_V100_PLM.bin"), "KRB-1", "V1.00");
    const QString b = MakeImage(second, QStringLiteral("KRB1_V110_PLM.bin"), "KRB-1", "V1.10");
    QVERIFY(!a.isEmpty() && !b.isEmpty());
    QString tempA, tempB;
    {
      VaduzOdivozuDlg w;
      QVERIFY(ShowWithShortWaits(w));
      PageDeviceSetting* p = w.UpdatePage();
      QVERIFY(ConnectToSilentDevice(p));
      QTest::mouseClick(FindControl<QPushButton>(p, 1239), Qt::LeftButton);
      SelectFile(p, a);
      tempA = QString::fromStdString(p->tempImagePath);
      QVERIFY(QFile::exists(tempA));
      SelectFile(p, b);
      tempB = QString::fromStdString(p->tempImagePath);
      QVERIFY(tempA != tempB);
      QVERIFY(!QFile::exists(tempA));
      QVERIFY(QFile::exists(tempB));
      QTest::mouseClick(FindControl<QPushButton>(&w, 1), Qt::LeftButton);
      QVERIFY(!w.isVisible());
    }
    QVERIFY(!QFile::exists(tempB));
    QVERIFY(QFile::exists(a));
    QVERIFY(QFile::exists(b));
  }

  void executeWithoutAFile() {
    DiscoverableVdev vdev({"--model", "ZID310", "--silent"});
    QVERIFY(vdev.Started());
    VaduzOdivozuDlg w;
    QVERIFY(ShowWithShortWaits(w));
    PageDeviceSetting* p = w.UpdatePage();
    QVERIFY(ConnectToSilentDevice(p));
    QCOMPARE(Shown(p, 1003), Text(315));
    QTest::mouseClick(FindControl<QPushButton>(p, 1239), Qt::LeftButton);
    QCOMPARE(Usable(p), QStringLiteral("001111"));
    QTest::mouseClick(FindControl<QPushButton>(p, 1224), Qt::LeftButton);
    QCOMPARE(messages_, QStringList{Text(300) + QStringLiteral("|") + Text(412)});
    // Nothing started: no worker, no stage text, the device never saw the boot ROM's call.
    QVERIFY(!p->IsWorking());
    QCOMPARE(Shown(p, 1233), Text(443));
    // Not stuck: a file can be chosen (and the unit connected again, on this or another port).
    QCOMPARE(Usable(p), QStringLiteral("011110"));
    QVERIFY(FindControl<QPushButton>(p, 1192)->hasFocus());
    QVERIFY(w.Control(1)->isEnabled());
    QVERIFY(w.Control(1095)->isEnabled());
    QTest::qWait(100);
    QVERIFY(!Logged(vdev, "boot ROM:"));
    QTest::mouseClick(FindControl<QPushButton>(&w, 1), Qt::LeftButton);
    QVERIFY(!w.isVisible());
  }
};

QTEST_MAIN(UpdateFailureTest)
#include "UpdateFailureTest.moc"
