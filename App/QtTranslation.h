#pragma once

class QCoreApplication;
class QTranslator;

namespace corvanta {

// Qt's own texts (standard buttons, the file dialog, a text field's right-click menu) in the
// interface's language, Simplified Chinese, whatever the system's locale: loads Qt's
// "qtbase_zh_CN" catalogue from Qt's translations folder. Gives the installed translator (owned by
// `app`), or none, with a log line, when the catalogue is missing (Qt then shows its English texts).
QTranslator* installQtTranslation(QCoreApplication& app);

} // namespace corvanta
