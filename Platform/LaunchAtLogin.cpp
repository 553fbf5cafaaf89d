#include "Platform/LaunchAtLogin.h"

#include "Platform/StandardPaths.h"
#include "Support/AtomicFile.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>

namespace corvanta {

namespace {

const QString entryFileName = QStringLiteral("com.corvanta.app.desktop");
const QString entryMarker = QStringLiteral("X-Corvanta-LoginItem=true");

QString configHome()
{
    const QString value = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (!value.isEmpty() && QDir::isAbsolutePath(value))
        return value;
    return StandardPaths::homeDirectory() + QStringLiteral("/.config");
}

// Backslashes of a string value are escapes in a desktop entry file.
QString escapeValue(const QString& value)
{
    QString out;
    for (const QChar c : value) {
        if (c == QLatin1Char('\\'))
            out += QStringLiteral("\\\\");
        else if (c == QLatin1Char('\n'))
            out += QStringLiteral("\\n");
        else if (c == QLatin1Char('\t'))
            out += QStringLiteral("\\t");
        else if (c == QLatin1Char('\r'))
            out += QStringLiteral("\\r");
        else
            out += c;
    }
    return out;
}

// Keys and values of the "[Desktop Entry]" group. Blanks around "=" are allowed; localised keys
// ("Name[de]") keep their suffix, so they never shadow the plain key.
QHash<QString, QString> desktopEntryKeys(const QString& text)
{
    QHash<QString, QString> keys;
    bool inMainGroup = false;
    for (const QStringView rawLine : QStringView(text).split(QLatin1Char('\n'))) {
        const QStringView line = rawLine.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        if (line.startsWith(QLatin1Char('['))) {
            inMainGroup = line == QLatin1String("[Desktop Entry]");
            continue;
        }
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (!inMainGroup || equals <= 0)
            continue;
        const QString key = line.left(equals).trimmed().toString();
        if (!keys.contains(key)) // the first occurrence counts, as desktop readers do
            keys.insert(key, line.mid(equals + 1).trimmed().toString());
    }
    return keys;
}

} // namespace

LaunchAtLogin::LaunchAtLogin(Paths paths, QStringList arguments, std::function<double()> nowSinceEpoch)
    : m_paths(std::move(paths)), m_arguments(std::move(arguments)), m_now(std::move(nowSinceEpoch))
{
}

LaunchAtLogin& LaunchAtLogin::shared()
{
    static LaunchAtLogin instance(
        Paths{configHome() + QStringLiteral("/autostart"), QStringLiteral("/proc/stat"), QCoreApplication::applicationFilePath()},
        QCoreApplication::arguments(), [] { return QDateTime::currentMSecsSinceEpoch() / 1000.0; });
    return instance;
}

bool LaunchAtLogin::wasLaunchedAtLogin() const
{
    return m_arguments.mid(1).contains(QLatin1String(loginArgument));
}

std::optional<double> LaunchAtLogin::bootTime() const
{
    QFile file(m_paths.procStat);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    // The file reports size 0; read line by line until the boot time.
    while (!file.atEnd()) {
        const QByteArray line = file.readLine(4096).trimmed();
        if (!line.startsWith("btime "))
            continue;
        bool ok = false;
        const qlonglong seconds = line.mid(6).trimmed().toLongLong(&ok);
        if (!ok)
            return std::nullopt;
        return double(seconds);
    }
    return std::nullopt;
}

bool LaunchAtLogin::launchedShortlyAfterBoot() const
{
    const auto boot = bootTime();
    if (!boot || *boot < 1)
        return false;
    return m_now() - *boot < shortlyAfterBootSeconds;
}

QString LaunchAtLogin::entryPath() const
{
    return m_paths.autostartDirectory + QLatin1Char('/') + entryFileName;
}

LaunchAtLogin::Status LaunchAtLogin::status() const
{
    QFile file(entryPath());
    if (!file.open(QIODevice::ReadOnly))
        return Status::notRegistered;
    // An entry is a few hundred bytes; anything far larger is not ours.
    const QHash<QString, QString> keys = desktopEntryKeys(QString::fromUtf8(file.read(64 * 1024)));
    // An entry the user switched off in the desktop's session settings no longer starts us.
    const bool ours = keys.value(QStringLiteral("X-Corvanta-LoginItem")) == QStringLiteral("true");
    const bool hidden = keys.value(QStringLiteral("Hidden")) == QStringLiteral("true");
    const bool switchedOff = keys.value(QStringLiteral("X-GNOME-Autostart-enabled")) == QStringLiteral("false");
    if (!ours || hidden || switchedOff)
        return Status::notRegistered;
    return Status::enabled;
}

QString LaunchAtLogin::quoteExecArgument(const QString& argument)
{
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    bool needsQuotes = argument.isEmpty();
    for (const QChar c : argument)
        needsQuotes = needsQuotes || reserved.contains(c);
    QString out;
    for (const QChar c : argument) {
        if (c == QLatin1Char('%'))
            out += QStringLiteral("%%"); // not a field code
        else if (needsQuotes && (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') || c == QLatin1Char('\\')))
            out += QLatin1Char('\\') + c;
        else
            out += c;
    }
    return needsQuotes ? QLatin1Char('"') + out + QLatin1Char('"') : out;
}

QString LaunchAtLogin::entryText() const
{
    const QString exec = quoteExecArgument(m_paths.executable) + QLatin1Char(' ') + QLatin1String(loginArgument);
    return QStringLiteral("[Desktop Entry]\n"
                          "Type=Application\n"
                          "Name=Corvanta\n"
                          "Exec=%1\n"
                          "Terminal=false\n"
                          "NoDisplay=true\n"
                          "X-GNOME-Autostart-enabled=true\n"
                          "%2\n")
        .arg(escapeValue(exec), entryMarker);
}

std::optional<QString> LaunchAtLogin::registerEntry()
{
    if (!QDir().mkpath(m_paths.autostartDirectory))
        return QStringLiteral("无法创建自启动目录：%1").arg(m_paths.autostartDirectory);
    QString error;
    if (!writeFileAtomically(entryPath(), entryText().toUtf8(), &error))
        return error;
    return std::nullopt;
}

std::optional<QString> LaunchAtLogin::unregisterEntry()
{
    QFile file(entryPath());
    if (!file.exists())
        return std::nullopt;
    if (!file.remove())
        return file.errorString();
    return std::nullopt;
}

std::optional<QString> LaunchAtLogin::setEnabled(bool enabled)
{
    if (!enabled)
        return unregisterEntry();
    const Status current = status();
    if (current == Status::enabled || current == Status::requiresApproval)
        (void)unregisterEntry(); // a stale registration is replaced; its failure is not reported
    return registerEntry();
}

std::optional<QString> LaunchAtLogin::locationWarning() const
{
    return locationWarning(m_paths.executable);
}

std::optional<QString> LaunchAtLogin::locationWarning(const QString& path)
{
    if (path.contains(QLatin1String("/DerivedData/")))
        return QStringLiteral("当前运行的是 Xcode 调试构建（位于 DerivedData）。清理构建产物或换个目录重新编译后，这条自启动记录就会失效 —— 建议先把 App 拖进「应用程序」文件夹，从那里打开后再开启本开关。");
    if (path.contains(QLatin1String("/Mobile Documents/")) || path.contains(QLatin1String("/CloudDocs/")))
        return QStringLiteral("当前 App 在 iCloud 云盘目录里。登录那一刻云盘可能还没挂载好，自启动会时灵时不灵 —— 建议先把 App 拖进「应用程序」文件夹。");
    // Removable disks are mounted under /media or /run/media here.
    if (path.startsWith(QLatin1String("/Volumes/")) || path.startsWith(QLatin1String("/media/"))
        || path.startsWith(QLatin1String("/run/media/")))
        return QStringLiteral("当前 App 在外接磁盘上，磁盘推出后无法自启动 —— 建议先移动到「应用程序」文件夹。");
    if (path.startsWith(QLatin1String("/tmp/")) || path.startsWith(QLatin1String("/private/var/folders/")))
        return QStringLiteral("当前 App 在临时目录中，随时可能被系统清理 —— 建议先移动到「应用程序」文件夹。");
    return std::nullopt;
}

} // namespace corvanta
