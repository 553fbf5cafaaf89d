#pragma once

#include "Views/SettingsServices.h"

#include <QWidget>

#include <functional>

class QTabWidget;

namespace corvanta {

// The settings window's content: five tabs and, when the host gives a done action, a bottom bar
// with its button.
class SettingsView : public QWidget {
    Q_OBJECT
public:
    static constexpr int width = 500;
    static constexpr int tabHeight = 420;

    SettingsView(SettingsServices services, std::function<void()> onDone, QWidget* parent = nullptr);

    QTabWidget* tabs() const { return m_tabs; }

private:
    QTabWidget* m_tabs = nullptr;
};

} // namespace corvanta
