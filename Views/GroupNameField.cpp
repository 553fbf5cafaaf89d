#include "Views/GroupNameField.h"

#include "Views/CellDrawing.h"

#include <QFontMetricsF>
#include <QGraphicsTextItem>
#include <QPainter>
#include <QTextDocument>
#include <QTextOption>

namespace corvanta {

GroupNameField::GroupNameField(const QString& name, const GridMetrics& metrics, FrameRegistry* frames, QGraphicsItem* parent)
    : QGraphicsObject(parent), m_metrics(metrics), m_text(new QGraphicsTextItem(this))
{
    const QFont font = CellDrawing::labelFont(metrics.labelFontSize);
    m_size = QSizeF(metrics.labelWidth, QFontMetricsF(font).height() + 2);
    m_text->setFont(font);
    m_text->setDefaultTextColor(Qt::white);
    m_text->setTextInteractionFlags(Qt::TextEditorInteraction);
    m_text->document()->setDocumentMargin(0);
    QTextOption option = m_text->document()->defaultTextOption();
    option.setWrapMode(QTextOption::NoWrap);
    option.setAlignment(Qt::AlignHCenter);
    m_text->document()->setDefaultTextOption(option);
    m_text->setTextWidth(metrics.labelWidth);
    m_text->setPlainText(name); // the draft starts as the folder's name
    m_text->setPos(0, 1);
    if (frames)
        m_report = FrameReport(*frames, FrameKind::chrome);
    connect(m_text->document(), &QTextDocument::contentsChanged, this, [this] {
        // Names are one line of plain text: a pasted line break must not reach the store.
        const QString text = m_text->toPlainText();
        if (text.contains(QLatin1Char('\n'))) {
            setDraft(QString(text).replace(QLatin1Char('\n'), QLatin1Char(' ')));
            return;
        }
        if (onRename)
            onRename(text);
    });
}

QString GroupNameField::draft() const { return m_text->toPlainText(); }

void GroupNameField::setDraft(const QString& text) { m_text->setPlainText(text); }

void GroupNameField::setReportedFrame(const QRectF& frame) { m_report.report(frame); }

void GroupNameField::paint(QPainter* painter, const QStyleOptionGraphicsItem*, QWidget*)
{
    painter->setRenderHint(QPainter::Antialiasing);
    painter->fillPath(CellDrawing::continuousRoundedRect(boundingRect(), 4), QColor(255, 255, 255, 56));
}

} // namespace corvanta
