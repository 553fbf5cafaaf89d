// Icon files come from other people's bundles: whatever the bytes, reading one gives no picture or
// one no larger than an icon, without a crash or a hang.
#include "FuzzCheck.h"

#include "Platform/IcnsFile.h"

#include <cstddef>
#include <cstdint>

using corvanta::IcnsFile;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    if (const auto file = IcnsFile::parse(bytes)) {
        const QImage image = file->largestImage();
        FUZZ_CHECK(image.isNull() || (image.width() <= IcnsFile::maxSide && image.height() <= IcnsFile::maxSide));
    }
    return 0;
}
