// Info.plist, InfoPlist.strings and the wallpaper index come from other people's files: whatever
// the bytes, reading them returns a value or nothing, and a value we read we can write back and
// read again. The scanner's reader of a few keys says what the whole list converted says.
#include "FuzzCheck.h"

#include "Platform/PropertyList.h"
#include "Platform/PropertyListTree.h"

#include <array>
#include <cstddef>
#include <cstdint>

using corvanta::PropertyList;
using corvanta::PropertyListTree;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    const auto value = PropertyList::parse(bytes);
    if (value)
        FUZZ_CHECK(PropertyList::parse(PropertyList::toBinary(*value)).has_value());

    const auto tree = PropertyListTree::parse(bytes);
    if (value)
        FUZZ_CHECK(tree.has_value());
    if (!tree || !value)
        return 0;
    static constexpr std::array<const char*, 3> kKeys = {"CFBundleIdentifier", "CFBundleName", "LSUIElement"};
    std::array<plist_t, kKeys.size()> found{};
    tree->dictionaryValues(kKeys, found);
    const QVariantMap whole = value->toMap();
    for (size_t i = 0; i < kKeys.size(); ++i) {
        const QVariant converted = whole.value(QString::fromLatin1(kKeys[i]));
        const auto text = PropertyListTree::text(found[i]);
        if (converted.typeId() == QMetaType::QString)
            FUZZ_CHECK(text && *text == converted.toString());
        (void)PropertyListTree::isTrue(found[i]);
    }
    return 0;
}
