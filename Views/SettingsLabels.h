#pragma once

#include "Models/LayoutConfig.h"
#include "Services/GestureRecognitionSource.h"

#include <QList>
#include <QString>

#include <utility>

class QComboBox;

namespace corvanta {

// The labels the settings window shows for each choice, in the enums' declaration order.
QList<std::pair<TilehallTheme, QString>> themeLabels();
QList<std::pair<BackgroundType, QString>> backgroundTypeLabels();
QList<std::pair<ScreenPreference, QString>> screenPreferenceLabels();
QList<std::pair<HotCorner, QString>> hotCornerLabels();
QList<std::pair<TrackpadGesture, QString>> trackpadGestureLabels();
QString gestureSourceLabel(GestureRecognitionSource source);

// A picker over `labels`, each entry carrying the enum value as its data.
template <typename Enum> QComboBox* enumPicker(const QList<std::pair<Enum, QString>>& labels);
QComboBox* themePicker();

} // namespace corvanta
