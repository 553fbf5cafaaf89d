#pragma once

#include "Support/Clock.h"
#include "Support/FrameTicker.h"

#include <QGraphicsObject>
#include <QImage>
#include <QPointer>

namespace corvanta {

// The launch zoom: while the cell's application launches, a copy of its icon is put on the scene
// above everything else, exactly over the icon, and grown from 1 to 2 times its size in a quarter
// second, then removed. Living outside the grid, the copy is clipped by neither the cell, the page
// nor the pager, and plays on while the overlay starts closing.
//
// The anchor is an invisible child of the cell covering the icon square; it never takes clicks.
class LaunchIconAnimator : public QGraphicsObject {
    Q_OBJECT
public:
    static constexpr double kDuration = 0.25;
    static constexpr double kFinalScale = 2;

    LaunchIconAnimator(Scheduler& scheduler, QGraphicsItem* parent = nullptr);
    ~LaunchIconAnimator() override;

    void setSize(const QSizeF& size);
    QRectF boundingRect() const override { return {QPointF(), m_size}; }
    void paint(QPainter*, const QStyleOptionGraphicsItem*, QWidget*) override {}

    // With `launching` and an image, starts the zoom once per launch; without `launching`, removes
    // a copy at once and arms the next launch.
    void update(const QImage& image, bool launching);

    // The copy while it plays (tests look at its place and scale).
    QGraphicsItem* launchView() const;
    bool didStart() const { return m_didStart; }
    // The timing of the copy's scale: the platform's default media curve.
    static double scaleAt(double elapsed);

private:
    void finish(QGraphicsObject* copy);
    void clear();

    Scheduler& m_scheduler;
    QSizeF m_size;
    QPointer<QGraphicsObject> m_launchView;
    bool m_didStart = false;
    FrameTicker m_ticker;
    double m_startTime = 0;
};

} // namespace corvanta
