#include "Platform/PropertyList.h"

#include "Platform/FileRead.h"
#include "Platform/PropertyListLimits.h"
#include "Platform/PropertyListTree.h"
#include "Support/Logger.h"

#include <QDateTime>
#include <QFile>
#include <QTimeZone>

#include <cstdlib>
#include <limits>
#include <memory>

namespace corvanta {

namespace {

// Property-list dates count seconds from 2001-01-01 00:00:00 UTC.
constexpr qint64 kReferenceEpochSeconds = 978307200;

struct PlistDeleter {
    void operator()(void* node) const { plist_free(static_cast<plist_t>(node)); }
};
using PlistPtr = std::unique_ptr<void, PlistDeleter>;

QVariant toVariant(plist_t node, int depth)
{
    // The limits were checked before libplist read the bytes; this keeps the recursion bounded
    // whatever it built.
    if (!node || depth > PropertyListLimits::maxDepth)
        return {};
    switch (plist_get_node_type(node)) {
    case PLIST_BOOLEAN: {
        uint8_t value = 0;
        plist_get_bool_val(node, &value);
        return bool(value);
    }
    case PLIST_UINT: {
        uint64_t value = 0;
        plist_get_uint_val(node, &value);
        if (value > uint64_t(std::numeric_limits<qint64>::max()))
            return QVariant::fromValue<quint64>(value);
        return QVariant::fromValue<qint64>(qint64(value));
    }
    case PLIST_REAL: {
        double value = 0;
        plist_get_real_val(node, &value);
        return value;
    }
    case PLIST_STRING:
    case PLIST_KEY:
        // Keys are read by the dictionary walk below; a key in a value's place is malformed (and
        // its getter asserts on content).
        return *PropertyListTree::text(node);
    case PLIST_DATA: {
        char* bytes = nullptr;
        uint64_t length = 0;
        plist_get_data_val(node, &bytes, &length);
        const QByteArray out(bytes, qsizetype(length));
        std::free(bytes);
        return out;
    }
    case PLIST_DATE: {
        int32_t seconds = 0;
        int32_t micros = 0;
        plist_get_date_val(node, &seconds, &micros);
        const qint64 ms = (kReferenceEpochSeconds + seconds) * 1000 + micros / 1000;
        return QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC);
    }
    case PLIST_UID: {
        uint64_t value = 0;
        plist_get_uid_val(node, &value);
        return QVariant::fromValue<quint64>(value);
    }
    case PLIST_ARRAY: {
        QVariantList out;
        const uint32_t count = plist_array_get_size(node);
        out.reserve(count);
        for (uint32_t i = 0; i < count; ++i)
            out.append(toVariant(plist_array_get_item(node, i), depth + 1));
        return out;
    }
    case PLIST_DICT: {
        QVariantMap out;
        plist_dict_iter iter = nullptr;
        plist_dict_new_iter(node, &iter);
        if (!iter)
            return out;
        for (;;) {
            char* key = nullptr;
            plist_t value = nullptr;
            plist_dict_next_item(node, iter, &key, &value);
            if (!key)
                break;
            out.insert(QString::fromUtf8(key), toVariant(value, depth + 1));
            std::free(key);
        }
        std::free(iter);
        return out;
    }
    case PLIST_NONE:
        break;
    }
    return {};
}

plist_t fromVariant(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::Bool:
        return plist_new_bool(value.toBool() ? 1 : 0);
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        return plist_new_uint(value.toULongLong());
    case QMetaType::Double:
    case QMetaType::Float:
        return plist_new_real(value.toDouble());
    case QMetaType::QByteArray: {
        const QByteArray bytes = value.toByteArray();
        return plist_new_data(bytes.constData(), uint64_t(bytes.size()));
    }
    case QMetaType::QDateTime: {
        const qint64 ms = value.toDateTime().toMSecsSinceEpoch() - kReferenceEpochSeconds * 1000;
        return plist_new_date(int32_t(ms / 1000), int32_t((ms % 1000) * 1000));
    }
    case QMetaType::QVariantList:
    case QMetaType::QStringList: {
        plist_t array = plist_new_array();
        for (const QVariant& item : value.toList())
            plist_array_append_item(array, fromVariant(item));
        return array;
    }
    case QMetaType::QVariantMap: {
        plist_t dict = plist_new_dict();
        const QVariantMap map = value.toMap();
        for (auto it = map.cbegin(); it != map.cend(); ++it)
            plist_dict_set_item(dict, it.key().toUtf8().constData(), fromVariant(it.value()));
        return dict;
    }
    default:
        return plist_new_string(value.toString().toUtf8().constData());
    }
}

// Writes `value` with one of libplist's serializers and copies the text out before freeing it.
template <typename Write, typename Free> QByteArray serialize(const QVariant& value, Write write, Free release)
{
    PlistPtr root(fromVariant(value));
    char* data = nullptr;
    uint32_t length = 0;
    write(static_cast<plist_t>(root.get()), &data, &length);
    const QByteArray out(data, qsizetype(length));
    release(data);
    return out;
}

} // namespace

std::optional<QVariant> PropertyList::parse(const QByteArray& data, QString* refusal)
{
    const std::optional<PropertyListTree> tree = PropertyListTree::parse(data, refusal);
    if (!tree)
        return std::nullopt;
    QVariant out = toVariant(tree->root(), 0);
    if (!out.isValid())
        return std::nullopt;
    return out;
}

std::optional<QVariant> PropertyList::readFile(const QString& path)
{
    const auto bytes = readWholeFile(path, PropertyListLimits::maxBytes);
    if (!bytes)
        return std::nullopt;
    QString refusal;
    std::optional<QVariant> out = parse(*bytes, &refusal);
    if (!refusal.isEmpty())
        CLOG_WARN(QStringLiteral("属性列表未读取（") + refusal + QStringLiteral("）：") + path);
    return out;
}

QByteArray PropertyList::toXml(const QVariant& value)
{
    return serialize(value, plist_to_xml, plist_to_xml_free);
}

QByteArray PropertyList::toBinary(const QVariant& value)
{
    return serialize(value, plist_to_bin, plist_to_bin_free);
}

bool PropertyList::isTrue(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::Bool:
        return value.toBool();
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Float:
        return value.toDouble() == 1.0;
    default:
        return false;
    }
}

} // namespace corvanta
