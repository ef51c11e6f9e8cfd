#pragma once
// The application object: runs the main window modally and then ends.
#include <QApplication>
#include <QTranslator>
#include <functional>

#include "Language.h"

namespace divuzo {

class VaduzOdivozu : public QApplication {
  Q_OBJECT
public:
  // Takes the language of the user's locale (LanguageFromEnvironment).
  VaduzOdivozu(int& argc, char** argv);

  // Shows the texts in `language` from now on: the core's texts, the window's own labels and
  // Qt's own dialogs. Call it before the window is made; the window does not change later.
  void UseLanguage(Language language);

  // Runs the main window until it closes. Returns false: no further event loop is run.
  bool InitInstance();

  // Called with the main window just before it runs (the demo and the screenshot use it).
  std::function<void(class VaduzOdivozuDlg&)> beforeRun;

private:
  QTranslator ownTexts_;  // the window's own labels in English
  QTranslator qtTexts_;   // Qt's own texts (file dialog, standard buttons) in Japanese
};

} // namespace divuzo
