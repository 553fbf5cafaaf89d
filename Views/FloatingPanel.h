#pragma once

#include <QDialog>

namespace corvanta {

class WindowStack;

// The small floating panels shown before the grid: titled "Corvanta", sized to their content,
// centred on the screen, kept above the overlay and its menu-bar strip (level 27) by our stack and
// never hidden when the program loses the foreground. Return presses the default button.
class FloatingPanel : public QDialog {
    Q_OBJECT
public:
    FloatingPanel(QWidget* content, bool closable, WindowStack& stack);

    // Shows it on top of its level with the keyboard focus.
    void orderFrontAsKey();
    void orderOut();

Q_SIGNALS:
    // The close button (closable panels only).
    void closedByUser();
    // Esc.
    void cancelRequested();

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    WindowStack& m_stack;
    bool m_closable;
};

} // namespace corvanta
