#pragma once
// What the main window requires of a page: a hidden child widget with its dialog id, a pointer
// back to the main window, and the page command (OK, Cancel, Apply, Default).
#include <QWidget>

namespace divuzo {

class VaduzOdivozuDlg;

constexpr int PAGE_COMMAND = 1124;  // WM_USER + 100
constexpr int PAGE_OK = 0;
constexpr int PAGE_CANCEL = 1;
constexpr int PAGE_APPLY = 2;
constexpr int PAGE_DEFAULT = 3;

class PageBase : public QWidget {
  Q_OBJECT
public:
  explicit PageBase(int dialogId, QWidget* parent = nullptr);
  ~PageBase() override;

  int DialogId() const { return dialogId_; }
  void SetMainWindow(VaduzOdivozuDlg* window) { mainWindow_ = window; }
  VaduzOdivozuDlg* MainWindow() const { return mainWindow_; }

  // PAGE_COMMAND, sent synchronously; codes other than 0..3 are ignored. Pages override the
  // handlers they support; the default does nothing.
  virtual void PageCommand(int code);
  // False for a page that has no handler for the page command at all.
  virtual bool HandlesPageCommand() const { return true; }

protected:
  virtual void OnPageOk() {}
  virtual void OnPageCancel() {}
  virtual void OnPageApply() {}
  virtual void OnPageDefault() {}

private:
  int dialogId_;
  VaduzOdivozuDlg* mainWindow_ = nullptr;
};

} // namespace divuzo
