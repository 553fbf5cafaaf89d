#pragma once

#include "Platform/WindowStack.h"

namespace corvanta {

// Restacks on Qt's X connection; does nothing when Qt does not run on X (off-screen tests).
class X11StackingBackend final : public StackingBackend {
public:
    QList<WId> dockWindows() override;
    void restack(const QList<WId>& topToBottom) override;
    void focus(QWindow* window) override;
};

} // namespace corvanta
