#include "app/ui/VaduzOdivozu.h"

#include "app/ui/VaduzOdivozuDlg.h"

#include <QLibraryInfo>
#include <QLocale>

namespace divuzo {

VaduzOdivozu::VaduzOdivozu(int& argc, char** argv) : QApplication(argc, argv) {
  setApplicationName(QStringLiteral("divuzovuzov"));
  setApplicationVersion(QStringLiteral(DIVUZO_VERSION));
  if (qtTexts_.load(QLocale::system(), QStringLiteral("qtbase"), QStringLiteral("_"),
                    QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    installTranslator(&qtTexts_);
}

bool VaduzOdivozu::InitInstance() {
  {
    VaduzOdivozuDlg window;
    if (beforeRun) beforeRun(window);
    window.exec();
  }  // the window and its pages go here
  return false;
}

} // namespace divuzo
