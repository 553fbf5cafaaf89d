#pragma once

#include "Views/SettingsServices.h"

#include <QWidget>

class QButtonGroup;
class QLabel;
class QSpinBox;

namespace corvanta {

// The "布局" tab: rows, columns and icon scale, page compaction and the layout reset.
class LayoutSettingsView : public QWidget {
    Q_OBJECT
public:
    static constexpr int maxRows = 10;
    static constexpr int maxColumns = 12;
    // The icon scale segments, left to right.
    static QList<std::pair<QString, double>> iconScales();

    explicit LayoutSettingsView(SettingsServices services, QWidget* parent = nullptr);

    // Asks first: the reset cannot be undone.
    void resetLayout();

private:
    void syncFromConfig();

    SettingsServices m_services;
    QLabel* m_rowsLabel = nullptr;
    QSpinBox* m_rows = nullptr;
    QLabel* m_columnsLabel = nullptr;
    QSpinBox* m_columns = nullptr;
    QButtonGroup* m_scales = nullptr;
};

} // namespace corvanta
