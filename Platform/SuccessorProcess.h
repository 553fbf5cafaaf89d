#pragma once

#include <QProcessEnvironment>
#include <QString>

namespace corvanta {

// A fresh copy of the program that takes over from this process, and this process's quick end.
class SuccessorProcess {
public:
    // What the successor finds in its environment.
    static constexpr char successionVariable[] = "QUORLA_SUCCESSION";

    struct Started {
        qint64 pid = 0;
        QString error; // empty when it started
        bool ok() const { return error.isEmpty(); }
    };

    // `environment` plus the succession mark (added or replaced).
    static QProcessEnvironment successorEnvironment(QProcessEnvironment environment);
    // Starts `executable` detached, without arguments and never through a shell, with `environment`
    // plus the succession mark. `standardOutput`: a file for its output (tests); empty: inherited.
    static Started start(const QString& executable, const QProcessEnvironment& environment, const QString& standardOutput = {});
    // The program's own executable with this process's environment.
    static Started startSelf();

    // Ends the process with `status` at once: standard streams are flushed, but no static
    // destructor or exit handler runs while the application object still lives.
    [[noreturn]] static void exitImmediately(int status);
};

} // namespace corvanta
