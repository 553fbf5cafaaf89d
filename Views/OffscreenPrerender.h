#pragma once

class QGraphicsView;

namespace corvanta {

// A hidden window is never painted, so its first show would lay out text, scale pixmaps and load
// icons all at once. This creates the native window and draws the scene once into an image of the
// window's size, leaving glyph, pixmap and icon caches warm; nothing reaches the screen.
void prerenderOffscreen(QGraphicsView& view);

} // namespace corvanta
