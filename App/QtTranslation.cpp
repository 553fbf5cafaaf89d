#include "App/QtTranslation.h"

#include "Support/Logger.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace corvanta {

QTranslator* installQtTranslation(QCoreApplication& app)
{
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    auto* translator = new QTranslator(&app);
    if (!translator->load(QStringLiteral("qtbase_zh_CN"), folder) || !QCoreApplication::installTranslator(translator)) {
        CLOG_WARN(QStringLiteral("Qt 自带文字的中文翻译（qtbase_zh_CN）未找到 — 标准按钮与菜单将显示英文"));
        delete translator;
        return nullptr;
    }
    return translator;
}

QLocale interfaceLocale() { return QLocale(QLocale::Chinese, QLocale::SimplifiedHanScript, QLocale::China); }

void useInterfaceLocale() { QLocale::setDefault(interfaceLocale()); }

} // namespace corvanta
