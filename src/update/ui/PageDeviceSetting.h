#pragma once
// The update page (dialog 133): the one page with a tab. Step 1 finds the port and identifies
// the device, Step 2 checks an image file against it, Step 3 flashes it on a worker thread.
// The work itself is the core's (serial/, update/); the page calls it and shows the results.
#include <QString>
#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "app/ui/PageBase.h"
#include "serial/DeviceProtocol.h"
#include "serial/SerialPort.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace divuzo {

struct IdentifyResult;
class UpdateWorker;

class PageDeviceSetting : public PageBase {
  Q_OBJECT
public:
  explicit PageDeviceSetting(QWidget* parent = nullptr);
  ~PageDeviceSetting() override;

  void OnInitDialog() override;

  // Bar position and percent text: 0..99 (and below) show "%d%%", 1000 shows "100%", other
  // values move the bar (clamped to its range) and keep the text.
  void SetUpdateProgress(int value);
  int Percent() const { return percent_; }

  // The page's serial line, as the main window's close sequence uses it.
  SerialPort& Channel() { return channel_; }
  DeviceProtocol& Protocol() { return protocol_; }
  bool HoldsOpenPort() const { return channel_.IsOpen(); }
  // True while identification or the update worker runs: the window must not close then.
  bool IsWorking() const { return working_ != 0; }

  // Replaces the open-file dialog of Select File: gets the folder to start in, returns the
  // chosen path or an empty text for cancel.
  std::function<QString(QWidget* parent, const QString& folder)> chooseImageFile;
  // Folder the file dialog starts in (the demo points it at the sample image).
  QString imageStartFolder;
  // Waits of the update worker between its steps (2000 ms); tests shorten them.
  int updatePauseMs = 2000;
  // Called on the GUI thread when the update worker has ended (tests wait for it).
  std::function<void(bool success)> onUpdateEnded;

  // Results kept for the image check.
  std::string deviceModelName;
  std::string deviceVersionDigits;
  std::string deviceHardwareVersion;
  std::string imagePath;
  std::string imageFolder;
  std::string tempImagePath;
  int forceUpdate = 0;

  // Step 3's flashing context and worker.
  UpdateWorker& Updater() { return *updater_; }

  // Buttons, as the handlers of the other pages and the tests reach them.
  void OnAutoDetect();
  void OnConnect();
  void OnSelectFile();
  void OnForceUpdate();
  void OnExecute();

protected:
  void OnPageDefault() override;

private:
  void FillPortList();
  // Selects list entry `index` and shows its port's path in the box.
  void SelectPortEntry(int index);
  void OnPortSelected();
  void OnIdentified(const IdentifyResult& result);
  void StoreLinkSettings();
  void ShowStatus(int textId);
  void ShowStage(int textId);
  void OnUpdateEnded(bool success);
  void JoinWorker();

  // Controls.
  QLabel* warning_ = nullptr;         // 1237
  QPushButton* autoDetect_ = nullptr; // 1005
  QPushButton* connect_ = nullptr;    // 1002
  QComboBox* portList_ = nullptr;     // 1116
  QComboBox* rateList_ = nullptr;     // 1117 (hidden)
  QLabel* status_ = nullptr;          // 1003
  QLineEdit* model_ = nullptr;        // 1011
  QLineEdit* hardware_ = nullptr;     // 1199
  QLineEdit* firmware_ = nullptr;     // 1013
  QPushButton* selectFile_ = nullptr; // 1192
  QLineEdit* path_ = nullptr;         // 1198
  QPushButton* forceUpdate_ = nullptr;// 1239
  QLabel* verdict_ = nullptr;         // 1228
  QPushButton* execute_ = nullptr;    // 1224
  QProgressBar* progress_ = nullptr;  // 1093
  QLabel* percentText_ = nullptr;     // 1234
  QLabel* stage_ = nullptr;           // 1233

  // Link choice.
  std::string portName_ = kDefaultPortName;
  int lineSpeed_ = static_cast<int>(kDefaultBaud);
  int detectionFound_ = 0;
  std::string detectedPortName_ = kDefaultPortName;
  int detectedIndex_ = 0;

  int percent_ = 0;
  SerialPort channel_;
  DeviceProtocol protocol_{channel_};
  std::unique_ptr<UpdateWorker> updater_;
  std::atomic<int> working_{0};
  std::thread identifier_;  // identification worker
};

} // namespace divuzo
