#include "Support/RandomId.h"

#include <QRandomGenerator>

#include <array>

namespace corvanta {

QUuid newRandomId()
{
    std::array<quint32, 4> words{};
    QRandomGenerator::global()->fillRange(words.data(), qsizetype(words.size()));
    QUuid id(words[0], ushort(words[1] >> 16), ushort(words[1]), uchar(words[2] >> 24), uchar(words[2] >> 16),
             uchar(words[2] >> 8), uchar(words[2]), uchar(words[3] >> 24), uchar(words[3] >> 16), uchar(words[3] >> 8),
             uchar(words[3]));
    id.data3 = ushort((id.data3 & 0x0FFF) | 0x4000); // version 4: random
    id.data4[0] = uchar((id.data4[0] & 0x3F) | 0x80); // the variant of RFC 4122
    return id;
}

} // namespace corvanta
