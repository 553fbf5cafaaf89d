#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>

#include <optional>

namespace corvanta {

// Property lists in XML or binary form, as QVariant trees: dictionaries are QVariantMap, arrays
// QVariantList, strings QString, integers qint64 (quint64 above its range), reals double, Booleans
// bool, data QByteArray and dates QDateTime (UTC).
class PropertyList {
public:
    // Either form, told apart by the content. Nothing for malformed or empty input, or input
    // beyond PropertyListLimits; then `refusal`, when given, receives which limit.
    static std::optional<QVariant> parse(const QByteArray& data, QString* refusal = nullptr);
    static std::optional<QVariant> readFile(const QString& path);

    static QByteArray toXml(const QVariant& value);
    static QByteArray toBinary(const QVariant& value);

    // True for a Boolean true or a number equal to 1; strings never count.
    static bool isTrue(const QVariant& value);
};

} // namespace corvanta
