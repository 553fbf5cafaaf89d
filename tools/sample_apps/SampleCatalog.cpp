#include "SampleApp.h"

namespace corvanta::samples {

namespace {

using S = IconShape;
using Z = IconSizes;
using F = StringsForm;

const QString utilities = QStringLiteral("Utilities");

std::vector<SampleApp> makeCatalog()
{
    return {
        // --- Ordinary applications, top level ------------------------------------------------
        {.fileName = "Notebook.app", .identifier = "com.example.notebook", .name = "Notebook", .executable = "Notebook",
         .icon = {S::Squircle, 0xffd54f, 0xff8f00, "N"}, .category = "productivity", .version = "4.2",
         .localizations = {{"en", F::TextUtf8, "Notebook"}, {"zh-Hans", F::TextUtf16LE, "笔记本", "笔记本"}}},
        {.fileName = "Chronos.app", .identifier = "com.lumenworks.chronos", .name = "Chronos",
         .displayName = "Chronos Calendar", .executable = "Chronos", .form = PlistForm::Binary,
         .icon = {S::Squircle, 0xef5350, 0xb71c1c, "31", 0.08, Z::Full}, .category = "productivity", .version = "11.0.3",
         .minimumSystem = "13.0"},
        {.fileName = "Éclair.app", .identifier = "com.patisserie.eclair", .name = "Éclair", .executable = "Eclair",
         .icon = {S::Circle, 0xf8bbd0, 0xad1457, "É"}, .iconName = "Eclair", .category = "lifestyle", .version = "2.1"},
        {.fileName = "Zebra.app", .identifier = "com.savanna.zebra", .name = "Zebra", .executable = "Zebra",
         .form = PlistForm::Binary, .icon = {S::Diamond, 0x9e9e9e, 0x212121, "Z"}, .category = "developer-tools",
         .version = "3.0"},
        {.fileName = "Ångström.app", .identifier = "com.example.angstrom", .name = "Ångström", .executable = "Angstrom",
         .icon = {S::Hexagon, 0x80deea, 0x00838f, "Å"}, .category = "education", .version = "1.4"},
        {.fileName = "alpha.app", .identifier = "com.example.alpha", .name = "alpha", .executable = "alpha",
         .icon = {S::Circle, 0xa5d6a7, 0x2e7d32, "α"}, .iconName = "alpha", .category = "developer-tools"},
        {.fileName = "Beta.app", .identifier = "com.example.beta", .name = "Beta", .executable = "Beta",
         .form = PlistForm::Binary, .icon = {S::Shield, 0x90caf9, 0x1565c0, "β"}, .category = "developer-tools",
         .version = "0.9"},
        {.fileName = "白板.app", .identifier = "com.example.whiteboard", .name = "白板", .executable = "Whiteboard",
         .icon = {S::Squircle, 0xfafafa, 0x90a4ae, "W"}, .category = "productivity", .version = "5.0"},
        {.fileName = "地图集.app", .identifier = "com.example.atlasmaps", .name = "地图集", .executable = "AtlasMaps",
         .form = PlistForm::Binary, .icon = {S::Hexagon, 0xc5e1a5, 0x558b2f, "M"}, .category = "travel"},
        {.fileName = "OwlMail.app", .identifier = "com.example.owlmail", .name = "OwlMail", .displayName = "猫头鹰邮件",
         .executable = "OwlMail", .icon = {S::Squircle, 0x4fc3f7, 0x01579b, "@"}, .iconName = "OwlMail",
         .iconReference = IconReference::WithExtension, .category = "productivity", .version = "7.3"},
        {.fileName = "Atlas.app", .identifier = "com.example.atlas", .name = "Atlas", .executable = "Atlas",
         .icon = {S::Circle, 0x7986cb, 0x1a237e, "A"}, .category = "reference", .version = "2.0"},
        {.fileName = "AtlasPreview.app", .identifier = "com.example.atlas", .name = "Atlas Preview",
         .executable = "Atlas", .form = PlistForm::Binary, .icon = {S::Circle, 0xffab91, 0xbf360c, "A"},
         .category = "reference", .version = "2.1b1"},
        {.fileName = "Scratchpad.app", .name = "Scratchpad", .executable = "Scratchpad",
         .icon = {S::Diamond, 0xfff59d, 0xf9a825, "S"}, .category = "productivity", .version = "0.3"},
        {.fileName = "Fieldnotes.app", .identifier = "com.example.fieldnotes", .executable = "Fieldnotes",
         .form = PlistForm::Binary, .icon = {S::Shield, 0xbcaaa4, 0x4e342e, "F"}, .category = "productivity"},
        {.fileName = "Corvanta.app", .identifier = "com.corvanta.app", .name = "Corvanta", .executable = "Corvanta",
         .form = PlistForm::Binary, .icon = {S::Squircle, 0xb39ddb, 0x311b92, "C", 0.08, Z::Full},
         .category = "utilities", .version = "0.1.0", .minimumSystem = "14.0"},
        {.fileName = "Tally.app", .identifier = "com.ledgerline.tally", .name = "Tally", .executable = "Tally",
         .icon = {S::Squircle, 0x69f0ae, 0x00695c, "T"}, .category = "finance", .version = "6.1"},
        {.fileName = "Tally Classic.app", .identifier = "com.ledgerline.tally-classic", .name = "tally",
         .executable = "TallyClassic", .form = PlistForm::Binary, .icon = {S::Squircle, 0xcfd8dc, 0x37474f, "t"},
         .category = "finance", .version = "5.9", .minimumSystem = "10.13"},
        {.fileName = "Pixel Forge.app", .identifier = "com.forgeworks.pixelforge", .name = "Pixel Forge",
         .executable = "PixelForge", .icon = {S::Star, 0xffcc80, 0xe65100, "P", 0.25},
         .category = "graphics-design", .version = "3.2"},
        {.fileName = "Soundboard.app", .identifier = "com.example.soundboard", .name = "Soundboard",
         .executable = "Soundboard", .form = PlistForm::Binary, .icon = {S::Circle, 0xce93d8, 0x6a1b9a, "♪", 0.08, Z::Tiny},
         .category = "music", .version = "1.1", .minimumSystem = "10.15"},
        {.fileName = "Orbit.app", .identifier = "com.orbitlabs.orbit", .name = "Orbit", .executable = "Orbit",
         .icon = {S::Circle, 0x64b5f6, 0x0d47a1, "O", 0.08, Z::Full}, .category = "productivity", .version = "128.0",
         .localizations = {{"Base", F::XmlPlist, "Orbit Browser"}}},
        {.fileName = "Harbor.app", .identifier = "com.harborsoft.harbor", .name = "Harbor", .executable = "Harbor",
         .form = PlistForm::Binary, .icon = {S::Shield, 0x4db6ac, 0x004d40, "H"}, .category = "developer-tools",
         .version = "2.8", .localizations = {{"en", F::BinaryPlist, "Harbor FTP"}, {"zh-Hans", F::XmlPlist, "港湾传输"}}},
        {.fileName = "Quillpad.app", .identifier = "com.example.quillpad", .name = "Quillpad", .executable = "Quillpad",
         .icon = {S::Diamond, 0xe6ee9c, 0x827717, "Q", 0.2}, .category = "productivity", .version = "1.0.5",
         .localizations = {{"en", F::TextUtf8Escaped, "Quillpad — \"Draft\""},
                           {"zh-Hans", F::TextUtf16BE, "羽毛笔记"},
                           {"Base", F::TextUtf8, "Quillpad"}}},
        {.fileName = "Metronome.app", .identifier = "com.tempoworks.metronome", .name = "Metronome",
         .executable = "Metronome", .icon = {S::Hexagon, 0xff8a80, 0xc62828, "♩", 0.08, Z::Tiny},
         .category = "music", .version = "1.0"},
        {.fileName = "Greenhouse.app", .identifier = "com.example.greenhouse", .name = "Greenhouse",
         .executable = "Greenhouse", .form = PlistForm::Binary, .icon = {S::Star, 0xccff90, 0x33691e, "G"},
         .category = "lifestyle", .version = "2.4"},
        {.fileName = "Lighthouse.app", .identifier = "com.beaconsoft.lighthouse", .name = "Lighthouse",
         .executable = "Lighthouse", .icon = {S::Shield, 0xffe082, 0xff6f00, "L", 0.3}, .category = "utilities",
         .version = "4.0"},
        {.fileName = "Marble.app", .identifier = "com.example.marble", .name = "Marble", .executable = "Marble",
         .form = PlistForm::Binary, .icon = {S::Circle, 0xeceff1, 0x546e7a, "M", 0.08, Z::Full}, .iconName = "Marble",
         .category = "graphics-design", .version = "9.1"},
        {.fileName = "Origami.app", .identifier = "com.foldingpaper.origami", .name = "Origami", .executable = "Origami",
         .icon = {S::Diamond, 0xf48fb1, 0x880e4f, "O"}, .category = "games", .version = "1.2"},
        {.fileName = "Kiln.app", .identifier = "com.example.kiln", .name = "Kiln", .executable = "Kiln",
         .form = PlistForm::Binary, .icon = {S::Hexagon, 0xffab40, 0xbf360c, "K"}, .category = "developer-tools",
         .version = "0.14"},
        {.fileName = "Velvet.app", .identifier = "com.velvetaudio.player", .name = "Velvet", .executable = "Velvet",
         .icon = {S::Squircle, 0xea80fc, 0x4a148c, "V", 0.08, Z::Full}, .category = "music", .version = "3.3"},
        {.fileName = "Telescope.app", .identifier = "com.example.telescope", .name = "Telescope",
         .displayName = "Telescope Sky", .executable = "Telescope", .form = PlistForm::Binary,
         .icon = {S::Star, 0x283593, 0x000051, "★"}, .category = "education", .version = "2.2"},
        {.fileName = "Ferry.app", .identifier = "com.example.ferry", .name = "Ferry", .executable = "Ferry",
         .icon = {S::Circle, 0x80cbc4, 0x00796b, "F"}, .iconName = "FerryIcon",
         .iconReference = IconReference::MissingFile, .category = "utilities", .version = "1.6"},
        {.fileName = "Sketchbook.app", .identifier = "com.example.sketchbook", .name = "Sketchbook",
         .executable = "Sketchbook", .form = PlistForm::Binary, .icon = {S::Squircle, 0xffffff, 0xbdbdbd, "S"},
         .iconReference = IconReference::Absent, .category = "graphics-design", .version = "2.0"},
        {.fileName = "Glacier.app", .identifier = "com.example.glacier", .name = "Glacier", .executable = "Glacier",
         .icon = {S::Hexagon, 0xe1f5fe, 0x0288d1, "G"}, .category = "utilities", .version = "1.9"},
        {.fileName = "Ziggurat.app", .identifier = "com.example.ziggurat", .name = "Ziggurat",
         .executable = "Ziggurat", .form = PlistForm::Binary, .icon = {S::Diamond, 0xffd180, 0x8d6e63, "Z", 0.08, Z::Full},
         .category = "games", .version = "1.0.2"},
        {.fileName = "Mosaic.app", .identifier = "com.example.mosaic", .name = "Mosaic", .executable = "Mosaic",
         .icon = {S::Star, 0xff80ab, 0x6200ea, "M", 0.22}, .category = "photography", .version = "5.5"},
        {.fileName = "Status Panel.app", .identifier = "com.example.statuspanel", .name = "Status Panel",
         .executable = "StatusPanel", .icon = {S::Shield, 0xb0bec5, 0x263238, "S"}, .agent = AgentKind::UIElementText,
         .category = "utilities", .version = "1.3"},

        // --- Bundles a launcher leaves out --------------------------------------------------
        {.fileName = "Sync Helper.app", .identifier = "com.example.synchelper", .name = "Sync Helper",
         .executable = "SyncHelper", .form = PlistForm::Binary, .icon = {S::Circle, 0xb2dfdb, 0x004d40, "↻"},
         .agent = AgentKind::BackgroundOnly, .category = "utilities"},
        {.fileName = "Menu Clock.app", .identifier = "com.example.menuclock", .name = "Menu Clock",
         .executable = "MenuClock", .icon = {S::Circle, 0xfff9c4, 0xf57f17, "◷"}, .agent = AgentKind::UIElement,
         .category = "utilities"},
        {.fileName = "Tray Weather.app", .identifier = "com.example.trayweather", .name = "Tray Weather",
         .executable = "TrayWeather", .form = PlistForm::Binary, .icon = {S::Circle, 0xb3e5fc, 0x0277bd, "☁"},
         .agent = AgentKind::UIElementNumber, .category = "weather"},
        {.fileName = "Legacy Tool.APP", .identifier = "com.example.legacytool", .name = "Legacy Tool",
         .executable = "LegacyTool", .icon = {S::Squircle, 0xd7ccc8, 0x5d4037, "L"}, .category = "utilities"},
        {.fileName = ".Staging.app", .identifier = "com.example.staging", .name = "Staging", .executable = "Staging",
         .icon = {S::Squircle, 0xf5f5f5, 0x616161, "?"}, .category = "utilities"},
        {.folder = "Games", .fileName = "Chess Club.app", .identifier = "com.example.chessclub", .name = "Chess Club",
         .executable = "ChessClub", .icon = {S::Shield, 0xeeeeee, 0x3e2723, "♞"}, .category = "games"},

        // --- The Utilities folder -----------------------------------------------------------
        {.folder = utilities, .fileName = "Shell Station.app", .identifier = "com.apple.sample.shellstation",
         .name = "Shell Station", .executable = "ShellStation", .icon = {S::Squircle, 0x424242, 0x000000, ">_", 0.08, Z::Full},
         .category = "developer-tools", .version = "2.14"},
        {.folder = utilities, .fileName = "Disk Medic.app", .identifier = "com.apple.sample.diskmedic",
         .name = "Disk Medic", .executable = "DiskMedic", .form = PlistForm::Binary,
         .icon = {S::Circle, 0xe0e0e0, 0xc62828, "+"}, .category = "utilities", .version = "22.0"},
        {.folder = utilities, .fileName = "Activity Gauge.app", .identifier = "com.example.activitygauge",
         .name = "Activity Gauge", .executable = "ActivityGauge", .icon = {S::Hexagon, 0x76ff03, 0x1b5e20, "~"},
         .category = "utilities", .version = "10.14",
         .localizations = {{"zh-Hans", F::TextUtf16LE, "活动仪表"}, {"en", F::TextUtf8, "Activity Gauge"}}},
        {.folder = utilities, .fileName = "Key Vault.app", .identifier = "com.example.keyvault", .name = "Key Vault",
         .executable = "KeyVault", .form = PlistForm::Binary, .icon = {S::Shield, 0xfff176, 0xf9a825, "K", 0.3},
         .category = "utilities", .version = "11.0"},
        {.folder = utilities, .fileName = "Color Probe.app", .identifier = "com.example.colorprobe",
         .name = "Color Probe", .executable = "ColorProbe", .icon = {S::Star, 0xff5252, 0x2979ff, "◉", 0.08, Z::Tiny},
         .category = "graphics-design", .version = "5.1"},
        {.folder = utilities, .fileName = "Log Lens.app", .identifier = "com.example.loglens", .name = "Log Lens",
         .executable = "LogLens", .form = PlistForm::Binary, .icon = {S::Diamond, 0x9fa8da, 0x303f9f, "≡"},
         .category = "developer-tools", .version = "1.8"},
    };
}

}  // namespace

const std::vector<SampleApp>& sampleCatalog()
{
    static const std::vector<SampleApp> catalog = makeCatalog();
    return catalog;
}

}  // namespace corvanta::samples
