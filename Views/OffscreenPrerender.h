#pragma once

class QGraphicsView;

namespace corvanta {

// A hidden window is never painted, so its first show would lay out text, scale pixmaps and load
// icons all at once. This creates the native window and draws the scene once into an image of the
// window's size, leaving glyph, pixmap and icon caches warm; nothing reaches the screen.
void prerenderOffscreen(QGraphicsView& view);

class LayerHostWindow;

// The same for one of our windows, drawn as a show draws it: with its content layer rasterised,
// so the layer's bitmap (and everything it draws) is made here too, whatever opacity the hidden
// layer was left at by the last hide.
void prerenderOffscreen(LayerHostWindow& window);

// Whether the item being painted should draw nothing: an off-screen pre-render is under way and
// the process has been asked to end. The end waits for the draw otherwise, which takes hundreds of
// milliseconds for a full grid; nothing of it would ever be seen. Drawing on screen is never cut.
bool offscreenDrawCancelled();

} // namespace corvanta
