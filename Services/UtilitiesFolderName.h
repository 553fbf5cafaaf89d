#pragma once

#include <QSet>
#include <QString>
#include <QStringList>

#include <optional>

namespace corvanta::UtilitiesFolderName {

// The folder holding one "<language>.lproj/SystemFolderLocalizations.strings" per language.
inline constexpr char systemLocalizationsRoot[] = "/System/Library/CoreServices/SystemFolderLocalizations";

// The localisation folder names tried for one preferred language code, most specific first
// (zh-Hans-CN gives zh-Hans-CN, zh_Hans_CN, zh_CN, zh-Hans, zh_Hans, zh).
QStringList localizationCandidates(const QString& languageCode);

// The non-empty "Utilities" entry of one localisation folder under `root`, if any.
std::optional<QString> localizedValue(const QString& root, const QString& localization);

// The Utilities folder's name for the first of `preferredLanguages` that has one, then English,
// then "Utilities". Reads the files afresh at each call.
QString localizedName(const QString& root, const QStringList& preferredLanguages);

// Every name the Utilities folder has in any language, plus "Utilities"; "Utilities" and
// "实用工具" when `root` cannot be listed.
QSet<QString> knownNames(const QString& root);

} // namespace corvanta::UtilitiesFolderName
