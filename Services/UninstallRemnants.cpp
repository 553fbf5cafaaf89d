#include "Services/UninstallRemnants.h"

#include "Services/UninstallGuard.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace corvanta::Uninstall {

namespace {

constexpr qsizetype kMaxPathLength = 4096;
constexpr qsizetype kMaxIdentifierLength = 255;

// The file stores numbers as decimal texts: JSON numbers lose precision beyond 2^53.
quint64 decimal(const QJsonValue& value)
{
    const QString text = value.toString();
    if (text.isEmpty() || text.size() > 20)
        return 0;
    for (const QChar c : text)
        if (c < u'0' || c > u'9')
            return 0;
    bool ok = false;
    const quint64 number = text.toULongLong(&ok);
    return ok ? number : 0;
}

// What a bundle identifier may hold; an identifier is compared with the catalogue's and may be
// shown, so control characters and odd texts never come back from the file. A remnant without one
// would vouch for any folder.
bool isPlausibleIdentifier(const QString& identifier)
{
    if (identifier.isEmpty() || identifier.size() > kMaxIdentifierLength)
        return false;
    for (const QChar c : identifier)
        if (!(c.isLetterOrNumber() || c == u'.' || c == u'-' || c == u'_') || c.unicode() > 0x7f)
            return false;
    return true;
}

bool hasControlCharacter(const QString& text)
{
    for (const QChar c : text)
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            return true;
    return false;
}

} // namespace

QList<RemnantRecord> parseRemnants(const QByteArray& bytes, qsizetype maxRecords)
{
    QList<RemnantRecord> records;
    if (bytes.size() > kMaxRemnantsBytes)
        return records;
    const QJsonDocument document = QJsonDocument::fromJson(bytes);
    for (const QJsonValue& value : document.object().value(QStringLiteral("remnants")).toArray()) {
        if (records.size() >= maxRecords)
            break;
        const QJsonObject record = value.toObject();
        RemnantRecord remnant{record.value(QStringLiteral("path")).toString(),
                              FileIdentity{decimal(record.value(QStringLiteral("device"))),
                                           decimal(record.value(QStringLiteral("inode")))},
                              record.value(QStringLiteral("identifier")).toString()};
        if (remnant.path.size() > kMaxPathLength || !remnant.path.startsWith(u'/') || hasControlCharacter(remnant.path)
            || standardizePath(remnant.path, QString()) != remnant.path || !remnant.identity.isValid()
            || !isPlausibleIdentifier(remnant.identifier))
            continue;
        records << remnant;
    }
    return records;
}

QByteArray serializeRemnants(const QList<RemnantRecord>& records)
{
    QJsonArray array;
    for (const RemnantRecord& record : records)
        array.append(QJsonObject{{QStringLiteral("path"), record.path},
                                 {QStringLiteral("device"), QString::number(record.identity.device)},
                                 {QStringLiteral("inode"), QString::number(record.identity.inode)},
                                 {QStringLiteral("identifier"), record.identifier}});
    return QJsonDocument(QJsonObject{{QStringLiteral("remnants"), array}}).toJson(QJsonDocument::Compact);
}

} // namespace corvanta::Uninstall
