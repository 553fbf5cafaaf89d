#include "Platform/StringsFile.h"
#include "Platform/StringsTable.h"

#include <cstddef>
#include <cstdint>

// Localisation tables come from arbitrary application bundles: whatever the bytes, reading one
// must return (a table or nothing) without crashing or hanging.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    (void)corvanta::parseStringsFile(bytes);
    // Text that is neither binary nor XML goes through the same parser by way of the table reader.
    if (!bytes.startsWith("bplist") && !bytes.trimmed().startsWith("<"))
        (void)corvanta::parseStringsTable(bytes);
    return 0;
}
