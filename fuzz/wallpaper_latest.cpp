// Any bytes in latest.json give no pointer or one that names a file inside the cache folder, and
// any such name parses back to a fingerprint and radius or to nothing, without a crash.
#include "FuzzCheck.h"

#include "Services/WallpaperBlurCache.h"

#include <cmath>
#include <cstddef>
#include <cstdint>

using corvanta::WallpaperBlurCache;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    if (const auto pointer = WallpaperBlurCache::parseLatestPointer(bytes)) {
        FUZZ_CHECK(!pointer->fileName.isEmpty());
        FUZZ_CHECK(!pointer->fileName.contains(QLatin1Char('/')));
        FUZZ_CHECK(pointer->fileName != QStringLiteral("..") && pointer->fileName != QStringLiteral("."));
        if (const auto parsed = WallpaperBlurCache::parseFileName(pointer->fileName))
            FUZZ_CHECK(std::isfinite(parsed->second));
    }
    if (const auto parsed = WallpaperBlurCache::parseFileName(QString::fromUtf8(bytes))) {
        // A name we write reads back as what was written, up to the radius's rounding.
        const QString name = WallpaperBlurCache::fileName(parsed->first, parsed->second, 1, 1);
        const auto again = WallpaperBlurCache::parseFileName(name);
        FUZZ_CHECK(again && again->first == parsed->first);
    }
    return 0;
}
