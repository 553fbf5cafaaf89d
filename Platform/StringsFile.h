#pragma once

#include <QByteArray>
#include <QHash>
#include <QLatin1StringView>
#include <QString>

#include <optional>

namespace corvanta {

// Reader of localisation tables in the "strings" text form:
//
//     /* comment */
//     "key" = "value";
//     // line comment
//     unquotedKey = "value";
//     "sameAsKey";
//
// The bytes are UTF-16 when they start with a byte-order mark (either order), otherwise UTF-8
// (a UTF-8 mark is skipped). Quoted texts understand \n \t \r \" \' \\ \a \b \f \v, octal
// escapes of up to three digits and \Uxxxx / \uxxxx. One pair of braces around the whole table is
// accepted. Later duplicates of a key win. Any syntax error or undecodable byte yields nothing;
// the parser never reads past the input and always moves forward, so it cannot hang.
std::optional<QHash<QString, QString>> parseStringsFile(const QByteArray& data);
// The value of one key of such a table, empty when the table lacks it; nothing when the table does
// not parse. Cheaper than the whole table when one value is wanted.
std::optional<QString> stringsFileValue(const QByteArray& data, QLatin1StringView key);

} // namespace corvanta
