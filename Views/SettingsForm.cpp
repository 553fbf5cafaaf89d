#include "Views/SettingsForm.h"

#include "Services/LayoutManager.h"

#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QStyle>
#include <QVBoxLayout>

namespace corvanta::SettingsForm {

QVBoxLayout* makeForm(QWidget* tab)
{
    auto* outer = new QVBoxLayout(tab);
    outer->setContentsMargins(0, 0, 0, 0);
    auto* scroll = new QScrollArea(tab);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    // The keyboard goes from the tab bar straight to the first control.
    scroll->setFocusPolicy(Qt::NoFocus);
    auto* body = new QWidget(scroll);
    auto* form = new QVBoxLayout(body);
    form->setContentsMargins(16, 12, 16, 12);
    form->setSpacing(12);
    scroll->setWidget(body);
    outer->addWidget(scroll);
    return form;
}

QVBoxLayout* addSection(QVBoxLayout* form, const QString& title)
{
    auto* box = new QGroupBox(title);
    auto* rows = new QVBoxLayout(box);
    rows->setSpacing(6);
    form->addWidget(box);
    return rows;
}

QLabel* caption(const QString& text, const QColor& color)
{
    auto* label = new QLabel(text);
    label->setWordWrap(true);
    QFont font = label->font();
    font.setPointSizeF(font.pointSizeF() * 0.85);
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, color);
    label->setPalette(palette);
    return label;
}

QWidget* symbolCaption(bool error, QLabel** textLabel, const QColor& color)
{
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* symbol = new QLabel(row);
    const QStyle::StandardPixmap pixmap = error ? QStyle::SP_MessageBoxCritical : QStyle::SP_MessageBoxWarning;
    symbol->setPixmap(QApplication::style()->standardIcon(pixmap).pixmap(14, 14));
    layout->addWidget(symbol, 0, Qt::AlignTop);
    *textLabel = caption(QString(), color);
    layout->addWidget(*textLabel, 1);
    return row;
}

QWidget* addRow(QVBoxLayout* section, const QString& label, QWidget* control)
{
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(new QLabel(label));
    layout->addStretch(1);
    layout->addWidget(control);
    section->addWidget(row);
    return row;
}

void editConfig(LayoutManager& store, const std::function<void(LayoutConfig&)>& change)
{
    LayoutConfig config = store.config();
    change(config);
    store.setConfig(config);
    store.save();
}

void selectData(QComboBox* box, int value)
{
    const QSignalBlocker blocker(box);
    box->setCurrentIndex(box->findData(value));
}

} // namespace corvanta::SettingsForm
