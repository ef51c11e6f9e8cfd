#pragma once
// The list of the files a logger download wrote (dialog 146, "Track Log File Status"): one line
// per file, as the download announces it. Modeless; its OK button (1) stays disabled while the
// download runs and closes the list afterwards.
#include <QDialog>

namespace divuzo {

class HListBox;

class TrackLogFileStatusDlg : public QDialog {
  Q_OBJECT
 public:
  explicit TrackLogFileStatusDlg(QWidget* parent = nullptr);

  // The int the creator hands over (the logger page's window).
  void SetOwner(QWidget* owner) { owner_ = owner; }
  QWidget* Owner() const { return owner_; }

  // Appends `text` to list 1156.
  void AddStatusLine(const QString& text);
  void EnableOk(bool enable);
  HListBox* List() const { return list_; }

 private:
  HListBox* list_ = nullptr;
  QWidget* owner_ = nullptr;
};

}  // namespace divuzo
