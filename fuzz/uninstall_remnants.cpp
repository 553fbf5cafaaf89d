#include "FuzzCheck.h"
#include "Services/UninstallGuard.h"
#include "Services/UninstallRemnants.h"

#include <cstddef>
#include <cstdint>

// The remembered remnants of partial removals lie in the user's folders. Whatever the bytes,
// reading them ends without crashing, keeps no more records than asked, and every record kept is
// an absolute standardised path with a valid identity and an identifier; writing the records
// and reading them again gives the same records.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace corvanta::Uninstall;
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    const QList<RemnantRecord> records = parseRemnants(bytes, 8);
    FUZZ_CHECK(records.size() <= 8);
    for (const RemnantRecord& record : records) {
        FUZZ_CHECK(record.path.startsWith(u'/'));
        FUZZ_CHECK(standardizePath(record.path, QString()) == record.path);
        FUZZ_CHECK(record.identity.isValid());
        FUZZ_CHECK(!record.identifier.isEmpty());
    }
    const QList<RemnantRecord> again = parseRemnants(serializeRemnants(records), 8);
    FUZZ_CHECK(again.size() == records.size());
    for (qsizetype i = 0; i < again.size(); ++i)
        FUZZ_CHECK(again.at(i).path == records.at(i).path && again.at(i).identity == records.at(i).identity
                   && again.at(i).identifier == records.at(i).identifier);
    return 0;
}
