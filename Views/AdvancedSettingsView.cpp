#include "Views/AdvancedSettingsView.h"

#include "Support/Logger.h"
#include "Views/SettingsForm.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace corvanta {

namespace {

QLabel* infoRow(QVBoxLayout* section, const QString& label, const QString& name)
{
    auto* value = new QLabel;
    value->setObjectName(name);
    SettingsForm::addRow(section, label, value);
    return value;
}

} // namespace

AdvancedSettingsView::AdvancedSettingsView(SettingsServices services, QWidget* parent)
    : QWidget(parent), m_services(std::move(services))
{
    using namespace SettingsForm;
    LayoutManager& store = *m_services.layoutManager;
    QVBoxLayout* form = makeForm(this);

    QVBoxLayout* backup = addSection(form, QStringLiteral("布局备份"));
    auto* backupButton = new QPushButton(QStringLiteral("备份布局..."));
    backupButton->setObjectName(QStringLiteral("backupLayout"));
    backup->addWidget(backupButton, 0, Qt::AlignLeft);
    auto* restoreButton = new QPushButton(QStringLiteral("恢复布局..."));
    restoreButton->setObjectName(QStringLiteral("restoreLayout"));
    backup->addWidget(restoreButton, 0, Qt::AlignLeft);
    connect(backupButton, &QPushButton::clicked, this, &AdvancedSettingsView::backupLayout);
    connect(restoreButton, &QPushButton::clicked, this, &AdvancedSettingsView::restoreLayout);

    QVBoxLayout* info = addSection(form, QStringLiteral("信息"));
    auto* version = infoRow(info, QStringLiteral("版本"), QStringLiteral("version"));
    version->setText(QStringLiteral("1.0.0"));
    m_appCount = infoRow(info, QStringLiteral("已安装应用"), QStringLiteral("installedApps"));
    m_pageCount = infoRow(info, QStringLiteral("页面数"), QStringLiteral("pageCount"));
    m_hiddenCount = infoRow(info, QStringLiteral("隐藏应用"), QStringLiteral("hiddenApps"));
    form->addStretch(1);

    connect(&store, &LayoutManager::allScannedAppsChanged, this, &AdvancedSettingsView::syncInfo);
    connect(&store, &LayoutManager::layoutChanged, this, &AdvancedSettingsView::syncInfo);
    syncInfo();
}

void AdvancedSettingsView::syncInfo()
{
    const LayoutManager& store = *m_services.layoutManager;
    m_appCount->setText(QString::number(store.allScannedApps().size()));
    m_pageCount->setText(QString::number(store.layout().pages.size()));
    m_hiddenCount->setText(QString::number(store.layout().hiddenAppIDs.size()));
}

void AdvancedSettingsView::backupLayout()
{
    const QString path = m_services.chooseBackupFile ? m_services.chooseBackupFile() : QString();
    if (path.isEmpty())
        return;
    if (const auto error = m_services.layoutManager->backupLayout(path)) {
        CLOG_WARN(QStringLiteral("设置页备份布局失败：") + error->message);
        if (m_services.showError)
            m_services.showError(QStringLiteral("备份布局失败"), error->message);
    }
}

void AdvancedSettingsView::restoreLayout()
{
    const QString path = m_services.chooseRestoreFile ? m_services.chooseRestoreFile() : QString();
    if (path.isEmpty())
        return;
    if (const auto error = m_services.layoutManager->restoreLayout(path)) {
        CLOG_WARN(QStringLiteral("设置页恢复布局失败：") + error->message);
        if (m_services.showError)
            m_services.showError(QStringLiteral("恢复布局失败"), error->message);
        return;
    }
    if (m_services.checkRestoredApps)
        m_services.checkRestoredApps();
}

} // namespace corvanta
