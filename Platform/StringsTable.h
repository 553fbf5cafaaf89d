#pragma once

#include <QHash>
#include <QLatin1StringView>
#include <QString>

#include <optional>

namespace corvanta {

// A localisation table such as InfoPlist.strings, in whichever form it was written: a binary or
// XML property list, or the "key" = "value"; text form. Nothing when the file is missing, does not
// parse, or is not a dictionary whose every value is a text.
std::optional<QHash<QString, QString>> readStringsTable(const QString& path);
std::optional<QHash<QString, QString>> parseStringsTable(const QByteArray& data);
// The value of one key (ASCII) of such a table, empty when the table lacks it; nothing when the
// table would read as nothing. Cheaper than the whole table when one value is wanted.
std::optional<QString> stringsTableValue(const QByteArray& data, QLatin1StringView key);

} // namespace corvanta
