#pragma once

#include <QObject>

namespace corvanta {

// The composition root: owns the program's services as members, in start-up order.
class AppDelegate : public QObject {
    Q_OBJECT
public:
    explicit AppDelegate(QObject* parent = nullptr);
    ~AppDelegate() override;

    // Runs once the event loop has started.
    void applicationDidFinishLaunching();
    void applicationWillTerminate();
};

} // namespace corvanta
