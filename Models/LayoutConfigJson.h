#pragma once

#include "Models/LayoutConfig.h"

#include <QByteArray>

#include <optional>

namespace corvanta {

QByteArray encodeLayoutConfig(const LayoutConfig& config);
// Lenient per key, but a wrongly typed value or an unknown case name fails the whole record.
std::optional<LayoutConfig> decodeLayoutConfig(const QByteArray& json, QString* error = nullptr);

} // namespace corvanta
