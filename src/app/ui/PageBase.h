#pragma once
// What the main window requires of a page: a hidden child widget with its dialog id, the
// host it lives in (PageHost: the narrow interface to the window), a set-up step, and the
// page command (OK, Cancel, Apply, Default). docs/gui.md describes how a page is built.
//
// Controls: every control is a direct child of its page (or dialog) whose objectName is its
// control id in decimal ("1095"); FindControl<T>(page, id) in app/ui/ControlId.h finds it.
// Build pages with DialogTemplate (app/ui/DialogTemplate.h): it places controls from dialog
// units of the page's font and names them. The page itself is named "dialog<id>".
#include <QWidget>

namespace divuzo {

class PageHost;

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
  void SetHost(PageHost* host) { host_ = host; }
  // The window the page lives in; null for a page on its own.
  PageHost* Host() const { return host_; }

  // The page's dialog set-up, run once by the main window after it has created the page,
  // moved it into the tab control and set Host(). Pages fill their lists here.
  virtual void OnInitDialog() {}

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
  PageHost* host_ = nullptr;
};

} // namespace divuzo
