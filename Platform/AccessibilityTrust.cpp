#include "Platform/AccessibilityTrust.h"

namespace corvanta {

AccessibilityTrustedWatcher::AccessibilityTrustedWatcher(QObject* parent)
    : AccessibilityTrustedWatcher(std::make_shared<X11AccessibilityTrust>(), parent)
{
}

AccessibilityTrustedWatcher::AccessibilityTrustedWatcher(std::shared_ptr<AccessibilityTrust> trust, QObject* parent)
    : QObject(parent), m_trust(std::move(trust))
{
    m_isTrusted = m_trust && m_trust->isTrusted();
    // The connection ends with the watcher, so a late announcement never reaches a dead one.
    if (m_trust)
        connect(m_trust.get(), &AccessibilityTrust::trustMayHaveChanged, this, &AccessibilityTrustedWatcher::refresh);
}

void AccessibilityTrustedWatcher::refresh()
{
    const bool trusted = m_trust && m_trust->isTrusted();
    if (trusted == m_isTrusted)
        return;
    m_isTrusted = trusted;
    Q_EMIT isTrustedChanged(trusted);
}

} // namespace corvanta
