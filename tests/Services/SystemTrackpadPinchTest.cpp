#include "Platform/PropertyList.h"
#include "Services/SystemTrackpadPinch.h"
#include "Support/AtomicFile.h"
#include "common/LogCapture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace corvanta;

namespace {

const QString four = QStringLiteral("TrackpadFourFingerPinchGesture");
const QString five = QStringLiteral("TrackpadFiveFingerPinchGesture");
const QString first = QString::fromLatin1(SystemTrackpadPinch::firstDomain);
const QString second = QString::fromLatin1(SystemTrackpadPinch::secondDomain);

struct Prefs {
    QTemporaryDir dir;
    QStringList notices;
    SystemTrackpadPinch pinch{dir.path(), [this](const QString& name) { notices << name; }};

    void put(const QString& domain, const QVariantMap& values, bool binary = false)
    {
        const QString path = pinch.domainFile(domain);
        ASSERT_TRUE(writeFileAtomically(path, binary ? PropertyList::toBinary(values) : PropertyList::toXml(values)));
    }
    QVariantMap read(const QString& domain) const
    {
        const auto root = PropertyList::readFile(pinch.domainFile(domain));
        return root ? root->toMap() : QVariantMap();
    }
    bool exists(const QString& domain) const { return QFileInfo::exists(pinch.domainFile(domain)); }
};

} // namespace

TEST(SystemTrackpadPinch, ReadsEitherDomainButTheSourceFromTheFirstOnly)
{
    struct Case {
        QVariant firstValue;  // invalid: no file
        QVariant secondValue;
        bool enabled;
        GestureRecognitionSource source;
    };
    const Case cases[] = {
        {{}, {}, false, GestureRecognitionSource::builtIn},
        {qint64(0), qint64(0), false, GestureRecognitionSource::builtIn},
        {qint64(2), {}, true, GestureRecognitionSource::macOS},
        {qint64(1), qint64(0), true, GestureRecognitionSource::macOS},
        {{}, qint64(3), true, GestureRecognitionSource::builtIn}, // only the Bluetooth domain
        {QStringLiteral("2"), {}, false, GestureRecognitionSource::builtIn}, // not a number
    };
    for (const Case& c : cases) {
        Prefs p;
        if (c.firstValue.isValid())
            p.put(first, {{four, c.firstValue}});
        if (c.secondValue.isValid())
            p.put(second, {{four, c.secondValue}}, true);
        EXPECT_EQ(p.pinch.isSystemPinchEnabled(TrackpadGesture::fourFinger), c.enabled) << c.firstValue.toString().toStdString();
        EXPECT_EQ(p.pinch.gestureRecognitionSource(TrackpadGesture::fourFinger), c.source);
        EXPECT_FALSE(p.pinch.isSystemPinchEnabled(TrackpadGesture::fiveFinger)) << "the five-finger key is another key";
    }
}

TEST(SystemTrackpadPinch, TakeOverSwitchesBothDomainsOffAndAnnouncesIt)
{
    test::LogCapture log;
    Prefs p;
    p.put(first, {{QStringLiteral("Clicking"), true}});
    p.put(second, {{four, qint64(3)}, {five, qint64(1)}}, true);
    p.pinch.applyExclusiveTakeover(TrackpadGesture::fourFinger);

    EXPECT_EQ(p.read(first).value(four).toLongLong(), 0);
    EXPECT_EQ(p.read(second).value(four).toLongLong(), 0);
    EXPECT_TRUE(p.read(first).value(QStringLiteral("Clicking")).toBool()) << "other settings stay";
    EXPECT_EQ(p.read(second).value(five).toLongLong(), 1) << "the five-finger key is left alone";
    EXPECT_EQ(p.notices, QStringList{QStringLiteral("com.apple.HIToolbox.prefsChangedNotification")});
    EXPECT_TRUE(log.contains(QStringLiteral("阶段150：系统触控板 TrackpadFourFingerPinchGesture=0（关闭·由 Corvanta 接管）")));
    EXPECT_FALSE(p.pinch.isSystemPinchEnabled(TrackpadGesture::fourFinger));
}

TEST(SystemTrackpadPinch, NothingIsWrittenWhenAlreadyOffOrForOff)
{
    Prefs p;
    p.put(first, {{four, qint64(0)}});
    p.put(second, {{four, qint64(0)}});
    p.pinch.applyExclusiveTakeover(TrackpadGesture::fourFinger);
    p.pinch.applyExclusiveTakeover(TrackpadGesture::off);
    EXPECT_TRUE(p.notices.isEmpty());
    EXPECT_FALSE(p.pinch.setSystemPinchEnabled(true, TrackpadGesture::off));
    EXPECT_EQ(p.pinch.gestureRecognitionSource(TrackpadGesture::off), GestureRecognitionSource::disabled);
    EXPECT_TRUE(p.notices.isEmpty());

    Prefs empty;
    empty.pinch.applyExclusiveTakeover(TrackpadGesture::fiveFinger);
    EXPECT_FALSE(empty.exists(first));
    EXPECT_FALSE(empty.exists(second));
}

TEST(SystemTrackpadPinch, WritingCreatesMissingFilesAndSparesUnreadableOnes)
{
    Prefs p;
    QFile broken(p.pinch.domainFile(second));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("<?xml version=\"1.0\"?><plist><dict><key>x</key>");
    broken.close();

    EXPECT_TRUE(p.pinch.setSystemPinchEnabled(true, TrackpadGesture::fiveFinger));
    EXPECT_EQ(p.read(first).value(five).toLongLong(), 2);
    QFile again(p.pinch.domainFile(second));
    ASSERT_TRUE(again.open(QIODevice::ReadOnly));
    EXPECT_TRUE(again.readAll().endsWith("<key>x</key>")) << "a file we cannot read is not replaced";
}
