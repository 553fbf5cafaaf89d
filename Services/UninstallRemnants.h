#pragma once

#include "Services/UninstallRecords.h"

#include <QByteArray>
#include <QList>
#include <QString>

namespace corvanta::Uninstall {

// A bundle whose deletion stopped part-way: the folder (by device and inode) and the identifier it
// had while its Info.plist was there.
struct RemnantRecord {
    QString path;
    FileIdentity identity;
    QString identifier;
};

// The remembered remnants file lies in the user's folders, so anything may be in it: at most
// `maxRecords` records are kept, each with an absolute standardised path, a valid identity and a
// plausible identifier; anything else is dropped. Bytes beyond the size bound yield nothing.
QList<RemnantRecord> parseRemnants(const QByteArray& bytes, qsizetype maxRecords);
QByteArray serializeRemnants(const QList<RemnantRecord>& records);

constexpr qsizetype kMaxRemnantsBytes = 256 * 1024;

} // namespace corvanta::Uninstall
