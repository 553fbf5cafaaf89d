#pragma once

#include <QObject>

#include <functional>
#include <optional>

namespace corvanta {

// The horizontal page strip's state: the committed page and how far the strip is pulled away
// from it. The strip's translation (content offset) is x - page width * page, so page n at rest
// sits at -n * page width; a negative x pulls towards later pages.
class PagerOffset : public QObject {
    Q_OBJECT
    Q_PROPERTY(double x READ x WRITE setX NOTIFY xChanged)
    Q_PROPERTY(int page READ page WRITE setPage NOTIFY pageChanged)

public:
    // Environment switches, each read once. Legacy updates: "QUORLA_PAGER_LEGACY" is "1".
    // Native host: unless "QUORLA_PAGER_LAYER" is "0".
    static bool usesLegacyUpdates();
    static bool usesNativeHost();

    // `publishEveryOffset`: announce every change of x to observers (the views then redraw per
    // offset). Off when a layer host moves the strip through the callbacks alone.
    explicit PagerOffset(bool publishEveryOffset = !usesNativeHost() || usesLegacyUpdates(), QObject* parent = nullptr);

    double x() const { return m_x; }
    void setX(double value);

    int page() const { return m_page; }
    void setPage(int value);

    bool isFollowingScroll() const { return m_isFollowingScroll; }
    void setIsFollowingScroll(bool value) { m_isFollowingScroll = value; }

    bool publishesEveryOffset() const { return m_publishEveryOffset; }

    // Told when x passes between zero and non-zero; true when it became non-zero.
    std::function<void(bool moving)> onMotionChange;
    // The content offset actually on screen, installed by a layer-hosted strip.
    std::function<std::optional<double>()> presentationOffset;
    // Stops the layer host's follow interpolation.
    std::function<void()> cancelInterpolation;
    // Asks the layer host to animate smoothly to the next value.
    std::function<void()> requestFollowInterpolation;
    // Told after every change of x and of page.
    std::function<void()> onChange;

Q_SIGNALS:
    void xChanged();
    void pageChanged();

private:
    double m_x = 0;
    bool m_isFollowingScroll = false;
    int m_page = 0;
    bool m_publishEveryOffset;
};

} // namespace corvanta
