#pragma once

#include "Views/SettingsServices.h"

#include <QWidget>

class QLabel;

namespace corvanta {

// The "高级" tab: backup and restore of the layout, and a few facts about the catalogue.
class AdvancedSettingsView : public QWidget {
    Q_OBJECT
public:
    explicit AdvancedSettingsView(SettingsServices services, QWidget* parent = nullptr);

    // Both ask for a file first; a failure is shown, a cancelled choice does nothing.
    void backupLayout();
    void restoreLayout();

private:
    void syncInfo();

    SettingsServices m_services;
    QLabel* m_appCount = nullptr;
    QLabel* m_pageCount = nullptr;
    QLabel* m_hiddenCount = nullptr;
};

} // namespace corvanta
