#pragma once

#include <QObject>

class QSocketNotifier;

namespace corvanta {

// Brings SIGTERM, SIGINT and SIGHUP to the main thread as one Qt signal, through a self-pipe: the
// handler only writes the signal number, so the program's own termination path runs outside it.
class TerminationSignals : public QObject {
    Q_OBJECT
public:
    // Installs the handlers and the pipe without an application object: the first thing the
    // program does, so a signal that arrives while it starts waits in the pipe for the object
    // below instead of ending the process unsaved. Whether they are in place.
    static bool installHandlers();

    // Installs the handlers if that has not been done, and reads the pipe on the main thread.
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
