#pragma once

#include <QPointF>
#include <Qt>

namespace corvanta {

// One mouse or scroll event as the interaction engine sees it, independent of the toolkit that
// delivered it. Positions are in the overlay window with the origin at the bottom left (y up).
struct InputEvent {
    enum class Kind { LeftMouseDown, LeftMouseUp, RightMouseDown, LeftMouseDragged, ScrollWheel };

    // Which window the event was delivered to.
    enum class Window { None, Overlay, Other };

    // What kind of element lies under the event's point (filled for mouse-up events).
    enum class Element { None, TextField, Button, ScrollView, Other };

    // Scroll phase bits (phase and momentumPhase); 0 means none.
    static constexpr unsigned kPhaseBegan = 1;
    static constexpr unsigned kPhaseStationary = 2;
    static constexpr unsigned kPhaseChanged = 4;
    static constexpr unsigned kPhaseEnded = 8;
    static constexpr unsigned kPhaseCancelled = 16;
    static constexpr unsigned kPhaseMayBegin = 32;

    Kind kind = Kind::LeftMouseDown;
    QPointF location;           // window point, bottom-left origin
    double timestamp = 0;       // Clock seconds
    Qt::MouseButtons buttons;   // buttons held when the event was read
    Qt::KeyboardModifiers modifiers;
    double scrollingDeltaX = 0; // positive: content moves right
    double scrollingDeltaY = 0; // positive: content moves down (wheel turned away from the user)
    bool hasPreciseScrollingDeltas = false;
    unsigned phase = 0;
    unsigned momentumPhase = 0;
    bool isDirectionInvertedFromDevice = false;
    Window window = Window::None;
    bool pointerInsideOverlay = false; // the pointer lay inside the overlay window's frame
    Element element = Element::None;
};

} // namespace corvanta
