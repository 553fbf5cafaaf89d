// Info.plist, InfoPlist.strings and the wallpaper index come from other people's files: whatever
// the bytes, reading them returns a value or nothing, and a value we read we can write back and
// read again.
#include "FuzzCheck.h"

#include "Platform/PropertyList.h"

#include <cstddef>
#include <cstdint>

using corvanta::PropertyList;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    if (const auto value = PropertyList::parse(bytes))
        FUZZ_CHECK(PropertyList::parse(PropertyList::toBinary(*value)).has_value());
    return 0;
}
