#include "App/LaunchSource.h"

#include "Support/LogFormat.h"

namespace corvanta {

LaunchSource LaunchSource::decide(bool loginMark, bool shortlyAfterBoot, const std::function<bool()>& loginItemEnabled)
{
    LaunchSource source;
    source.loginMark = loginMark;
    source.shortlyAfterBoot = shortlyAfterBoot;
    if (shortlyAfterBoot && !loginMark) {
        source.registered = loginItemEnabled ? loginItemEnabled() : false;
        source.isLoginLaunch = *source.registered;
        source.bootFallback = *source.registered;
    } else {
        source.isLoginLaunch = loginMark;
    }
    return source;
}

QString LaunchSource::logLine() const
{
    return QStringLiteral("阶段29/65：启动来源 = %1 [lgit标记=%2, 刚开机=%3, 已注册=%4, 刚开机兜底=%5]")
        .arg(isLoginLaunch ? QStringLiteral("登录项（开机自启动）") : QStringLiteral("用户手动启动"), logBool(loginMark), logBool(shortlyAfterBoot),
             registered ? logBool(*registered) : QStringLiteral("未查询(已短路)"), logBool(bootFallback));
}

LaunchMode launchModeFor(bool isSuccessor, const LaunchSource& source)
{
    if (isSuccessor)
        return LaunchMode::successor;
    return source.isLoginLaunch ? LaunchMode::login : LaunchMode::cold;
}

} // namespace corvanta
