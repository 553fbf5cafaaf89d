#include "App/SingleInstance.h"

#include "Support/Logger.h"

#include <QStringList>

namespace corvanta {

bool SingleInstance::ensureSingleInstance(bool requestShow) const
{
    const QList<qint64> others = m_deps.otherInstances ? m_deps.otherInstances() : QList<qint64>{};
    if (others.isEmpty())
        return true;
    QStringList pids;
    for (const qint64 pid : others)
        pids << QString::number(pid);
    CLOG_WARN(QStringLiteral("检测到已有实例在运行：[") + pids.join(QStringLiteral(", ")) + QLatin1Char(']') +
              (requestShow ? QStringLiteral("，请求它显示瓦厅") : QStringLiteral("（本次为登录自启动，不请求显示）")));
    if (requestShow && m_deps.postShowRequest)
        m_deps.postShowRequest();
    CLOG_WARN(QStringLiteral("已有实例在运行，本实例退出"));
    if (m_deps.terminate)
        m_deps.terminate();
    return false;
}

} // namespace corvanta
