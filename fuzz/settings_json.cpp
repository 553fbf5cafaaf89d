// Any bytes given to the settings reader end in a clean failure with a reason, or in a record that
// is written back and read again unchanged.
#include "FuzzCheck.h"

#include "Models/LayoutConfigJson.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    QString error;
    const std::optional<corvanta::LayoutConfig> config = corvanta::decodeLayoutConfig(bytes, &error);
    if (!config) {
        FUZZ_CHECK(!error.isEmpty());
        return 0;
    }
    const QByteArray written = corvanta::encodeLayoutConfig(*config);
    const std::optional<corvanta::LayoutConfig> reread = corvanta::decodeLayoutConfig(written, &error);
    FUZZ_CHECK(reread);
    FUZZ_CHECK(*reread == *config);
    FUZZ_CHECK(corvanta::encodeLayoutConfig(*reread) == written);
    return 0;
}
