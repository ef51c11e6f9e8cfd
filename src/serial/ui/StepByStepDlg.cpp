#include "serial/ui/StepByStepDlg.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QLabel>
#include <QPushButton>

#include "app/ui/DialogTemplate.h"
#include "app/ui/StopMessage.h"

namespace divuzo {

namespace {
// Texts the product names by their role (this program's wording) and this program's own.
constexpr int kTextTitle = 347;
constexpr int kTextFolderLabel = 348;
constexpr int kTextPhotoLabel = 349;
constexpr int kTextCombinePhotos = 350;
constexpr int kTextTotalFile = 351;
constexpr int kTextChooseFolder = 391;
constexpr int kTextSinceLast = 943;
}  // namespace

std::function<QString(QWidget*, const QString&)>& StepByStepDlg::ChooseFolder() {
  static std::function<QString(QWidget*, const QString&)> choose = [](QWidget* parent,
                                                                      const QString& start) {
    // Only folders of the file system can be chosen.
    return QFileDialog::getExistingDirectory(parent, QString(), start, QFileDialog::ShowDirsOnly);
  };
  return choose;
}

StepByStepDlg::StepByStepDlg(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("dialog144"));
  DialogTemplate t(this, QStringLiteral("Arial"), 10, 260, 132);
  setWindowTitle(TextOf(kTextTitle));
  t.Static(1177, 8, 8, 90, 10, kTextFolderLabel);
  folderText_ = t.Static(1115, 8, 20, 220, 20);
  QPushButton* chooseFolder = t.Button(1098, 232, 18, 20, 12);
  chooseFolder->setText(QStringLiteral("..."));
  combine_ = t.CheckBox(1101, 8, 44, 220, 10, TextOf(kTextCombinePhotos));
  t.Static(1178, 8, 56, 90, 10, kTextPhotoLabel);
  photoText_ = t.Static(1104, 8, 68, 220, 20);
  QPushButton* choosePhotos = t.Button(1095, 232, 66, 20, 12);
  choosePhotos->setText(QStringLiteral("..."));
  total_ = t.CheckBox(1105, 8, 90, 240, 10, TextOf(kTextTotalFile));
  newOnly_ = t.CheckBox(1107, 8, 102, 240, 10, TextOf(kTextSinceLast));
  QPushButton* ok = t.Button(1, 120, 114, 64, 14, 301);
  ok->setDefault(true);
  QPushButton* cancel = t.Button(2, 190, 114, 64, 14, 302);
  // Hidden and disabled in the template, and so they stay.
  for (int id : {1099, 1100}) t.CheckBox(id, 8, 114, 10, 10, QString(), false)->setEnabled(false);
  for (int id : {1096, 1097}) t.Button(id, 8, 114, 10, 10, -1, false)->setEnabled(false);
  for (int id : {1102, 1103}) t.Static(id, 8, 114, 10, 10, -1, false)->setEnabled(false);

  connect(chooseFolder, &QPushButton::clicked, this, &StepByStepDlg::OnChooseOutputFolder);
  connect(choosePhotos, &QPushButton::clicked, this, &StepByStepDlg::OnChoosePhotoFolder);
  connect(combine_, &QCheckBox::toggled, this, [this](bool on) {
    if (!on && photoFolderChosen == 1) photoFolderChosen = 0;
  });
  connect(total_, &QCheckBox::toggled, this, [this](bool on) { writeTotal = on ? 1 : 0; });
  connect(newOnly_, &QCheckBox::toggled, this, [this](bool on) { sinceLast = on ? 1 : 0; });
  connect(ok, &QPushButton::clicked, this, &StepByStepDlg::accept);
  connect(cancel, &QPushButton::clicked, this, &StepByStepDlg::reject);
}

void StepByStepDlg::OnChooseOutputFolder() {
  folderChosen = 0;
  const QString folder = ChooseFolder()(this, outputFolder);
  if (folder.isEmpty()) return;
  folderChosen = 1;
  outputFolder = folder;
  folderText_->setText(folder);
}

void StepByStepDlg::OnChoosePhotoFolder() {
  photoFolderChosen = 0;
  if (!combine_->isChecked()) return;
  const QString folder = ChooseFolder()(this, photoFolder);
  if (folder.isEmpty()) return;
  photoFolderChosen = 1;
  photoFolder = folder;
  photoText_->setText(folder);
}

void StepByStepDlg::accept() {
  if (folderChosen == 0) {
    ShowStopMessage(this, TextOf(kTextChooseFolder));
    return;
  }
  QDialog::accept();
}

}  // namespace divuzo
