#pragma once

#include <QObject>

#include <memory>

namespace corvanta {

// Whether the process may observe and post input events for the whole desktop.
class AccessibilityTrust : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    virtual bool isTrusted() const = 0;
Q_SIGNALS:
    // The desktop announced that the answer may have changed.
    void trustMayHaveChanged();
};

// X11 withholds nothing from a client of the display: always trusted, never changes.
class X11AccessibilityTrust final : public AccessibilityTrust {
    Q_OBJECT
public:
    using AccessibilityTrust::AccessibilityTrust;
    bool isTrusted() const override { return true; }
};

// Publishes the trust and keeps it current.
class AccessibilityTrustedWatcher : public QObject {
    Q_OBJECT
public:
    // Uses the desktop's trust (the X11 stand-in).
    explicit AccessibilityTrustedWatcher(QObject* parent = nullptr);
    explicit AccessibilityTrustedWatcher(std::shared_ptr<AccessibilityTrust> trust, QObject* parent = nullptr);

    bool isTrusted() const { return m_isTrusted; }

Q_SIGNALS:
    void isTrustedChanged(bool trusted);

private:
    void refresh();

    std::shared_ptr<AccessibilityTrust> m_trust;
    bool m_isTrusted = false;
};

} // namespace corvanta
