#pragma once

#include "Models/LayoutConfig.h"
#include "Services/LayoutManager.h"

#include <QComboBox>

#include <QColor>
#include <QString>

#include <functional>

class QBoxLayout;
class QComboBox;
class QGroupBox;
class QLabel;
class QVBoxLayout;
class QWidget;

namespace corvanta {

class LayoutManager;

// Building blocks shared by the settings tabs: a grouped form of titled sections, caption texts,
// and the one way a control changes the settings.
namespace SettingsForm {

inline const QColor secondaryColor{0x80, 0x80, 0x80};
inline const QColor orangeColor{0xFF, 0x95, 0x00};
inline const QColor redColor{0xFF, 0x3B, 0x30};

// A scrollable grouped form: the returned layout takes the sections.
QVBoxLayout* makeForm(QWidget* tab);
// A titled section appended to `form`; its own layout takes the rows.
QVBoxLayout* addSection(QVBoxLayout* form, const QString& title);
// Small wrapping text in the given colour (the secondary grey by default).
QLabel* caption(const QString& text, const QColor& color = secondaryColor);
// A caption preceded by a standard warning or error symbol.
QWidget* symbolCaption(bool error, QLabel** textLabel, const QColor& color);
// A labelled row holding `control`, appended to `section`; hide the row to hide both.
QWidget* addRow(QVBoxLayout* section, const QString& label, QWidget* control);

// Every control edits one field: write it into the store's record (every observer sees it at once),
// then ask for the debounced save.
void editConfig(LayoutManager& store, const std::function<void(LayoutConfig&)>& change);

// Selects the entry whose data equals `value` without emitting a change (none when absent).
void selectData(QComboBox* box, int value);

// Keeps an enum picker on one field of the record: a choice writes the field and saves, then runs
// `after`; a change made elsewhere shows at once.
template <typename Enum>
void bindPicker(QComboBox* box, LayoutManager& store, Enum LayoutConfig::*field,
                std::function<void(Enum)> after = {})
{
    QObject::connect(box, &QComboBox::activated, box, [box, &store, field, after](int index) {
        const auto value = Enum(box->itemData(index).toInt());
        editConfig(store, [&](LayoutConfig& config) { config.*field = value; });
        if (after)
            after(value);
    });
    const auto sync = [box, &store, field] { selectData(box, int(store.config().*field)); };
    QObject::connect(&store, &LayoutManager::configChanged, box, sync);
    sync();
}

} // namespace SettingsForm
} // namespace corvanta
