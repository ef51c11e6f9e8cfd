// The logger page (dialog 143) in the main window with its output dialog (144) and file
// status dialog (146), against the virtual logger in the same process: connect and the
// settings, Upload with its files, Clear, a cancel, and the window while a download runs.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QtTest>

#include "StringTable.h"
#include "TempDir.h"
#include "app/UtilityManager.h"
#include "app/ui/ControlId.h"
#include "app/ui/DialogTemplate.h"
#include "app/ui/HListBox.h"
#include "app/ui/StopMessage.h"
#include "app/ui/VaduzOdivozuDlg.h"
#include "engine/InProcessDevice.h"
#include "serial/ui/PageMTKTracklogSetting.h"
#include "serial/ui/StepByStepDlg.h"
#include "serial/ui/TrackLogFileStatusDlg.h"
#include "trackdata/DownloadOutput.h"

#include <filesystem>
#include <memory>

using namespace divuzo;

namespace {

QString Shown(QWidget* dialog, int id) {
  return FindControl<QLabel>(dialog, id)->text();
}
void Click(QWidget* dialog, int id) {
  QTest::mouseClick(FindControl<QPushButton>(dialog, id), Qt::LeftButton);
}

vdev::DeviceOptions Logger(long usedEnd) {
  vdev::DeviceOptions o;
  o.model = "TR410";
  o.logger.usedEnd = usedEnd;
  o.logger.eraseMs = 10;
  return o;
}

}  // namespace

class LoggerPageTest : public QObject {
  Q_OBJECT

  std::unique_ptr<VaduzOdivozuDlg> window_;
  std::unique_ptr<vdev::InProcessDevice> device_;
  PageMTKTracklogSetting* page_ = nullptr;
  QStringList messages_;

  // The window with its logger page shown, its session on a new virtual logger.
  void Open(const vdev::DeviceOptions& options) {
    window_ = std::make_unique<VaduzOdivozuDlg>();
    device_ = std::make_unique<vdev::InProcessDevice>(options);
    device_->Attach(window_->Session());
    window_->Session().timing.loggerWatchdogMs = 2000;
    page_ = window_->MtkPage();
    page_->show();
    window_->show();
    QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
  }
  bool WaitIdle(int timeoutMs = 20000) {
    return QTest::qWaitFor([this] { return !page_->IsWorking(); }, timeoutMs);
  }
  void ConnectLogger() {
    Click(page_, 1002);
    QVERIFY(WaitIdle());
    QVERIFY(window_->Session().IsOpen());
  }
  // The output dialog answered with `folder` (and the total track file).
  void AnswerOutputDialog(const QString& folder) {
    page_->runOutputDialog = [folder](StepByStepDlg& dialog) {
      StepByStepDlg::ChooseFolder() = [folder](QWidget*, const QString&) { return folder; };
      dialog.OnChooseOutputFolder();
      FindControl<QCheckBox>(&dialog, 1105)->click();
      dialog.accept();
      return dialog.result();
    };
  }

 private slots:
  void init() {
    theUtilityManager.Reset();
    messages_.clear();
    SetStopMessageHandler([this](const QString&, const QString& text) { messages_ << text; });
  }
  void cleanup() {
    if (window_) window_->Session().Reset();
    window_.reset();
    device_.reset();
    SetStopMessageHandler({});
  }

  void pageStartsWithTheDefaults() {
    Open(Logger(0x10000));
    QCOMPARE(FindControl<QComboBox>(page_, 1096)->count(), 7);
    QCOMPARE(FindControl<QComboBox>(page_, 1097)->count(), 6);
    QCOMPARE(FindControl<QComboBox>(page_, 1096)->currentText(), QStringLiteral("5"));
    QCOMPARE(FindControl<QComboBox>(page_, 1097)->currentText(), QStringLiteral("100"));
    QVERIFY(FindControl<QRadioButton>(page_, 1073)->isChecked());  // Full and Stop
    QVERIFY(!FindControl<QRadioButton>(page_, 1074)->isChecked());
    QVERIFY(FindControl<QRadioButton>(page_, 1122)->isChecked());  // By Second
    QVERIFY(FindControl<QCheckBox>(page_, 1001)->isHidden());
    QVERIFY(FindControl<QPushButton>(page_, 1082)->isHidden());
    QCOMPARE(Shown(page_, 1038), QStringLiteral("0%"));
    QCOMPARE(FindControl<QPushButton>(page_, 1002)->text(), TextOf(307));
    // Upload and Clear without a logger say so, and nothing else happens.
    Click(page_, 1036);
    QCOMPARE(Shown(page_, 1048), QStringLiteral("Upload Failed! No Device Connected! "));
    Click(page_, 1007);
    QCOMPARE(Shown(page_, 1048), QStringLiteral("Clear Failed! No Device Connected! "));
    QVERIFY(device_->ReceivedSentences().empty());
  }

  void connectShowsTheLoggersSettings() {
    Open(Logger(0x1F000));
    device_->Logger()->SetParameter(3, 100);   // 10 s
    device_->Logger()->SetParameter(4, 1500);  // 150 m
    device_->Logger()->SetParameter(6, 1);     // overwrite
    ConnectLogger();
    QCOMPARE(FindControl<QPushButton>(page_, 1002)->text(), TextOf(308));
    QVERIFY(Shown(page_, 1301).contains(QStringLiteral("126976")));  // 0x1F000 bytes in use
    QCOMPARE(FindControl<QComboBox>(page_, 1096)->currentText(), QStringLiteral("10"));
    QCOMPARE(FindControl<QComboBox>(page_, 1097)->currentText(), QStringLiteral("150"));
    QVERIFY(FindControl<QRadioButton>(page_, 1074)->isChecked());
    QCOMPARE(Shown(page_, 1050), QStringLiteral("Update Setting Successfully."));

    // A change applied goes to the device; the status says so.
    FindControl<QComboBox>(page_, 1096)->setCurrentIndex(6);
    emit FindControl<QComboBox>(page_, 1096)->activated(6);
    FindControl<QRadioButton>(page_, 1073)->click();
    Click(page_, 1300);
    QVERIFY(WaitIdle());
    QCOMPARE(device_->Logger()->Parameter(3), 1200L);
    QCOMPARE(device_->Logger()->Parameter(6), 2L);
    QCOMPARE(Shown(page_, 1050), TextOf(337));

    // Disconnect: the goodbye, the line let go, Connect again.
    Click(page_, 1002);
    QVERIFY(WaitIdle());
    QVERIFY(!window_->Session().IsOpen());
    QCOMPARE(FindControl<QPushButton>(page_, 1002)->text(), TextOf(307));
    QCOMPARE(device_->ReceivedSentences().back(), std::string("$RADED410,2*7D"));
  }

  void uploadWritesAndListsTheFilesWhileTheWindowStaysAlive() {
    // A pause in the device's answer keeps the download running for a while.
    vdev::DeviceOptions o = Logger(0x20000);
    o.logger.stallChunk = 40;
    o.logger.stallSeconds = 0.8;
    Open(o);
    ConnectLogger();
    test::TempDir out;
    AnswerOutputDialog(QString::fromStdString(out.path().string()));
    int ticks = 0;
    QTimer timer;
    connect(&timer, &QTimer::timeout, [&ticks] { ++ticks; });
    timer.start(20);
    Click(page_, 1036);
    QVERIFY(page_->IsWorking());
    QVERIFY(FindControl<QPushButton>(page_, 1240)->isVisible());  // the stop button
    QVERIFY(!FindControl<QPushButton>(page_, 1036)->isEnabled());
    // The window refuses to close while the download runs, and keeps handling events.
    window_->close();
    QVERIFY(window_->isVisible());
    QVERIFY(WaitIdle());
    QVERIFY(ticks > 10);

    const LogDownloadResult& r = page_->LastDownload();
    QVERIFY2(r.status.Ok(), r.message.c_str());
    QCOMPARE(FindControl<QProgressBar>(page_, 1037)->value(), 100);
    QCOMPARE(Shown(page_, 1038), QStringLiteral("100%"));
    QVERIFY(Shown(page_, 1048).startsWith(TextOf(340)));
    // One line per file written, the image first; the list's OK is usable again.
    TrackLogFileStatusDlg* status = page_->StatusDialog();
    QVERIFY(status && status->isVisible());
    QCOMPARE(status->windowTitle(), TextOf(382));
    const int files = static_cast<int>(std::distance(
        std::filesystem::directory_iterator(out.path()), std::filesystem::directory_iterator()));
    QCOMPARE(status->List()->count(), files);
    QCOMPARE(status->List()->item(0)->text(),
             QString::fromStdString(FileStatusPrefix() + " " +
                                    (out.path() / kMemoryImageName).string()));
    QVERIFY(FindControl<QPushButton>(status, 1)->isEnabled());
    QVERIFY(status->List()->count() > 4);  // the image, tracks, total file, their KML files
    const auto& memory = device_->Logger()->Memory();
    QVERIFY(test::ReadFileBytes(out.path() / kMemoryImageName) ==
            std::string(memory.begin(), memory.begin() + 0x20000));
    QVERIFY(messages_.isEmpty());
    // Now the window closes.
    window_->close();
    QVERIFY(!window_->isVisible());
  }

  void outputDialogCancelledAndStopButton() {
    // The device pauses in the fourth block, so the download is still running when stopped.
    vdev::DeviceOptions o = Logger(0x80000);
    o.logger.stallChunk = 100;
    o.logger.stallSeconds = 3;
    Open(o);
    ConnectLogger();
    page_->runOutputDialog = [](StepByStepDlg&) { return int(QDialog::Rejected); };
    Click(page_, 1036);
    QCOMPARE(Shown(page_, 1048), TextOf(338));
    QVERIFY(!page_->IsWorking());

    // The stop button ends a download: the line is restored and let go, the user is told.
    test::TempDir out;
    AnswerOutputDialog(QString::fromStdString(out.path().string()));
    window_->Session().timing.loggerWatchdogMs = 60000;
    Click(page_, 1036);
    QPushButton* stop = FindControl<QPushButton>(page_, 1240);
    QVERIFY(stop->isVisible());
    stop->click();
    QVERIFY(WaitIdle());
    QCOMPARE(page_->LastDownload().status.code, StatusCode::Cancelled);
    QCOMPARE(messages_, QStringList{TextOf(392)});
    QVERIFY(!window_->Session().IsOpen());
    QCOMPARE(FindControl<QPushButton>(page_, 1002)->text(), TextOf(307));
    QVERIFY(!std::filesystem::exists(out.path() / kMemoryImageName));
  }

  void clearEmptiesTheMemory() {
    Open(Logger(0x10000));
    ConnectLogger();
    // Asked first: a No leaves the memory as it is.
    int asked = 0;
    bool answer = false;
    SetQuestionHandler([&](const QString&, const QString& text) {
      asked += text == TextOf(997);
      return answer;
    });
    const auto& memory = device_->Logger()->Memory();
    const auto before = memory;
    Click(page_, 1007);
    QVERIFY(WaitIdle());
    QCOMPARE(asked, 1);
    QVERIFY(memory == before);
    answer = true;
    Click(page_, 1007);
    QVERIFY(WaitIdle());
    SetQuestionHandler({});
    QCOMPARE(asked, 2);
    QVERIFY(std::all_of(memory.begin(), memory.end(), [](std::uint8_t b) { return b == 0xFF; }));
    QCOMPARE(Shown(page_, 1048), QString::fromStdString(LoadText(930))
                                     .replace(QStringLiteral("%1"), QStringLiteral("131072")));
  }

  void outputDialogRules() {
    QStringList chosen;
    std::vector<QString> answers;
    StepByStepDlg::ChooseFolder() = [&](QWidget*, const QString&) {
      QString next = answers.empty() ? QString() : answers.front();
      if (!answers.empty()) answers.erase(answers.begin());
      chosen << next;
      return next;
    };
    StepByStepDlg dialog;
    dialog.show();
    QCOMPARE(dialog.windowTitle(), TextOf(347));
    QCOMPARE(FindControl<QPushButton>(&dialog, 1)->text(), TextOf(301));
    for (int hidden : {1099, 1100, 1096, 1097, 1102, 1103}) {
      QVERIFY(FindControl<QWidget>(&dialog, hidden)->isHidden());
      QVERIFY(!FindControl<QWidget>(&dialog, hidden)->isEnabled());
    }
    // OK before a folder was chosen: message 391 and the dialog stays open.
    Click(&dialog, 1);
    QCOMPARE(messages_, QStringList{TextOf(391)});
    QVERIFY(dialog.isVisible());
    // A folder, then a picker closed without a choice: the flag goes back to 0.
    answers = {QStringLiteral("/tmp/a"), QString()};
    Click(&dialog, 1098);
    QCOMPARE(dialog.folderChosen, 1);
    QCOMPARE(Shown(&dialog, 1115), QStringLiteral("/tmp/a"));
    Click(&dialog, 1098);
    QCOMPARE(dialog.folderChosen, 0);
    // The photo button opens no picker while "combine photos" is off, and clears the flag.
    dialog.photoFolderChosen = 1;
    const int picks = chosen.size();
    Click(&dialog, 1095);
    QCOMPARE(chosen.size(), picks);
    QCOMPARE(dialog.photoFolderChosen, 0);
    FindControl<QCheckBox>(&dialog, 1101)->click();
    answers = {QStringLiteral("/tmp/photos"), QStringLiteral("/tmp/b")};
    Click(&dialog, 1095);
    QCOMPARE(dialog.photoFolderChosen, 1);
    QCOMPARE(dialog.photoFolder, QStringLiteral("/tmp/photos"));
    FindControl<QCheckBox>(&dialog, 1101)->click();  // unchecked again: no photos
    QCOMPARE(dialog.photoFolderChosen, 0);
    // With a folder OK closes the dialog.
    Click(&dialog, 1098);
    Click(&dialog, 1);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QVERIFY(!dialog.isVisible());
  }
};

QTEST_MAIN(LoggerPageTest)
#include "LoggerPageTest.moc"
