#pragma once

#include <QByteArrayView>

namespace corvanta {

// Whether every string object of a binary property list is free of NUL characters, and the
// offsets that lead to them are in range. libplist asserts (ends the process) when a dictionary
// key holds a NUL, so such lists must be refused before it walks them. False for a list that
// cannot be checked.
bool binaryPlistStringsAreClean(QByteArrayView data);

} // namespace corvanta
