#pragma once

#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <utility>

namespace corvanta {

// The window server's private call that insets and fades the real menu bar.
class MenuBarBackend {
public:
    virtual ~MenuBarBackend() = default;
    // Whether the call and a connection to the window server were found.
    virtual bool isAvailable() const = 0;
    // `floatABI`: pass the inset and alpha as 32-bit floats, else as doubles.
    virtual void setMenuBarInsetAndAlpha(double inset, double alpha, bool floatABI) = 0;
};

// The desktop offers no way to hide its menu bar (panels) from another program: always unavailable.
class UnavailableMenuBarBackend final : public MenuBarBackend {
public:
    bool isAvailable() const override { return false; }
    void setMenuBarInsetAndAlpha(double, double, bool) override {}
};

// Opt-in suppression of the real menu bar while the overlay is up ("QUORLA_SLS_MENUBAR"), on a
// single screen only; the menu-bar cover strip is the normal remedy.
class SLSMenuBar {
public:
    using InsetAndAlpha = std::pair<double, double>;

    struct Environment {
        std::function<int()> screenCount;
        std::function<bool()> isApplicationActive;
        std::function<QString()> frontmostApplicationName; // empty when there is none
    };
    using BackendLoader = std::function<std::unique_ptr<MenuBarBackend>()>;

    // `loader` runs at most once, on first use, and only when `enabled`.
    SLSMenuBar(bool enabled, bool floatABI, BackendLoader loader, Environment environment);

    static SLSMenuBar& shared();

    // "1", or "true" in any letter case.
    static bool parseEnabled(const std::optional<QString>& value);
    // Float unless the value is exactly "double".
    static bool parseFloatABI(const std::optional<QString>& value);
    // Two comma-separated numbers (blanks around them allowed, empty pieces dropped) as
    // (inset, alpha); anything else gives none.
    static std::optional<InsetAndAlpha> parseOverride(const QString& value);
    // parseOverride() of the environment variable `key`.
    static std::optional<InsetAndAlpha> override(const char* key);

    bool isEnabled() const { return m_enabled; }
    bool isAvailable();
    bool isHiddenByUs() const { return m_hiddenByUs; }
    bool didSuppressOnce() const { return m_didSuppressOnce; }
    bool usesFloatABI() const { return m_floatABI; }

    void hide();
    void restore();

private:
    MenuBarBackend* backend();

    bool m_enabled;
    bool m_floatABI;
    BackendLoader m_loader;
    Environment m_environment;
    bool m_loaded = false;
    std::unique_ptr<MenuBarBackend> m_backend;
    bool m_hiddenByUs = false;
    bool m_didSuppressOnce = false;
};

} // namespace corvanta
