#pragma once

#include <functional>
#include <memory>

class QObject;

namespace corvanta {

class DeleteRequestFlow;
class InteractionManager;
class TilehallContentView;
class TilehallWindow;
class UninstallManager;

// The program's delete flow over the shared uninstaller: the sheet as its own window above the
// overlay, alerts through runModalAboveTilehall.
std::unique_ptr<DeleteRequestFlow> makeDeleteRequestFlow(TilehallContentView& root, InteractionManager& engine,
                                                         UninstallManager& uninstaller,
                                                         std::function<TilehallWindow*()> overlay);

} // namespace corvanta
