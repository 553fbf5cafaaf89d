#pragma once

#include <QUuid>

namespace corvanta {

// A new random (version 4) identifier, drawn from the process's seeded generator rather than
// the system's: a scan gives one to each of thousands of applications, and the system source
// (the processor's random instruction, where there is one) is slow in virtual machines.
QUuid newRandomId();

} // namespace corvanta
