#include "Views/BehaviorSettingsView.h"

#include "Platform/AccessibilityTrust.h"
#include "Platform/UserDefaults.h"
#include "Support/Constants.h"
#include "Views/SettingsForm.h"
#include "Views/SettingsLabels.h"

#include <QApplication>
#include <QCheckBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStyle>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

namespace corvanta {

namespace {

constexpr char didAskPinchTakeoverKey[] = "com.corvanta.didAskFourFingerPinchTakeover";

QFont scaledFont(QFont font, double factor, QFont::Weight weight = QFont::Normal)
{
    font.setPointSizeF(font.pointSizeF() * factor);
    font.setWeight(weight);
    return font;
}

// A yellow box with a warning symbol and a title; the caller fills the column under the title.
QFrame* warningBox(const QString& name, const QString& title, QVBoxLayout*& column)
{
    auto* box = new QFrame;
    box->setObjectName(name);
    box->setStyleSheet(QStringLiteral("#%1 { background-color: rgba(255, 204, 0, 31); border-radius: 8px; }").arg(name));
    auto* row = new QHBoxLayout(box);
    row->setContentsMargins(10, 10, 10, 10);
    row->setSpacing(8);
    auto* symbol = new QLabel;
    symbol->setPixmap(QApplication::style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(16, 16));
    symbol->setContentsMargins(0, 2, 0, 0);
    row->addWidget(symbol, 0, Qt::AlignTop);
    column = new QVBoxLayout;
    column->setSpacing(4);
    auto* heading = new QLabel(title);
    heading->setFont(scaledFont(heading->font(), 0.95, QFont::Medium));
    column->addWidget(heading);
    row->addLayout(column, 1);
    return box;
}

} // namespace

GestureRecognitionInfoPanel::GestureRecognitionInfoPanel(TrackpadGesture mode,
                                                         std::function<GestureRecognitionSource(TrackpadGesture)> sourceFor,
                                                         QWidget* parent)
    : QDialog(parent), m_mode(mode), m_sourceFor(std::move(sourceFor))
{
    setWindowTitle(QStringLiteral("手势识别"));
    setFixedWidth(340);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(20, 20, 20, 20);
    column->setSpacing(12);

    auto* header = new QHBoxLayout;
    auto* title = new QLabel(QStringLiteral("手势识别"));
    title->setFont(scaledFont(title->font(), 1.1, QFont::DemiBold));
    header->addWidget(title);
    header->addStretch(1);
    m_sourceLabel = SettingsForm::caption(QString());
    m_sourceLabel->setObjectName(QStringLiteral("gestureSource"));
    header->addWidget(m_sourceLabel);
    column->addLayout(header);

    m_text = SettingsForm::caption(QString());
    m_text->setObjectName(QStringLiteral("gestureExplanation"));
    column->addWidget(m_text);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    auto* done = new QPushButton(QStringLiteral("完成"));
    done->setDefault(true);
    buttons->addWidget(done);
    column->addLayout(buttons);
    connect(done, &QPushButton::clicked, this, &QDialog::accept);

    setSource(GestureRecognitionSource::builtIn);
}

QString GestureRecognitionInfoPanel::explanation(TrackpadGesture mode, GestureRecognitionSource source)
{
    const bool system = source == GestureRecognitionSource::macOS;
    switch (mode) {
    case TrackpadGesture::off:
        break;
    case TrackpadGesture::fourFinger:
        return system ? QStringLiteral("系统四指捏合仍开启，可能与「聚焦」冲突。请在系统设置中关闭，或重新选择「四指捏合」让本应用自动接管。")
                      : QStringLiteral("系统四指捏合已关闭，本应用内置识别完全接管（用于打开/关闭瓦厅）。");
    case TrackpadGesture::fiveFinger:
        return system ? QStringLiteral("系统「显示桌面」（五指捏合）仍开启，可能与本应用冲突。请在系统设置中关闭，或重新选择「五指捏合」让本应用自动接管。")
                      : QStringLiteral("系统五指捏合已关闭，本应用内置识别完全接管。");
    }
    return QStringLiteral("触控板捏合手势已关闭。可在上方选择四指捏合或五指捏合以启用。");
}

void GestureRecognitionInfoPanel::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (m_sourceFor)
        setSource(m_sourceFor(m_mode));
}

void GestureRecognitionInfoPanel::setSource(GestureRecognitionSource source)
{
    m_source = source;
    m_sourceLabel->setText(gestureSourceLabel(source));
    m_text->setText(explanation(m_mode, source));
}

BehaviorSettingsView::BehaviorSettingsView(SettingsServices services, QWidget* parent)
    : QWidget(parent), m_services(std::move(services))
{
    using namespace SettingsForm;
    LayoutManager& store = *m_services.layoutManager;
    QVBoxLayout* form = makeForm(this);

    QVBoxLayout* screen = addSection(form, QStringLiteral("显示位置"));
    QComboBox* screenPicker = enumPicker(screenPreferenceLabels());
    screenPicker->setObjectName(QStringLiteral("showOnScreen"));
    addRow(screen, QStringLiteral("在以下位置显示"), screenPicker);
    bindPicker(screenPicker, store, &LayoutConfig::showOnScreen);

    QVBoxLayout* shortcut = addSection(form, QStringLiteral("快捷键"));
    auto* keyField = new QLineEdit;
    keyField->setObjectName(QStringLiteral("shortcutKey"));
    keyField->setToolTip(QStringLiteral("例如: F4, Cmd+Space, Ctrl+L"));
    keyField->setText(store.config().shortcutKey);
    addRow(shortcut, QStringLiteral("快捷键"), keyField);
    // Stored as typed; the hot key is registered from the stored text at the next start.
    connect(keyField, &QLineEdit::textEdited, this, [&store](const QString& text) {
        editConfig(store, [&text](LayoutConfig& config) { config.shortcutKey = text; });
    });
    connect(&store, &LayoutManager::configChanged, keyField, [keyField, &store] {
        if (keyField->text() != store.config().shortcutKey)
            keyField->setText(store.config().shortcutKey);
    });

    QVBoxLayout* corner = addSection(form, QStringLiteral("触发角"));
    QComboBox* cornerPicker = enumPicker(hotCornerLabels());
    cornerPicker->setObjectName(QStringLiteral("hotCorner"));
    addRow(corner, QStringLiteral("屏幕角落"), cornerPicker);
    // The monitor follows the new corner at once ("none" stops it).
    bindPicker<HotCorner>(cornerPicker, store, &LayoutConfig::hotCorner, [this](HotCorner chosen) {
        if (m_services.startHotCornerMonitor)
            m_services.startHotCornerMonitor(chosen);
    });
    corner->addWidget(caption(QStringLiteral("提示：触发角可能与系统「桌面与程序坞」设置中的「触发角（热区）」冲突，若无法触发请检查系统设置中的热区配置。")));
    m_cornerWarning = caption(QStringLiteral("触发角在瓦厅隐藏时需要「辅助功能」权限才能可靠监听鼠标；请在系统设置中为本应用开启。"), orangeColor);
    m_cornerWarning->setObjectName(QStringLiteral("hotCornerWarning"));
    corner->addWidget(m_cornerWarning);

    QVBoxLayout* trackpad = addSection(form, QStringLiteral("触控板"));
    auto* pinchRowWidget = new QWidget;
    pinchRowWidget->setToolTip(QStringLiteral("四指/五指捏合可打开或关闭瓦厅。启用时会接管该手势并关闭系统同名选项，避免与聚焦冲突。"));
    auto* pinchRow = new QHBoxLayout(pinchRowWidget);
    pinchRow->setContentsMargins(0, 0, 0, 0);
    pinchRow->addWidget(new QLabel(QStringLiteral("捏合手势")));
    pinchRow->addStretch(1);
    QComboBox* pinchPicker = enumPicker(trackpadGestureLabels());
    pinchPicker->setObjectName(QStringLiteral("trackpadGesture"));
    pinchRow->addWidget(pinchPicker);
    auto* info = new QToolButton;
    info->setObjectName(QStringLiteral("gestureInfo"));
    info->setAutoRaise(true);
    info->setIcon(QApplication::style()->standardIcon(QStyle::SP_MessageBoxInformation));
    info->setToolTip(QStringLiteral("查看手势识别来源"));
    info->setAccessibleName(QStringLiteral("手势识别来源说明"));
    pinchRow->addWidget(info);
    trackpad->addWidget(pinchRowWidget);
    connect(pinchPicker, &QComboBox::activated, this,
            [this, pinchPicker](int index) { setPinchGesture(TrackpadGesture(pinchPicker->itemData(index).toInt())); });
    connect(&store, &LayoutManager::configChanged, pinchPicker,
            [pinchPicker, &store] { selectData(pinchPicker, int(store.config().trackpadGesture)); });
    selectData(pinchPicker, int(store.config().trackpadGesture));
    connect(info, &QToolButton::clicked, this, &BehaviorSettingsView::showGestureSourceInfo);

    m_pinchExplanation = caption(QStringLiteral("张开手指逐渐打开、合拢手指逐渐关闭，打开/关闭幅度实时跟随手指；松手时过半完成，未过半回弹，手势中途反向可随时取消。启用时已关闭系统同名捏合（聚焦/显示桌面），由本应用完全接管。"));
    trackpad->addWidget(m_pinchExplanation);

    QVBoxLayout* warningColumn = nullptr;
    m_pinchWarning = warningBox(QStringLiteral("pinchWarning"), QStringLiteral("捏合手势需要辅助功能权限"), warningColumn);
    warningColumn->addWidget(caption(QStringLiteral("未授权时手势事件收不到、手势无法激活。请打开系统设置，在「辅助功能」列表中打开 Corvanta（请勿用「+」手动添加）。")));
    auto* openSettings = new QPushButton(QStringLiteral("打开系统设置"));
    openSettings->setObjectName(QStringLiteral("openAccessibilitySettings"));
    warningColumn->addWidget(openSettings, 0, Qt::AlignLeft);
    trackpad->addWidget(m_pinchWarning);
    connect(openSettings, &QPushButton::clicked, this, [this] {
        const QUrl url(QString::fromLatin1(accessibilitySettingsURL));
        if (url.isValid() && m_services.openUrl)
            m_services.openUrl(url.toString());
    });

    // Where the desktop gives no pinch events at all, the tab says why instead of a permission
    // this desktop does not have.
    QVBoxLayout* unavailableColumn = nullptr;
    m_pinchUnavailable = warningBox(QStringLiteral("pinchUnavailable"), QStringLiteral("捏合手势无法使用"), unavailableColumn);
    m_pinchUnavailableText = caption(QString());
    m_pinchUnavailableText->setObjectName(QStringLiteral("pinchUnavailableText"));
    unavailableColumn->addWidget(m_pinchUnavailableText);
    trackpad->addWidget(m_pinchUnavailable);

    QVBoxLayout* search = addSection(form, QStringLiteral("搜索栏"));
    auto* hideMenu = new QCheckBox(QStringLiteral("隐藏搜索栏菜单按钮"));
    hideMenu->setObjectName(QStringLiteral("hideSearchMenuButton"));
    search->addWidget(hideMenu);
    connect(hideMenu, &QCheckBox::toggled, this, [&store](bool hidden) {
        editConfig(store, [hidden](LayoutConfig& config) { config.hideSearchMenuButton = hidden; });
    });
    connect(&store, &LayoutManager::configChanged, hideMenu, [hideMenu, &store] {
        const QSignalBlocker blocker(hideMenu);
        hideMenu->setChecked(store.config().hideSearchMenuButton);
    });
    hideMenu->setChecked(store.config().hideSearchMenuButton);
    form->addStretch(1);

    connect(&store, &LayoutManager::configChanged, this, &BehaviorSettingsView::syncFromConfig);
    if (m_services.trustWatcher)
        connect(m_services.trustWatcher, &AccessibilityTrustedWatcher::isTrustedChanged, this, &BehaviorSettingsView::syncFromConfig);
    syncFromConfig();
}

bool BehaviorSettingsView::isTrusted() const
{
    return !m_services.trustWatcher || m_services.trustWatcher->isTrusted();
}

void BehaviorSettingsView::syncFromConfig()
{
    const LayoutConfig& config = m_services.layoutManager->config();
    const bool trusted = isTrusted();
    m_cornerWarning->setVisible(config.hotCorner != HotCorner::none && !trusted);
    const bool pinchOn = config.trackpadGesture != TrackpadGesture::off;
    m_pinchExplanation->setVisible(pinchOn);
    m_pinchWarning->setVisible(pinchOn && !trusted);
    const QString unavailable = m_services.pinchUnavailableText ? m_services.pinchUnavailableText() : QString();
    m_pinchUnavailableText->setText(unavailable);
    m_pinchUnavailable->setVisible(pinchOn && !unavailable.isEmpty());
}

void BehaviorSettingsView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // The pinch events may have come since (a right to the touchpad granted while polling).
    syncFromConfig();
}

void BehaviorSettingsView::setPinchGesture(TrackpadGesture mode)
{
    const bool on = mode != TrackpadGesture::off;
    SettingsForm::editConfig(*m_services.layoutManager, [mode, on](LayoutConfig& config) {
        config.trackpadGesture = mode;
        config.pinchGestureEnabled = on;
    });
    // A choice made here answers the shell's one-time question about taking the pinch over.
    if (m_services.defaults)
        m_services.defaults->setBool(QString::fromLatin1(didAskPinchTakeoverKey), true);
    if (m_services.setupPinchGesture)
        m_services.setupPinchGesture(mode, on);
    syncFromConfig(); // the set-up just found out whether the pinch's events can be had
    if (on && m_services.isProcessTrusted && !m_services.isProcessTrusted() && m_services.presentAccessibilityGuide)
        m_services.presentAccessibilityGuide();
}

void BehaviorSettingsView::showGestureSourceInfo()
{
    if (m_infoPanel)
        m_infoPanel->deleteLater();
    m_infoPanel = new GestureRecognitionInfoPanel(m_services.layoutManager->config().trackpadGesture, m_services.gestureRecognitionSource,
                                                  this);
    m_infoPanel->setAttribute(Qt::WA_DeleteOnClose);
    m_infoPanel->setWindowModality(Qt::WindowModal);
    m_infoPanel->open();
}

} // namespace corvanta
