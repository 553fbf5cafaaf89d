#pragma once

#include "Models/LayoutConfig.h"
#include "Platform/GlobalHotKey.h"
#include "Services/PinchGestureDirection.h"
#include "Support/Clock.h"

#include <QObject>

#include <functional>
#include <memory>

namespace corvanta {

class HotCornerMonitor;
class PinchRecognizer;

// Turns system-wide input (the hot key; later the hot corner and the pinch) into requests to show
// or hide the overlay. The shell installs the callbacks and keeps `isTilehallVisible` current.
class ShortcutManager : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool isTilehallVisible READ isTilehallVisible WRITE setTilehallVisible NOTIFY isTilehallVisibleChanged)
public:
    ShortcutManager(GlobalHotKey& hotKey, Scheduler& scheduler, QObject* parent = nullptr);
    ~ShortcutManager() override;

    static ShortcutManager& shared();

    bool isTilehallVisible() const { return m_isTilehallVisible; }
    void setTilehallVisible(bool visible);

    // Replaces the current hot key by the one `key` describes ("F4", "Cmd+Shift+L"...).
    void registerShortcut(const QString& key);
    // Termination and hand-over: drop the hot key and its handler.
    void unregisterShortcut();
    QString shortcutKey() const { return m_shortcutKey; }
    HotCorner hotCorner() const { return m_hotCorner; }

    // The hot corner and the pinch recogniser, owned from here on; without them their operations
    // do nothing.
    void attachHotCorner(std::unique_ptr<HotCornerMonitor> monitor);
    void attachPinch(std::unique_ptr<PinchRecognizer> recognizer);
    HotCornerMonitor* hotCornerMonitor() const { return m_hotCornerMonitor.get(); }
    PinchRecognizer* pinchRecognizer() const { return m_pinch.get(); }

    // (Re)starts watching the corner; `none` watches nothing.
    void startHotCornerMonitor(HotCorner corner);
    void stopHotCornerMonitor();

    void setupPinchGesture(TrackpadGesture mode, bool claimExclusive);
    void stopPinchGesture();
    // Abandons a running pinch without a settle report.
    void cancelInteractivePinch();

    std::function<void()> onToggle;
    std::function<void(PinchGestureDirection)> onPinchBegin;
    std::function<void(double)> onPinchProgress;
    std::function<void(bool)> onPinchSettle;

    GlobalHotKey& hotKey() { return m_hotKey; }

Q_SIGNALS:
    void isTilehallVisibleChanged(bool visible);

private:
    GlobalHotKey& m_hotKey;
    Scheduler& m_scheduler;
    bool m_isTilehallVisible = false;
    QString m_shortcutKey = QStringLiteral("F4");
    HotCorner m_hotCorner = HotCorner::none;
    std::unique_ptr<HotCornerMonitor> m_hotCornerMonitor;
    std::unique_ptr<PinchRecognizer> m_pinch;
};

} // namespace corvanta
