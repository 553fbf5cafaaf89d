#include "Views/ColdStartSplashWindow.h"

#include "Platform/WindowStack.h"
#include "Support/Logger.h"
#include "Support/QtScheduler.h"
#include "Views/FloatingPanel.h"

#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

#include <algorithm>

namespace corvanta {

ColdStartSplashView::ColdStartSplashView(QWidget* parent) : QWidget(parent)
{
    setFixedSize(width, height);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(18, 18, 18, 18);
    layout->setSpacing(12);
    auto* headline = new QLabel(QStringLiteral("正在准备瓦厅…"), this);
    QFont headlineFont = headline->font();
    headlineFont.setBold(true);
    headline->setFont(headlineFont);
    m_bar = new QProgressBar(this);
    m_bar->setRange(0, 1000);
    m_bar->setTextVisible(false);
    m_caption = new QLabel(this);
    QFont captionFont = m_caption->font();
    captionFont.setPointSizeF(captionFont.pointSizeF() * 0.85);
    m_caption->setFont(captionFont);
    m_caption->setForegroundRole(QPalette::PlaceholderText);
    layout->addWidget(headline);
    layout->addWidget(m_bar);
    layout->addWidget(m_caption);
    setProgress(0);
}

void ColdStartSplashView::setProgress(double progress)
{
    m_progress = std::clamp(progress, 0.0, 1.0);
    m_bar->setValue(int(m_progress * 1000 + 0.5));
    m_caption->setText(m_progress >= 0.999 ? QStringLiteral("即将打开") : QStringLiteral("加载中"));
}

QString ColdStartSplashView::caption() const { return m_caption->text(); }

ColdStartSplashWindowController::ColdStartSplashWindowController(Scheduler& scheduler, WindowStack& stack, QObject* parent)
    : QObject(parent), m_scheduler(scheduler), m_stack(stack), m_ticker(scheduler)
{
}

ColdStartSplashWindowController::~ColdStartSplashWindowController() { delete m_panel; }

ColdStartSplashWindowController& ColdStartSplashWindowController::shared()
{
    static ColdStartSplashWindowController* controller = new ColdStartSplashWindowController(QtScheduler::shared(), WindowStack::shared());
    return *controller;
}

bool ColdStartSplashWindowController::isVisible() const { return m_panel && m_panel->isVisible(); }

double ColdStartSplashWindowController::progress() const { return m_view ? m_view->progress() : 0; }

void ColdStartSplashWindowController::present(std::function<void()> completion)
{
    m_completion = std::move(completion);
    m_finishWorkItem.cancel();
    if (!m_panel) {
        m_view = new ColdStartSplashView;
        m_panel = new FloatingPanel(m_view, false, m_stack);
    }
    m_view->setProgress(0);
    m_panel->orderFrontAsKey();
    CLOG_INFO(QStringLiteral("阶段154/155：展示冷启动进度小窗（%1s）").arg(QString::number(progressDuration, 'f', 1)));

    // The bar fills linearly, frame by frame.
    m_progressStart = m_scheduler.now();
    QPointer<ColdStartSplashWindowController> self(this);
    m_ticker.start([self](double frameTime) {
        if (!self || !self->m_view)
            return;
        const double progress = (frameTime - self->m_progressStart) / progressDuration;
        self->m_view->setProgress(progress);
        if (progress >= 1)
            self->m_ticker.stop();
    });
    m_finishWorkItem = ScheduledTask(&m_scheduler, m_scheduler.schedule(progressDuration, [self] {
        if (self)
            self->notifyProgressFinished();
    }));
}

void ColdStartSplashWindowController::notifyProgressFinished()
{
    m_finishWorkItem = ScheduledTask();
    m_ticker.stop();
    if (m_view)
        m_view->setProgress(1);
    auto completion = std::move(m_completion);
    m_completion = nullptr;
    CLOG_INFO(QStringLiteral("阶段154/155：冷启动进度完成"));
    if (completion)
        completion();
}

void ColdStartSplashWindowController::dismiss()
{
    m_finishWorkItem.cancel();
    m_ticker.stop();
    if (m_panel)
        m_panel->orderOut();
    if (m_view)
        m_view->setProgress(0);
}

} // namespace corvanta
