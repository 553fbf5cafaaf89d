#pragma once

#include <QObject>

class QSocketNotifier;

namespace corvanta {

// Brings SIGTERM, SIGINT and SIGHUP to the main thread as one Qt signal, through a self-pipe: the
// handler only writes the signal number, so the program's own termination path runs outside it.
class TerminationSignals : public QObject {
    Q_OBJECT
public:
    explicit TerminationSignals(QObject* parent = nullptr);
    // Puts the previous handlers back.
    ~TerminationSignals() override;

    bool isInstalled() const { return m_notifier != nullptr; }

Q_SIGNALS:
    void terminationRequested(int signalNumber);

private:
    void readSignal();

    QSocketNotifier* m_notifier = nullptr;
};

} // namespace corvanta
