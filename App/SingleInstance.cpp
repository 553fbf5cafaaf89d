#include "App/SingleInstance.h"

#include "Support/Logger.h"

#include <QStringList>

namespace corvanta {

namespace {

QString pidList(const QList<qint64>& pids)
{
    QStringList texts;
    for (const qint64 pid : pids)
        texts << QString::number(pid);
    return QLatin1Char('[') + texts.join(QStringLiteral(", ")) + QLatin1Char(']');
}

} // namespace

bool SingleInstance::ensureSingleInstance(bool requestShow) const
{
    const QList<qint64> others = m_deps.otherInstances ? m_deps.otherInstances() : QList<qint64>{};
    if (others.isEmpty()) {
        const QList<qint64> elsewhere = m_deps.instancesElsewhere ? m_deps.instancesElsewhere() : QList<qint64>{};
        if (!elsewhere.isEmpty())
            CLOG_INFO(QStringLiteral("其它会话中已有实例在运行：") + pidList(elsewhere)
                      + QStringLiteral("（运行目录或显示不同，请求送不到）— 本实例作为本会话的实例启动"));
        return true;
    }
    CLOG_WARN(QStringLiteral("检测到已有实例在运行：") + pidList(others) +
              (requestShow ? QStringLiteral("，请求它显示瓦厅") : QStringLiteral("（本次为登录自启动，不请求显示）")));
    if (requestShow && m_deps.postShowRequest && m_deps.postShowRequest() == 0) {
        CLOG_WARN(QStringLiteral("显示请求无法送达已有实例 ") + pidList(others) + QStringLiteral(" — 提示用户后退出"));
        if (m_deps.explainUnreachable)
            m_deps.explainUnreachable(others);
    }
    CLOG_WARN(QStringLiteral("已有实例在运行，本实例退出"));
    if (m_deps.terminate)
        m_deps.terminate();
    return false;
}

} // namespace corvanta
