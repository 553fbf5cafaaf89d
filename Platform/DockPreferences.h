#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>

#include <optional>

namespace corvanta {

// The Dock's preference domain "com.apple.dock": a property-list file in a preferences folder,
// binary or XML. Writing keeps the form found and every key it does not touch, and replaces the
// file atomically.
class DockPreferences {
public:
    static constexpr char domain[] = "com.apple.dock";
    // The variable that points the domain's folder elsewhere (tests, the demo).
    static constexpr char folderVariable[] = "CORVANTA_DOCK_PREFERENCES_DIR";

    explicit DockPreferences(QString folder);
    // The folder of CORVANTA_DOCK_PREFERENCES_DIR, else ~/Library/Preferences, where the Dock
    // keeps it.
    static QString defaultFolder();

    QString filePath() const;

    enum class Form { xml, binary };

    // The domain as read: a missing file is an empty domain; anything unreadable, unparsable or
    // not a dictionary is an error, so that nobody writes over what they could not read.
    struct Contents {
        QVariantMap root;
        Form form = Form::binary;
        bool existed = false;
    };
    struct ReadResult {
        std::optional<Contents> contents;
        QString error; // set when contents is empty
    };
    ReadResult read() const;
    // The domain file's bytes, read as above.
    static ReadResult decode(const QByteArray& bytes);
    // The bytes of `contents` in its form; nothing when they would not read back as a domain.
    static std::optional<QByteArray> encode(const Contents& contents);

    // Writes `contents.root` in `contents.form` (binary for a domain that did not exist). On
    // failure returns false and sets `error`.
    bool write(const Contents& contents, QString* error) const;

private:
    QString m_folder;
};

} // namespace corvanta
