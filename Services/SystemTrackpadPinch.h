#pragma once

#include "Models/LayoutConfig.h"
#include "Services/GestureRecognitionSource.h"

#include <QString>

#include <functional>
#include <optional>

namespace corvanta {

QString caseName(GestureRecognitionSource source);

// The system's own four- and five-finger pinch switches in the two trackpad preference domains,
// property-list files in a preferences folder: read, switched off to take the gesture over, and
// announced with a change notice.
class SystemTrackpadPinch {
public:
    static constexpr char firstDomain[] = "com.apple.AppleMultitouchTrackpad";
    static constexpr char secondDomain[] = "com.apple.driver.AppleBluetoothMultitouch.trackpad";
    static constexpr char prefsChangedNotification[] = "com.apple.HIToolbox.prefsChangedNotification";
    static constexpr qint64 onValue = 2;
    static constexpr qint64 offValue = 0;

    using NotificationPoster = std::function<void(const QString& name)>;

    SystemTrackpadPinch(QString preferencesFolder, NotificationPoster post);
    // The user's Library/Preferences under the home folder; notices on the program's own centre.
    static SystemTrackpadPinch& shared();

    // The mode's key; empty for `off`.
    static QString key(TrackpadGesture mode);

    bool isSystemPinchEnabled(TrackpadGesture mode) const;
    // Writes the key in both domains; false (writing nothing) for `off`.
    bool setSystemPinchEnabled(bool enabled, TrackpadGesture mode);
    void applyExclusiveTakeover(TrackpadGesture mode);
    GestureRecognitionSource gestureRecognitionSource(TrackpadGesture mode) const;

    QString domainFile(const QString& domain) const;

private:
    // The key's value when it is a number; nothing when absent, unreadable or not a number.
    std::optional<qint64> read(const QString& domain, const QString& key) const;
    bool isOn(const QString& domain, const QString& key) const { return read(domain, key).value_or(0) != 0; }
    void write(const QString& domain, const QString& key, qint64 value);

    QString m_folder;
    NotificationPoster m_post;
};

} // namespace corvanta
