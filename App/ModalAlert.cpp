#include "App/ModalAlert.h"

#include "Platform/WindowLevels.h"
#include "Platform/WindowStack.h"
#include "Support/Logger.h"
#include "Views/TilehallWindow.h"

#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>
#include <QWindow>

namespace corvanta {

int runModalAboveTilehall(QMessageBox& box, TilehallWindow* overlay)
{
    box.winId();
    box.adjustSize();
    std::optional<int> rememberedLevel;
    if (overlay) {
        rememberedLevel = overlay->level();
        overlay->setLevel(WindowLevel::normal);
    }
    QScreen* screen = overlay && overlay->windowHandle() ? overlay->windowHandle()->screen() : QGuiApplication::primaryScreen();
    const QSize size = box.size();
    if (screen && size.width() > 0 && size.height() > 0) {
        const QRect frame = screen->geometry();
        box.move(frame.center().x() - size.width() / 2, frame.center().y() - size.height() / 2);
    }
    WindowStack::shared().setLevel(box.windowHandle(), WindowLevel::aboveOverlay);
    const QString before = rememberedLevel ? QStringLiteral("Optional(") + QString::number(*rememberedLevel) + QLatin1Char(')')
                                           : QStringLiteral("nil");
    CLOG_INFO(QStringLiteral("弹窗显示 — 位置=(") + QString::number(box.x()) + QLatin1Char(',') + QString::number(box.y())
        + QStringLiteral(") 尺寸=") + QString::number(size.width()) + QStringLiteral("×") + QString::number(size.height())
        + QStringLiteral("，主窗层级 ") + before + QStringLiteral(" → ") + QString::number(WindowLevel::normal));
    const int response = box.exec();
    CLOG_INFO(QStringLiteral("弹窗关闭 — 响应=") + QString::number(response) + QStringLiteral("，主窗层级已还原"));
    if (overlay && rememberedLevel)
        overlay->setLevel(*rememberedLevel);
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
