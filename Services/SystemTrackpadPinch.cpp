#include "Services/SystemTrackpadPinch.h"

#include "Platform/MessageBus.h"
#include "Platform/PropertyList.h"
#include "Platform/StandardPaths.h"
#include "Support/AtomicFile.h"
#include "Support/Logger.h"

#include <QDir>
#include <QFileInfo>

namespace corvanta {

QString caseName(GestureRecognitionSource source)
{
    switch (source) {
    case GestureRecognitionSource::macOS:
        return QStringLiteral("macOS");
    case GestureRecognitionSource::builtIn:
        return QStringLiteral("builtIn");
    case GestureRecognitionSource::disabled:
        break;
    }
    return QStringLiteral("disabled");
}

SystemTrackpadPinch::SystemTrackpadPinch(QString preferencesFolder, NotificationPoster post)
    : m_folder(std::move(preferencesFolder)), m_post(std::move(post))
{
}

SystemTrackpadPinch& SystemTrackpadPinch::shared()
{
    // The change notice goes out on the program's own bus; the desktop has no listener for it.
    static SystemTrackpadPinch instance(StandardPaths::homeDirectory() + QStringLiteral("/Library/Preferences"),
                                        [](const QString& name) { MessageBus::shared().post(name); });
    return instance;
}

QString SystemTrackpadPinch::key(TrackpadGesture mode)
{
    switch (mode) {
    case TrackpadGesture::fourFinger:
        return QStringLiteral("TrackpadFourFingerPinchGesture");
    case TrackpadGesture::fiveFinger:
        return QStringLiteral("TrackpadFiveFingerPinchGesture");
    case TrackpadGesture::off:
        break;
    }
    return {};
}

QString SystemTrackpadPinch::domainFile(const QString& domain) const
{
    return m_folder + QLatin1Char('/') + domain + QStringLiteral(".plist");
}

std::optional<qint64> SystemTrackpadPinch::read(const QString& domain, const QString& key) const
{
    const auto root = PropertyList::readFile(domainFile(domain));
    if (!root || root->typeId() != QMetaType::QVariantMap)
        return std::nullopt;
    const QVariant value = root->toMap().value(key);
    switch (value.typeId()) {
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Int:
        return value.toLongLong();
    case QMetaType::Double:
        return value.toDouble() == 0 ? 0 : 1;
    default:
        return std::nullopt;
    }
}

void SystemTrackpadPinch::write(const QString& domain, const QString& key, qint64 value)
{
    const QString path = domainFile(domain);
    QVariantMap values;
    if (QFileInfo::exists(path)) {
        const auto root = PropertyList::readFile(path);
        // Another program's file we cannot read is left alone rather than replaced.
        if (!root || root->typeId() != QMetaType::QVariantMap) {
            CLOG_WARN(QStringLiteral("Trackpad preferences unreadable, left unchanged: ") + domain);
            return;
        }
        values = root->toMap();
    }
    values.insert(key, value);
    QDir().mkpath(m_folder);
    QString error;
    if (!writeFileAtomically(path, PropertyList::toBinary(values), &error))
        CLOG_WARN(QStringLiteral("Trackpad preferences not written: ") + domain + QStringLiteral(" — ") + error);
}

bool SystemTrackpadPinch::isSystemPinchEnabled(TrackpadGesture mode) const
{
    const QString k = key(mode);
    if (k.isEmpty())
        return false;
    return isOn(QString::fromLatin1(firstDomain), k) || isOn(QString::fromLatin1(secondDomain), k);
}

bool SystemTrackpadPinch::setSystemPinchEnabled(bool enabled, TrackpadGesture mode)
{
    const QString k = key(mode);
    if (k.isEmpty())
        return false;
    const qint64 value = enabled ? onValue : offValue;
    write(QString::fromLatin1(firstDomain), k, value);
    write(QString::fromLatin1(secondDomain), k, value);
    if (m_post)
        m_post(QString::fromLatin1(prefsChangedNotification));
    CLOG_INFO(QStringLiteral("阶段150：系统触控板 ") + k + QLatin1Char('=') + QString::number(value) + QStringLiteral("（") +
              (enabled ? QStringLiteral("开启") : QStringLiteral("关闭·由 Corvanta 接管")) + QStringLiteral("）"));
    return true;
}

void SystemTrackpadPinch::applyExclusiveTakeover(TrackpadGesture mode)
{
    const QString k = key(mode);
    if (k.isEmpty())
        return;
    if (isOn(QString::fromLatin1(firstDomain), k) || isOn(QString::fromLatin1(secondDomain), k))
        setSystemPinchEnabled(false, mode);
}

GestureRecognitionSource SystemTrackpadPinch::gestureRecognitionSource(TrackpadGesture mode) const
{
    const QString k = key(mode);
    if (k.isEmpty())
        return GestureRecognitionSource::disabled;
    return isOn(QString::fromLatin1(firstDomain), k) ? GestureRecognitionSource::macOS : GestureRecognitionSource::builtIn;
}

} // namespace corvanta
