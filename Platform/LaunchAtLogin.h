#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace corvanta {

// How the process was started and the user's login item (an XDG autostart entry).
class LaunchAtLogin {
public:
    enum class Status { enabled, requiresApproval, notRegistered };

    // The argument the autostart entry passes; a successor is started without it.
    static constexpr const char* loginArgument = "--launched-at-login";
    static constexpr double shortlyAfterBootSeconds = 180;

    struct Paths {
        QString autostartDirectory; // $XDG_CONFIG_HOME/autostart
        QString procStat;           // /proc/stat (holds the boot time)
        QString executable;         // the program the entry starts
    };

    LaunchAtLogin(Paths paths, QStringList arguments, std::function<double()> nowSinceEpoch);

    // The program's own: the real folders, this process's arguments and the wall clock.
    static LaunchAtLogin& shared();

    // The launch carries the login mark.
    bool wasLaunchedAtLogin() const;
    // Less than 180 s have passed since the system booted; false when the boot time is unknown.
    bool launchedShortlyAfterBoot() const;
    // The boot time (seconds since 1970) from the "btime" line, or none.
    std::optional<double> bootTime() const;

    Status status() const;
    // Registers or removes the login item: nil on success, else the error's text.
    std::optional<QString> setEnabled(bool enabled);
    // Why a login item at the program's location may not work, or none.
    std::optional<QString> locationWarning() const;
    static std::optional<QString> locationWarning(const QString& path);

    QString entryPath() const;
    // The entry's text (with the Exec line quoted per the Desktop Entry rules).
    QString entryText() const;
    // One argument of an Exec line: quoted when it holds a reserved character.
    static QString quoteExecArgument(const QString& argument);

private:
    std::optional<QString> registerEntry();
    std::optional<QString> unregisterEntry();

    Paths m_paths;
    QStringList m_arguments;
    std::function<double()> m_now;
};

} // namespace corvanta
