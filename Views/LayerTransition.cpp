#include "Views/LayerTransition.h"

#include "Support/QtScheduler.h"
#include "Views/LayerAnimation.h"
#include "Views/LayerHostWindow.h"
#include "Views/LayerItem.h"
#include "Views/TilehallWindow.h"

#include <QPointer>
#include <QUuid>

namespace corvanta {

LayerTransition::LayerTransition(Scheduler& scheduler, bool enabled) : m_scheduler(scheduler), m_enabled(enabled) {}

LayerTransition& LayerTransition::shared()
{
    static LayerTransition transition(QtScheduler::shared(),
                                      parseEnabled(qEnvironmentVariableIsSet("QUORLA_LAYER_TRANSITION")
                                                       ? std::optional<QString>(qEnvironmentVariable("QUORLA_LAYER_TRANSITION"))
                                                       : std::nullopt));
    return transition;
}

bool LayerTransition::parseEnabled(const std::optional<QString>& value)
{
    return !(value && *value == QLatin1String("0"));
}

LayerItem* LayerTransition::layerOf(LayerHostWindow* window) const
{
    return m_enabled && window ? window->contentLayer() : nullptr;
}

void LayerTransition::settleAtFullSize(LayerHostWindow* window, double opacity)
{
    LayerItem* layer = layerOf(window);
    if (!layer)
        return;
    layer->removeAnimation(QLatin1String(opacityKey));
    layer->removeAnimation(QLatin1String(transformKey));
    layer->setValue(QLatin1String(rasterizeKey), {});
    layer->setRasterized(false);
    layer->setModelOpacity(opacity);
    layer->setModelScale(1, layer->anchor());
}

void LayerTransition::resetToHidden(LayerHostWindow* window) { settleAtFullSize(window, 0); }

void LayerTransition::prepareCoverForShow(LayerHostWindow* window, const QPointF& anchor)
{
    LayerItem* layer = layerOf(window);
    if (!layer)
        return;
    layer->removeAnimation(QLatin1String(opacityKey));
    layer->removeAnimation(QLatin1String(transformKey));
    layer->setModelOpacity(1);
    layer->setModelScale(hiddenScale, anchor);
}

void LayerTransition::snapVisible(LayerHostWindow* window) { settleAtFullSize(window, 1); }

void LayerTransition::endRasterizedTransition(LayerItem* layer, double delay)
{
    if (!m_enabled || !layer)
        return;
    const QString token = QUuid::createUuid().toString(QUuid::WithoutBraces);
    layer->setValue(QLatin1String(rasterizeKey), token);
    QPointer<LayerItem> guard(layer);
    m_scheduler.schedule(delay + rasterizeGrace, [guard, token] {
        if (!guard)
            return;
        const QVariant current = guard->value(QLatin1String(rasterizeKey));
        if (current.typeId() == QMetaType::QString && current.toString() == token) {
            guard->setRasterized(false);
            guard->setValue(QLatin1String(rasterizeKey), {});
        }
    });
}

void LayerTransition::fadeAndScale(LayerHostWindow* window, const FadeAndScale& recipe)
{
    LayerItem* layer = layerOf(window);
    if (!layer)
        return;
    layer->removeAnimation(QLatin1String(opacityKey));
    layer->removeAnimation(QLatin1String(transformKey));
    layer->setRasterized(true, window->backingScaleFactor());

    const QPointF anchor = window->contentAnchor();
    layer->setModelOpacity(recipe.animatesOpacity ? recipe.toOpacity : 1);
    layer->setModelScale(recipe.toScale, anchor);

    const double hz = window->refreshRate();
    if (recipe.animatesOpacity)
        layer->addAnimation(QLatin1String(opacityKey), LayerItem::Property::opacity,
                            new LayerAnimation(m_scheduler, recipe.fromOpacity, recipe.toOpacity, recipe.duration, recipe.curve, hz));
    layer->addAnimation(QLatin1String(transformKey), LayerItem::Property::scale,
                        new LayerAnimation(m_scheduler, recipe.fromScale, recipe.toScale, recipe.duration, recipe.curve, hz));
    endRasterizedTransition(layer, recipe.duration);
}

void LayerTransition::animateShow(LayerHostWindow* overlay, LayerHostWindow* cover, double duration, bool continuing)
{
    if (!m_enabled)
        return;
    const TimingCurve curve = TilehallWindow::showTiming();
    if (LayerItem* layer = layerOf(overlay)) {
        FadeAndScale recipe;
        recipe.fromOpacity = continuing ? layer->presentationOpacity() : 0;
        recipe.toOpacity = 1;
        recipe.fromScale = continuing ? layer->presentationScale() : hiddenScale;
        recipe.toScale = 1;
        recipe.duration = duration;
        recipe.curve = curve;
        fadeAndScale(overlay, recipe);
    }
    if (LayerItem* layer = layerOf(cover)) {
        FadeAndScale recipe;
        recipe.animatesOpacity = false;
        recipe.fromScale = layer->presentationScale(); // 1.1 after prepareCoverForShow, else where it is
        recipe.toScale = 1;
        recipe.duration = duration;
        recipe.curve = curve;
        fadeAndScale(cover, recipe);
    }
}

void LayerTransition::animateHide(LayerHostWindow* overlay, LayerHostWindow* cover, double duration, std::optional<double> startOpacity)
{
    if (!m_enabled)
        return;
    const TimingCurve curve = TilehallWindow::hideTiming();
    if (LayerItem* layer = layerOf(overlay)) {
        FadeAndScale recipe;
        recipe.fromOpacity = startOpacity.value_or(layer->presentationOpacity());
        recipe.toOpacity = 0;
        recipe.fromScale = layer->presentationScale();
        recipe.toScale = hiddenScale;
        recipe.duration = duration;
        recipe.curve = curve;
        fadeAndScale(overlay, recipe);
    }
    if (LayerItem* layer = layerOf(cover)) {
        FadeAndScale recipe;
        recipe.animatesOpacity = false;
        recipe.fromScale = layer->presentationScale();
        recipe.toScale = hiddenScale;
        recipe.duration = duration;
        recipe.curve = curve;
        fadeAndScale(cover, recipe);
    }
}

} // namespace corvanta
