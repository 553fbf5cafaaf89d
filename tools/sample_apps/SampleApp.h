#pragma once

#include <QRgb>
#include <QString>

#include <optional>
#include <vector>

namespace corvanta::samples {

enum class PlistForm { Xml, Binary };

// How an InfoPlist.strings file is written: the old text form in three encodings, or a property list.
enum class StringsForm { TextUtf8, TextUtf8Escaped, TextUtf16LE, TextUtf16BE, XmlPlist, BinaryPlist };

enum class IconShape { Squircle, Circle, Hexagon, Diamond, Star, Shield };

// Which resolutions go into the icon file: Tiny has only the 16 and 32 pixel elements.
enum class IconSizes { Tiny, Standard, Full };

// How the Info.plist names the icon: by base name (the usual form), with the ".icns" extension,
// not at all, or pointing at a file the bundle does not have.
enum class IconReference { BaseName, WithExtension, Absent, MissingFile };

// The keys that mark an application as having no place in a launcher.
enum class AgentKind { None, BackgroundOnly, UIElement, UIElementNumber, UIElementText };

struct LocalizedStrings {
    QString lproj;  // folder name without ".lproj", e.g. "zh-Hans"
    StringsForm form = StringsForm::TextUtf8;
    QString displayName;  // CFBundleDisplayName
    QString name;         // CFBundleName; left out when empty
};

struct IconArt {
    IconShape shape = IconShape::Squircle;
    QRgb top = 0;
    QRgb bottom = 0;
    QString glyph;
    // Fraction of the side left transparent on each edge around the artwork.
    double inset = 0.08;
    IconSizes sizes = IconSizes::Standard;
};

struct SampleApp {
    QString folder;      // sub folder of the output ("" for the top level)
    QString fileName;    // bundle folder name with its extension
    QString identifier;  // CFBundleIdentifier; left out when empty
    QString name;        // CFBundleName; left out when empty
    std::optional<QString> displayName;  // CFBundleDisplayName
    QString executable;
    PlistForm form = PlistForm::Xml;
    IconArt icon;
    QString iconName = QStringLiteral("AppIcon");
    IconReference iconReference = IconReference::BaseName;
    AgentKind agent = AgentKind::None;
    QString category;
    QString version = QStringLiteral("1.0");
    QString minimumSystem = QStringLiteral("12.0");
    std::vector<LocalizedStrings> localizations;
};

// Every sample, in the order they are written.
const std::vector<SampleApp>& sampleCatalog();

}  // namespace corvanta::samples
