#include "FuzzCheck.h"

#include "Platform/StringsFile.h"
#include "Platform/StringsTable.h"

#include <cstddef>
#include <cstdint>

// Localisation tables come from arbitrary application bundles: whatever the bytes, reading one
// must return (a table or nothing) without crashing or hanging, and the scanner's reader of the
// one display name agrees with the whole table.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    const auto table = corvanta::parseStringsFile(bytes);
    const auto name = corvanta::stringsFileValue(bytes, QLatin1StringView("CFBundleDisplayName"));
    FUZZ_CHECK(table.has_value() == name.has_value());
    if (table && table->contains(QStringLiteral("CFBundleDisplayName")))
        FUZZ_CHECK(name && *name == table->value(QStringLiteral("CFBundleDisplayName")));
    // Text that is neither binary nor XML goes through the same parser by way of the table reader.
    if (!bytes.startsWith("bplist") && !bytes.trimmed().startsWith("<"))
        (void)corvanta::parseStringsTable(bytes);
    return 0;
}
