#include "app/ui/VaduzOdivozu.h"

#include "app/ui/VaduzOdivozuDlg.h"
#include "update/FlashDownload.h"

#include <QDir>
#include <QLibraryInfo>

namespace divuzo {

VaduzOdivozu::VaduzOdivozu(int& argc, char** argv) : QApplication(argc, argv) {
  setApplicationName(QStringLiteral("divuzovuzov"));
  setApplicationVersion(QStringLiteral(DIVUZO_VERSION));
  // The installed desktop entry, so that the desktop shows its name and icon for the window.
  setDesktopFileName(QStringLiteral("org.divuzovuzov.DIVUZOvuzov"));
  UseLanguage(LanguageFromEnvironment());
}

void VaduzOdivozu::UseLanguage(Language language) {
  SetLanguage(language);
  removeTranslator(&ownTexts_);
  removeTranslator(&qtTexts_);
  if (language == Language::English) {
    // The translation lies where the agent files do: beside the program, or installed under
    // share/divuzovuzov. Qt's own texts are English already.
    for (const std::string& folder : DefaultFlashFileFolders()) {
      const QString translations =
          QDir(QString::fromStdString(folder)).filePath(QStringLiteral("translations"));
      if (ownTexts_.load(QStringLiteral("divuzovuzov_en"), translations)) {
        installTranslator(&ownTexts_);
        break;
      }
    }
  } else if (qtTexts_.load(QStringLiteral("qtbase_ja"),
                           QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    installTranslator(&qtTexts_);
  }
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
