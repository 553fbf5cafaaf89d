#pragma once

#include "Platform/LaunchAtLogin.h"
#include "Views/SettingsServices.h"

#include <QWidget>

#include <optional>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;

namespace corvanta {

// The "通用" tab: launch at login, the interface language (the theme) and the scanned folders with
// a manual rescan.
class GeneralSettingsView : public QWidget {
    Q_OBJECT
public:
    explicit GeneralSettingsView(SettingsServices services, QWidget* parent = nullptr);

    LaunchAtLogin::Status loginItemStatus() const { return m_loginItemStatus; }
    const std::optional<QString>& loginItemError() const { return m_loginItemError; }
    const std::optional<QString>& rescanResult() const { return m_rescanResult; }

    void refreshLoginItemStatus();
    void setLaunchAtLogin(bool enabled);
    void rescan();

    // Names of the applications of `scanned` that `before` did not hold (by identifier, else path).
    static QStringList addedAppNames(const QList<AppItem>& before, const QList<AppItem>& scanned);
    // The sentence that reports a rescan of `total` applications of which `added` are new.
    static QString rescanSentence(qsizetype total, const QStringList& added);
    static QString statusText(LaunchAtLogin::Status status);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void syncLoginItem();

    SettingsServices m_services;
    LaunchAtLogin::Status m_loginItemStatus = LaunchAtLogin::Status::notRegistered;
    std::optional<QString> m_loginItemError;
    std::optional<QString> m_rescanResult;

    QCheckBox* m_launchToggle = nullptr;
    QLabel* m_statusLine = nullptr;
    QPushButton* m_approveButton = nullptr;
    QWidget* m_locationWarning = nullptr;
    QLabel* m_locationWarningText = nullptr;
    QWidget* m_errorRow = nullptr;
    QLabel* m_errorText = nullptr;
    QComboBox* m_languagePicker = nullptr;
    QLabel* m_rescanLabel = nullptr;
};

} // namespace corvanta
