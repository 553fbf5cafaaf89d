#pragma once

#include <QPointF>
#include <QRectF>
#include <QString>

namespace corvanta {

// One attached screen as the shell sees it. Rectangles are in the global space, origin at the
// bottom left of the primary screen, y growing upwards: `y()` is the bottom edge (minY) and
// `y() + height()` the top edge (maxY).
//
// Screens are values: the shell keeps them by name, never by pointer, so an unplugged screen leaves
// nothing dangling, and a lookup by name gives the screen's current frame after a resolution change.
struct DisplayScreen {
    QString name;
    QRectF frame;
    QRectF visibleFrame; // the frame without the menu bar and the Dock (the desktop's work area)
    double refreshRate = 60;
    double devicePixelRatio = 1;

    // A screen without a name stands for "no screen at all" (see primaryScreen()).
    bool isNull() const { return name.isEmpty(); }
    bool isSameScreen(const DisplayScreen& other) const { return !isNull() && name == other.name; }
    bool operator==(const DisplayScreen&) const = default;
};

inline double minX(const QRectF& r) { return r.x(); }
inline double maxX(const QRectF& r) { return r.x() + r.width(); }
inline double minY(const QRectF& r) { return r.y(); }
inline double maxY(const QRectF& r) { return r.y() + r.height(); }
inline QPointF centerOf(const QRectF& r) { return {r.x() + r.width() / 2, r.y() + r.height() / 2}; }

// Half-open containment (left and bottom edges in, right and top edges out), so a point on the
// border between two screens belongs to exactly one of them.
inline bool rectContains(const QRectF& r, const QPointF& p)
{
    return p.x() >= minX(r) && p.x() < maxX(r) && p.y() >= minY(r) && p.y() < maxY(r);
}

// "{{x, y}, {w, h}}", the form the log lines print frames in.
QString describeRect(const QRectF& r);

} // namespace corvanta
