#include "Models/LayoutJson.h"

#include "Models/HexDigit.h"
#include "Models/JsonWriter.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

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

const QUuid kSystemUtilitiesFolderID = QUuid::fromString(u"0A11C000-5555-4000-8000-5554494C4954");

// Only the canonical 8-4-4-4-12 form, in either case; braces and other spellings are refused.
std::optional<QUuid> parseUuid(QStringView text)
{
    if (text.size() != 36)
        return std::nullopt;
    char bytes[16];
    int byte = 0;
    for (int i = 0; i < 36;) {
        if (i == 8 || i == 13 || i == 18 || i == 23) {
            if (text[i] != QLatin1Char('-'))
                return std::nullopt;
            ++i;
            continue;
        }
        const int high = hexDigitValue(text[i].unicode());
        const int low = hexDigitValue(text[i + 1].unicode());
        if (high < 0 || low < 0)
            return std::nullopt;
        bytes[byte++] = char((high << 4) | low);
        i += 2;
    }
    return QUuid::fromRfc4122(QByteArrayView(bytes, 16));
}

// A bundle location must be an absolute local file URL: scheme "file", no host, a path starting
// at the root. Empty text, relative references, other schemes and text QUrl cannot parse are all
// refused, since none of them names a bundle the program could open.
std::optional<QUrl> parseFileUrl(const QString& text)
{
    QUrl url(text);
    if (!url.isValid() || url.scheme() != QLatin1String("file") || !url.host().isEmpty()
        || !url.path().startsWith(QLatin1Char('/')))
        return std::nullopt;
    return url;
}

class Reader {
public:
    QString error;

    bool fail(const QString& message)
    {
        if (error.isEmpty())
            error = message;
        return false;
    }

    bool present(const QJsonObject& object, QLatin1StringView key, QJsonValue& value)
    {
        value = object.value(key);
        return !value.isUndefined();
    }

    bool require(const QJsonObject& object, QLatin1StringView key, QJsonValue& value)
    {
        if (!present(object, key, value))
            return fail(QStringLiteral("Missing key \"%1\"").arg(key));
        return true;
    }

    bool wrongType(QLatin1StringView key, const char* expected)
    {
        return fail(QStringLiteral("Key \"%1\" is not %2").arg(key, QLatin1StringView(expected)));
    }

    bool string(const QJsonObject& object, QLatin1StringView key, QString& out)
    {
        QJsonValue value;
        if (!require(object, key, value))
            return false;
        if (!value.isString())
            return wrongType(key, "a string");
        out = value.toString();
        return true;
    }

    bool boolean(const QJsonValue& value, QLatin1StringView key, bool& out)
    {
        if (!value.isBool())
            return wrongType(key, "a Boolean");
        out = value.toBool();
        return true;
    }

    bool uuidValue(const QJsonValue& value, QLatin1StringView key, QUuid& out)
    {
        if (!value.isString())
            return wrongType(key, "a string");
        const QString text = value.toString();
        const std::optional<QUuid> id = parseUuid(text);
        if (!id)
            return fail(QStringLiteral("Invalid UUID \"%1\" for key \"%2\"").arg(text, key));
        out = *id;
        return true;
    }

    bool uuid(const QJsonObject& object, QLatin1StringView key, QUuid& out)
    {
        QJsonValue value;
        return require(object, key, value) && uuidValue(value, key, out);
    }

    bool array(const QJsonObject& object, QLatin1StringView key, QJsonArray& out)
    {
        QJsonValue value;
        if (!require(object, key, value))
            return false;
        if (!value.isArray())
            return wrongType(key, "an array");
        out = value.toArray();
        return true;
    }

    bool object(const QJsonValue& value, QLatin1StringView what, QJsonObject& out)
    {
        if (!value.isObject())
            return wrongType(what, "an object");
        out = value.toObject();
        return true;
    }

    template <typename T, typename ReadOne>
    bool list(const QJsonArray& array, QLatin1StringView key, QList<T>& out, ReadOne readOne)
    {
        out.reserve(array.size());
        for (const QJsonValue& element : array) {
            QJsonObject object;
            T item;
            if (!this->object(element, key, object) || !(this->*readOne)(object, item))
                return false;
            out.append(std::move(item));
        }
        return true;
    }

    bool app(const QJsonObject& o, AppItem& app)
    {
        QString urlText;
        QJsonValue value;
        if (!uuid(o, QLatin1StringView("id"), app.id) || !string(o, QLatin1StringView("name"), app.name)
            || !string(o, QLatin1StringView("bundleIdentifier"), app.bundleIdentifier)
            || !string(o, QLatin1StringView("url"), urlText))
            return false;
        const std::optional<QUrl> url = parseFileUrl(urlText);
        if (!url)
            return fail(QStringLiteral("Invalid file URL \"%1\"").arg(urlText));
        app.url = *url;
        if (present(o, QLatin1StringView("iconPath"), value) && !value.isNull()) {
            if (!value.isString())
                return wrongType(QLatin1StringView("iconPath"), "a string");
            app.iconPath = value.toString();
        }
        return require(o, QLatin1StringView("isHidden"), value) && boolean(value, QLatin1StringView("isHidden"), app.isHidden);
    }

    bool group(const QJsonObject& o, AppGroup& group)
    {
        QJsonValue value;
        if (!uuid(o, QLatin1StringView("id"), group.id) || !string(o, QLatin1StringView("name"), group.name))
            return false;
        if (present(o, QLatin1StringView("apps"), value) && !value.isNull()) {
            if (!value.isArray())
                return wrongType(QLatin1StringView("apps"), "an array");
            if (!list(value.toArray(), QLatin1StringView("apps"), group.apps, &Reader::app))
                return false;
        }
        if (present(o, QLatin1StringView("isSystemUtilitiesFolder"), value) && !value.isNull())
            return boolean(value, QLatin1StringView("isSystemUtilitiesFolder"), group.isSystemUtilitiesFolder);
        group.isSystemUtilitiesFolder = group.id == kSystemUtilitiesFolderID;
        return true;
    }

    bool entry(const QJsonObject& o, PageEntry& entry)
    {
        const bool hasApp = o.contains(QLatin1StringView("app"));
        const bool hasGroup = o.contains(QLatin1StringView("group"));
        if (hasApp == hasGroup)
            return fail(QStringLiteral("Invalid number of keys found, expected one."));
        const QLatin1StringView key = hasApp ? QLatin1StringView("app") : QLatin1StringView("group");
        QJsonObject wrapper;
        QJsonObject payload;
        QJsonValue value;
        if (!object(o.value(key), key, wrapper) || !require(wrapper, QLatin1StringView("_0"), value)
            || !object(value, QLatin1StringView("_0"), payload))
            return false;
        if (hasApp) {
            AppItem item;
            if (!app(payload, item))
                return false;
            entry = PageEntry(std::move(item));
        } else {
            AppGroup folder;
            if (!group(payload, folder))
                return false;
            entry = PageEntry(std::move(folder));
        }
        return true;
    }

    bool page(const QJsonObject& o, TilehallPage& page)
    {
        QJsonArray entries;
        return uuid(o, QLatin1StringView("id"), page.id) && array(o, QLatin1StringView("entries"), entries)
            && list(entries, QLatin1StringView("entries"), page.entries, &Reader::entry);
    }

    bool layout(const QJsonObject& o, TilehallLayout& layout)
    {
        QJsonArray pages;
        QJsonArray hidden;
        if (!array(o, QLatin1StringView("pages"), pages) || !array(o, QLatin1StringView("hiddenAppIDs"), hidden)
            || !list(pages, QLatin1StringView("pages"), layout.pages, &Reader::page))
            return false;
        layout.hiddenAppIDs.reserve(hidden.size());
        for (const QJsonValue& value : hidden) {
            QUuid id;
            if (!uuidValue(value, QLatin1StringView("hiddenAppIDs"), id))
                return false;
            layout.hiddenAppIDs.append(id);
        }
        return true;
    }

    bool scene(const QJsonObject& o, TilehallScene& scene)
    {
        QJsonValue value;
        QJsonObject layoutObject;
        return uuid(o, QLatin1StringView("id"), scene.id) && string(o, QLatin1StringView("name"), scene.name)
            && require(o, QLatin1StringView("layout"), value) && object(value, QLatin1StringView("layout"), layoutObject)
            && layout(layoutObject, scene.layout);
    }

    bool store(const QJsonObject& o, SceneStore& store)
    {
        QJsonArray scenes;
        return uuid(o, QLatin1StringView("currentSceneID"), store.currentSceneID)
            && array(o, QLatin1StringView("scenes"), scenes)
            && list(scenes, QLatin1StringView("scenes"), store.scenes, &Reader::scene);
    }
};

template <typename Record>
std::optional<Record> decodeDocument(const QByteArray& json, QString* error, bool (Reader::*readRoot)(const QJsonObject&, Record&))
{
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(json, &parseError);
    Reader reader;
    Record record;
    if (parseError.error != QJsonParseError::NoError)
        reader.fail(QStringLiteral("Malformed JSON at offset %1: %2").arg(parseError.offset).arg(parseError.errorString()));
    else if (!document.isObject())
        reader.fail(QStringLiteral("The document is not a JSON object"));
    else if ((reader.*readRoot)(document.object(), record))
        return record;
    if (error)
        *error = reader.error;
    return std::nullopt;
}

} // namespace

std::optional<SceneStore> decodeSceneStore(const QByteArray& json, QString* error)
{
    return decodeDocument<SceneStore>(json, error, &Reader::store);
}

std::optional<TilehallLayout> decodeLayout(const QByteArray& json, QString* error)
{
    return decodeDocument<TilehallLayout>(json, error, &Reader::layout);
}

} // namespace corvanta
