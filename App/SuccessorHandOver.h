#pragma once

#include "Support/Clock.h"

#include <QObject>
#include <QString>

#include <functional>
#include <optional>

namespace corvanta {

class ShortcutManager;

// The tickets of the revocable hand-over to a successor.
struct OverlaySuccessionGate {
    int serial = 0;             // the last ticket issued
    std::optional<int> pending; // the ticket that waits
    bool isExiting = false;     // a hand-over was committed
};

// After a hide in which the menu bar was really suppressed, the process hands over to a fresh copy
// of itself and ends, unless the overlay comes back within the hand-over delay. Main thread only.
class SuccessorHandOver : public QObject {
    Q_OBJECT
public:
    static constexpr double handOverDelay = 0.05;

    struct Started {
        qint64 pid = 0;
        QString error; // empty when it started
    };

    struct Dependencies {
        Scheduler* scheduler = nullptr;
        std::function<bool()> suppressionWasUsed; // switched on and really used in this process
        std::function<bool()> isQuitting;
        std::function<bool()> isOverlayVisible;   // on screen, user-visible or its window shown
        // Its running pinch is abandoned, its hot key and hot corner stopped before the successor
        // starts, so nothing of this process answers the user's input any more.
        ShortcutManager* triggers = nullptr;
        std::function<void()> kickDesktopWallpaper;
        std::function<void()> registerTriggersAgain;
        // Drops a pending delayed save and writes the layout and the settings at once.
        std::function<void()> saveState;
        std::function<void()> flushLog;
        std::function<Started()> startSuccessor;
        std::function<void()> exitProcess; // status 0, no static destructors
    };

    explicit SuccessorHandOver(Dependencies dependencies, QObject* parent = nullptr);

    // Called after every order-out of the overlay.
    void handOverToSuccessorAndExit();
    // A show, a pinch or termination revokes a waiting ticket.
    void cancelPendingSuccession();

    const OverlaySuccessionGate& gate() const { return m_gate; }
    bool isExiting() const { return m_gate.isExiting; }

private:
    void runTicket(int ticket);
    bool call(const std::function<bool()>& f) const { return f && f(); }

    Dependencies m_deps;
    OverlaySuccessionGate m_gate;
    ScheduledTask m_pendingSuccession;
};

} // namespace corvanta
