#pragma once
// The application object: runs the main window modally and then ends.
#include <QApplication>
#include <QTranslator>
#include <functional>

namespace divuzo {

class VaduzOdivozu : public QApplication {
  Q_OBJECT
public:
  VaduzOdivozu(int& argc, char** argv);

  // Runs the main window until it closes. Returns false: no further event loop is run.
  bool InitInstance();

  // Called with the main window just before it runs (the demo and the screenshot use it).
  std::function<void(class VaduzOdivozuDlg&)> beforeRun;

private:
  // Qt's own texts (file dialog, standard buttons) in the user's language.
  QTranslator qtTexts_;
};

} // namespace divuzo
