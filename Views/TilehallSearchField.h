#pragma once

#include "Support/Clock.h"

#include <QGraphicsObject>
#include <QPointer>
#include <QString>

#include <functional>

class QGraphicsProxyWidget;
#include <QLineEdit>

namespace corvanta {

class SearchFocusKeeper;

// The capsule search field at the top of the overlay: a magnifier, a real line edit (typing,
// selection, input methods) and, while there is text, a clear button. The text belongs to its
// owner; the field reports edits through onChange and Return through onSubmit. It asks for the
// keyboard focus 0.3 s after it first appears, so typing can start as soon as the overlay opens,
// and keeps it through clicks on the views around it (SearchFocusKeeper).
class TilehallSearchField : public QGraphicsObject {
    Q_OBJECT
public:
    static constexpr double kFocusDelay = 0.3;
    static constexpr double kFontSize = 15;
    static constexpr double kPaddingX = 14;
    static constexpr double kPaddingY = 4;
    static constexpr double kSpacing = 8;
    static constexpr double kSymbolSize = 15;

    explicit TilehallSearchField(Scheduler& scheduler, QGraphicsItem* parent = nullptr);
    ~TilehallSearchField() override;

    // The owner's text, shown without calling onChange.
    void setText(const QString& text);
    QString text() const;
    // The owner's searching flag: held for the owner, never read here.
    void setIsSearching(bool searching) { m_isSearching = searching; }
    bool isSearching() const { return m_isSearching; }

    // Called with the new text after every change made in the field (typing, clear button).
    std::function<void(const QString& text)> onChange;
    // Return; unset: nothing.
    std::function<void()> onSubmit;
    // Any press on the field (the owner tells the engine not to take it for a blank click).
    std::function<void()> onTap;

    void setSize(const QSizeF& size);
    QSizeF size() const { return m_size; }
    bool isFocused() const { return m_isFocused; }
    void focusField();
    // Asks for the focus 0.3 s from now (the overlay has just come up).
    void focusSoon();
    bool showsClearButton() const { return !text().isEmpty(); }
    // Whether clicks reach the field. One that takes none (under an open folder) still keeps the
    // keyboard: typing there searches.
    void setTakesClicks(bool takes);
    bool takesClicks() const { return m_takesClicks; }
    QRectF clearButtonRect() const;
    QLineEdit* lineEdit() const { return m_edit; }

    QRectF boundingRect() const override;
    void paint(QPainter* painter, const QStyleOptionGraphicsItem*, QWidget*) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool sceneEventFilter(QGraphicsItem* watched, QEvent* event) override;
    void mousePressEvent(QGraphicsSceneMouseEvent* event) override;
    void mouseReleaseEvent(QGraphicsSceneMouseEvent* event) override;
    QVariant itemChange(GraphicsItemChange change, const QVariant& value) override;

private:
    void layoutEdit();
    void showContextMenu();
    void filterProxyEvents();
    void setFocused(bool focused);
    void clear();

    Scheduler& m_scheduler;
    QSizeF m_size;
    QGraphicsProxyWidget* m_proxy;
    QPointer<QLineEdit> m_edit;
    bool m_isSearching = false;
    bool m_isFocused = false;
    bool m_syncing = false;
    bool m_appeared = false;
    bool m_takesClicks = true;
    ScheduledTask m_focusTask;
    SearchFocusKeeper* m_focusKeeper;
};

} // namespace corvanta
