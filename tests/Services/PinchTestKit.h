#pragma once

#include "Platform/PinchEventSource.h"
#include "Platform/TouchpadFrames.h"
#include "Services/MultitouchFingerTracker.h"
#include "Services/PinchRecognizer.h"
#include "Support/VirtualScheduler.h"

#include <QTemporaryDir>

#include <memory>
#include <vector>

namespace corvanta::test {

class FakePinchEventSource final : public PinchEventSource {
public:
    bool install(Handlers h) override
    {
        if (!available)
            return false;
        handlers = std::move(h);
        installed = true;
        ++installs;
        return true;
    }
    void remove() override
    {
        installed = false;
        handlers = {};
    }
    bool isInstalled() const override { return installed; }

    Handlers handlers;
    bool installed = false;
    bool available = true;
    int installs = 0;
};

class FakeSleepWake final : public SleepWakeSource {
public:
    void start(std::function<void()> s, std::function<void()> w) override
    {
        willSleep = std::move(s);
        didWake = std::move(w);
    }
    void stop() override { willSleep = didWake = nullptr; }
    std::function<void()> willSleep, didWake;
};

// A recogniser on virtual time over a tracker that the test feeds frames, with the trackpad
// preferences in a temporary folder. The tracker's notices run on delivery, as on the main queue.
struct PinchRig {
    VirtualScheduler scheduler{500.0};
    std::vector<std::function<void()>> posted;
    MultitouchFingerTracker tracker{scheduler.clock(), [this](std::function<void()> work) { posted.push_back(std::move(work)); }};
    FakePinchEventSource events;
    FakeSleepWake sleepWake;
    QTemporaryDir preferences;
    SystemTrackpadPinch systemPinch{preferences.path(), [this](const QString& name) { notices << name; }};
    QStringList notices;
    bool visible = false;
    TouchpadAccess touchpad = TouchpadAccess::readable;
    std::unique_ptr<PinchRecognizer> recognizer;

    struct Report {
        QString kind;
        double value;
    };
    std::vector<Report> reports;

    PinchRig()
    {
        PinchRecognizer::Dependencies d;
        d.scheduler = &scheduler;
        d.tracker = &tracker;
        d.events = &events;
        d.sleepWake = &sleepWake;
        d.systemPinch = &systemPinch;
        d.touchpadAccess = [this] { return touchpad; };
        d.isTilehallVisible = [this] { return visible; };
        recognizer = std::make_unique<PinchRecognizer>(std::move(d));
        recognizer->onPinchBegin = [this](PinchGestureDirection dir) {
            reports.push_back({QStringLiteral("begin:") + caseName(dir), 0});
        };
        recognizer->onPinchProgress = [this](double p) { reports.push_back({QStringLiteral("progress"), p}); };
        recognizer->onPinchSettle = [this](bool commit) {
            reports.push_back({commit ? QStringLiteral("settle:true") : QStringLiteral("settle:false"), 0});
        };
    }
    PinchRecognizer& r() { return *recognizer; }

    // `n` fingers down now, as the tracker saw them; `calibrated` frames carry readable records.
    void fingers(int n, bool calibrated = false, double half = 0.1)
    {
        std::vector<FingerRecord> records;
        for (int i = 0; i < n; ++i)
            records.push_back({qint32(++frameNumber), 10 + i, TouchpadFrames::touchingState, float(0.5 + half * (i % 2 ? 1 : -1)),
                               float(0.5 + half * (i / 2 ? 1 : -1))});
        for (auto& rec : records)
            rec.frame = frameNumber;
        const QByteArray bytes = calibrated ? TouchpadFrames::encode(records) : QByteArray();
        tracker.handleFrame(bytes, n);
    }
    void deliver()
    {
        auto work = std::move(posted);
        posted.clear();
        for (auto& w : work)
            w();
    }
    TapDecision magnify(double value, unsigned phase, qint64 aux = 0)
    {
        return recognizer->handleMagnifyEvent(MagnifyEvent{value, aux, phase});
    }
    QStringList kinds() const
    {
        QStringList out;
        for (const auto& rep : reports)
            out << rep.kind;
        return out;
    }
    std::vector<double> progress() const
    {
        std::vector<double> out;
        for (const auto& rep : reports)
            if (rep.kind == QLatin1String("progress"))
                out.push_back(rep.value);
        return out;
    }
    qint32 frameNumber = 0;
};

} // namespace corvanta::test
