#pragma once

#include "Support/Clock.h"

#include <QObject>

namespace corvanta {

// Stops every text caret of the program blinking once nobody has typed, clicked or moved the focus
// for a while, as the GNOME desktop does: an overlay left open and untouched then wakes the
// program for nothing, where a blinking caret repaints twice a second. The caret stays drawn; the
// next key, click or focus change starts the blinking again.
class CaretBlinkTimeout final : public QObject {
public:
    struct Settings {
        bool blinks = true;     // false: no caret ever blinks
        double timeout = 10;    // seconds without input until the blinking stops; 0 or less: never
    };
    // The desktop's "cursor-blink" and "cursor-blink-timeout"; GNOME's defaults where they are missing.
    static Settings desktopSettings();

    // Watches the application's input from now on; the blinking runs for `settings.timeout` first.
    CaretBlinkTimeout(Scheduler& scheduler, Settings settings, QObject* parent = nullptr);
    // Leaves the caret blinking as it was found.
    ~CaretBlinkTimeout() override;

    // New settings take effect at once; a caret allowed to blink again runs a full timeout first.
    void setSettings(Settings settings);
    // Follows the desktop's settings as the user changes them.
    void followDesktopSettings();

    bool isBlinking() const { return m_blinking; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void noteInput();
    void armStop(double delay);
    void setBlinking(bool blinking);

    Scheduler& m_scheduler;
    Settings m_settings;
    int m_flashTime;
    bool m_blinking = true;
    double m_lastInput = 0;
    ScheduledTask m_stop;
};

} // namespace corvanta
