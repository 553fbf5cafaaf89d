#include "Views/PinchTakeoverAlert.h"

#include "Platform/WindowLevels.h"
#include "Platform/WindowStack.h"
#include "Views/ModalAboveOverlay.h"

#include <QMessageBox>
#include <QPushButton>

namespace corvanta {

PinchTakeoverAnswer askFourFingerPinchTakeover(WindowStack& stack)
{
    QMessageBox box(QMessageBox::Information, QStringLiteral("Corvanta"), QStringLiteral("启用四指捏合？"), QMessageBox::NoButton);
    box.setInformativeText(QStringLiteral("启用后，可用四指捏合打开或关闭 Corvanta。\n\n本应用会接管该手势，并关闭系统「触控板 → 更多手势」里的四指捏合，"
                                          "以免与「聚焦」搜索冲突。之后可在 Corvanta 设置或系统设置中随时更改。"));
    QPushButton* enable = box.addButton(QStringLiteral("启用"), QMessageBox::AcceptRole);
    QPushButton* later = box.addButton(QStringLiteral("暂不启用"), QMessageBox::RejectRole);
    box.setDefaultButton(enable);
    box.setEscapeButton(later);
    box.winId();
    stack.setLevel(box.windowHandle(), WindowLevel::aboveOverlay);
    // Closing on the way out "clicks" the Esc button; that is no answer.
    if (runModal(box).dismissedByTermination)
        return PinchTakeoverAnswer::dismissedByTermination;
    return box.clickedButton() == enable ? PinchTakeoverAnswer::enable : PinchTakeoverAnswer::notNow;
}

} // namespace corvanta
