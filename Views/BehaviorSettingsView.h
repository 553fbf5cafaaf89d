#pragma once

#include "Views/SettingsServices.h"

#include <QDialog>
#include <QPointer>
#include <QWidget>

class QLabel;

namespace corvanta {

// Tells which recogniser serves the chosen pinch.
class GestureRecognitionInfoPanel : public QDialog {
    Q_OBJECT
public:
    GestureRecognitionInfoPanel(TrackpadGesture mode, std::function<GestureRecognitionSource(TrackpadGesture)> sourceFor,
                                QWidget* parent = nullptr);

    TrackpadGesture mode() const { return m_mode; }
    GestureRecognitionSource source() const { return m_source; }
    static QString explanation(TrackpadGesture mode, GestureRecognitionSource source);

protected:
    // Asks the trigger service only once the panel is on screen; until then it says "built in".
    void showEvent(QShowEvent* event) override;

private:
    void setSource(GestureRecognitionSource source);

    TrackpadGesture m_mode;
    std::function<GestureRecognitionSource(TrackpadGesture)> m_sourceFor;
    GestureRecognitionSource m_source = GestureRecognitionSource::builtIn;
    QLabel* m_sourceLabel = nullptr;
    QLabel* m_text = nullptr;
};

// The "触发" tab: the screen, the hot-key text, the hot corner, the trackpad pinch and the search
// bar's menu button.
class BehaviorSettingsView : public QWidget {
    Q_OBJECT
public:
    static constexpr char accessibilitySettingsURL[] =
        "x-apple.systempreferences:com.apple.preference.security?Privacy_Accessibility";

    explicit BehaviorSettingsView(SettingsServices services, QWidget* parent = nullptr);

    void setPinchGesture(TrackpadGesture mode);
    // Shows the info panel for the mode stored now.
    void showGestureSourceInfo();
    GestureRecognitionInfoPanel* gestureInfoPanel() const { return m_infoPanel; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    bool isTrusted() const;
    void syncFromConfig();

    SettingsServices m_services;
    QLabel* m_cornerWarning = nullptr;
    QWidget* m_pinchExplanation = nullptr;
    QWidget* m_pinchWarning = nullptr;
    QWidget* m_pinchUnavailable = nullptr;
    QLabel* m_pinchUnavailableText = nullptr;
    QPointer<GestureRecognitionInfoPanel> m_infoPanel;
};

} // namespace corvanta
