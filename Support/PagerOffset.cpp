#include "Support/PagerOffset.h"

#include <QtGlobal>

namespace corvanta {

bool PagerOffset::usesLegacyUpdates()
{
    static const bool value = qgetenv("QUORLA_PAGER_LEGACY") == "1";
    return value;
}

bool PagerOffset::usesNativeHost()
{
    static const bool value = qgetenv("QUORLA_PAGER_LAYER") != "0";
    return value;
}

PagerOffset::PagerOffset(bool publishEveryOffset, QObject* parent) : QObject(parent), m_publishEveryOffset(publishEveryOffset)
{
}

void PagerOffset::setX(double value)
{
    if (value == m_x) {
        m_x = value; // keeps the sign of a zero
        return;
    }
    const double old = m_x;
    m_x = value;
    if (m_publishEveryOffset)
        Q_EMIT xChanged();
    if (onChange)
        onChange();
    if ((old == 0) != (value == 0) && onMotionChange)
        onMotionChange(value != 0);
}

void PagerOffset::setPage(int value)
{
    const int old = m_page;
    m_page = value;
    Q_EMIT pageChanged();
    if (value != old && onChange)
        onChange();
}

} // namespace corvanta
