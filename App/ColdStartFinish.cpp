#include "App/ColdStartFinish.h"

#include "Platform/UserDefaults.h"
#include "Support/LogFormat.h"
#include "Support/Logger.h"

#include <memory>

namespace corvanta {

void ColdStartFinish::begin()
{
    setSplashActive(true);
    m_progressFinished = false;
    m_setupFinished = false;
    if (!m_deps.presentSplash)
        return;
    std::weak_ptr<bool> alive = m_alive;
    m_deps.presentSplash([this, alive] {
        if (alive.expired())
            return;
        m_progressFinished = true;
        tryFinishColdStartAndEnterTilehall();
    });
}

void ColdStartFinish::setupFinished()
{
    m_setupFinished = true;
    tryFinishColdStartAndEnterTilehall();
}

void ColdStartFinish::tryFinishColdStartAndEnterTilehall()
{
    if (!m_progressFinished || !m_setupFinished) {
        CLOG_INFO(QStringLiteral("阶段154：冷启动门控等待 — progress=%1 setup=%2").arg(logBool(m_progressFinished), logBool(m_setupFinished)));
        return;
    }
    setSplashActive(false);
    m_progressFinished = false;
    m_setupFinished = false;
    if (m_deps.dismissSplash)
        m_deps.dismissSplash();
    if (isTerminating() || !promptFourFingerPinchTakeoverIfNeeded() || isTerminating()) {
        CLOG_INFO(QStringLiteral("阶段154：程序正在退出 — 不再打开瓦厅"));
        return;
    }
    if (m_deps.presentAccessibilityGuideIfNeeded && m_deps.presentAccessibilityGuideIfNeeded()) {
        CLOG_INFO(QStringLiteral("阶段151/154：冷启动进度后改出辅助功能引导小窗"));
        return;
    }
    CLOG_INFO(QStringLiteral("Showing tilehall after cold-start splash"));
    if (m_deps.showTilehall)
        m_deps.showTilehall();
}

bool ColdStartFinish::promptFourFingerPinchTakeoverIfNeeded()
{
    const QString key = QString::fromLatin1(didAskFourFingerPinchTakeoverKey);
    if (!m_deps.defaults || m_deps.defaults->boolValue(key))
        return true;
    // Recorded before the question runs, so a crash inside it never asks twice.
    m_deps.defaults->setBool(key, true);
    CLOG_INFO(QStringLiteral("阶段150：询问是否启用四指捏合"));
    const PinchTakeoverAnswer answer = m_deps.askPinchTakeover ? m_deps.askPinchTakeover() : PinchTakeoverAnswer::notNow;
    switch (answer) {
    case PinchTakeoverAnswer::enable:
        if (m_deps.enableFourFingerPinch)
            m_deps.enableFourFingerPinch();
        CLOG_INFO(QStringLiteral("阶段150：用户选择启用四指捏合并完全接管"));
        return true;
    case PinchTakeoverAnswer::notNow:
        if (m_deps.disablePinch)
            m_deps.disablePinch();
        CLOG_INFO(QStringLiteral("阶段150：用户选择暂不启用四指捏合"));
        return true;
    case PinchTakeoverAnswer::dismissedByTermination:
        break;
    }
    // Not asked after all: the mark made for a crash inside the question goes.
    m_deps.defaults->setBool(key, false);
    CLOG_INFO(QStringLiteral("阶段150：四指捏合询问因程序退出而关闭 — 不作为回答，设置不变，下次启动再问"));
    return false;
}

} // namespace corvanta
