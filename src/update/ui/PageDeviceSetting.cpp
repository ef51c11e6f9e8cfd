#include "update/ui/PageDeviceSetting.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QCursor>
#include <QGuiApplication>
#include <QFileDialog>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QSocketNotifier>

#include "app/ui/ControlId.h"
#include "app/ui/DialogTemplate.h"
#include "app/ui/PageHost.h"
#include "app/ui/PageWorker.h"
#include "app/ui/StopMessage.h"
#include "platform/Trace.h"
#include "serial/DeviceProtocol.h"
#include "serial/DeviceSession.h"
#include "serial/PortMonitor.h"
#include "serial/SerialPortList.h"
#include "update/FlashJob.h"
#include "update/ImageValidation.h"
#include "update/UpdateProgress.h"
#include "update/ui/AddressQuestion.h"

namespace divuzo {

namespace {
QString FromStd(const std::string& s) { return QString::fromStdString(s); }
// The status line's hint when there is no port at all.
constexpr int kTextNoPortHint = 919;
} // namespace

PageDeviceSetting::PageDeviceSetting(QWidget* parent) : PageBase(133, parent) {
  DialogTemplate t(this, QStringLiteral("Arial"), 10, 320, 244);

  // Group boxes first: they stay behind the controls they frame.
  t.GroupBox(1171, 7, 26, 308, 78);
  t.GroupBox(1009, 6, 106, 308, 90);
  t.GroupBox(1231, 7, 198, 308, 43);

  warning_ = t.Static(1237, 6, 2, 308, 22);
  QPalette red = warning_->palette();
  red.setColor(QPalette::WindowText, QColor(255, 0, 0));
  warning_->setPalette(red);

  autoDetect_ = t.Button(1005, 15, 38, 88, 25);
  // Connect as tall as Auto Detect, so that the port box below can show a whole device path.
  connect_ = t.Button(1002, 114, 38, 39, 25);
  t.Static(1238, 15, 67, 41, 10);
  portList_ = t.DropList(1116, 58, 66, 95, 67);
  // The list shows the discovered ports by their friendly names; the box itself shows the
  // chosen port's path, and a device path may also be typed in.
  portList_->setEditable(true);
  portList_->setInsertPolicy(QComboBox::NoInsert);
  portList_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  portList_->view()->setMinimumWidth(t.Units().X(200));
  portList_->lineEdit()->installEventFilter(this);
  status_ = t.Static(1003, 15, 81, 289, 19);

  t.Static(1010, 165, 39, 66, 10);
  model_ = t.ReadOnlyEdit(1011, 233, 38, 72, 12);
  t.Static(2, 165, 54, 66, 10);
  hardware_ = t.ReadOnlyEdit(1199, 233, 52, 72, 12);
  t.Static(1012, 165, 69, 66, 10);
  firmware_ = t.ReadOnlyEdit(1013, 233, 67, 72, 12);

  selectFile_ = t.Button(1192, 12, 116, 80, 52);
  path_ = t.ReadOnlyEdit(1198, 97, 115, 207, 12);
  t.Static(1201, 97, 131, 62, 10);
  t.ReadOnlyEdit(1212, 162, 129, 80, 12);
  t.Static(1200, 97, 147, 62, 10);
  t.ReadOnlyEdit(1213, 162, 144, 80, 12);
  t.Static(1202, 97, 160, 62, 10);
  for (int i = 0; i < 5; ++i) t.ReadOnlyEdit(1214 + i, 162 + i * 30, 158, 27, 12);
  forceUpdate_ = t.Button(1239, 250, 130, 54, 25);
  verdict_ = t.Static(1228, 12, 173, 293, 17);

  execute_ = t.Button(1224, 16, 207, 77, 13);
  progress_ = t.Progress(1093, 101, 209, 160, 6);
  percentText_ = t.Static(1234, 278, 207, 26, 11);
  stage_ = t.Static(1233, 16, 223, 289, 13);
  // Stop buttons of this program's own, shown in place of the button that started the step
  // while it talks to the device.
  cancelConnect_ = t.Button(1240, 114, 38, 39, 25, 302, false);
  cancelUpdate_ = t.Button(1241, 16, 207, 77, 13, 302, false);

  // Controls of the template that are never shown.
  rateList_ = t.DropList(1117, 58, 80, 45, 80, false);
  t.Static(1004, 15, 94, 41, 10, -1, false);
  t.Static(1014, 165, 84, 66, 10, -1, false);
  t.ReadOnlyEdit(1007, 233, 84, 72, 12, false);
  t.Static(1170, 165, 96, 66, 10, -1, false);
  t.Edit(1161, 233, 96, 50, 12, false)->setMaxLength(16);
  t.Button(1095, 285, 96, 20, 12, -1, false);
  for (int id = 1203; id <= 1211; ++id) t.Static(id, 97, 160, 20, 10, -1, false);
  for (int i = 0; i < 5; ++i) t.ReadOnlyEdit(1219 + i, 162 + i * 30, 170, 27, 12, false);
  for (int id : {1229, 1230, 1235}) t.DropList(id, 200, 180, 40, 40, false);

  // The step buttons take Enter while they have the focus (it moves to the next step's button
  // after each step), so that Enter goes on with the update instead of closing the window.
  for (QPushButton* step : {autoDetect_, connect_, selectFile_, forceUpdate_, execute_})
    step->setAutoDefault(true);

  connect(autoDetect_, &QPushButton::clicked, this, &PageDeviceSetting::OnAutoDetect);
  connect(connect_, &QPushButton::clicked, this, &PageDeviceSetting::OnConnect);
  connect(selectFile_, &QPushButton::clicked, this, &PageDeviceSetting::OnSelectFile);
  connect(forceUpdate_, &QPushButton::clicked, this, &PageDeviceSetting::OnForceUpdate);
  connect(execute_, &QPushButton::clicked, this, &PageDeviceSetting::OnExecute);
  connect(portList_, &QComboBox::currentIndexChanged, this, [this](int index) {
    if (index >= 0) portList_->setEditText(portList_->itemData(index).toString());
  });
  connect(portList_, &QComboBox::editTextChanged, this, &PageDeviceSetting::OnPortSelected);
  connect(rateList_, &QComboBox::currentIndexChanged, this, [this](int index) {
    if (index >= 0 && index < static_cast<int>(kLineSpeeds.size()))
      lineSpeed_ = static_cast<int>(kLineSpeeds[static_cast<std::size_t>(index)]);
  });

  worker_ = new PageWorker(this);
  listPorts = [](SerialPortList& ports) { ListSerialPorts(ports, false); };
  chooseImageFile = [](QWidget* parent, const QString& folder) {
    return QFileDialog::getOpenFileName(parent, QString(), folder, QStringLiteral("_PLM (*.bin)"));
  };

  // Ports plugged in or pulled out while the window is open join or leave the list.
  portMonitor_ = std::make_unique<PortMonitor>();
  if (portMonitor_->Fd() >= 0) {
    portNotifier_ = new QSocketNotifier(portMonitor_->Fd(), QSocketNotifier::Read, this);
    connect(portNotifier_, &QSocketNotifier::activated, this, &PageDeviceSetting::OnPortsChanged);
  }
}

PageDeviceSetting::~PageDeviceSetting() {
  worker_->Wait();
  SetBusyCursor(false);
  // A payload written for an update that never ran does not outlive the window.
  DeleteTempImage(tempImagePath);
}

PageDeviceSetting::Usable PageDeviceSetting::Buttons() const {
  return {autoDetect_->isEnabled(), connect_->isEnabled(), portList_->isEnabled(),
          selectFile_->isEnabled(), forceUpdate_->isEnabled(), execute_->isEnabled()};
}

void PageDeviceSetting::SetButtons(const Usable& u) {
  autoDetect_->setEnabled(u.autoDetect);
  connect_->setEnabled(u.connect);
  portList_->setEnabled(u.portList);
  selectFile_->setEnabled(u.selectFile);
  forceUpdate_->setEnabled(u.forceUpdate);
  execute_->setEnabled(u.execute);
}

void PageDeviceSetting::SetBusyCursor(bool busy) {
  if (busy == busyCursor_) return;
  busyCursor_ = busy;
  if (busy) QGuiApplication::setOverrideCursor(QCursor(Qt::BusyCursor));
  else QGuiApplication::restoreOverrideCursor();
}

DeviceSession& PageDeviceSetting::Session() {
  if (Host()) return Host()->Session();
  if (!ownSession_) ownSession_ = std::make_unique<DeviceSession>();
  return *ownSession_;
}

FlashJob& PageDeviceSetting::Job() {
  if (!job_) job_ = std::make_unique<FlashJob>(Session(), FlashJob::Flavor::UpdatePage);
  return *job_;
}

bool PageDeviceSetting::HoldsOpenPort() { return Session().IsOpen(); }

bool PageDeviceSetting::IsWorking() const { return worker_->Running(); }

void PageDeviceSetting::OnInitDialog() {
  for (QWidget* w : {static_cast<QWidget*>(selectFile_), static_cast<QWidget*>(execute_),
                     static_cast<QWidget*>(connect_), static_cast<QWidget*>(portList_),
                     static_cast<QWidget*>(forceUpdate_)})
    w->setEnabled(false);

  FillPortList();
  for (unsigned rate : kLineSpeeds) rateList_->addItem(QString::number(rate));
  rateList_->setCurrentIndex(-1);
  lineSpeed_ = static_cast<int>(kDefaultBaud);
  StoreLinkSettings();

  const std::pair<int, int> texts[] = {
      {1237, 401}, {1171, 306}, {1005, 397}, {1002, 307}, {1238, 448}, {1003, 309},
      {1009, 317}, {1010, 318}, {2, 430},    {1012, 320}, {1192, 431}, {1201, 419},
      {1200, 418}, {1202, 420}, {1239, 451}, {1228, 440}, {1231, 441}, {1224, 442},
      {1233, 443}, {1004, 316}, {1014, 321}, {1170, 322}, {1095, 323}};
  for (auto [id, textId] : texts) {
    QWidget* w = FindControl<QWidget>(this, id);
    if (auto* l = qobject_cast<QLabel*>(w)) l->setText(TextOf(textId));
    else if (auto* b = qobject_cast<QPushButton*>(w)) b->setText(TextOf(textId));
    else if (auto* g = qobject_cast<QGroupBox*>(w)) g->setTitle(TextOf(textId));
  }
  for (int id = 1203; id <= 1211; ++id) FindControl<QLabel>(this, id)->setText(TextOf(421 + id - 1203));
  ShowPortStatus(309);

  Session().device = IdentifiedDevice{};
  forceUpdate = 0;
}

// ---- Step 1: the port ----

void PageDeviceSetting::FillPortList() {
  SerialPortList ports;
  try {
    listPorts(ports);
  } catch (const PortDiscoveryError& e) {
    TraceF("port discovery failed: %s\n", e.what());
  }
  const QSignalBlocker block(portList_);
  portList_->clear();
  for (const SerialPortInfo& port : ports) portList_->addItem(FromStd(port.friendlyName), FromStd(port.portName));

  std::string found;
  detectionFound_ = FindKnownBridgePort(ports, found) ? 1 : 0;
  int index = 0;
  if (detectionFound_) {
    for (int i = 0; i < portList_->count(); ++i)
      if (portList_->itemData(i).toString() == FromStd(found)) index = i;
    detectedPortName_ = found;
    detectedIndex_ = index;
  }
  SelectPortEntry(index);
  portName_ = detectionFound_ ? found : PortFromListEntry(portList_->currentText().toStdString());
}

void PageDeviceSetting::RefreshPortList() {
  SerialPortList ports;
  try {
    listPorts(ports);
  } catch (const PortDiscoveryError& e) {
    TraceF("port discovery failed: %s\n", e.what());
    return;
  }
  const QSignalBlocker block(portList_);
  const QString shown = portList_->currentText();
  portList_->clear();
  for (const SerialPortInfo& port : ports)
    portList_->addItem(FromStd(port.friendlyName), FromStd(port.portName));
  portList_->setCurrentIndex(portList_->findData(shown));
  portList_->setEditText(shown);
  if (choosingPort_) ShowPortStatus(portStatusTextId_);
}

void PageDeviceSetting::OnPortsChanged() {
  if (portMonitor_->Changed()) RefreshPortList();
}

void PageDeviceSetting::ShowPortStatus(int textId) {
  portStatusTextId_ = textId;
  QString text = TextOf(textId);
  if (portList_->count() == 0) text += QStringLiteral("\n") + TextOf(kTextNoPortHint);
  status_->setText(text);
}

void PageDeviceSetting::SelectPortEntry(int index) {
  if (index < 0 || index >= portList_->count()) {
    portList_->setCurrentIndex(-1);
    return;
  }
  portList_->setCurrentIndex(index);
  portList_->setEditText(portList_->itemData(index).toString());
}

void PageDeviceSetting::StoreLinkSettings() { Session().SetLinkSettings(portName_, lineSpeed_, 0); }

void PageDeviceSetting::ShowStatus(int textId) { status_->setText(TextOf(textId)); }
void PageDeviceSetting::ShowStage(int textId) {
  stage_->setText(TextOf(textId));
  if (textId == kTextFailed) ShowFailed(true);
}

void PageDeviceSetting::OnAutoDetect() {
  // The list is built anew: the adapter may have been plugged in since start-up.
  FillPortList();
  if (detectionFound_) {
    SelectPortEntry(detectedIndex_);
    portName_ = detectedPortName_;
    ShowPortStatus(450);
    connect_->setEnabled(true);
  } else {
    SelectPortEntry(0);
    portName_ = PortFromListEntry(portList_->currentText().toStdString());
    ShowPortStatus(449);
    portList_->setEnabled(true);
    connect_->setEnabled(true);
  }
  autoDetect_->setEnabled(false);
  StoreLinkSettings();
  // The next step's button takes the focus: Enter connects rather than closing the window.
  connect_->setFocus();
}

void PageDeviceSetting::OnPortSelected() {
  if (!portList_->isEnabled()) return;  // changed by the page itself, not by the user
  portName_ = PortFromListEntry(portList_->currentText().toStdString());
  StoreLinkSettings();
}

bool PageDeviceSetting::eventFilter(QObject* watched, QEvent* event) {
  // Enter after typing a port's path confirms the path; it must not reach the window's
  // default button, which would close the program.
  if (watched == portList_->lineEdit() && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      OnPortSelected();
      return true;
    }
  }
  return PageBase::eventFilter(watched, event);
}

void PageDeviceSetting::OnPageDefault() {
  const QSignalBlocker block(portList_);
  if (detectionFound_ == 1) {
    SelectPortEntry(detectedIndex_);
    portName_ = detectedPortName_;
  } else {
    SelectPortEntry(0);
    portName_ = portList_->currentText().toStdString();
  }
  rateList_->setCurrentIndex(-1);
  lineSpeed_ = static_cast<int>(kDefaultBaud);
}

// ---- Step 1: identification ----

void PageDeviceSetting::OnConnect() {
  if (IsWorking()) return;
  PageHost* host = Host();
  if (host) host->EnableWindowControls({1, 1095}, false);
  // Nothing that changes the device or the port may be used while the device is asked.
  beforeIdentify_ = Buttons();
  SetButtons({false, false, false, false, false, false});
  choosingPort_ = false;
  Session().Protocol().AllocateReceiveBuffer();
  Session().cancel.Reset();
  SetBusyCursor(true);

  // The conversation runs on a worker so that the window keeps painting; its texts and the
  // result come back to this thread.
  const std::string entry = portList_->currentText().toStdString();
  connectEntry_ = entry;
  const int rateIndex = rateList_->currentIndex();
  connect_->hide();  // the stop button takes its place
  worker_->Start(
      [this, entry, rateIndex] {
        identified_ = IdentifyDevice(Session(), entry, rateIndex);
        return identified_.status;
      },
      [this](const Progress& p) {
        if (p.stageTextId) ShowStatus(p.stageTextId);
      },
      [this](const Status&) { OnIdentified(identified_); },
      {.deviceWork = true, .cancelButton = cancelConnect_});
}

void PageDeviceSetting::OnIdentified(const IdentifyResult& result) {
  SetBusyCursor(false);
  connect_->show();
  if (result.modelKnown) model_->setText(FromStd(result.modelName));
  if (result.firmwareKnown) firmware_->setText(FromStd(result.firmwareText));
  if (result.hardwareKnown) hardware_->setText(FromStd(result.hardwareText));
  PageHost* host = Host();
  if (host) host->ShowDeviceKindPicture();
  const bool portFailed = result.portError.kind != PortError::Kind::None;
  // The real cause: a port that could not be opened did not time out, nor did a stop request.
  if (portFailed && result.portError.textId != 0) ShowStatus(result.portError.textId);
  else if (result.status.code == StatusCode::LineLost) ShowStatus(kTextPortGone);
  else if (result.status.code == StatusCode::Cancelled) ShowStatus(kTextCancelled);
  else ShowStatus(result.status.textId);
  Usable after = beforeIdentify_;
  after.autoDetect = false;
  if (result.ok) {
    after = {false, false, false, true, beforeIdentify_.forceUpdate, false};
    SetButtons(after);
    selectFile_->setFocus();
    if (host) host->DeviceIdentified();
  } else {
    // Connect again, on this port or another one, or force the update.
    after.connect = after.portList = after.forceUpdate = true;
    SetButtons(after);
    connect_->setFocus();
  }
  if (host) host->EnableWindowControls({1, 1095}, true);
  if (portFailed && result.portError.textId != 0)
    ShowStopMessage(this, FromStd(PortFromListEntry(connectEntry_)) + QStringLiteral("\n") +
                              TextOf(result.portError.textId));
}

void PageDeviceSetting::OnForceUpdate() {
  if (IsWorking()) return;
  forceUpdate = 1;
  connect_->setEnabled(false);
  selectFile_->setEnabled(true);
  execute_->setEnabled(true);
  Session().Force();
  warning_->setText(TextOf(452));
  selectFile_->setFocus();
}

// ---- Step 2: the image file ----

ImageCheckResult PageDeviceSetting::CheckImage(const std::string& path) {
  ImageCheckRequest request;
  request.imagePath = path;
  request.deviceModelName = Session().device.modelName;
  request.deviceVersionDigits = Session().device.firmwareDigits;
  request.forceUpdate = forceUpdate != 0;
  return SelectImageFile(request);
}

bool PageDeviceSetting::ApplyImageCheck(const ImageCheckResult& result,
                                        const std::string& previous) {
  if (!result.imageFolder.empty()) imageFolder = result.imageFolder;
  if (result.extracted) {
    // The payload of an earlier choice elsewhere is of no use any more.
    if (!tempImagePath.empty() && tempImagePath != result.tempImagePath) DeleteTempImage(tempImagePath);
    tempImagePath = result.tempImagePath;
  }
  // A file that fails its checks leaves Execute as it was, and with it the earlier choice:
  // the path shown (and the one Execute flashes) goes back to that file, whose payload the
  // refused file has left alone.
  if (result.messageTextId != 0 && !result.extracted && result.execute == ExecuteChange::Unchanged) {
    imagePath = previous;
    path_->setText(FromStd(previous));
  }
  if (result.messageTextId != 0) {
    QString text = TextOf(result.messageTextId);
    if (result.reasonTextId != 0) text += QStringLiteral("\n") + TextOf(result.reasonTextId);
    ShowStopMessage(this, text, FromStd(result.messageCaption));
  }
  if (result.verdictTextId != 0) verdict_->setText(TextOf(result.verdictTextId));
  for (std::size_t i = 0; i < result.fieldCount && i < kImageFieldCount; ++i)
    FindControl<QLineEdit>(this, kImageFieldControls[i])->setText(FromStd(result.fields[i]));
  if (result.execute == ExecuteChange::Enable) execute_->setEnabled(true);
  else if (result.execute == ExecuteChange::Disable) execute_->setEnabled(false);
  return result.extracted && result.execute == ExecuteChange::Enable;
}

void PageDeviceSetting::OnSelectFile() {
  if (IsWorking()) return;
  const QString chosen = chooseImageFile ? chooseImageFile(this, imageStartFolder) : QString();
  if (chosen.isEmpty()) return;
  repaint();
  const std::string previous = imagePath;
  imagePath = chosen.toStdString();
  path_->setText(chosen);
  ApplyImageCheck(CheckImage(imagePath), previous);
  if (execute_->isEnabled()) execute_->setFocus();
}

// ---- Step 3: the update ----

void PageDeviceSetting::SetUpdateProgress(int value) {
  percent_ = value == 1000 ? 100 : value;
  progress_->setValue(UpdateProgressBarPosition(value));
  if (const auto text = UpdatePercentText(value)) percentText_->setText(FromStd(*text));
}

void PageDeviceSetting::ShowFlashProgress(const Progress& p) {
  if (p.value >= 0) SetUpdateProgress(p.value);
  if (p.stageTextId) ShowStage(p.stageTextId);
  if (p.warningTextId) warning_->setText(TextOf(p.warningTextId));
}

void PageDeviceSetting::ShowFailed(bool failed) {
  // The failure text in the warning line's red, and the bar in the same colour.
  QPalette stagePalette = palette();
  QPalette barPalette = palette();
  if (failed) {
    stagePalette.setColor(QPalette::WindowText, QColor(255, 0, 0));
    barPalette.setColor(QPalette::Highlight, QColor(255, 0, 0));
  }
  stage_->setPalette(stagePalette);
  progress_->setPalette(barPalette);
  progress_->setProperty("failed", failed);
}

void PageDeviceSetting::ReturnToUsableState() {
  // Execute checks the chosen file again before it flashes anything.
  SetButtons({false, true, true, true, true, !imagePath.empty()});
  choosingPort_ = false;
}

void PageDeviceSetting::OnExecute() {
  if (IsWorking()) return;
  const Usable before = Buttons();
  selectFile_->setEnabled(false);
  execute_->setEnabled(false);
  forceUpdate_->setEnabled(false);
  if (imagePath.empty()) {
    ShowStopMessage(this, TextOf(412));
    ReturnToUsableState();
    selectFile_->setFocus();
    return;
  }
  // What the page shows as ready is what is flashed: the chosen file is checked again now
  // (it may have changed or gone since it was chosen), and its payload written afresh.
  if (!ApplyImageCheck(CheckImage(imagePath), imagePath)) {
    SetButtons(before);
    execute_->setEnabled(false);
    return;
  }
  PageHost* host = Host();
  if (host) host->EnableWindowControls({1, 1095}, false);
  SetButtons({false, false, false, false, false, false});
  ShowFailed(false);
  Session().cancel.Reset();

  // The preparation's texts (405, progress 0) are shown here, on this thread.
  FlashJob& job = Job();
  job.pauseMs = updatePauseMs;
  job.confirmAddressRisk = [this](const AddressSave& save, AddressRisk risk) {
    return worker_->Ask([this, save, risk] { return AskToFlashWithoutAddress(this, save, risk); });
  };
  ProgressFunction here([this](const Progress& p) { ShowFlashProgress(p); });
  Session().progress = &here;
  job.Prepare(tempImagePath);
  Session().progress = nullptr;
  execute_->hide();  // the stop button takes its place
  worker_->Start([&job] { return job.Run(); }, [this](const Progress& p) { ShowFlashProgress(p); },
                 [this](const Status& status) { OnUpdateEnded(status); },
                 {.deviceWork = true, .cancelButton = cancelUpdate_});
}

void PageDeviceSetting::OnUpdateEnded(const Status& status) {
  updateOutcome_ = status;
  execute_->show();
  // The payload is gone with the update; a second Execute writes it again from the file.
  tempImagePath.clear();
  const bool flashed = Job().Flashing().Succeeded();
  PageHost* host = Host();
  if (flashed) {
    if (host) {
      host->SetUpdateTabEnabled(true);
      host->EnableWindowControls({1002, 1, 1095, 2, 1001}, true);
    }
  } else {
    if (host) host->EnableWindowControls({1, 1095}, true);
    ShowFailed(status.code == StatusCode::Failed);
    if (status.code == StatusCode::Failed && status.reasonTextId != 0)
      ShowStopMessage(this,
                      TextOf(status.textId) + QStringLiteral("\n") + TextOf(status.reasonTextId));
    ReturnToUsableState();
    connect_->setFocus();
  }
  if (onUpdateEnded) onUpdateEnded(flashed);
}

} // namespace divuzo
