#pragma once

#include <QObject>

#include <functional>
#include <memory>
#include <vector>

class QSocketNotifier;
typedef struct _XDisplay Display;

namespace corvanta {

// An X connection of our own that listens to XInput 2 events selected on the root window, so Qt's
// own event handling never sees them. Events are read when the connection's socket is readable.
class X11InputConnection : public QObject {
public:
    // Needs XInput 2.`minorVersion` or later; `displayName` empty: $DISPLAY.
    explicit X11InputConnection(int minorVersion, const QByteArray& displayName = {}, QObject* parent = nullptr);
    ~X11InputConnection() override;

    bool isAvailable() const;
    Display* display() const;
    unsigned long root() const;

    // Selects `types` on the root window (for every master device); `onEvent` receives each such
    // event with its data, `afterBatch` runs once all pending events have been read.
    bool listen(const std::vector<int>& types, std::function<void(int type, const void* data)> onEvent,
                std::function<void()> afterBatch = {});
    void stopListening();
    bool isListening() const { return m_notifier != nullptr; }

private:
    void select(const std::vector<int>& types);
    void readEvents();

    Display* m_display = nullptr;
    unsigned long m_root = 0;
    int m_opcode = -1;
    QSocketNotifier* m_notifier = nullptr;
    std::function<void(int, const void*)> m_onEvent;
    std::function<void()> m_afterBatch;
    bool m_rereadPosted = false;
};

} // namespace corvanta
