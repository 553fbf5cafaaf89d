// The settings window's tabs: every control writes its one field of the settings record and asks
// for the debounced save; the few that reach a service do so; texts and visibility follow the record.

#include "Platform/AccessibilityTrust.h"
#include "Services/LayoutTestSupport.h"
#include "Services/PinchAvailability.h"
#include "Views/AdvancedSettingsView.h"
#include "Views/AppearanceSettingsView.h"
#include "Views/BehaviorSettingsView.h"
#include "Views/GeneralSettingsView.h"
#include "Views/LayoutSettingsView.h"
#include "Views/SettingsView.h"
#include "common/BundleBuilder.h"
#include "common/LogCapture.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QCoreApplication>
#include <QKeyEvent>

#include <gtest/gtest.h>

namespace corvanta::test {
namespace {

class FakeTrust final : public AccessibilityTrust {
public:
    bool isTrusted() const override { return trusted; }
    void set(bool value)
    {
        trusted = value;
        Q_EMIT trustMayHaveChanged();
    }
    bool trusted = true;
};

template <typename T> T* child(QWidget& root, const char* name)
{
    T* found = root.findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
}

class SettingsViewTest : public LayoutHarness {
protected:
    void SetUp() override
    {
        makeStore();
        trust = std::make_shared<FakeTrust>();
        watcher = std::make_unique<AccessibilityTrustedWatcher>(trust);
    }

    SettingsServices services()
    {
        SettingsServices s;
        s.layoutManager = store.get();
        s.defaults = &defaults;
        s.loginItemStatus = [this] { return loginStatus; };
        s.setLaunchAtLogin = [this](bool enabled) {
            loginRequests.append(enabled);
            return loginError;
        };
        s.scanDirectories = {QStringLiteral("/home/me/Applications"), QStringLiteral("/Applications")};
        s.homeDirectory = QStringLiteral("/home/me");
        s.scanApps = [this](std::function<void(QList<AppItem>)> done) { done(nextScan); };
        s.trustWatcher = watcher.get();
        s.isProcessTrusted = [this] { return trust->trusted; };
        s.startHotCornerMonitor = [this](HotCorner corner) { cornerStarts.append(corner); };
        s.setupPinchGesture = [this](TrackpadGesture mode, bool claim) { pinchSetups.append({mode, claim}); };
        s.gestureRecognitionSource = [this](TrackpadGesture) { return gestureSource; };
        s.pinchUnavailableText = [this] { return pinchUnavailable; };
        s.presentAccessibilityGuide = [this] { ++guidePresented; };
        s.openUrl = [this](const QString& url) { openedUrls.append(url); };
        s.chooseBackupFile = [this] { return backupChoice; };
        s.chooseRestoreFile = [this] { return restoreChoice; };
        s.confirmResetLayout = [this] { return confirmReset; };
        s.checkRestoredApps = [this] { restoredSceneChecked << currentSceneName(); };
        s.showError = [this](const QString& title, const QString& text) { errors.append(title + QStringLiteral(": ") + text); };
        return s;
    }

    QString currentSceneName() const
    {
        for (const TilehallScene& scene : store->scenes())
            if (scene.id == store->currentSceneID())
                return scene.name;
        return {};
    }

    static void choose(QComboBox* box, int value)
    {
        const int index = box->findData(value);
        box->setCurrentIndex(index);
        Q_EMIT box->activated(index);
    }
    // What a label shows while its window is on screen.
    static bool shown(QWidget* widget) { return !widget->isHidden(); }

    std::shared_ptr<FakeTrust> trust;
    std::unique_ptr<AccessibilityTrustedWatcher> watcher;
    LaunchAtLogin::Status loginStatus = LaunchAtLogin::Status::notRegistered;
    std::optional<QString> loginError;
    QList<bool> loginRequests;
    QList<AppItem> nextScan;
    QList<HotCorner> cornerStarts;
    QList<std::pair<TrackpadGesture, bool>> pinchSetups;
    GestureRecognitionSource gestureSource = GestureRecognitionSource::macOS;
    QString pinchUnavailable; // what the trigger service says after its set-up
    int guidePresented = 0;
    QStringList openedUrls;
    QString backupChoice;
    QString restoreChoice;
    bool confirmReset = false;
    QStringList restoredSceneChecked; // the current scene each time the restored applications were looked for
    QStringList errors;
};

TEST_F(SettingsViewTest, EachControlWritesItsOneFieldAndAsksForTheSave)
{
    struct Case {
        const char* name;
        std::function<void(QWidget&)> act;
        std::function<void(LayoutConfig&)> expected;
    };
    const QList<Case> cases = {
        {"language picker",
         [](QWidget& w) { choose(child<QComboBox>(w, "languageTheme"), int(TilehallTheme::dark)); },
         [](LayoutConfig& c) { c.theme = TilehallTheme::dark; }},
        {"background type",
         [](QWidget& w) { choose(child<QComboBox>(w, "backgroundType"), int(BackgroundType::color)); },
         [](LayoutConfig& c) { c.backgroundType = BackgroundType::color; }},
        {"blur strength", [](QWidget& w) { child<QSlider>(w, "blurStrength")->setValue(10); },
         [](LayoutConfig& c) { c.blurStrength = 0.5; }},
        {"theme", [](QWidget& w) { choose(child<QComboBox>(w, "theme"), int(TilehallTheme::light)); },
         [](LayoutConfig& c) { c.theme = TilehallTheme::light; }},
        {"rows", [](QWidget& w) { child<QSpinBox>(w, "rows")->setValue(4); },
         [](LayoutConfig& c) { c.rows = 4; }},
        {"columns", [](QWidget& w) { child<QSpinBox>(w, "columns")->setValue(6); },
         [](LayoutConfig& c) { c.columns = 6; }},
        {"icon scale", [](QWidget& w) { child<QPushButton>(w, "iconScale2")->click(); },
         [](LayoutConfig& c) { c.iconScale = 1.15; }},
        {"screen", [](QWidget& w) { choose(child<QComboBox>(w, "showOnScreen"), int(ScreenPreference::cursorScreen)); },
         [](LayoutConfig& c) { c.showOnScreen = ScreenPreference::cursorScreen; }},
        {"hot-key text",
         [](QWidget& w) {
             QLineEdit* field = child<QLineEdit>(w, "shortcutKey");
             field->selectAll();
             for (const auto& [key, text] : {std::pair{Qt::Key_F, "F"}, std::pair{Qt::Key_5, "5"}}) {
                 QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, QString::fromLatin1(text));
                 QCoreApplication::sendEvent(field, &press);
             }
         },
         [](LayoutConfig& c) { c.shortcutKey = QStringLiteral("F5"); }},
        {"hot corner", [](QWidget& w) { choose(child<QComboBox>(w, "hotCorner"), int(HotCorner::topRight)); },
         [](LayoutConfig& c) { c.hotCorner = HotCorner::topRight; }},
        {"pinch", [](QWidget& w) { choose(child<QComboBox>(w, "trackpadGesture"), int(TrackpadGesture::off)); },
         [](LayoutConfig& c) {
             c.trackpadGesture = TrackpadGesture::off;
             c.pinchGestureEnabled = false;
         }},
        {"search menu button", [](QWidget& w) { child<QCheckBox>(w, "hideSearchMenuButton")->setChecked(true); },
         [](LayoutConfig& c) { c.hideSearchMenuButton = true; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        store->setConfig(LayoutConfig{});
        scheduler.advance(10);
        SettingsView view(services(), {});
        c.act(view);
        LayoutConfig expected;
        c.expected(expected);
        EXPECT_EQ(store->config(), expected);
        EXPECT_TRUE(store->hasPendingSave());
    }
}

TEST_F(SettingsViewTest, TriggerSettersReachTheirServices)
{
    SettingsView view(services(), {});
    choose(child<QComboBox>(view, "hotCorner"), int(HotCorner::bottomLeft));
    choose(child<QComboBox>(view, "hotCorner"), int(HotCorner::none));
    EXPECT_EQ(cornerStarts, (QList<HotCorner>{HotCorner::bottomLeft, HotCorner::none}));

    // Even "off" answers the one-time take-over question.
    choose(child<QComboBox>(view, "trackpadGesture"), int(TrackpadGesture::off));
    EXPECT_TRUE(defaults.boolValue(QStringLiteral("com.corvanta.didAskFourFingerPinchTakeover")));
    choose(child<QComboBox>(view, "trackpadGesture"), int(TrackpadGesture::fiveFinger));
    const QList<std::pair<TrackpadGesture, bool>> expected{{TrackpadGesture::off, false}, {TrackpadGesture::fiveFinger, true}};
    EXPECT_EQ(pinchSetups, expected);
    EXPECT_EQ(guidePresented, 0); // trusted
}

TEST_F(SettingsViewTest, PermissionWarningsFollowTheTrustLive)
{
    trust->trusted = false;
    watcher = std::make_unique<AccessibilityTrustedWatcher>(trust);
    BehaviorSettingsView tab(services());
    auto* cornerWarning = child<QLabel>(tab, "hotCornerWarning");
    auto* pinchWarning = child<QWidget>(tab, "pinchWarning");

    choose(child<QComboBox>(tab, "trackpadGesture"), int(TrackpadGesture::fourFinger));
    EXPECT_EQ(guidePresented, 1);
    EXPECT_TRUE(shown(pinchWarning));
    choose(child<QComboBox>(tab, "trackpadGesture"), int(TrackpadGesture::off));
    EXPECT_EQ(guidePresented, 1);
    EXPECT_FALSE(shown(pinchWarning));

    EXPECT_FALSE(shown(cornerWarning)); // the corner is "none"
    choose(child<QComboBox>(tab, "hotCorner"), int(HotCorner::topLeft));
    EXPECT_TRUE(shown(cornerWarning));
    trust->set(true);
    EXPECT_FALSE(shown(cornerWarning));

    trust->set(false);
    choose(child<QComboBox>(tab, "trackpadGesture"), int(TrackpadGesture::fourFinger));
    child<QPushButton>(tab, "openAccessibilitySettings")->click();
    EXPECT_EQ(openedUrls,
              QStringList{QStringLiteral("x-apple.systempreferences:com.apple.preference.security?Privacy_Accessibility")});
}

// Where the desktop gives no pinch events the tab says why, as the trigger service found it when
// the pinch was set up; there is no permission to ask for.
TEST_F(SettingsViewTest, APinchThatCannotWorkHereSaysWhy)
{
    const QString reason = pinchUnavailableText(TouchpadAccess::unreadable);
    ASSERT_FALSE(reason.isEmpty());
    BehaviorSettingsView tab(services());
    auto* box = child<QWidget>(tab, "pinchUnavailable");
    auto* text = child<QLabel>(tab, "pinchUnavailableText");

    // The set-up of the chosen pinch finds no events: the box appears with the reason at once.
    pinchUnavailable.clear();
    choose(child<QComboBox>(tab, "trackpadGesture"), int(TrackpadGesture::fourFinger));
    EXPECT_FALSE(shown(box));
    pinchUnavailable = reason;
    choose(child<QComboBox>(tab, "trackpadGesture"), int(TrackpadGesture::fiveFinger));
    EXPECT_TRUE(shown(box));
    EXPECT_EQ(text->text(), reason);
    EXPECT_FALSE(shown(child<QWidget>(tab, "pinchWarning"))) << "trusted: no Accessibility warning";
    EXPECT_EQ(guidePresented, 0);

    choose(child<QComboBox>(tab, "trackpadGesture"), int(TrackpadGesture::off));
    EXPECT_FALSE(shown(box));
}

TEST_F(SettingsViewTest, GestureInfoPanelAsksTheTriggerServiceOnceOnScreen)
{
    GestureRecognitionInfoPanel panel(TrackpadGesture::fourFinger, [this](TrackpadGesture) { return gestureSource; });
    EXPECT_EQ(child<QLabel>(panel, "gestureSource")->text(), QStringLiteral("软件内置"));
    panel.show();
    EXPECT_EQ(child<QLabel>(panel, "gestureSource")->text(), QStringLiteral("macOS"));
    EXPECT_EQ(child<QLabel>(panel, "gestureExplanation")->text(),
              QStringLiteral("系统四指捏合仍开启，可能与「聚焦」冲突。请在系统设置中关闭，或重新选择「四指捏合」让本应用自动接管。"));

    GestureRecognitionInfoPanel off(TrackpadGesture::off, [](TrackpadGesture) { return GestureRecognitionSource::disabled; });
    off.show();
    EXPECT_EQ(child<QLabel>(off, "gestureSource")->text(), QStringLiteral("已关闭"));
    EXPECT_EQ(child<QLabel>(off, "gestureExplanation")->text(), QStringLiteral("触控板捏合手势已关闭。可在上方选择四指捏合或五指捏合以启用。"));
    EXPECT_EQ(GestureRecognitionInfoPanel::explanation(TrackpadGesture::fiveFinger, GestureRecognitionSource::disabled),
              QStringLiteral("系统五指捏合已关闭，本应用内置识别完全接管。"));
}

TEST_F(SettingsViewTest, BackgroundControlsShowOnlyForTheirType)
{
    AppearanceSettingsView tab(services());
    auto* slider = child<QSlider>(tab, "blurStrength");
    auto* color = child<QPushButton>(tab, "backgroundColor");
    EXPECT_TRUE(shown(slider->parentWidget()));
    EXPECT_FALSE(shown(color->parentWidget()));

    choose(child<QComboBox>(tab, "backgroundType"), int(BackgroundType::color));
    EXPECT_FALSE(shown(slider->parentWidget()));
    EXPECT_TRUE(shown(color->parentWidget()));
    const QColor stored = color->property("chosenColor").value<QColor>();
    EXPECT_EQ(stored, QColor(0, 0, 0, 0x66)); // "#00000066"

    tab.setBackgroundColor(QColor(0x12, 0x34, 0x56, 0x78));
    EXPECT_EQ(store->config().backgroundColor, QStringLiteral("#12345678"));
    tab.setBackgroundColor(QColor()); // no sRGB form
    EXPECT_EQ(store->config().backgroundColor, QStringLiteral("#000000FF"));

    choose(child<QComboBox>(tab, "backgroundType"), int(BackgroundType::wallpaper));
    EXPECT_FALSE(shown(slider->parentWidget()));
    EXPECT_FALSE(shown(color->parentWidget()));
    EXPECT_EQ(store->config().backgroundColor, QStringLiteral("#000000FF"));
    EXPECT_DOUBLE_EQ(store->config().blurStrength, 0.8);
}

TEST_F(SettingsViewTest, GridSteppersStayInRangeAndAnUnknownScaleSelectsNoSegment)
{
    LayoutConfig config;
    config.rows = 10;
    config.columns = 1;
    config.iconScale = 1.07;
    store->setConfig(config);
    LayoutSettingsView tab(services());
    QSpinBox* rows = child<QSpinBox>(tab, "rows");
    QSpinBox* columns = child<QSpinBox>(tab, "columns");
    rows->stepUp();
    columns->stepDown();
    EXPECT_EQ(store->config().rows, 10);
    EXPECT_EQ(store->config().columns, 1);
    EXPECT_FALSE(store->hasPendingSave());
    for (int i = 0; i < 4; ++i)
        EXPECT_FALSE(child<QPushButton>(tab, QStringLiteral("iconScale%1").arg(i).toLatin1().constData())->isChecked());

    const QStringList labels = [&] {
        QStringList out;
        for (QLabel* label : tab.findChildren<QLabel*>())
            out << label->text();
        return out;
    }();
    EXPECT_TRUE(labels.contains(QStringLiteral("行数: 10")));
    EXPECT_TRUE(labels.contains(QStringLiteral("列数: 1")));
}

TEST_F(SettingsViewTest, ResetAsksFirstAndCompactionActsAtOnce)
{
    storeWithPages({page({PageEntry(app(QStringLiteral("Beta")))}), page({}), page({PageEntry(app(QStringLiteral("Alpha")))})});
    store->updateScannedApps({app(QStringLiteral("Alpha")), app(QStringLiteral("Beta"))});
    LayoutSettingsView tab(services());
    const auto before = pageNames(store->layout());

    confirmReset = false;
    child<QPushButton>(tab, "resetLayout")->click();
    EXPECT_EQ(pageNames(store->layout()), before);

    child<QPushButton>(tab, "compactPages")->click();
    EXPECT_EQ(store->layout().pages.size(), 1);

    confirmReset = true;
    child<QPushButton>(tab, "resetLayout")->click();
    EXPECT_EQ(pageNames(store->layout()), (QList<QStringList>{{QStringLiteral("Alpha"), QStringLiteral("Beta")}}));
}

TEST_F(SettingsViewTest, RescanSentenceNamesAtMostFiveAddedApplications)
{
    QList<AppItem> before{app(QStringLiteral("Old"))};
    QList<AppItem> scanned;
    for (const char* name : {"A", "B", "C", "D", "E", "F"})
        scanned.append(app(QString::fromLatin1(name)));

    EXPECT_EQ(GeneralSettingsView::rescanSentence(1, GeneralSettingsView::addedAppNames(before, {})),
              QStringLiteral("已重新扫描：共 1 个应用，没有新增。"));
    EXPECT_EQ(GeneralSettingsView::rescanSentence(5, GeneralSettingsView::addedAppNames(before, scanned.mid(0, 5))),
              QStringLiteral("已重新扫描：共 5 个应用，新增 5 个（A、B、C、D、E）。"));
    EXPECT_EQ(GeneralSettingsView::rescanSentence(6, GeneralSettingsView::addedAppNames(before, scanned)),
              QStringLiteral("已重新扫描：共 6 个应用，新增 6 个（A、B、C、D、E 等）。"));

    // Without an identifier the path decides: a moved copy is new.
    const AppItem unnamed = makeApp(QStringLiteral("Tool"), QString(), QStringLiteral("/Applications/Tool.app"));
    const AppItem moved = makeApp(QStringLiteral("Tool"), QString(), QStringLiteral("/Users/Shared/Applications/Tool.app"));
    EXPECT_EQ(GeneralSettingsView::addedAppNames({unnamed}, {unnamed, moved}), QStringList{QStringLiteral("Tool")});
}

TEST_F(SettingsViewTest, ManualRescanMergesReportsAndLogs)
{
    store->updateScannedApps({app(QStringLiteral("Old"))});
    GeneralSettingsView tab(services());
    nextScan = {app(QStringLiteral("Old")), app(QStringLiteral("New"))};
    LogCapture log;
    child<QPushButton>(tab, "rescan")->click();
    EXPECT_EQ(store->allScannedApps().size(), 2);
    EXPECT_EQ(tab.rescanResult(), QStringLiteral("已重新扫描：共 2 个应用，新增 1 个（New）。"));
    EXPECT_EQ(child<QLabel>(tab, "rescanResult")->text(), *tab.rescanResult());
    EXPECT_TRUE(log.contains(QStringLiteral("设置页手动重扫 — 共 2 个，新增 1 个")));

    QStringList paths;
    for (QLabel* label : tab.findChildren<QLabel*>())
        paths << label->text();
    EXPECT_TRUE(paths.contains(QStringLiteral("~/Applications")));
    EXPECT_TRUE(paths.contains(QStringLiteral("/Applications")));
}

TEST_F(SettingsViewTest, LaunchAtLoginStoresOnlyARealRegistration)
{
    GeneralSettingsView tab(services());
    QCheckBox* toggle = child<QCheckBox>(tab, "launchAtLogin");
    EXPECT_FALSE(toggle->isChecked());
    EXPECT_EQ(child<QLabel>(tab, "loginItemStatus")->text(), QStringLiteral("未开启"));

    // Waiting for the user's approval: on, orange, a way to approve, but not stored as on.
    loginStatus = LaunchAtLogin::Status::requiresApproval;
    LogCapture log;
    toggle->click();
    EXPECT_EQ(loginRequests, QList<bool>{true});
    EXPECT_TRUE(toggle->isChecked());
    EXPECT_FALSE(store->config().launchAtLogin);
    EXPECT_TRUE(store->hasPendingSave());
    EXPECT_FALSE(child<QPushButton>(tab, "openLoginItems")->isHidden());
    EXPECT_TRUE(log.contains(QStringLiteral("设置页切换开机自启动 → 开，系统状态=已注册，但还需在「系统设置 › 通用 › 登录项与扩展」中允许")));

    loginStatus = LaunchAtLogin::Status::enabled;
    tab.refreshLoginItemStatus();
    EXPECT_TRUE(child<QPushButton>(tab, "openLoginItems")->isHidden());

    // A failed change shows its error and the toggle follows the real state.
    loginError = QStringLiteral("磁盘已满");
    loginStatus = LaunchAtLogin::Status::notRegistered;
    toggle->click();
    EXPECT_FALSE(toggle->isChecked());
    EXPECT_EQ(child<QLabel>(tab, "loginItemError")->text(), QStringLiteral("设置失败：磁盘已满"));
    EXPECT_TRUE(log.contains(QStringLiteral("设置页切换开机自启动 → 关，系统状态=失败：磁盘已满")));
}

TEST_F(SettingsViewTest, BackupAndRestoreAskForAFileAndShowFailures)
{
    store->updateScannedApps({app(QStringLiteral("Alpha")), app(QStringLiteral("Beta"))});
    AdvancedSettingsView tab(services());
    EXPECT_EQ(child<QLabel>(tab, "version")->text(), QStringLiteral("1.0.0"));
    EXPECT_EQ(child<QLabel>(tab, "installedApps")->text(), QStringLiteral("2"));
    EXPECT_EQ(child<QLabel>(tab, "pageCount")->text(), QString::number(store->layout().pages.size()));
    EXPECT_EQ(child<QLabel>(tab, "hiddenApps")->text(), QStringLiteral("0"));

    child<QPushButton>(tab, "backupLayout")->click(); // cancelled
    child<QPushButton>(tab, "restoreLayout")->click();
    EXPECT_TRUE(errors.isEmpty());

    backupChoice = support.path() + QStringLiteral("/backup.json");
    child<QPushButton>(tab, "backupLayout")->click();
    EXPECT_TRUE(QFileInfo::exists(backupChoice));
    EXPECT_TRUE(errors.isEmpty());

    backupChoice = support.path() + QStringLiteral("/no/such/folder/backup.json");
    child<QPushButton>(tab, "backupLayout")->click();
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors[0].startsWith(QStringLiteral("备份布局失败: ")));

    restoreChoice = support.path() + QStringLiteral("/not-a-layout.json");
    writeFile(restoreChoice, QByteArrayLiteral("{\"hello\": 1}"));
    const auto pagesBefore = pageNames(store->layout());
    child<QPushButton>(tab, "restoreLayout")->click();
    ASSERT_EQ(errors.size(), 2);
    EXPECT_TRUE(errors[1].startsWith(QStringLiteral("恢复布局失败: ")));
    EXPECT_EQ(pageNames(store->layout()), pagesBefore);
    EXPECT_TRUE(restoredSceneChecked.isEmpty());

    // A restore brings back what the backup held, applications gone since included: they are
    // looked for on disk at once, not at the grid's next showing.
    store->renameScene(store->currentSceneID(), QStringLiteral("改名后"));
    restoreChoice = support.path() + QStringLiteral("/backup.json");
    child<QPushButton>(tab, "restoreLayout")->click();
    EXPECT_EQ(errors.size(), 2);
    EXPECT_EQ(restoredSceneChecked, QStringList{currentSceneName()});
    EXPECT_NE(currentSceneName(), QStringLiteral("改名后"));
}

TEST_F(SettingsViewTest, TabsInOrderAndTheDoneBarOnlyWithADoneAction)
{
    int done = 0;
    SettingsView withDone(services(), [&done] { ++done; });
    QTabWidget* tabs = withDone.tabs();
    QStringList titles;
    for (int i = 0; i < tabs->count(); ++i)
        titles << tabs->tabText(i);
    EXPECT_EQ(titles, (QStringList{QStringLiteral("通用"), QStringLiteral("外观"), QStringLiteral("布局"), QStringLiteral("触发"),
                                   QStringLiteral("高级")}));
    EXPECT_EQ(tabs->currentIndex(), 0);
    child<QPushButton>(withDone, "done")->click();
    EXPECT_EQ(done, 1);

    SettingsView withoutDone(services(), {});
    EXPECT_EQ(withoutDone.findChild<QPushButton*>(QStringLiteral("done")), nullptr);
}

} // namespace
} // namespace corvanta::test
