#include "PlistEncoding.h"

#include <QStringEncoder>

#include <stdexcept>

namespace corvanta::samples {

namespace {

QString escapeStringsValue(const QString& text, bool escapeNonAscii)
{
    QString out;
    for (const QChar c : text) {
        switch (c.unicode()) {
        case '"': out += QStringLiteral("\\\""); break;
        case '\\': out += QStringLiteral("\\\\"); break;
        case '\n': out += QStringLiteral("\\n"); break;
        case '\t': out += QStringLiteral("\\t"); break;
        default:
            if (escapeNonAscii && c.unicode() > 0x7f) {
                out += QStringLiteral("\\U%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
            } else {
                out += c;
            }
        }
    }
    return out;
}

}  // namespace

void setString(plist_t dict, const char* key, const QString& value)
{
    plist_dict_set_item(dict, key, plist_new_string(value.toUtf8().constData()));
}

PlistPtr textDictionary(const std::vector<std::pair<QString, QString>>& entries)
{
    PlistPtr dict(plist_new_dict());
    for (const auto& [key, value] : entries) {
        setString(dict.get(), key.toUtf8().constData(), value);
    }
    return dict;
}

QByteArray encodePlist(plist_t root, PlistForm form)
{
    char* data = nullptr;
    uint32_t length = 0;
    if (form == PlistForm::Binary) {
        plist_to_bin(root, &data, &length);
    } else {
        plist_to_xml(root, &data, &length);
    }
    if (data == nullptr || length == 0) {
        throw std::runtime_error("could not encode a property list");
    }
    QByteArray bytes(data, static_cast<qsizetype>(length));
    if (form == PlistForm::Binary) {
        plist_to_bin_free(data);
    } else {
        plist_to_xml_free(data);
    }
    return bytes;
}

QByteArray encodeStringsText(const std::vector<std::pair<QString, QString>>& entries, StringsForm form)
{
    const bool escapeNonAscii = form == StringsForm::TextUtf8Escaped;
    QString text = QStringLiteral("/* Localized versions of Info.plist keys */\n\n");
    for (const auto& [key, value] : entries) {
        if (key == QLatin1String("CFBundleDisplayName")) {
            text += QStringLiteral("// The name shown under the application's icon\n");
        }
        text += QStringLiteral("\"%1\" = \"%2\";\n").arg(key, escapeStringsValue(value, escapeNonAscii));
    }
    switch (form) {
    case StringsForm::TextUtf16LE:
        return QStringEncoder(QStringEncoder::Utf16LE, QStringEncoder::Flag::WriteBom).encode(text);
    case StringsForm::TextUtf16BE:
        return QStringEncoder(QStringEncoder::Utf16BE, QStringEncoder::Flag::WriteBom).encode(text);
    case StringsForm::TextUtf8:
    case StringsForm::TextUtf8Escaped:
        return text.toUtf8();
    case StringsForm::XmlPlist:
    case StringsForm::BinaryPlist:
        break;
    }
    throw std::invalid_argument("not a text form of a strings file");
}

}  // namespace corvanta::samples
