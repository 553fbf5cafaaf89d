#pragma once

#include <QByteArrayView>

namespace corvanta {

// libpng allocates, and clears, the length a chunk declares before it reads the chunk, so a
// 300-byte file declaring a 2 GiB text chunk costs 2 GiB and seconds of work. Walking the chunks
// first bounds what it can ask for by the size of the bytes it is given.

bool isPng(QByteArrayView data);

// True for a PNG whose chunks each lie wholly inside `data`, up to and including IEND.
bool pngChunksFit(QByteArrayView data);

// For readers of any picture format: false only for a PNG whose chunks do not fit.
bool safeForImageReader(QByteArrayView data);

} // namespace corvanta
