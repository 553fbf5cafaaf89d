// Any bytes given to the layout readers end in a clean failure with a reason, or in a value that
// is written back and read again unchanged.
#include "FuzzCheck.h"

#include "Models/LayoutJson.h"

#include <cstddef>
#include <cstdint>

namespace {

template <typename Record, typename Decode, typename Encode>
void checkReader(const QByteArray& bytes, Decode decode, Encode encode)
{
    QString error;
    const std::optional<Record> record = decode(bytes, &error);
    if (!record) {
        FUZZ_CHECK(!error.isEmpty());
        return;
    }
    const QByteArray written = encode(*record);
    const std::optional<Record> reread = decode(written, &error);
    FUZZ_CHECK(reread);
    FUZZ_CHECK(*reread == *record);
    FUZZ_CHECK(encode(*reread) == written);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    checkReader<corvanta::SceneStore>(bytes, corvanta::decodeSceneStore, corvanta::encodeSceneStore);
    checkReader<corvanta::TilehallLayout>(bytes, corvanta::decodeLayout, corvanta::encodeLayout);
    return 0;
}
