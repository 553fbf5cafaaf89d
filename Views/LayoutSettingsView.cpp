#include "Views/LayoutSettingsView.h"

#include "Support/Logger.h"
#include "Views/SettingsForm.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>

namespace corvanta {

namespace {

QSpinBox* stepper(QVBoxLayout* section, QLabel** label, int maximum, const QString& name)
{
    auto* row = new QHBoxLayout;
    *label = new QLabel;
    row->addWidget(*label);
    row->addStretch(1);
    auto* box = new QSpinBox;
    box->setObjectName(name);
    box->setRange(1, maximum);
    row->addWidget(box);
    section->addLayout(row);
    return box;
}

} // namespace

QList<std::pair<QString, double>> LayoutSettingsView::iconScales()
{
    return {{QStringLiteral("小"), 0.9}, {QStringLiteral("标准"), 1.0}, {QStringLiteral("大"), 1.15}, {QStringLiteral("特大"), 1.3}};
}

LayoutSettingsView::LayoutSettingsView(SettingsServices services, QWidget* parent)
    : QWidget(parent), m_services(std::move(services))
{
    using namespace SettingsForm;
    LayoutManager& store = *m_services.layoutManager;
    QVBoxLayout* form = makeForm(this);

    QVBoxLayout* grid = addSection(form, QStringLiteral("网格"));
    m_rows = stepper(grid, &m_rowsLabel, maxRows, QStringLiteral("rows"));
    m_columns = stepper(grid, &m_columnsLabel, maxColumns, QStringLiteral("columns"));
    connect(m_rows, &QSpinBox::valueChanged, this, [&store](int value) {
        editConfig(store, [value](LayoutConfig& config) { config.rows = std::max(value, 1); });
    });
    connect(m_columns, &QSpinBox::valueChanged, this, [&store](int value) {
        editConfig(store, [value](LayoutConfig& config) { config.columns = std::max(value, 1); });
    });

    auto* segments = new QWidget;
    auto* segmentsLayout = new QHBoxLayout(segments);
    segmentsLayout->setContentsMargins(0, 0, 0, 0);
    segmentsLayout->setSpacing(0);
    m_scales = new QButtonGroup(this);
    const auto scales = iconScales();
    for (int i = 0; i < scales.size(); ++i) {
        auto* button = new QPushButton(scales[i].first);
        button->setCheckable(true);
        button->setObjectName(QStringLiteral("iconScale%1").arg(i));
        m_scales->addButton(button, i);
        segmentsLayout->addWidget(button);
    }
    addRow(grid, QStringLiteral("图标大小"), segments);
    connect(m_scales, &QButtonGroup::idClicked, this, [&store](int id) {
        const double scale = iconScales().value(id).second;
        editConfig(store, [scale](LayoutConfig& config) { config.iconScale = scale; });
    });

    QVBoxLayout* pages = addSection(form, QStringLiteral("页面"));
    auto* compact = new QPushButton(QStringLiteral("整理紧凑页面"));
    compact->setObjectName(QStringLiteral("compactPages"));
    pages->addWidget(compact, 0, Qt::AlignLeft);
    auto* reset = new QPushButton(QStringLiteral("重置布局"));
    reset->setObjectName(QStringLiteral("resetLayout"));
    pages->addWidget(reset, 0, Qt::AlignLeft);
    connect(compact, &QPushButton::clicked, this, [&store] { store.compactPages(); });
    connect(reset, &QPushButton::clicked, this, &LayoutSettingsView::resetLayout);
    form->addStretch(1);

    connect(&store, &LayoutManager::configChanged, this, &LayoutSettingsView::syncFromConfig);
    syncFromConfig();
}

void LayoutSettingsView::resetLayout()
{
    // The reset throws away every folder and arrangement of the scene: never on a single slip.
    if (!m_services.confirmResetLayout || !m_services.confirmResetLayout()) {
        CLOG_INFO(QStringLiteral("设置页重置布局 — 用户取消"));
        return;
    }
    m_services.layoutManager->resetLayout();
}

void LayoutSettingsView::syncFromConfig()
{
    const LayoutConfig& config = m_services.layoutManager->config();
    {
        const QSignalBlocker rows(m_rows);
        const QSignalBlocker columns(m_columns);
        m_rows->setValue(config.rows);
        m_columns->setValue(config.columns);
    }
    m_rowsLabel->setText(QStringLiteral("行数: ") + QString::number(config.rows));
    m_columnsLabel->setText(QStringLiteral("列数: ") + QString::number(config.columns));
    // A stored scale that is none of the segments leaves none selected.
    m_scales->setExclusive(false);
    const auto scales = iconScales();
    for (int i = 0; i < scales.size(); ++i)
        m_scales->button(i)->setChecked(qFuzzyCompare(scales[i].second, config.iconScale));
    m_scales->setExclusive(true);
}

} // namespace corvanta
