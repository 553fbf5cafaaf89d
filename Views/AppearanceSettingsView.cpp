#include "Views/AppearanceSettingsView.h"

#include "Models/ColorCodec.h"
#include "Views/SettingsForm.h"
#include "Views/SettingsLabels.h"

#include <QColorDialog>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>

#include <cmath>

namespace corvanta {

AppearanceSettingsView::AppearanceSettingsView(SettingsServices services, QWidget* parent)
    : QWidget(parent), m_services(std::move(services))
{
    using namespace SettingsForm;
    LayoutManager& store = *m_services.layoutManager;
    QVBoxLayout* form = makeForm(this);

    QVBoxLayout* background = addSection(form, QStringLiteral("背景"));
    QComboBox* typePicker = enumPicker(backgroundTypeLabels());
    typePicker->setObjectName(QStringLiteral("backgroundType"));
    addRow(background, QStringLiteral("背景类型"), typePicker);
    bindPicker(typePicker, store, &LayoutConfig::backgroundType);

    m_blurSlider = new QSlider(Qt::Horizontal);
    m_blurSlider->setObjectName(QStringLiteral("blurStrength"));
    m_blurSlider->setRange(0, blurSteps);
    m_blurSlider->setMinimumWidth(220);
    m_blurRow = addRow(background, QStringLiteral("模糊强度"), m_blurSlider);
    // Every value the drag passes through is written; each restarts the store's save wait, so one
    // write follows the end of the drag.
    connect(m_blurSlider, &QSlider::valueChanged, this, [&store](int step) {
        editConfig(store, [step](LayoutConfig& config) { config.blurStrength = double(step) / blurSteps; });
    });

    m_colorButton = new QPushButton;
    m_colorButton->setObjectName(QStringLiteral("backgroundColor"));
    m_colorButton->setFixedSize(44, 22);
    m_colorRow = addRow(background, QStringLiteral("背景颜色"), m_colorButton);
    connect(m_colorButton, &QPushButton::clicked, this, &AppearanceSettingsView::chooseColor);

    QVBoxLayout* theme = addSection(form, QStringLiteral("主题"));
    QComboBox* themeBox = themePicker();
    themeBox->setObjectName(QStringLiteral("theme"));
    addRow(theme, QStringLiteral("外观"), themeBox);
    bindPicker(themeBox, store, &LayoutConfig::theme);
    form->addStretch(1);

    connect(&store, &LayoutManager::configChanged, this, &AppearanceSettingsView::syncFromConfig);
    syncFromConfig();
}

void AppearanceSettingsView::syncFromConfig()
{
    const LayoutConfig& config = m_services.layoutManager->config();
    m_blurRow->setVisible(config.backgroundType == BackgroundType::blur);
    m_colorRow->setVisible(config.backgroundType == BackgroundType::color);
    {
        const QSignalBlocker blocker(m_blurSlider);
        m_blurSlider->setValue(int(std::lround(config.blurStrength * blurSteps)));
    }
    const QColor color = colorFromHex(config.backgroundColor);
    m_colorButton->setStyleSheet(QStringLiteral("background-color: ") + color.name(QColor::HexArgb) + QStringLiteral(";"));
    m_colorButton->setProperty("chosenColor", color);
}

void AppearanceSettingsView::chooseColor()
{
    const QColor current = colorFromHex(m_services.layoutManager->config().backgroundColor);
    const QColor chosen = QColorDialog::getColor(current, this, QStringLiteral("背景颜色"), QColorDialog::ShowAlphaChannel);
    if (chosen.isValid())
        setBackgroundColor(chosen);
}

void AppearanceSettingsView::setBackgroundColor(const QColor& color)
{
    const QColor srgb = color.isValid() ? color.toRgb() : QColor(0, 0, 0, 255);
    const QString hex = toHexString(srgb.isValid() ? srgb : QColor(0, 0, 0, 255));
    SettingsForm::editConfig(*m_services.layoutManager, [&hex](LayoutConfig& config) { config.backgroundColor = hex; });
}

} // namespace corvanta
