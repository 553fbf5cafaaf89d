#pragma once

#include "Services/WallpaperProvider.h"
#include "Support/TaskRunner.h"

#include <QImage>
#include <QObject>
#include <QRectF>

#include <functional>
#include <optional>

namespace corvanta {

class Scheduler;
class WallpaperBlurCache;
class WallpaperChangeSource;

// The request slots of the store: at most one background job (`active`) and one request waiting
// behind it (`pending`).
struct WallpaperRefreshState {
    struct Request {
        quint64 generation = 0;
        double strength = 0;
        bool operator==(const Request& other) const
        {
            return generation == other.generation && strength == other.strength;
        }
    };
    quint64 generation = 0; // bumped whenever the screen or the wallpaper is invalidated
    std::optional<Request> active;
    std::optional<Request> pending;
};

// Keeps one blurred copy of the wallpaper of the overlay's screen and publishes it as
// blurredImage. All calls, signals and completions are on the main thread; resolution and blurring
// run on the background runner, one job at a time.
class WallpaperStore : public QObject {
    Q_OBJECT
    Q_PROPERTY(QImage blurredImage READ blurredImage NOTIFY blurredImageChanged)
    Q_PROPERTY(double captureHoldUntil READ captureHoldUntil WRITE setCaptureHoldUntil)

public:
    struct Dependencies {
        Scheduler& scheduler;
        TaskRunner background; // resolution and blurring, one job at a time
        TaskRunner main;       // brings results back to the main thread
        WallpaperProvider& provider;
        WallpaperBlurCache& cache;
        WallpaperChangeSource* changes = nullptr; // may be null: then nothing is observed
        QRectF screenFrame;                       // the initial target screen
    };
    // Runs the main thread's event loop for up to the given seconds (waitForFirstFrame's slices).
    using RunLoopSlice = std::function<void(double seconds)>;

    explicit WallpaperStore(Dependencies dependencies, QObject* parent = nullptr);
    ~WallpaperStore() override;
    static WallpaperStore& shared();

    QImage blurredImage() const { return m_blurredImage; }
    // Whether the last change of blurredImage should fade in (everything but the launch restore).
    bool blurredImageAnimated() const { return m_blurredImageAnimated; }

    // Media time before which no background work starts; the shell only raises it.
    double captureHoldUntil() const { return m_captureHoldUntil; }
    void setCaptureHoldUntil(double time) { m_captureHoldUntil = time; }

    QRectF screen() const { return m_screen; }
    void setScreen(const QRectF& frame);
    void refresh(double strength);
    bool waitForFirstFrame(double timeout);
    void restoreLatestForLaunch();
    void startObservingWallpaperChanges();
    void invalidateAndRefresh();

    void setRunLoopSlice(RunLoopSlice slice) { m_runLoopSlice = std::move(slice); }

    // Read-outs of the pipeline's bookkeeping.
    const WallpaperRefreshState& refreshState() const { return m_refreshState; }
    std::optional<quint64> lastFingerprint() const { return m_lastFingerprint; }
    double lastRadius() const { return m_lastRadius; }
    double currentStrength() const { return m_currentStrength; }
    std::optional<quint64> verifiedGeneration() const { return m_verifiedGeneration; }
    std::optional<WallpaperIdentity> lastIdentity() const { return m_lastIdentity; }

Q_SIGNALS:
    void blurredImageChanged();

private:
    enum class ResultKind { FromCache, Fresh };
    struct JobResult;

    void startJob(const WallpaperRefreshState::Request& request, const WallpaperIdentity& identity);
    void complete(const JobResult& result);
    void confirmUnchanged(const WallpaperRefreshState::Request& request, const WallpaperIdentity& identity);
    void finishRequest();
    void markVerified(const WallpaperRefreshState::Request& request, const WallpaperIdentity& identity);
    void writeLatest(quint64 fingerprint, double radius, QSize sourceSize);
    void publish(const QImage& image, bool animated);
    void forgetVerification();
    void spaceChanged();

    Scheduler& m_scheduler;
    TaskRunner m_background;
    TaskRunner m_main;
    WallpaperProvider& m_provider;
    WallpaperBlurCache& m_cache;
    WallpaperChangeSource* m_changes;
    RunLoopSlice m_runLoopSlice;

    QImage m_blurredImage;
    bool m_blurredImageAnimated = false;
    QRectF m_screen;
    std::optional<quint64> m_lastFingerprint;
    double m_lastRadius = 0;
    WallpaperRefreshState m_refreshState;
    double m_currentStrength = 0.8;
    std::optional<quint64> m_verifiedGeneration;
    // The strength the shown image was last confirmed for; the skip rule compares against this,
    // so a request parked behind the capture hold or a running job is still carried out.
    double m_verifiedStrength = 0;
    std::optional<WallpaperIdentity> m_lastIdentity;
    double m_captureHoldUntil = 0;
    double m_lastSpaceRefreshAt = -1e9; // the first change is always accepted, however early
    bool m_isObservingWallpaper = false;
};

// The shell calls this where the desktop layer used to be re-captured; the backdrop no longer
// captures the screen, so it only notes that it skipped.
void kickDesktopWallpaper(const QRectF& screenFrame);

} // namespace corvanta
