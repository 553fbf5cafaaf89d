#include "Platform/SLSMenuBar.h"

#include "Platform/ScreenProvider.h"
#include "Support/Logger.h"

#include <QGuiApplication>
#include <QLocale>
#include <QStringList>

namespace corvanta {

namespace {

std::optional<QString> environmentValue(const char* key)
{
    if (!qEnvironmentVariableIsSet(key))
        return std::nullopt;
    return qEnvironmentVariable(key);
}

QString number(double value)
{
    return QString::number(value, 'g', 10);
}

} // namespace

SLSMenuBar::SLSMenuBar(bool enabled, bool floatABI, BackendLoader loader, Environment environment)
    : m_enabled(enabled), m_floatABI(floatABI), m_loader(std::move(loader)), m_environment(std::move(environment))
{
}

SLSMenuBar& SLSMenuBar::shared()
{
    static SLSMenuBar instance(
        parseEnabled(environmentValue("QUORLA_SLS_MENUBAR")), parseFloatABI(environmentValue("QUORLA_SLS_ABI")),
        [] { return std::make_unique<UnavailableMenuBarBackend>(); },
        Environment{
            [] { return int(ScreenProvider::shared().screens().size()); },
            [] { return QGuiApplication::applicationState() == Qt::ApplicationActive; },
            [] {
                return QGuiApplication::applicationState() == Qt::ApplicationActive ? QGuiApplication::applicationDisplayName()
                                                                                     : QString();
            },
        });
    return instance;
}

bool SLSMenuBar::parseEnabled(const std::optional<QString>& value)
{
    return value && (*value == QLatin1String("1") || value->toLower() == QLatin1String("true"));
}

bool SLSMenuBar::parseFloatABI(const std::optional<QString>& value)
{
    return !(value && *value == QLatin1String("double"));
}

std::optional<SLSMenuBar::InsetAndAlpha> SLSMenuBar::parseOverride(const QString& value)
{
    const QLocale c = QLocale::c();
    QList<double> numbers;
    for (const QString& piece : value.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        bool ok = false;
        const double n = c.toDouble(piece.trimmed(), &ok);
        if (ok)
            numbers.append(n);
    }
    if (numbers.size() != 2)
        return std::nullopt;
    return InsetAndAlpha{numbers[0], numbers[1]};
}

std::optional<SLSMenuBar::InsetAndAlpha> SLSMenuBar::override(const char* key)
{
    const auto value = environmentValue(key);
    return value ? parseOverride(*value) : std::nullopt;
}

MenuBarBackend* SLSMenuBar::backend()
{
    if (!m_loaded) {
        m_loaded = true;
        if (m_enabled && m_loader)
            m_backend = m_loader();
    }
    return m_backend && m_backend->isAvailable() ? m_backend.get() : nullptr;
}

bool SLSMenuBar::isAvailable()
{
    return backend() != nullptr;
}

void SLSMenuBar::hide()
{
    MenuBarBackend* call = backend();
    if (!call)
        return;
    const int screens = m_environment.screenCount ? m_environment.screenCount() : 1;
    if (screens >= 2) {
        if (m_hiddenByUs) {
            CLOG_INFO(QStringLiteral("阶段152：多屏环境 — 还原全局 SLS 压制，改用本屏遮盖窗"));
            restore();
        }
        return;
    }
    if (m_hiddenByUs)
        return;
    const InsetAndAlpha values = override("QUORLA_SLS_HIDE").value_or(InsetAndAlpha{0, 0});
    call->setMenuBarInsetAndAlpha(values.first, values.second, m_floatABI);
    m_hiddenByUs = true;
    m_didSuppressOnce = true;
    CLOG_INFO(QStringLiteral("阶段69：SLS 隐藏真实菜单栏 — ABI=%1 inset=%2 alpha=%3")
                  .arg(m_floatABI ? QStringLiteral("float") : QStringLiteral("double"), number(values.first), number(values.second)));
}

void SLSMenuBar::restore()
{
    MenuBarBackend* call = backend();
    if (!call || !m_hiddenByUs)
        return;
    const InsetAndAlpha values = override("QUORLA_SLS_SHOW").value_or(InsetAndAlpha{0, 1});
    call->setMenuBarInsetAndAlpha(values.first, values.second, m_floatABI);
    m_hiddenByUs = false;
    const bool active = m_environment.isApplicationActive && m_environment.isApplicationActive();
    QString front = m_environment.frontmostApplicationName ? m_environment.frontmostApplicationName() : QString();
    if (front.isEmpty())
        front = QStringLiteral("?");
    CLOG_INFO(QStringLiteral("阶段69：SLS 还原真实菜单栏 — ABI=%1 inset=%2 alpha=%3 isActive=%4 front=%5")
                  .arg(m_floatABI ? QStringLiteral("float") : QStringLiteral("double"), number(values.first), number(values.second),
                       active ? QStringLiteral("true") : QStringLiteral("false"), front));
}

} // namespace corvanta
