#pragma once
// Qt's own Chinese (zh_CN) translations, installed by the host for the whole application: the
// standard dialogs the module opens (file, print, page set-up) then read in Chinese. The module
// installs no translator of its own; the host owns the application.
#include <QCoreApplication>

namespace pt::hostapp {

// Loads "qt_zh_CN" (with the catalogues it names, qtbase_zh_CN among them) from Qt's
// translations folder (Debian package qt6-translations-l10n). False, and nothing installed, when
// it is not there.
bool InstallQtChineseTranslations(QCoreApplication& app);

}  // namespace pt::hostapp
