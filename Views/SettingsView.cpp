#include "Views/SettingsView.h"

#include "Views/AdvancedSettingsView.h"
#include "Views/AppearanceSettingsView.h"
#include "Views/BehaviorSettingsView.h"
#include "Views/GeneralSettingsView.h"
#include "Views/LayoutSettingsView.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QIcon>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace corvanta {

SettingsView::SettingsView(SettingsServices services, std::function<void()> onDone, QWidget* parent) : QWidget(parent)
{
    setFixedWidth(width);
    auto* stack = new QVBoxLayout(this);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(0);

    m_tabs = new QTabWidget;
    m_tabs->setObjectName(QStringLiteral("settingsTabs"));
    m_tabs->setFixedSize(width, tabHeight);
    // Desktop theme icons stand in for the symbols; a theme without them shows the titles alone.
    m_tabs->addTab(new GeneralSettingsView(services), QIcon::fromTheme(QStringLiteral("preferences-system")), QStringLiteral("通用"));
    m_tabs->addTab(new AppearanceSettingsView(services), QIcon::fromTheme(QStringLiteral("preferences-desktop-theme")),
                   QStringLiteral("外观"));
    m_tabs->addTab(new LayoutSettingsView(services), QIcon::fromTheme(QStringLiteral("view-grid")), QStringLiteral("布局"));
    m_tabs->addTab(new BehaviorSettingsView(services), QIcon::fromTheme(QStringLiteral("input-touchpad")), QStringLiteral("触发"));
    m_tabs->addTab(new AdvancedSettingsView(services), QIcon::fromTheme(QStringLiteral("preferences-other")), QStringLiteral("高级"));
    stack->addWidget(m_tabs);

    if (onDone) {
        auto* divider = new QFrame;
        divider->setFrameShape(QFrame::HLine);
        divider->setFrameShadow(QFrame::Sunken);
        stack->addWidget(divider);
        auto* bar = new QWidget;
        bar->setAutoFillBackground(true);
        auto* row = new QHBoxLayout(bar);
        row->setContentsMargins(0, 8, 16, 8);
        row->addStretch(1);
        auto* done = new QPushButton(QStringLiteral("完成"));
        done->setObjectName(QStringLiteral("done"));
        done->setDefault(true);
        done->setAutoDefault(true);
        row->addWidget(done);
        stack->addWidget(bar);
        connect(done, &QPushButton::clicked, this, [onDone] { onDone(); });
    }
}

} // namespace corvanta
