#include "Services/WallpaperStore.h"

#include "Platform/ScreenFrames.h"
#include "Platform/WallpaperChangeSource.h"
#include "Services/WallpaperBlurCache.h"
#include "Support/Clock.h"
#include "Support/Logger.h"
#include "Support/QtScheduler.h"
#include "Support/TaskRunner.h"
#include "Support/TerminationRequest.h"

#include <QEventLoop>
#include <QPointer>

#include <algorithm>
#include <cmath>

namespace corvanta {
namespace {

constexpr double kStrengthTolerance = 0.001;
constexpr double kRadiusTolerance = 0.5;
constexpr double kRadiusWidthFactor = 0.03;
constexpr double kMinimumCachedRadius = 1.5;
constexpr double kHoldLogThreshold = 0.06;
constexpr double kSpaceThrottle = 1.5;
constexpr double kFirstFrameSlice = 0.005;

QString frameText(const QRectF& frame)
{
    return QStringLiteral("(%1, %2, %3, %4)").arg(frame.x()).arg(frame.y()).arg(frame.width()).arg(frame.height());
}

} // namespace

struct WallpaperStore::JobResult {
    WallpaperRefreshState::Request request;
    quint64 fingerprint = 0;
    double radius = 0;
    WallpaperIdentity identity;
    QSize sourceSize;
    QImage image;
    ResultKind kind = ResultKind::Fresh;
};

WallpaperStore::WallpaperStore(Dependencies d, QObject* parent)
    : QObject(parent),
      m_scheduler(d.scheduler),
      m_background(std::move(d.background)),
      m_main(std::move(d.main)),
      m_provider(d.provider),
      m_cache(d.cache),
      m_changes(d.changes),
      m_screen(d.screenFrame)
{
    m_runLoopSlice = [this](double seconds) {
        QEventLoop loop;
        ScheduledTask wake(&m_scheduler, m_scheduler.schedule(seconds, [&loop] { loop.quit(); }));
        loop.exec();
    };
}

WallpaperStore::~WallpaperStore() = default;

WallpaperStore& WallpaperStore::shared()
{
    static auto* changes = new LinuxWallpaperChangeSource(WallpaperProvider::shared().locations().indexPlistPath);
    static auto* instance = new WallpaperStore({QtScheduler::shared(), threadPoolRunner(), mainThreadRunner(), WallpaperProvider::shared(),
                                                WallpaperBlurCache::shared(), changes, ScreenFrames::mainScreenFrame()});
    return *instance;
}

void WallpaperStore::refresh(double strength)
{
    m_currentStrength = strength;
    const WallpaperIdentity identity = m_provider.currentWallpaperIdentity(m_screen);

    if (m_lastIdentity && m_lastIdentity->token != identity.token) {
        CLOG_INFO(QStringLiteral("阶段137：壁纸身份变化（%1 → %2），作废免重采并重新采集")
                      .arg(m_lastIdentity->token, identity.token));
        m_lastFingerprint.reset();
        m_verifiedGeneration.reset();
        // A job still running resolved the old wallpaper: the new generation makes it stale.
        ++m_refreshState.generation;
        m_provider.invalidateResolveCache();
    }

    if (!m_blurredImage.isNull() && m_lastFingerprint && m_verifiedGeneration
        && *m_verifiedGeneration == m_refreshState.generation
        && std::abs(strength - m_verifiedStrength) <= kStrengthTolerance) {
        m_lastIdentity = identity;
        CLOG_INFO(QStringLiteral("阶段64：壁纸已在本代校验过且强度未变，跳过重复采集"));
        return;
    }

    const double remaining = m_captureHoldUntil - m_scheduler.now();
    if (remaining > 0) {
        if (remaining > kHoldLogThreshold)
            CLOG_INFO(QStringLiteral("阶段64：采集静默窗内，推迟 %1ms 后再采集").arg(qint64(remaining * 1000)));
        m_scheduler.schedule(remaining, [self = QPointer<WallpaperStore>(this), strength] {
            if (self)
                self->refresh(strength);
        });
        return;
    }

    const WallpaperRefreshState::Request request{m_refreshState.generation, strength};
    if (!m_refreshState.active) {
        m_refreshState.active = request;
        m_refreshState.pending.reset();
        startJob(request, identity);
    } else if (request == *m_refreshState.active) {
        m_refreshState.pending.reset();
    } else {
        m_refreshState.pending = request;
    }
}

void WallpaperStore::startJob(const WallpaperRefreshState::Request& request, const WallpaperIdentity& identity)
{
    // The job reads nothing of the store: everything it needs is captured here.
    const QRectF screen = m_screen;
    const double lastRadius = m_lastRadius;
    const std::optional<quint64> lastFingerprint = m_lastFingerprint;
    WallpaperProvider* provider = &m_provider;
    WallpaperBlurCache* cache = &m_cache;
    const TaskRunner toMain = m_main;
    QPointer<WallpaperStore> self(this);

    m_background([=] {
        const auto onMain = [toMain, self](std::function<void(WallpaperStore&)> step) {
            toMain([self, step = std::move(step)] {
                if (self)
                    step(*self);
            });
        };
        const auto finish = [&] { onMain([](WallpaperStore& store) { store.finishRequest(); }); };

        // An ending process wants no backdrop: the job stops before each costly step.
        if (backgroundWorkStopped())
            return;
        const QImage image = provider->currentWallpaper(screen);
        if (backgroundWorkStopped())
            return;
        if (image.isNull()) {
            CLOG_WARN(QStringLiteral("WallpaperStore: 未能获取壁纸，保留渐变兜底"));
            finish();
            return;
        }
        const quint64 fingerprint = WallpaperProvider::fingerprint(image);
        const double radius = std::max(std::clamp(request.strength, 0.0, 1.0)
                                           * (WallpaperProvider::displayPixelWidth(image.size()) * kRadiusWidthFactor),
                                       1.0);
        if (lastFingerprint && *lastFingerprint == fingerprint && std::abs(radius - lastRadius) <= kRadiusTolerance) {
            onMain([request, identity](WallpaperStore& store) { store.confirmUnchanged(request, identity); });
            return;
        }
        JobResult result{request, fingerprint, radius, identity, image.size(), {}, ResultKind::Fresh};
        if (radius >= kMinimumCachedRadius) {
            result.image = cache->image(fingerprint, radius, image.width(), image.height());
            if (!result.image.isNull()) {
                result.kind = ResultKind::FromCache;
            } else {
                result.image = WallpaperProvider::blurred(image, radius);
                if (result.image.isNull()) {
                    finish();
                    return;
                }
                cache->store(result.image, fingerprint, radius, image.width(), image.height());
            }
        } else {
            result.image = WallpaperProvider::blurred(image, radius);
            if (result.image.isNull()) {
                finish();
                return;
            }
        }
        onMain([result](WallpaperStore& store) { store.complete(result); });
    });
}

void WallpaperStore::markVerified(const WallpaperRefreshState::Request& request, const WallpaperIdentity& identity)
{
    m_verifiedGeneration = request.generation;
    m_verifiedStrength = request.strength;
    m_lastIdentity = identity;
}

void WallpaperStore::confirmUnchanged(const WallpaperRefreshState::Request& request, const WallpaperIdentity& identity)
{
    markVerified(request, identity);
    finishRequest();
}

void WallpaperStore::complete(const JobResult& result)
{
    if (result.request.generation != m_refreshState.generation || result.request.strength != m_currentStrength) {
        finishRequest();
        return;
    }
    if (m_lastFingerprint && *m_lastFingerprint == result.fingerprint
        && std::abs(m_lastRadius - result.radius) <= kRadiusTolerance && !m_blurredImage.isNull()) {
        m_lastRadius = result.radius;
        markVerified(result.request, result.identity);
        finishRequest();
        writeLatest(result.fingerprint, result.radius, result.sourceSize);
        CLOG_INFO(QStringLiteral("阶段63：首帧已由缓存恢复，跳过重复发布（指纹一致）"));
        return;
    }
    m_lastFingerprint = result.fingerprint;
    m_lastRadius = result.radius;
    markVerified(result.request, result.identity);
    finishRequest();
    if (result.kind == ResultKind::FromCache)
        CLOG_INFO(QStringLiteral("WallpaperStore: 壁纸模糊缓存命中 radius=%1px %2x%3")
                      .arg(result.radius, 0, 'f', 1)
                      .arg(result.sourceSize.width())
                      .arg(result.sourceSize.height()));
    else
        CLOG_INFO(QStringLiteral("WallpaperStore: 壁纸更新完成 radius=%1px").arg(result.radius, 0, 'f', 1));
    writeLatest(result.fingerprint, result.radius, result.sourceSize);
    publish(result.image, true);
}

void WallpaperStore::finishRequest()
{
    m_refreshState.active.reset();
    if (m_refreshState.pending) {
        const double strength = m_refreshState.pending->strength;
        m_refreshState.pending.reset();
        refresh(strength);
    }
}

void WallpaperStore::writeLatest(quint64 fingerprint, double radius, QSize sourceSize)
{
    m_cache.writeLatest(fingerprint, radius, sourceSize.width(), sourceSize.height(), m_screen.width(),
                        m_screen.height());
}

void WallpaperStore::publish(const QImage& image, bool animated)
{
    m_blurredImage = image;
    m_blurredImageAnimated = animated;
    Q_EMIT blurredImageChanged();
}

void WallpaperStore::forgetVerification()
{
    m_lastFingerprint.reset();
    m_verifiedGeneration.reset();
    m_lastIdentity.reset();
    m_provider.invalidateResolveCache();
}

void WallpaperStore::setScreen(const QRectF& frame)
{
    if (frame == m_screen)
        return;
    CLOG_INFO(QStringLiteral("WallpaperStore: 屏幕切换 %1 -> %2，壁纸缓存作废").arg(frameText(m_screen), frameText(frame)));
    m_screen = frame;
    ++m_refreshState.generation;
    m_lastRadius = 0;
    forgetVerification();
}

void WallpaperStore::invalidateAndRefresh()
{
    ++m_refreshState.generation;
    forgetVerification();
    refresh(m_currentStrength);
}

void WallpaperStore::startObservingWallpaperChanges()
{
    if (m_isObservingWallpaper)
        return;
    m_isObservingWallpaper = true;
    if (!m_changes)
        return;
    connect(m_changes, &WallpaperChangeSource::desktopNotification, this, [this](const QVariantMap& userInfo) {
        if (!userInfo.contains(QStringLiteral("BackgroundChanged")))
            return;
        CLOG_INFO(QStringLiteral("WallpaperStore: 收到系统壁纸变更通知，立即重新采集"));
        invalidateAndRefresh();
    });
    connect(m_changes, &WallpaperChangeSource::activeSpaceChanged, this, &WallpaperStore::spaceChanged);
    m_changes->start();
}

void WallpaperStore::spaceChanged()
{
    const double now = m_scheduler.now();
    if (now - m_lastSpaceRefreshAt > kSpaceThrottle) {
        m_lastSpaceRefreshAt = now;
        CLOG_INFO(QStringLiteral("WallpaperStore: 活动空间变化，重新采集壁纸"));
        invalidateAndRefresh();
    } else {
        CLOG_INFO(QStringLiteral("WallpaperStore: 活动空间变化（距上次 <1.5s，节流跳过）"));
    }
}

void WallpaperStore::restoreLatestForLaunch()
{
    if (!m_blurredImage.isNull())
        return;
    const double started = m_scheduler.now();
    const auto entry = m_cache.readLatestEntry(m_screen.width(), m_screen.height());
    const qint64 elapsedMs = qint64((m_scheduler.now() - started) * 1000);
    const qint64 width = qint64(m_screen.width()), height = qint64(m_screen.height());
    if (entry) {
        m_lastFingerprint = entry->fingerprint;
        m_lastRadius = entry->radius;
        publish(entry->image, false);
        CLOG_INFO(QStringLiteral("阶段64：首帧壁纸=同步恢复（耗时 %1ms，%2x%3，指纹已回填）").arg(elapsedMs).arg(width).arg(height));
    } else {
        CLOG_INFO(QStringLiteral("阶段64：首帧壁纸恢复未命中（耗时 %1ms，latest 指针缺失或屏幕尺寸不符 %2x%3），等待本次解析")
                      .arg(elapsedMs)
                      .arg(width)
                      .arg(height));
    }
}

bool WallpaperStore::waitForFirstFrame(double timeout)
{
    if (!m_blurredImage.isNull())
        return true;
    const double deadline = m_scheduler.now() + timeout;
    for (;;) {
        if (!m_blurredImage.isNull())
            return true;
        const double left = deadline - m_scheduler.now();
        // An ending process turns its loops no more: the frame could not arrive.
        if (left <= 0 || TerminationRequest::isRequested())
            return false;
        m_runLoopSlice(std::min(left, kFirstFrameSlice));
    }
}

void kickDesktopWallpaper(const QRectF&)
{
    CLOG_INFO(QStringLiteral("桌面层恢复：已跳过（阶段 49 起不再抓屏，避免录屏授权弹窗）"));
}

} // namespace corvanta
