#pragma once
// The output choices of a logger download (dialog 144, "Transform to File"): the folder that
// receives every file, whether the photos of a folder are combined into the KML files, whether
// the total track file is written, and whether only what is new since the last download is
// read. OK (button 1) needs a folder; without one it says so and stays open.
#include <QDialog>
#include <QString>

#include <functional>

class QCheckBox;
class QLabel;

namespace divuzo {

class StepByStepDlg : public QDialog {
  Q_OBJECT
 public:
  explicit StepByStepDlg(QWidget* parent = nullptr);

  // The results, read after OK.
  QString outputFolder;
  int folderChosen = 0;
  QString photoFolder;
  int photoFolderChosen = 0;
  int writeTotal = 0;
  int sinceLast = 0;

  // The folder picker: gets the dialog and the folder to start in, returns the chosen folder
  // or an empty text. Qt's folder chooser unless a test gives another.
  static std::function<QString(QWidget* parent, const QString& start)>& ChooseFolder();

  // Buttons 1098 (output folder) and 1095 (photo folder).
  void OnChooseOutputFolder();
  void OnChoosePhotoFolder();
  void accept() override;

 private:
  QLabel* folderText_ = nullptr;  // 1115
  QLabel* photoText_ = nullptr;   // 1104
  QCheckBox* combine_ = nullptr;  // 1101
  QCheckBox* total_ = nullptr;    // 1105
  QCheckBox* newOnly_ = nullptr;  // 1107
};

}  // namespace divuzo
