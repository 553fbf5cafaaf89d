#pragma once

#include "Views/ModalAboveOverlay.h"

#include <QString>

class QMessageBox;

namespace corvanta {

class TilehallWindow;

// Runs an alert modally above the overlay: the overlay steps down to the normal level while it
// runs (it floats above normal windows and would hide the alert) and gets its level back after.
// The alert is centred on the overlay's screen and stands at the level of panels over the grid.
ModalOutcome runModalAboveTilehall(QMessageBox& box, TilehallWindow* overlay);

// The same for a one-button ("好") alert.
void runSimpleAlertAboveTilehall(const QString& message, const QString& informativeText, bool critical,
                                 TilehallWindow* overlay);

} // namespace corvanta
