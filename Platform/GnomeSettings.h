#pragma once

#include <QObject>
#include <QString>

#include <optional>

namespace corvanta::GnomeSettings {

// Whether the schema is installed (and has the key, when one is given). GIO aborts the process on
// an unknown schema or key, so every read and watch checks this first.
bool has(const QString& schemaId, const QString& key = {});

// A string setting, or empty when the schema, the key or a string value is missing.
QString readString(const QString& schemaId, const QString& key);
// An integer or boolean setting; nothing when the schema, the key or a value of that type is missing.
std::optional<int> readInt(const QString& schemaId, const QString& key);
std::optional<bool> readBool(const QString& schemaId, const QString& key);

// Signals each change of a schema's settings, delivered through the GLib main context that Qt's
// event loop drives. Inactive (never signals) when the schema is not installed.
class Watcher final : public QObject {
    Q_OBJECT
public:
    explicit Watcher(const QString& schemaId, QObject* parent = nullptr);
    ~Watcher() override;
    bool isActive() const { return m_settings != nullptr; }

Q_SIGNALS:
    void changed(const QString& key);

private:
    void* m_settings = nullptr; // GSettings*
    unsigned long m_handler = 0;
};

} // namespace corvanta::GnomeSettings
