#include "hostapp/QtTranslations.h"

#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace pt::hostapp {

bool InstallQtChineseTranslations(QCoreApplication& app) {
  auto* translator = new QTranslator(&app);
  if (!translator->load(QLocale(QLocale::Chinese, QLocale::China), "qt", "_",
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    delete translator;
    return false;
  }
  return QCoreApplication::installTranslator(translator);
}

}  // namespace pt::hostapp
