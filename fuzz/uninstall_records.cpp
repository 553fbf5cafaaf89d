#include "Models/AppItem.h"
#include "Platform/PropertyList.h"
#include "Services/UninstallDock.h"
#include "Services/UninstallReceipts.h"

#include <cstddef>
#include <cstdint>

// What the uninstaller reads from others: a property list (a container's description, a launch
// item, the Dock's tile list) and the package tool's text. Whatever the bytes, reading them must
// end without crashing, and no listing may yield a path outside its install location.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace corvanta;
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    AppItem app;
    app.name = QStringLiteral("Foo Bar");
    app.bundleIdentifier = QStringLiteral("com.acme.foobar");
    app.url = QUrl::fromLocalFile(QStringLiteral("/Applications/Foo Bar.app"));
    if (const auto value = PropertyList::parse(bytes)) {
        if (value->typeId() == QMetaType::QVariantList)
            (void)Uninstall::pruneDockTiles(value->toList(), app);
    }
    if (const auto text = Uninstall::Receipts::decode(bytes)) {
        (void)Uninstall::Receipts::parsePackageList(*text);
        (void)Uninstall::Receipts::parseInstallLocation(*text);
        const Uninstall::Receipts::PackageMatcher matcher(app);
        (void)matcher.isCandidate(*text);
        for (const QString& path : Uninstall::Receipts::parseFileListing(*text, QStringLiteral("/usr/local"), 10000))
            if (!path.startsWith(QLatin1String("/usr/local/")) || path.contains(QLatin1String("/../")))
                __builtin_trap();
    }
    return 0;
}
