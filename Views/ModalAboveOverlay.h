#pragma once

#include <QDialog>
#include <QString>

#include <functional>

class QLineEdit;
class QMenu;
class QVBoxLayout;

namespace corvanta {

class LayerHostWindow;

// How a modal run ended: the dialog's own result, or dismissed because the process is ending
// (the toolkit closes the dialog on its way out, which is no answer: its callers then do nothing).
struct ModalOutcome {
    int result = QDialog::Rejected;
    bool dismissedByTermination = false;
    bool accepted() const { return !dismissedByTermination && result == QDialog::Accepted; }
};

// Runs `dialog` modally. Once the process has been asked to end it is not shown at all; an ending
// while it runs stops it at once, hidden and dismissed by termination.
ModalOutcome runModal(QDialog& dialog);

// Runs `dialog` modally over the overlay: the overlay steps down to the normal level while it
// runs, so the dialog (centred on the overlay's screen, kept at the level above the overlay) is
// never hidden behind it; afterwards the overlay gets its own level back. Without an overlay it simply runs the dialog. `placed` runs once the dialog stands where it
// will show, just before it runs.
ModalOutcome runModalAboveOverlay(QDialog& dialog, LayerHostWindow* overlay, const std::function<void(const QDialog&)>& placed = {});

// Pops `menu` up at `globalPos` the same way: the overlay at the normal level meanwhile, the menu
// above it.
void popUpMenuAboveOverlay(QMenu& menu, const QPoint& globalPos, LayerHostWindow* overlay);

// A modal alert: a bold message, an informative text, an optional accessory below them and two
// buttons; the first (the default) accepts, the second rejects.
class AlertDialog : public QDialog {
    Q_OBJECT
public:
    enum class Style { informational, warning };
    AlertDialog(const QString& message, const QString& informativeText, const QString& firstButton, const QString& secondButton,
        Style style = Style::informational, QWidget* parent = nullptr);

    // A one-line text field under the texts, holding `text`; it takes the keyboard focus.
    QLineEdit* addTextField(const QString& text, const QSize& size);
    QLineEdit* textField() const { return m_field; }
    QString message() const { return m_message; }
    QString informativeText() const { return m_informative; }
    QStringList buttonTitles() const { return m_buttons; }
    Style alertStyle() const { return m_style; }

private:
    QString m_message;
    QString m_informative;
    QStringList m_buttons;
    Style m_style;
    QLineEdit* m_field = nullptr;
    QVBoxLayout* m_texts = nullptr;
};

} // namespace corvanta
