#pragma once

#include "Models/SceneStore.h"

#include <QByteArray>

#include <optional>

namespace corvanta {

// The layout file's JSON: compact, every solidus escaped, non-ASCII as raw UTF-8, upper-case UUIDs.
QByteArray encodeSceneStore(const SceneStore& store);
QByteArray encodeLayout(const TilehallLayout& layout);

// Strict readers: the first missing key, wrong type or invalid value fails the whole document.
// On failure `error` (when given) receives the reason. UUIDs must be canonical (8-4-4-4-12, either
// case); a bundle "url" must be an absolute file URL without host, query or fragment. A reader of
// the layout file tries decodeSceneStore first and decodeLayout (the older single-layout root) next.
std::optional<SceneStore> decodeSceneStore(const QByteArray& json, QString* error = nullptr);
std::optional<TilehallLayout> decodeLayout(const QByteArray& json, QString* error = nullptr);

} // namespace corvanta
