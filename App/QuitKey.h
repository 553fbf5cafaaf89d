#pragma once

#include <QObject>

#include <functional>

namespace corvanta {

// Control-Q ends the program from whichever of its windows has the keyboard: the overlay, the
// settings window, an alert or question running modally, a menu, a file dialog. Installed on the
// application, it sees the key before any window can keep it for itself.
class QuitKey : public QObject {
public:
    // `quit` runs once per press; unset: the process's termination request.
    explicit QuitKey(std::function<void()> quit = {}, QObject* parent = nullptr);

    static bool isQuitKey(int key, Qt::KeyboardModifiers modifiers);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::function<void()> m_quit;
};

} // namespace corvanta
