#include "Views/GeneralSettingsView.h"

#include "Services/LayoutManager.h"
#include "Support/Logger.h"
#include "Views/SettingsForm.h"
#include "Views/SettingsLabels.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QSet>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace corvanta {

namespace {

QString appKey(const AppItem& app)
{
    return app.bundleIdentifier.isEmpty() ? app.url.path() : app.bundleIdentifier;
}

QString withTilde(const QString& path, const QString& home)
{
    if (!home.isEmpty() && path.startsWith(home))
        return QStringLiteral("~") + path.mid(home.size());
    return path;
}

} // namespace

GeneralSettingsView::GeneralSettingsView(SettingsServices services, QWidget* parent)
    : QWidget(parent), m_services(std::move(services))
{
    using namespace SettingsForm;
    QVBoxLayout* form = makeForm(this);

    QVBoxLayout* launch = addSection(form, QStringLiteral("启动"));
    m_launchToggle = new QCheckBox(QStringLiteral("开机自动启动"));
    m_launchToggle->setObjectName(QStringLiteral("launchAtLogin"));
    launch->addWidget(m_launchToggle);
    m_statusLine = caption(QString());
    m_statusLine->setObjectName(QStringLiteral("loginItemStatus"));
    launch->addWidget(m_statusLine);
    m_approveButton = new QPushButton(QStringLiteral("打开系统设置去允许"));
    m_approveButton->setObjectName(QStringLiteral("openLoginItems"));
    launch->addWidget(m_approveButton, 0, Qt::AlignLeft);
    launch->addWidget(caption(QStringLiteral("登录后在后台把进程和瓦厅都准备好，点 Dock 图标或按快捷键即刻打开，不必重新启动 App。")));
    m_locationWarning = symbolCaption(false, &m_locationWarningText, orangeColor);
    launch->addWidget(m_locationWarning);
    m_errorRow = symbolCaption(true, &m_errorText, redColor);
    m_errorText->setObjectName(QStringLiteral("loginItemError"));
    launch->addWidget(m_errorRow);

    QVBoxLayout* language = addSection(form, QStringLiteral("语言"));
    m_languagePicker = themePicker();
    m_languagePicker->setObjectName(QStringLiteral("languageTheme"));
    addRow(language, QStringLiteral("界面语言"), m_languagePicker);

    QVBoxLayout* places = addSection(form, QStringLiteral("应用位置"));
    for (const QString& directory : m_services.scanDirectories) {
        QLabel* path = caption(withTilde(directory, m_services.homeDirectory));
        path->setTextInteractionFlags(Qt::TextSelectableByMouse);
        places->addWidget(path);
    }
    places->addWidget(caption(QStringLiteral("每次打开瓦厅都会自动重新扫描以上位置，新安装的应用会直接出现。")));
    auto* rescanButton = new QPushButton(QStringLiteral("立即重新扫描"));
    rescanButton->setObjectName(QStringLiteral("rescan"));
    places->addWidget(rescanButton, 0, Qt::AlignLeft);
    m_rescanLabel = caption(QString());
    m_rescanLabel->setObjectName(QStringLiteral("rescanResult"));
    m_rescanLabel->hide();
    places->addWidget(m_rescanLabel);
    form->addStretch(1);

    LayoutManager& store = *m_services.layoutManager;
    connect(m_launchToggle, &QCheckBox::toggled, this, &GeneralSettingsView::setLaunchAtLogin);
    connect(m_approveButton, &QPushButton::clicked, this, [this] {
        if (m_services.openLoginItemsSettings)
            m_services.openLoginItemsSettings();
    });
    SettingsForm::bindPicker(m_languagePicker, store, &LayoutConfig::theme);
    connect(rescanButton, &QPushButton::clicked, this, &GeneralSettingsView::rescan);
    // An approval given in the system's settings shows when the user comes back.
    connect(qGuiApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
        if (state == Qt::ApplicationActive && isVisible())
            refreshLoginItemStatus();
    });

    refreshLoginItemStatus();
}

QString GeneralSettingsView::statusText(LaunchAtLogin::Status status)
{
    switch (status) {
    case LaunchAtLogin::Status::enabled:
        return QStringLiteral("已开启 · 已注册为系统登录项，下次登录自动在后台就绪");
    case LaunchAtLogin::Status::requiresApproval:
        return QStringLiteral("已注册，但还需在「系统设置 › 通用 › 登录项与扩展」中允许");
    case LaunchAtLogin::Status::notRegistered:
        break;
    }
    return QStringLiteral("未开启");
}

void GeneralSettingsView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    refreshLoginItemStatus();
}

void GeneralSettingsView::refreshLoginItemStatus()
{
    m_loginItemStatus = m_services.loginItemStatus ? m_services.loginItemStatus() : LaunchAtLogin::Status::notRegistered;
    syncLoginItem();
}

void GeneralSettingsView::syncLoginItem()
{
    using Status = LaunchAtLogin::Status;
    {
        const QSignalBlocker blocker(m_launchToggle);
        m_launchToggle->setChecked(m_loginItemStatus != Status::notRegistered);
    }
    m_statusLine->setText(statusText(m_loginItemStatus));
    QPalette palette = m_statusLine->palette();
    palette.setColor(QPalette::WindowText,
                     m_loginItemStatus == Status::requiresApproval ? SettingsForm::orangeColor : SettingsForm::secondaryColor);
    m_statusLine->setPalette(palette);
    m_approveButton->setVisible(m_loginItemStatus == Status::requiresApproval);

    const std::optional<QString> warning = m_services.loginItemLocationWarning ? m_services.loginItemLocationWarning() : std::nullopt;
    m_locationWarningText->setText(warning.value_or(QString()));
    m_locationWarning->setVisible(warning.has_value());
    m_errorText->setText(m_loginItemError ? QStringLiteral("设置失败：") + *m_loginItemError : QString());
    m_errorRow->setVisible(m_loginItemError.has_value());
}

void GeneralSettingsView::setLaunchAtLogin(bool enabled)
{
    m_loginItemError = m_services.setLaunchAtLogin ? m_services.setLaunchAtLogin(enabled) : std::nullopt;
    refreshLoginItemStatus();
    const bool registered = m_loginItemStatus == LaunchAtLogin::Status::enabled;
    SettingsForm::editConfig(*m_services.layoutManager, [registered](LayoutConfig& config) { config.launchAtLogin = registered; });
    const QString detail = m_loginItemError ? QStringLiteral("失败：") + *m_loginItemError : statusText(m_loginItemStatus);
    CLOG_INFO(QStringLiteral("设置页切换开机自启动 → ") + (enabled ? QStringLiteral("开") : QStringLiteral("关")) +
              QStringLiteral("，系统状态=") + detail);
}

QStringList GeneralSettingsView::addedAppNames(const QList<AppItem>& before, const QList<AppItem>& scanned)
{
    QSet<QString> known;
    for (const AppItem& app : before)
        known.insert(appKey(app));
    QStringList added;
    for (const AppItem& app : scanned) {
        if (!known.contains(appKey(app)))
            added.append(app.name);
    }
    return added;
}

QString GeneralSettingsView::rescanSentence(qsizetype total, const QStringList& added)
{
    const QString count = QString::number(total);
    if (added.isEmpty())
        return QStringLiteral("已重新扫描：共 ") + count + QStringLiteral(" 个应用，没有新增。");
    const QString names = added.mid(0, 5).join(QStringLiteral("、"));
    return QStringLiteral("已重新扫描：共 ") + count + QStringLiteral(" 个应用，新增 ") + QString::number(added.size()) +
           QStringLiteral(" 个（") + names + (added.size() > 5 ? QStringLiteral(" 等") : QString()) + QStringLiteral("）。");
}

void GeneralSettingsView::rescan()
{
    if (!m_services.scanApps)
        return;
    // Each rescan reports against the scan it started from; the last to finish has the last word.
    const QList<AppItem> before = m_services.layoutManager->allScannedApps();
    QPointer<GeneralSettingsView> self(this);
    m_services.scanApps([self, before](QList<AppItem> scanned) {
        if (!self)
            return;
        self->m_services.layoutManager->updateScannedApps(scanned);
        const QStringList added = addedAppNames(before, scanned);
        self->m_rescanResult = rescanSentence(scanned.size(), added);
        self->m_rescanLabel->setText(*self->m_rescanResult);
        self->m_rescanLabel->show();
        CLOG_INFO(QStringLiteral("设置页手动重扫 — 共 ") + QString::number(scanned.size()) + QStringLiteral(" 个，新增 ") +
                  QString::number(added.size()) + QStringLiteral(" 个"));
    });
}

} // namespace corvanta
