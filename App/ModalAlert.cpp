#include "App/ModalAlert.h"

#include "Platform/WindowLevels.h"
#include "Support/Logger.h"
#include "Views/ModalAboveOverlay.h"
#include "Views/TilehallWindow.h"

#include <QMessageBox>

namespace corvanta {

ModalOutcome runModalAboveTilehall(QMessageBox& box, TilehallWindow* overlay)
{
    box.winId();
    const QString before = overlay ? QStringLiteral("Optional(") + QString::number(overlay->level()) + QLatin1Char(')')
                                   : QStringLiteral("nil");
    const ModalOutcome outcome = runModalAboveOverlay(box, overlay, [&before](const QDialog& dialog) {
        CLOG_INFO(QStringLiteral("弹窗显示 — 位置=(") + QString::number(dialog.x()) + QLatin1Char(',') + QString::number(dialog.y())
            + QStringLiteral(") 尺寸=") + QString::number(dialog.width()) + QStringLiteral("×") + QString::number(dialog.height())
            + QStringLiteral("，主窗层级 ") + before + QStringLiteral(" → ") + QString::number(WindowLevel::normal));
    });
    if (outcome.dismissedByTermination)
        CLOG_INFO(QStringLiteral("弹窗因程序退出而关闭 — 不作为回答，主窗层级已还原"));
    else
        CLOG_INFO(QStringLiteral("弹窗关闭 — 响应=") + QString::number(outcome.result) + QStringLiteral("，主窗层级已还原"));
    return outcome;
}

void runSimpleAlertAboveTilehall(const QString& message, const QString& informativeText, bool critical,
                                 TilehallWindow* overlay)
{
    QMessageBox box(critical ? QMessageBox::Critical : QMessageBox::Information, message, message, QMessageBox::NoButton);
    box.setTextFormat(Qt::PlainText);
    box.setInformativeText(informativeText);
    box.addButton(QStringLiteral("好"), QMessageBox::AcceptRole);
    runModalAboveTilehall(box, overlay);
}

} // namespace corvanta
