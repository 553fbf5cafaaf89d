#pragma once

#include <QLocale>

class QCoreApplication;
class QTranslator;

namespace corvanta {

// Qt's own texts (standard buttons, the file dialog, a text field's right-click menu) in the
// interface's language, Simplified Chinese, whatever the system's locale: loads Qt's
// "qtbase_zh_CN" catalogue from Qt's translations folder. Gives the installed translator (owned by
// `app`), or none, with a log line, when the catalogue is missing (Qt then shows its English texts).
QTranslator* installQtTranslation(QCoreApplication& app);

// The interface's language as a locale: Simplified Chinese, China.
QLocale interfaceLocale();
// Makes it the default locale, so the numbers, sizes and dates Qt formats itself follow the
// interface rather than the user's region. For the start, before any thread: the default locale is
// not guarded against readers. The order of application names keeps the user's region.
void useInterfaceLocale();

} // namespace corvanta
