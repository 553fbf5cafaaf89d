#include "App/ModalAlert.h"

#include "Platform/WindowLevels.h"
#include "Support/Logger.h"
#include "Views/ModalAboveOverlay.h"
#include "Views/TilehallWindow.h"

#include <QMessageBox>

namespace corvanta {

int runModalAboveTilehall(QMessageBox& box, TilehallWindow* overlay)
{
    box.winId();
    const QString before = overlay ? QStringLiteral("Optional(") + QString::number(overlay->level()) + QLatin1Char(')')
                                   : QStringLiteral("nil");
    const int response = runModalAboveOverlay(box, overlay, [&before](const QDialog& dialog) {
        CLOG_INFO(QStringLiteral("弹窗显示 — 位置=(") + QString::number(dialog.x()) + QLatin1Char(',') + QString::number(dialog.y())
            + QStringLiteral(") 尺寸=") + QString::number(dialog.width()) + QStringLiteral("×") + QString::number(dialog.height())
            + QStringLiteral("，主窗层级 ") + before + QStringLiteral(" → ") + QString::number(WindowLevel::normal));
    });
    CLOG_INFO(QStringLiteral("弹窗关闭 — 响应=") + QString::number(response) + QStringLiteral("，主窗层级已还原"));
    return response;
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
