#pragma once

#include <QObject>
#include <QPointer>

#include "Views/FolderOverlayView.h"

namespace corvanta {

class TilehallContentView;

// Keeps the opened-folder overlay in step with the root view: makes one while a folder is open
// (a new one for each folder, so every opening starts afresh), feeds it the folder, the grid
// geometry, the launch, the rename state and the close request, and removes it when the folder is
// forgotten. The overlay's completions come back as the root view's folder actions.
class FolderOverlayHost : public QObject {
    Q_OBJECT
public:
    explicit FolderOverlayHost(TilehallContentView& root);
    ~FolderOverlayHost() override;

    FolderOverlayView* overlay() const { return m_overlay; }

private:
    void sync();
    void create();
    void remove();
    void morphStarted(const QString& label, double duration);

    TilehallContentView& m_root;
    QPointer<FolderOverlayView> m_overlay;
};

} // namespace corvanta
