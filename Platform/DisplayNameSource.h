#pragma once

#include <QHash>
#include <QString>

#include <optional>

namespace corvanta {

// The name the desktop's file metadata gives an item, when the desktop keeps such metadata.
class DisplayNameSource {
public:
    virtual ~DisplayNameSource() = default;
    virtual std::optional<QString> displayName(const QString& path) const = 0;
};

// Linux desktops keep no such metadata for folders, so there is never a name from here and the
// bundle's own localisations decide.
class NoDisplayNameSource : public DisplayNameSource {
public:
    std::optional<QString> displayName(const QString&) const override { return std::nullopt; }
};

class FakeDisplayNameSource : public DisplayNameSource {
public:
    void set(const QString& path, const QString& name) { m_names.insert(path, name); }
    std::optional<QString> displayName(const QString& path) const override
    {
        const auto it = m_names.constFind(path);
        if (it == m_names.cend())
            return std::nullopt;
        return *it;
    }

private:
    QHash<QString, QString> m_names;
};

} // namespace corvanta
