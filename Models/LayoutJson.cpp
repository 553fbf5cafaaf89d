#include "Models/LayoutJson.h"

#include "Models/JsonWriter.h"
#include "Support/HexDigit.h"

#include "Models/JsonReader.h"
#include "Support/Constants.h"

#include <QHash>

namespace corvanta {

// ---- writing -----------------------------------------------------------------------------------

namespace {

template <typename T, typename Write> void writeArray(QByteArray& out, const QList<T>& items, Write write)
{
    out.append('[');
    for (qsizetype i = 0; i < items.size(); ++i) {
        if (i)
            out.append(',');
        write(out, items[i]);
    }
    out.append(']');
}

void writeApp(QByteArray& out, const AppItem& app)
{
    out.append("{\"id\":");
    json::appendUuid(out, app.id);
    out.append(",\"name\":");
    json::appendString(out, app.name);
    out.append(",\"bundleIdentifier\":");
    json::appendString(out, app.bundleIdentifier);
    out.append(",\"url\":");
    json::appendAsciiString(out, app.url.toEncoded());
    if (app.iconPath) {
        out.append(",\"iconPath\":");
        json::appendString(out, *app.iconPath);
    }
    out.append(",\"isHidden\":");
    json::appendBool(out, app.isHidden);
    out.append('}');
}

void writeGroup(QByteArray& out, const AppGroup& group)
{
    out.append("{\"id\":");
    json::appendUuid(out, group.id);
    out.append(",\"name\":");
    json::appendString(out, group.name);
    out.append(",\"apps\":");
    writeArray(out, group.apps, writeApp);
    out.append(",\"appIDs\":");
    writeArray(out, group.apps, [](QByteArray& o, const AppItem& app) { json::appendUuid(o, app.id); });
    out.append(",\"isSystemUtilitiesFolder\":");
    json::appendBool(out, group.isSystemUtilitiesFolder);
    out.append('}');
}

void writeEntry(QByteArray& out, const PageEntry& entry)
{
    if (const AppGroup* group = entry.asGroup()) {
        out.append("{\"group\":{\"_0\":");
        writeGroup(out, *group);
    } else {
        out.append("{\"app\":{\"_0\":");
        writeApp(out, *entry.asApp());
    }
    out.append("}}");
}

void writePage(QByteArray& out, const TilehallPage& page)
{
    out.append("{\"id\":");
    json::appendUuid(out, page.id);
    out.append(",\"entries\":");
    writeArray(out, page.entries, writeEntry);
    out.append('}');
}

void writeLayout(QByteArray& out, const TilehallLayout& layout)
{
    out.append("{\"pages\":");
    writeArray(out, layout.pages, writePage);
    out.append(",\"hiddenAppIDs\":");
    writeArray(out, layout.hiddenAppIDs, json::appendUuid);
    out.append('}');
}

void writeScene(QByteArray& out, const TilehallScene& scene)
{
    out.append("{\"id\":");
    json::appendUuid(out, scene.id);
    out.append(",\"name\":");
    json::appendString(out, scene.name);
    out.append(",\"layout\":");
    writeLayout(out, scene.layout);
    out.append('}');
}

} // namespace

QByteArray encodeSceneStore(const SceneStore& store)
{
    QByteArray out;
    out.append("{\"currentSceneID\":");
    json::appendUuid(out, store.currentSceneID);
    out.append(",\"scenes\":");
    writeArray(out, store.scenes, writeScene);
    out.append('}');
    return out;
}

QByteArray encodeLayout(const TilehallLayout& layout)
{
    QByteArray out;
    writeLayout(out, layout);
    return out;
}

// ---- reading -----------------------------------------------------------------------------------

namespace {

using json::JsonReader;
using json::JsonType;

// Only the canonical 8-4-4-4-12 form, in either case; braces and other spellings are refused.
std::optional<QUuid> parseUuid(QByteArrayView text)
{
    if (text.size() != 36)
        return std::nullopt;
    uchar bytes[16];
    int byte = 0;
    for (int i = 0; i < 36;) {
        if (i == 8 || i == 13 || i == 18 || i == 23) {
            if (text[i] != '-')
                return std::nullopt;
            ++i;
            continue;
        }
        const int high = hexDigitValue(char16_t(uchar(text[i])));
        const int low = hexDigitValue(char16_t(uchar(text[i + 1])));
        if (high < 0 || low < 0)
            return std::nullopt;
        bytes[byte++] = uchar((high << 4) | low);
        i += 2;
    }
    return QUuid::fromRfc4122(QByteArrayView(bytes, 16));
}

// A bundle location must be an absolute local file URL: scheme "file" (any case), no host or
// "localhost" (the same file), a path from the root, and nothing after the path. Empty text,
// relative references, other schemes, other hosts, a query or fragment (a "#" that should have
// been written "%23") and text QUrl cannot parse are all refused, since none of them names a
// bundle the program could open unambiguously. The host is dropped, so the location is written
// back in the usual "file:///" form. Whatever is kept reads back as itself once written.
std::optional<QUrl> readFileUrl(const QString& text)
{
    QUrl url(text);
    const QString host = url.host();
    if (!url.isValid() || url.scheme() != QLatin1StringView("file")
        || (!host.isEmpty() && host.compare(QLatin1StringView("localhost"), Qt::CaseInsensitive) != 0)
        || !url.path().startsWith(QLatin1Char('/')) || url.hasQuery() || url.hasFragment())
        return std::nullopt;
    // An empty host rather than none: a path starting "//" needs the "file://" before it to stay
    // a path, and a URL without one would be written as nothing at all.
    url.setHost(QStringLiteral(""));
    if (!url.isValid())
        return std::nullopt;
    return url;
}

// A location that would change once written (an unpaired surrogate becomes U+FFFD) names no
// bundle either, and is refused rather than rewritten.
std::optional<QUrl> parseFileUrl(const QString& text)
{
    const std::optional<QUrl> url = readFileUrl(text);
    if (!url || readFileUrl(QString::fromLatin1(url->toEncoded())) != url)
        return std::nullopt;
    return url;
}

// Required keys of one object, in the order their absence is reported.
template <size_t N> struct RequiredKeys {
    const char* names[N];
    bool seen[N] = {};

    void mark(size_t index) { seen[index] = true; }
    const char* firstMissing() const
    {
        for (size_t i = 0; i < N; ++i) {
            if (!seen[i])
                return names[i];
        }
        return nullptr;
    }
};

class LayoutReader {
public:
    explicit LayoutReader(QByteArrayView text) : r(text) {}

    JsonReader r;

    bool store(SceneStore& store)
    {
        RequiredKeys<2> required{{"currentSceneID", "scenes"}};
        return r.readObject([&](QByteArrayView key) {
            if (key == "currentSceneID") {
                required.mark(0);
                return uuid("currentSceneID", store.currentSceneID);
            }
            if (key == "scenes") {
                required.mark(1);
                return list("scenes", store.scenes, &LayoutReader::scene);
            }
            return r.skipValue();
        }) && complete(required);
    }

    bool layout(TilehallLayout& layout)
    {
        RequiredKeys<2> required{{"pages", "hiddenAppIDs"}};
        return object("layout") && r.readObject([&](QByteArrayView key) {
            if (key == "pages") {
                required.mark(0);
                return list("pages", layout.pages, &LayoutReader::page);
            }
            if (key == "hiddenAppIDs") {
                required.mark(1);
                layout.hiddenAppIDs.clear();
                return array("hiddenAppIDs") && r.readArray([&] {
                    return uuid("hiddenAppIDs", layout.hiddenAppIDs.emplaceBack());
                });
            }
            return r.skipValue();
        }) && complete(required);
    }

private:
    QHash<QString, QUrl> m_urls; // scenes repeat the same bundles; parse each location once

    bool complete(const auto& required)
    {
        if (const char* missing = required.firstMissing())
            return r.fail(QStringLiteral("Missing key \"%1\"").arg(QLatin1StringView(missing)));
        return true;
    }

    bool wrongType(const char* key, const char* expected)
    {
        return r.fail(QStringLiteral("Key \"%1\" is not %2").arg(QLatin1StringView(key), QLatin1StringView(expected)));
    }

    bool expectType(JsonType type, const char* key, const char* expected)
    {
        const JsonType found = r.peek();
        if (found == type)
            return true;
        // Text that is no JSON value at all is reported as the syntax error it is.
        return found == JsonType::Invalid ? r.skipValue() : wrongType(key, expected);
    }
    bool object(const char* key) { return expectType(JsonType::Object, key, "an object"); }
    bool array(const char* key) { return expectType(JsonType::Array, key, "an array"); }

    bool string(const char* key, QString& out)
    {
        return expectType(JsonType::String, key, "a string") && r.readString(out);
    }

    bool boolean(const char* key, bool& out)
    {
        return expectType(JsonType::Bool, key, "a Boolean") && r.readBool(out);
    }

    bool uuid(const char* key, QUuid& out)
    {
        QByteArrayView text;
        if (!expectType(JsonType::String, key, "a string") || !r.readStringBytes(text))
            return false;
        const std::optional<QUuid> id = parseUuid(text);
        if (!id)
            return r.fail(QStringLiteral("Invalid UUID \"%1\" for key \"%2\"").arg(QString::fromUtf8(text), QLatin1StringView(key)));
        out = *id;
        return true;
    }

    bool fileUrl(QUrl& out)
    {
        QString text;
        if (!string("url", text))
            return false;
        const auto known = m_urls.constFind(text);
        if (known != m_urls.cend()) {
            out = *known;
            return true;
        }
        const std::optional<QUrl> url = parseFileUrl(text);
        if (!url)
            return r.fail(QStringLiteral("Invalid file URL \"%1\"").arg(text));
        out = *m_urls.insert(text, *url);
        return true;
    }

    // A JSON null where null means "absent".
    bool skipNull()
    {
        return r.peek() == JsonType::Null && r.readNull();
    }

    template <typename T> bool list(const char* key, QList<T>& out, bool (LayoutReader::*readOne)(T&))
    {
        out.clear();
        return array(key) && r.readArray([&] { return (this->*readOne)(out.emplaceBack()); });
    }

    bool app(AppItem& app)
    {
        RequiredKeys<5> required{{"id", "name", "bundleIdentifier", "url", "isHidden"}};
        return object("app") && r.readObject([&](QByteArrayView key) {
            if (key == "id") {
                required.mark(0);
                return uuid("id", app.id);
            }
            if (key == "name") {
                required.mark(1);
                return string("name", app.name);
            }
            if (key == "bundleIdentifier") {
                required.mark(2);
                return string("bundleIdentifier", app.bundleIdentifier);
            }
            if (key == "url") {
                required.mark(3);
                return fileUrl(app.url);
            }
            if (key == "iconPath") {
                app.iconPath.reset();
                return skipNull() || (!r.failed() && string("iconPath", app.iconPath.emplace()));
            }
            if (key == "isHidden") {
                required.mark(4);
                return boolean("isHidden", app.isHidden);
            }
            return r.skipValue();
        }) && complete(required);
    }

    bool group(AppGroup& group)
    {
        RequiredKeys<2> required{{"id", "name"}};
        std::optional<bool> utilities;
        const bool read = object("group") && r.readObject([&](QByteArrayView key) {
            if (key == "id") {
                required.mark(0);
                return uuid("id", group.id);
            }
            if (key == "name") {
                required.mark(1);
                return string("name", group.name);
            }
            if (key == "apps") {
                group.apps.clear();
                return skipNull() || (!r.failed() && list("apps", group.apps, &LayoutReader::app));
            }
            if (key == "isSystemUtilitiesFolder") {
                utilities.reset();
                return skipNull() || (!r.failed() && boolean("isSystemUtilitiesFolder", utilities.emplace()));
            }
            return r.skipValue(); // including "appIDs", which is derived from "apps"
        });
        if (!read || !complete(required))
            return false;
        group.isSystemUtilitiesFolder = utilities.value_or(group.id == AppConstants::systemUtilitiesFolderID);
        return true;
    }

    // The payload of a case sits in a wrapper object under the key "_0".
    template <typename Payload> bool wrapped(const char* caseKey, Payload& payload, bool (LayoutReader::*readPayload)(Payload&))
    {
        RequiredKeys<1> required{{"_0"}};
        return object(caseKey) && r.readObject([&](QByteArrayView key) {
            if (key == "_0") {
                required.mark(0);
                return (this->*readPayload)(payload);
            }
            return r.skipValue();
        }) && complete(required);
    }

    bool entry(PageEntry& entry)
    {
        enum { None, App, Group } found = None;
        const bool read = object("entries") && r.readObject([&](QByteArrayView key) {
            const bool isApp = key == "app";
            if (!isApp && key != "group")
                return r.skipValue();
            if (found != None && found != (isApp ? App : Group))
                return r.fail(QStringLiteral("Invalid number of keys found, expected one."));
            if (isApp) {
                found = App;
                entry = PageEntry(AppItem{});
                return wrapped("app", *entry.asApp(), &LayoutReader::app);
            }
            found = Group;
            entry = PageEntry(AppGroup{});
            return wrapped("group", *entry.asGroup(), &LayoutReader::group);
        });
        if (read && found == None)
            return r.fail(QStringLiteral("Invalid number of keys found, expected one."));
        return read;
    }

    bool page(TilehallPage& page)
    {
        RequiredKeys<2> required{{"id", "entries"}};
        return object("pages") && r.readObject([&](QByteArrayView key) {
            if (key == "id") {
                required.mark(0);
                return uuid("id", page.id);
            }
            if (key == "entries") {
                required.mark(1);
                return list("entries", page.entries, &LayoutReader::entry);
            }
            return r.skipValue();
        }) && complete(required);
    }

    bool scene(TilehallScene& scene)
    {
        RequiredKeys<3> required{{"id", "name", "layout"}};
        return object("scenes") && r.readObject([&](QByteArrayView key) {
            if (key == "id") {
                required.mark(0);
                return uuid("id", scene.id);
            }
            if (key == "name") {
                required.mark(1);
                return string("name", scene.name);
            }
            if (key == "layout") {
                required.mark(2);
                return layout(scene.layout);
            }
            return r.skipValue();
        }) && complete(required);
    }
};

template <typename Record>
std::optional<Record> decodeDocument(const QByteArray& json, QString* error, bool (LayoutReader::*readRoot)(Record&))
{
    LayoutReader reader(json);
    Record record;
    if (reader.r.peek() != JsonType::Object)
        reader.r.fail(QStringLiteral("The document is not a JSON object"));
    else if ((reader.*readRoot)(record) && reader.r.finish())
        return record;
    if (error)
        *error = reader.r.error();
    return std::nullopt;
}

} // namespace

std::optional<SceneStore> decodeSceneStore(const QByteArray& json, QString* error)
{
    return decodeDocument<SceneStore>(json, error, &LayoutReader::store);
}

std::optional<TilehallLayout> decodeLayout(const QByteArray& json, QString* error)
{
    return decodeDocument<TilehallLayout>(json, error, &LayoutReader::layout);
}

} // namespace corvanta
