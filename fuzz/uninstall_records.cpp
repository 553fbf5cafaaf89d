#include "Models/AppItem.h"
#include "Services/UninstallDock.h"
#include "Services/UninstallReceipts.h"

#include <QJsonDocument>

#include <cstddef>
#include <cstdint>

// What the uninstaller reads from others beyond property lists (which have their own target): the
// package tool's text, and a Dock tile list of any shape (made here from JSON). Whatever the
// bytes, reading them must end without crashing, and no listing may yield a path outside its
// install location.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace corvanta;
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    AppItem app;
    app.name = QStringLiteral("Foo Bar");
    app.bundleIdentifier = QStringLiteral("com.acme.foobar");
    app.url = QUrl::fromLocalFile(QStringLiteral("/Applications/Foo Bar.app"));
    const QJsonDocument json = QJsonDocument::fromJson(bytes);
    if (json.isArray())
        (void)Uninstall::pruneDockTiles(json.toVariant().toList(), app);
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
