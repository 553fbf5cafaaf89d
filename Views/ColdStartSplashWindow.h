#pragma once

#include "Support/Clock.h"
#include "Views/FloatingPanel.h"
#include "Support/FrameTicker.h"

#include <QObject>
#include <QPointer>
#include <QWidget>

#include <functional>

class QLabel;
class QProgressBar;

namespace corvanta {

class WindowStack;

// The splash's content: a headline, a progress bar and a caption that turns to "即将打开" at the end.
class ColdStartSplashView : public QWidget {
    Q_OBJECT
public:
    static constexpr int width = 300;
    static constexpr int height = 112;

    explicit ColdStartSplashView(QWidget* parent = nullptr);
    void setProgress(double progress);
    double progress() const { return m_progress; }
    QString caption() const;

private:
    double m_progress = 0;
    QProgressBar* m_bar = nullptr;
    QLabel* m_caption = nullptr;
};

// The small panel a start by hand shows while the grid is prepared behind it: its bar fills in
// 0.9 s, then it tells its owner once; it stays up until dismissed.
class ColdStartSplashWindowController : public QObject {
    Q_OBJECT
public:
    static constexpr double progressDuration = 0.9;

    ColdStartSplashWindowController(Scheduler& scheduler, WindowStack& stack, QObject* parent = nullptr);
    ~ColdStartSplashWindowController() override;
    static ColdStartSplashWindowController& shared();

    // Shows the splash; `completion` runs once, 0.9 s later, unless presented again or dismissed
    // before (a later present replaces it).
    void present(std::function<void()> completion);
    // Hides it without calling the completion; the panel stays for reuse.
    void dismiss();

    bool isVisible() const;
    double progress() const;
    ColdStartSplashView* view() const { return m_view; }
    FloatingPanel* panel() const { return m_panel; }

private:
    void notifyProgressFinished();

    Scheduler& m_scheduler;
    WindowStack& m_stack;
    FrameTicker m_ticker;
    QPointer<FloatingPanel> m_panel;
    ColdStartSplashView* m_view = nullptr;
    std::function<void()> m_completion;
    ScheduledTask m_finishWorkItem;
    double m_progressStart = 0;
};

} // namespace corvanta
