#include "Views/ModalAboveOverlay.h"

#include "Platform/WindowLevels.h"
#include "Platform/WindowStack.h"
#include "Support/TerminationRequest.h"
#include "Views/LayerHostWindow.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QVBoxLayout>

namespace corvanta {

namespace {

// Lowers the overlay to the normal level for its lifetime, then gives its remembered level back.
class OverlayStepDown {
public:
    explicit OverlayStepDown(LayerHostWindow* overlay) : m_overlay(overlay), m_level(overlay ? overlay->level() : 0)
    {
        if (m_overlay)
            m_overlay->setLevel(WindowLevel::normal);
    }
    ~OverlayStepDown()
    {
        if (m_overlay)
            m_overlay->setLevel(m_level);
    }

private:
    QPointer<LayerHostWindow> m_overlay;
    int m_level;
};

void keepAboveOverlay(QWidget& widget, LayerHostWindow* overlay)
{
    widget.winId();
    WindowStack& stack = overlay ? overlay->windowStack() : WindowStack::shared();
    stack.setLevel(widget.windowHandle(), WindowLevel::aboveOverlay);
}

} // namespace

ModalOutcome runModal(QDialog& dialog)
{
    if (TerminationRequest::isRequested())
        return {QDialog::Rejected, true};
    const int result = dialog.exec();
    if (!TerminationRequest::isRequested())
        return {result, false};
    // The ending stops the dialog's loop without closing it; it goes now, answered by nobody.
    dialog.hide();
    return {result, true};
}

ModalOutcome runModalAboveOverlay(QDialog& dialog, LayerHostWindow* overlay, const std::function<void(const QDialog&)>& placed)
{
    dialog.adjustSize();
    OverlayStepDown stepDown(overlay);
    QScreen* screen = overlay && overlay->screen() ? overlay->screen() : QGuiApplication::primaryScreen();
    const QSize size = dialog.size();
    if (screen && size.width() > 0 && size.height() > 0)
        dialog.move(screen->geometry().center() - QPoint(size.width() / 2, size.height() / 2));
    keepAboveOverlay(dialog, overlay);
    if (placed)
        placed(dialog);
    return runModal(dialog);
}

void popUpMenuAboveOverlay(QMenu& menu, const QPoint& globalPos, LayerHostWindow* overlay)
{
    OverlayStepDown stepDown(overlay);
    keepAboveOverlay(menu, overlay);
    menu.exec(globalPos);
}

AlertDialog::AlertDialog(const QString& message, const QString& informativeText, const QString& firstButton,
    const QString& secondButton, Style style, QWidget* parent)
    : QDialog(parent), m_message(message), m_informative(informativeText), m_buttons{firstButton, secondButton}, m_style(style)
{
    setWindowTitle(message);
    setModal(true);
    auto* outer = new QHBoxLayout(this);
    auto* icon = new QLabel(this);
    const QStyle::StandardPixmap pixmap =
        m_style == Style::warning ? QStyle::SP_MessageBoxWarning : QStyle::SP_MessageBoxInformation;
    icon->setPixmap(QWidget::style()->standardIcon(pixmap).pixmap(48, 48));
    icon->setAlignment(Qt::AlignTop);
    outer->addWidget(icon);

    m_texts = new QVBoxLayout;
    auto* title = new QLabel(message, this);
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);
    title->setTextFormat(Qt::PlainText);
    m_texts->addWidget(title);
    auto* informative = new QLabel(informativeText, this);
    informative->setTextFormat(Qt::PlainText);
    informative->setWordWrap(true);
    m_texts->addWidget(informative);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    auto* second = new QPushButton(secondButton, this);
    auto* first = new QPushButton(firstButton, this);
    first->setDefault(true);
    connect(first, &QPushButton::clicked, this, &QDialog::accept);
    connect(second, &QPushButton::clicked, this, &QDialog::reject);
    buttons->addWidget(second);
    buttons->addWidget(first);
    m_texts->addLayout(buttons);
    outer->addLayout(m_texts);
}

QLineEdit* AlertDialog::addTextField(const QString& text, const QSize& size)
{
    m_field = new QLineEdit(text, this);
    m_field->setFixedSize(size);
    m_texts->insertWidget(2, m_field);
    m_field->setFocus();
    m_field->selectAll();
    return m_field;
}

} // namespace corvanta
