#include "App/WarmUp.h"

#include "Support/LogFormat.h"
#include "Support/Logger.h"
#include "Support/TerminationRequest.h"

#include <algorithm>

namespace corvanta {

WarmUp::WarmUp(Dependencies dependencies) : m_deps(std::move(dependencies)), m_wait(*m_deps.clock, m_deps.runLoopSlice) {}

void WarmUp::prepareBackdrop(const DisplayScreen& screen, bool extended)
{
    const LayoutConfig config = m_deps.config();
    OverlayBackdrop& backdrop = *m_deps.backdrop;
    const Limits& limits = extended ? extendedLimits : silentLimits;
    backdrop.setScreen(screen);
    // A blur restored from the last run is good enough to open with; the deferred refresh of the
    // first show replaces it.
    if (!(extended && backdrop.hasImage()))
        backdrop.refresh(config.backgroundType == BackgroundType::wallpaper ? 0 : config.blurStrength);
    backdrop.waitForFirstFrame(limits.firstFrame);
    if (extended)
        backdrop.raiseCaptureHold(now() + limits.captureHold);
}

void WarmUp::prerenderPages()
{
    call(m_deps.prepareAllPages);
    const double deadline = now() + extendedLimits.pagePrerender;
    while (deadline - now() > 1e-6 && !TerminationRequest::isRequested()) {
        m_deps.runLoopSlice(std::min(pageSlice, deadline - now()));
        call(m_deps.layoutWindows);
    }
}

bool WarmUp::waitForScan()
{
    return m_wait.until([this] { return !m_deps.isScanning || !m_deps.isScanning(); }, extendedLimits.scanWait, scanSlice);
}

void WarmUp::warmUpInBackground(bool extendedPrewarm)
{
    const bool extended = extendedPrewarm;
    const Limits& limits = extended ? extendedLimits : silentLimits;
    const DisplayScreen screen = m_deps.screen();
    if (m_deps.config().backgroundType != BackgroundType::color)
        prepareBackdrop(screen, extended);

    const double t0 = now();
    call(m_deps.startScan);

    const bool iconsReady = m_wait.until([this] { return !m_deps.iconsPrewarmed || m_deps.iconsPrewarmed(); }, limits.icons, iconSlice);

    if (extended) {
        prerenderPages();
        if (waitForScan()) {
            if (m_deps.noteHeavyRefresh)
                m_deps.noteHeavyRefresh(now(), screen);
            CLOG_INFO(QStringLiteral("阶段165：启动扫描已并入布局（%1ms）").arg(QString::asprintf("%.0f", (now() - t0) * 1000)));
        } else {
            CLOG_INFO(QStringLiteral("阶段165：启动扫描仍在进行，先进入瓦厅，完成后补上新应用"));
        }
    }

    // The ending stopped the waits above; the hidden draw would only hold it up.
    if (TerminationRequest::isRequested()) {
        CLOG_INFO(QStringLiteral("阶段29/160：程序正在退出 — 后台预热提前结束"));
        return;
    }
    const double t1 = now();
    call(m_deps.layoutWindows);
    call(m_deps.drawWindows);
    if (iconsReady)
        call(m_deps.markSyncPresentationDone);
    CLOG_INFO(QStringLiteral("阶段29/160：后台预热完成 — 布局+绘制(%1ms) 预热=%2 扩展=%3；瓦厅保持隐藏待命")
                  .arg(QString::asprintf("%.0f", (now() - t1) * 1000), logBool(iconsReady), logBool(extended)));
}

} // namespace corvanta
