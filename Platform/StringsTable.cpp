#include "Platform/StringsTable.h"

#include "Platform/FileRead.h"
#include "Platform/PropertyList.h"
#include "Platform/PropertyListLimits.h"
#include "Platform/PropertyListTree.h"
#include "Platform/StringsFile.h"

#include <QFile>

namespace corvanta {

namespace {

bool looksLikeXml(const QByteArray& data)
{
    QByteArrayView rest(data);
    if (rest.startsWith("\xEF\xBB\xBF"))
        rest = rest.sliced(3);
    rest = rest.trimmed();
    return rest.startsWith("<");
}

std::optional<QHash<QString, QString>> tableFromPropertyList(const QByteArray& data)
{
    const auto root = PropertyList::parse(data);
    if (!root || root->typeId() != QMetaType::QVariantMap)
        return std::nullopt;
    const QVariantMap map = root->toMap();
    QHash<QString, QString> table;
    table.reserve(map.size());
    for (auto it = map.cbegin(); it != map.cend(); ++it) {
        if (it.value().typeId() != QMetaType::QString)
            return std::nullopt;
        table.insert(it.key(), it.value().toString());
    }
    return table;
}

// The same test as tableFromPropertyList, read on libplist's tree without converting it.
std::optional<QString> valueFromPropertyList(const QByteArray& data, QLatin1StringView key)
{
    const auto list = PropertyListTree::parse(data);
    if (!list || plist_get_node_type(list->root()) != PLIST_DICT)
        return std::nullopt;
    bool allTexts = true;
    QString found;
    list->forEachValue([&](plist_t value) {
        std::optional<QString> text = PropertyListTree::text(value);
        if (!text)
            allTexts = false;
        else if (PropertyListTree::keyIs(value, key.data()))
            found = std::move(*text);
    });
    if (!allTexts)
        return std::nullopt;
    return found;
}

} // namespace

std::optional<QString> stringsTableValue(const QByteArray& data, QLatin1StringView key)
{
    if (data.startsWith("bplist") || looksLikeXml(data))
        return valueFromPropertyList(data, key);
    return stringsFileValue(data, key);
}

std::optional<QHash<QString, QString>> parseStringsTable(const QByteArray& data)
{
    if (data.startsWith("bplist") || looksLikeXml(data))
        return tableFromPropertyList(data);
    return parseStringsFile(data);
}

std::optional<QHash<QString, QString>> readStringsTable(const QString& path)
{
    const auto bytes = readWholeFile(path, PropertyListLimits::maxBytes);
    if (!bytes)
        return std::nullopt;
    return parseStringsTable(*bytes);
}

} // namespace corvanta
