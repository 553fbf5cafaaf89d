#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QString>

#include <optional>

namespace corvanta {

// An ICNS icon file read from its table of entries: the entry headers are walked once and only the
// picture asked for is decoded, so an icon file of many entries costs no more than the one used.
// Pictures may be PNG, JPEG 2000 or the older run-length RGB with its separate 8-bit mask.
class IcnsFile {
public:
    // Files larger than this are not read: real icon files stay under a few megabytes.
    static constexpr qsizetype maxBytes = 16 * 1024 * 1024;
    // No picture of an icon file is larger.
    static constexpr int maxSide = 1024;

    struct Entry {
        QByteArray type; // four characters, e.g. "ic08"
        qsizetype offset = 0; // of the data, after the 8-byte entry header
        qsizetype length = 0; // of the data
        int side = 0;         // the nominal width and height in pixels
    };

    // Nothing when `data` is no ICNS file. A truncated or inconsistent entry ends the table; the
    // entries before it are kept.
    static std::optional<IcnsFile> parse(QByteArray data);
    static std::optional<IcnsFile> readFile(const QString& path);

    // Entries holding pictures, largest first (a PNG or JPEG 2000 entry before an older one of
    // the same size).
    const QList<Entry>& pictures() const { return m_pictures; }

    // The largest picture that decodes. One that does not is logged (with `name` for the file)
    // and the next smaller is tried. A null image when none decodes.
    QImage largestImage(const QString& name = QString()) const;
    // One entry's picture, or a null image; `error` then says why.
    QImage decode(const Entry& entry, QString* error = nullptr) const;

private:
    QImage decodeRunLength(const Entry& entry, QString* error) const;

    QByteArray m_data;
    QList<Entry> m_pictures;
    QList<Entry> m_masks;
};

} // namespace corvanta
