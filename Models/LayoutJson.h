#pragma once

#include "Models/SceneStore.h"

#include <QByteArray>

#include <optional>

namespace corvanta {

// The layout file's JSON: compact, every solidus escaped, non-ASCII as raw UTF-8, upper-case UUIDs.
QByteArray encodeSceneStore(const SceneStore& store);
QByteArray encodeLayout(const TilehallLayout& layout);

// Strict readers: the first missing key, wrong type or invalid value fails the whole document.
// On failure `error` (when given) receives the reason.
std::optional<SceneStore> decodeSceneStore(const QByteArray& json, QString* error = nullptr);
std::optional<TilehallLayout> decodeLayout(const QByteArray& json, QString* error = nullptr);

} // namespace corvanta
