#include "Platform/DockPreferences.h"
#include "Platform/PropertyList.h"
#include "Services/DockManager.h"

#include "FuzzCheck.h"

#include <cstddef>
#include <cstdint>

// The Dock's preferences are another program's file: whatever the bytes, reading them gives a
// domain or an error, every tile can be matched, and a domain that was read can take a new tile
// and is either written back in its own form with the tile last, or left alone.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace corvanta;
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    const DockPreferences::ReadResult read = DockPreferences::decode(bytes);
    if (!read.contents)
        return 0;
    AppItem app;
    app.name = QStringLiteral("Notes");
    app.bundleIdentifier = QStringLiteral("com.example.notes");
    app.url = QUrl::fromLocalFile(QStringLiteral("/Applications/Notes.app"));
    DockPreferences::Contents contents = *read.contents;
    const QVariant stored = contents.root.value(QLatin1String(DockManager::key));
    if (stored.isValid() && stored.typeId() != QMetaType::QVariantList)
        return 0;
    QVariantList tiles = stored.toList();
    for (const QVariant& tile : tiles)
        (void)DockManager::matches(tile, app);
    tiles.append(DockManager::tile(app));
    contents.root.insert(QLatin1String(DockManager::key), tiles);
    const std::optional<QByteArray> encoded = DockPreferences::encode(contents);
    if (!encoded)
        return 0; // refused: the file is left as it was
    const DockPreferences::ReadResult again = DockPreferences::decode(*encoded);
    FUZZ_CHECK(again.contents.has_value());
    const QVariantList written = again.contents->root.value(QLatin1String(DockManager::key)).toList();
    FUZZ_CHECK(!written.isEmpty() && DockManager::matches(written.last(), app));
    return 0;
}
