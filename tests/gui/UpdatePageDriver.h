#pragma once
// Helpers shared by the Qt tests that drive the update page against the virtual device:
// texts, the page's button states, the stored link settings and images made with the
// command-line tool.
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QString>
#include <QStringList>
#include <QTest>
#include <QWidget>

#include <string>
#include <utility>
#include <vector>

#include "ScopedEnv.h"
#include "StringTable.h"
#include "TempDir.h"
#include "VdevProcess.h"
#include "engine/InProcessDevice.h"
#include "app/UtilityManager.h"
#include "app/ui/ControlId.h"
#include "app/ui/StopMessage.h"
#include "app/ui/VaduzOdivozuDlg.h"
#include "serial/DeviceSession.h"
#include "serial/PortChoice.h"
#include "update/FlashJob.h"
#include "update/ui/PageDeviceSetting.h"

namespace divuzo::test {

// The virtual device, announced where port discovery looks (DIVUZO_VPORT_DIR) while it lives.
class DiscoverableVdev : public VdevProcess {
public:
  explicit DiscoverableVdev(std::vector<std::string> args = {})
      : VdevProcess(std::move(args)), env_("DIVUZO_VPORT_DIR", VportDir()) {}

private:
  ScopedEnv env_;
};

// Shows `w` and waits until it is on screen; false if it never got there.
inline bool ShowWindow(QWidget& w) {
  w.show();
  return QTest::qWaitForWindowExposed(&w);
}

inline QString Text(int id) { return QString::fromStdString(LoadText(id)); }

// Clears `messages`, then collects there, as "caption|text", the stop messages shown from now
// on instead of their boxes (until the handler is set again).
inline void RecordStopMessages(QStringList& messages) {
  messages.clear();
  SetStopMessageHandler([&messages](const QString& caption, const QString& text) {
    messages << caption + QStringLiteral("|") + text;
  });
}

// Clears `asked`, then takes the questions asked from now on instead of their boxes: each text is
// added to `asked` and answered with the value `answer` has then (until the handler is set again).
inline void AnswerQuestions(QStringList& asked, const bool& answer) {
  asked.clear();
  SetQuestionHandler([&asked, &answer](const QString&, const QString& text) {
    asked << text;
    return answer;
  });
}

// Which of the page's buttons and list are usable, in a fixed order for comparisons:
// Auto Detect, Connect, port list, Select File, ForceUpdate, Execute.
inline QString Usable(PageDeviceSetting* page) {
  QString s;
  for (int id : {1005, 1002, 1116, 1192, 1239, 1224})
    s += FindControl<QWidget>(page, id)->isEnabled() ? QStringLiteral("1") : QStringLiteral("0");
  return s;
}

// The text of a static or an edit of the page.
inline QString Shown(PageDeviceSetting* p, int id) {
  if (auto* l = FindControl<QLabel>(p, id)) return l->text();
  if (auto* e = FindControl<QLineEdit>(p, id)) return e->text();
  return QStringLiteral("<missing %1>").arg(id);
}

// Connect's last status text reaches the page just before the end of identification does;
// waits for the end (buttons set, port closed), true unless it took longer than `timeoutMs`.
inline bool WaitIdentificationEnd(PageDeviceSetting* p, int timeoutMs = 20000) {
  return QTest::qWaitFor([p] { return !p->IsWorking(); }, timeoutMs);
}

// The port the page recorded in the link settings.
inline QString LinkPort(PageDeviceSetting* p) {
  std::string name;
  int baud = 0, spare = 0;
  p->Session().GetLinkSettings(name, baud, spare);
  return QString::fromStdString(name);
}

// Makes an image with the command-line tool: `product`, `version`, a payload of
// `payloadSize` bytes drawn from `seed`, kept next to it as payload.bin.
inline QString MakeImage(const TempDir& dir, const QString& fileName, const QString& product,
                         const QString& version, int payloadSize = 4096, int seed = 7) {
  const QString payload = QString::fromStdString((dir / "payload.bin").string());
  const QString image = QString::fromStdString((dir / fileName.toStdString()).string());
  if (QProcess::execute(QStringLiteral(DIVUZO_CLI_PATH),
                        {"image", "payload", "--size", QString::number(payloadSize), "--seed",
                         QString::number(seed), payload}) != 0)
    return {};
  if (QProcess::execute(QStringLiteral(DIVUZO_CLI_PATH),
                        {"image", "pack", "--product", product, "--version", version, payload, image}) != 0)
    return {};
  return image;
}

// Hands `image` to the file dialog's stand-in and clicks Select File.
inline void SelectFile(PageDeviceSetting* p, const QString& image) {
  p->chooseImageFile = [image](QWidget*, const QString&) { return image; };
  QTest::mouseClick(FindControl<QPushButton>(p, 1192), Qt::LeftButton);
}

// Auto Detect, then Connect to a device that answers nothing, asking it only a few times;
// true once identification has ended.
inline bool ConnectToSilentDevice(PageDeviceSetting* p) {
  p->Session().timing.queryPolls = 3;
  QTest::mouseClick(FindControl<QPushButton>(p, 1005), Qt::LeftButton);
  QTest::mouseClick(FindControl<QPushButton>(p, 1002), Qt::LeftButton);
  return WaitIdentificationEnd(p);
}

// Auto Detect takes the first known bridge in the list; a real adapter attached to this
// machine would come before the virtual device, so the tests that rely on it step aside.
inline bool RealBridgeAttached() {
  TempDir none;
  ScopedEnv env("DIVUZO_VPORT_DIR", none.path().string());
  std::string found;
  return FindKnownBridgePort(found);
}

// The window's session talks to `device`; the port box names it, as a typed path would. The
// page's and the address keeper's pauses are short.
inline void UseInProcessDevice(VaduzOdivozuDlg& w, vdev::InProcessDevice& device) {
  PageDeviceSetting* p = w.UpdatePage();
  device.Attach(w.Session());
  p->OnAutoDetect();
  auto* list = FindControl<QComboBox>(p, 1116);
  list->setEnabled(true);
  list->setEditText(QString::fromStdString(device.Path()));
  QCOMPARE(LinkPort(p), QString::fromStdString(device.Path()));
  FlashJob& job = p->Job();
  job.Addresses().timing.restorePauseMs = 10;
  job.Addresses().timing.ackSettleMs = 10;
  job.portRetryMs = 10;
  p->updatePauseMs = 10;
  w.Session().timing.disconnectPauseMs = 10;
  w.Session().timing.queryPolls = 5;  // the goodbye goes unanswered by this family
}

} // namespace divuzo::test
