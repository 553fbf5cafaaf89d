#include "Platform/PropertyListTree.h"

#include "Platform/BinaryPlistStrings.h"
#include "Platform/PropertyListLimits.h"

#include <limits>

namespace corvanta {

std::optional<PropertyListTree> PropertyListTree::parse(QByteArrayView data, QString* refusal)
{
    if (data.isEmpty())
        return std::nullopt;
    if (QString violation = propertyListLimitViolation(data); !violation.isEmpty()) {
        if (refusal)
            *refusal = violation;
        return std::nullopt;
    }
    plist_t root = nullptr;
    if (plist_is_binary(data.data(), uint32_t(data.size()))) {
        if (!binaryPlistStringsAreClean(data))
            return std::nullopt;
        plist_from_bin(data.data(), uint32_t(data.size()), &root);
    } else {
        plist_from_xml(data.data(), uint32_t(data.size()), &root);
    }
    if (!root)
        return std::nullopt;
    return PropertyListTree(root);
}

PropertyListTree::~PropertyListTree()
{
    if (m_root)
        plist_free(m_root);
}

qsizetype PropertyListTree::dictionarySize() const
{
    return plist_get_node_type(m_root) == PLIST_DICT ? qsizetype(plist_dict_get_size(m_root)) : 0;
}

bool PropertyListTree::keyIs(plist_t value, const char* key)
{
    const plist_t keyNode = plist_dict_item_get_key(value);
    return keyNode && plist_key_val_compare(keyNode, key) == 0;
}

void PropertyListTree::dictionaryValues(std::span<const char* const> keys, std::span<plist_t> values) const
{
    for (plist_t& value : values)
        value = nullptr;
    forEachValue([&](plist_t value) {
        const plist_t key = plist_dict_item_get_key(value);
        for (size_t i = 0; key && i < keys.size() && i < values.size(); ++i) {
            if (plist_key_val_compare(key, keys[i]) == 0) {
                values[i] = value;
                break;
            }
        }
    });
}

std::optional<QString> PropertyListTree::text(plist_t node)
{
    switch (plist_get_node_type(node)) {
    case PLIST_STRING: {
        uint64_t length = 0;
        const char* text = plist_get_string_ptr(node, &length);
        return text && length <= uint64_t(std::numeric_limits<int32_t>::max()) ? QString::fromUtf8(text, qsizetype(length))
                                                                               : QString();
    }
    case PLIST_KEY:
        return QString();
    default:
        return std::nullopt;
    }
}

bool PropertyListTree::isTrue(plist_t node)
{
    switch (plist_get_node_type(node)) {
    case PLIST_BOOLEAN: {
        uint8_t value = 0;
        plist_get_bool_val(node, &value);
        return value != 0;
    }
    case PLIST_UINT: {
        uint64_t value = 0;
        plist_get_uint_val(node, &value);
        return value == 1;
    }
    case PLIST_REAL: {
        double value = 0;
        plist_get_real_val(node, &value);
        return value == 1.0;
    }
    case PLIST_UID: {
        uint64_t value = 0;
        plist_get_uid_val(node, &value);
        return value == 1;
    }
    default:
        return false;
    }
}

} // namespace corvanta
