// Any bytes arriving on the program's bus end in a clean refusal, or in a notification that is
// written back and read again under the same name.
#include "FuzzCheck.h"

#include "Platform/MessageBus.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const auto message = corvanta::MessageBus::decodeMessage(bytes);
    if (!message)
        return 0;
    const QByteArray written = corvanta::MessageBus::encodeMessage(message->name, message->userInfo);
    // Numbers may be written back longer than they came ("1e5"): only what still fits must read.
    if (written.size() > corvanta::MessageBus::maxMessageBytes)
        return 0;
    const auto reread = corvanta::MessageBus::decodeMessage(written);
    FUZZ_CHECK(reread);
    FUZZ_CHECK(reread->name == message->name);
    return 0;
}
