#pragma once

#include "Views/PinchTakeoverAlert.h"

#include <functional>
#include <memory>

namespace corvanta {

class UserDefaults;

// A start by hand: the splash runs its progress while the warm-up prepares the grid; whichever of
// the two ends second closes the splash, asks the one-time pinch question and opens the grid (or
// the Accessibility guide, which opens it once access is granted). Main thread only.
class ColdStartFinish {
public:
    static constexpr char didAskFourFingerPinchTakeoverKey[] = "com.corvanta.didAskFourFingerPinchTakeover";

    struct Dependencies {
        // Shows the splash; the callback runs when its progress has run out.
        std::function<void(std::function<void()> progressFinished)> presentSplash;
        std::function<void()> dismissSplash;
        std::function<void(bool active)> setSplashActive; // while active, the program's icon is ignored
        UserDefaults* defaults = nullptr;
        // The modal question.
        std::function<PinchTakeoverAnswer()> askPinchTakeover;
        std::function<void()> enableFourFingerPinch;  // settings saved, gesture claimed
        std::function<void()> disablePinch;           // settings saved, gesture stopped
        std::function<bool()> presentAccessibilityGuideIfNeeded;
        std::function<void()> showTilehall;
        // The process has been asked to end: the finish opens nothing more.
        std::function<bool()> isTerminating;
    };

    explicit ColdStartFinish(Dependencies dependencies) : m_deps(std::move(dependencies)) {}

    // Start-up of a cold start: the gate closes and the splash appears.
    void begin();
    // Start-up after the extended warm-up.
    void setupFinished();
    // Acts only once both the splash's progress and the set-up are done.
    void tryFinishColdStartAndEnterTilehall();
    // Asked at most once per user, only from the finish; the answer overwrites the pinch settings.
    // A question dismissed by the process's ending is no answer: nothing changes and it is asked
    // again at the next start. False then (the finish stops there).
    bool promptFourFingerPinchTakeoverIfNeeded();

    bool progressFinished() const { return m_progressFinished; }
    bool isSetupFinished() const { return m_setupFinished; }

private:
    bool isTerminating() const { return m_deps.isTerminating && m_deps.isTerminating(); }
    void setSplashActive(bool active)
    {
        if (m_deps.setSplashActive)
            m_deps.setSplashActive(active);
    }

    Dependencies m_deps;
    bool m_progressFinished = false;
    bool m_setupFinished = false;
    // The callbacks of the splash outlive no finish object.
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};

} // namespace corvanta
