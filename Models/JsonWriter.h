#pragma once

#include <QByteArray>
#include <QStringView>
#include <QUuid>

namespace corvanta::json {

// Appenders for the one compact JSON form every document of the program is written in: no
// whitespace, each solidus escaped, non-ASCII as raw UTF-8, UUIDs in upper case.

// A JSON string. Control characters use the short escapes where JSON has one and \u00XX
// otherwise; an unpaired surrogate is escaped as \uXXXX so that it survives the round trip.
void appendString(QByteArray& out, QStringView text);
// A JSON string from text that is already ASCII (an encoded URL).
void appendAsciiString(QByteArray& out, QByteArrayView ascii);
// A UUID string in the canonical 8-4-4-4-12 form, upper case.
void appendUuid(QByteArray& out, const QUuid& id);
void appendBool(QByteArray& out, bool value);
void appendInt(QByteArray& out, qint64 value);
// The shortest text that reads back as the same double; a value JSON cannot hold (NaN, infinity)
// is written as null, which readers take as "absent".
void appendDouble(QByteArray& out, double value);

} // namespace corvanta::json
