#pragma once
// The update page (dialog 133): the one page with a tab. Step 1 finds the port and identifies
// the device, Step 2 checks an image file against it, Step 3 flashes it on a worker thread.
// The work itself is the core's (IdentifyDevice, SelectImageFile, FlashJob on the window's
// DeviceSession); the page calls it and shows the results.
#include <QString>
#include <functional>
#include <memory>
#include <string>

#include "app/Progress.h"
#include "app/Status.h"
#include "app/ui/PageBase.h"
#include "serial/DeviceIdentity.h"
#include "serial/PortChoice.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QSocketNotifier;

namespace divuzo {

class DeviceSession;
class FlashJob;
class PageWorker;
class PortMonitor;
struct ImageCheckResult;

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

  // The device session the page works with: its host's (the window's), or one of its own for
  // a page without a host.
  DeviceSession& Session();
  bool HoldsOpenPort();
  // True while identification or the update worker runs: the window must not close then.
  bool IsWorking() const;

  // Replaces the open-file dialog of Select File: gets the folder to start in, returns the
  // chosen path or an empty text for cancel.
  std::function<QString(QWidget* parent, const QString& folder)> chooseImageFile;
  // Lists the ports for the port list (the system's and the virtual ones); tests may narrow it.
  std::function<void(SerialPortList& ports)> listPorts;
  // Folder the file dialog starts in (the demo points it at the sample image).
  QString imageStartFolder;
  // Waits of the update worker between its steps (2000 ms); tests shorten them.
  int updatePauseMs = 2000;
  // Called on the GUI thread when the update worker has ended (tests wait for it): success
  // means the image is in the unit.
  std::function<void(bool success)> onUpdateEnded;
  // The outcome of the last update.
  const Status& UpdateOutcome() const { return updateOutcome_; }

  // The image chosen (the device it is checked against is Session().device).
  std::string imagePath;
  std::string imageFolder;
  std::string tempImagePath;
  int forceUpdate = 0;

  // Step 3's flash job (its flashing context can be set up before Execute).
  FlashJob& Job();

  // Buttons, as the handlers of the other pages and the tests reach them.
  void OnAutoDetect();
  void OnConnect();
  void OnSelectFile();
  void OnForceUpdate();
  void OnExecute();

protected:
  void OnPageDefault() override;
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  // The page's buttons that start a step, and whether each is usable.
  struct Usable {
    bool autoDetect, connect, portList, selectFile, forceUpdate, execute;
  };
  Usable Buttons() const;
  void SetButtons(const Usable& usable);

  void FillPortList();
  // The port list again, after a port came or went; the choice and the typed text stay.
  void RefreshPortList();
  void OnPortsChanged();
  // The status line while a port is being chosen: `textId`, and the hint to plug the unit in
  // when there is no port at all.
  void ShowPortStatus(int textId);
  // Selects list entry `index` and shows its port's path in the box.
  void SelectPortEntry(int index);
  void OnPortSelected();
  void OnIdentified(const IdentifyResult& result);
  void StoreLinkSettings();
  void ShowStatus(int textId);
  void ShowStage(int textId);
  void ShowFlashProgress(const Progress& progress);
  // The bar and the stage line say "failed" (or no longer do).
  void ShowFailed(bool failed);
  void OnUpdateEnded(const Status& status);
  // Shows what a file check found (message, verdict, fields, Execute); false when the file is
  // not ready to flash.
  bool ApplyImageCheck(const ImageCheckResult& result, const std::string& previousPath);
  ImageCheckResult CheckImage(const std::string& path);
  // After Execute was refused or the update failed: the user can choose a file, connect again
  // or pick another port.
  void ReturnToUsableState();
  void SetBusyCursor(bool busy);

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
  QPushButton* cancelConnect_ = nullptr;  // 1240: shown while identifying
  QPushButton* cancelUpdate_ = nullptr;   // 1241: shown while flashing

  // Link choice.
  std::string portName_ = kDefaultPortName;
  int lineSpeed_ = static_cast<int>(kDefaultBaud);
  int detectionFound_ = 0;
  std::string detectedPortName_ = kDefaultPortName;
  int detectedIndex_ = 0;

  int percent_ = 0;
  int portStatusTextId_ = 309;  // what the status line says while a port is chosen
  bool choosingPort_ = true;    // until identification starts
  std::string connectEntry_;    // the port entry identification was started on
  Usable beforeIdentify_{};
  bool busyCursor_ = false;
  Status updateOutcome_;
  std::unique_ptr<PortMonitor> portMonitor_;
  QSocketNotifier* portNotifier_ = nullptr;
  std::unique_ptr<DeviceSession> ownSession_;  // only for a page without a host
  std::unique_ptr<FlashJob> job_;
  PageWorker* worker_ = nullptr;               // identification and the update
  IdentifyResult identified_;                  // written by the worker, read when it ended
};

} // namespace divuzo
