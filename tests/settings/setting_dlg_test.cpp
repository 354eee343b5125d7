// The settings window: its controls and their places, the switch reports,
// hiding and showing again, and the new places after a change of the UI scale.

#include "qt_printers.h"
#include "screenshot_folder.h"
#include "setting_dlg.h"
#include "skin_button.h"
#include "ui_fonts.h"

#include <QAbstractButton>
#include <QDir>
#include <QGroupBox>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QScreen>

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace kv::settings {
namespace {

QFont Font10(const UiScale& scale) {
    return UiFonts(QStringLiteral("Noto Sans CJK JP"), scale, 96.0).pt10();
}

struct Report {
    int index;
    bool shown;
    bool operator==(const Report&) const = default;
};

void PrintTo(const Report& r, std::ostream* os) {
    *os << '(' << r.index << ", " << r.shown << ')';
}

class SettingDialog : public ::testing::Test {
protected:
    SettingDialog() {
        QObject::connect(&dialog_, &CSettingDlg::channelSwitched, [this](int index, bool shown) {
            reports_.push_back({index, shown});
        });
    }

    UiScale scale_{1.0, 1.0};
    CSettingDlg dialog_{scale_, Font10(scale_)};
    std::vector<Report> reports_;
};

TEST_F(SettingDialog, StartsHiddenWithEveryKindOn) {
    EXPECT_FALSE(dialog_.isVisible());
    EXPECT_FALSE(dialog_.isModal());
    EXPECT_TRUE(dialog_.windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_EQ(dialog_.windowTitle(), QStringLiteral("設定"));
    EXPECT_EQ(dialog_.displayGroup()->title(),
              QStringLiteral("加速度グラフ/マップアイコン表示設定"));
    EXPECT_EQ(dialog_.versionGroup()->title(), QStringLiteral("バージョン情報"));
    EXPECT_EQ(dialog_.versionText()->text(), QStringLiteral("version 2.0.0.0"));
    const QStringList texts = {"ドライブサポート", "緊急録画停止", "駐車監視衝撃", "速度超過",
                               "後続車接近"};
    for (int i = 0; i < kEventSwitchCount; ++i) {
        CSkinCheckButton* button = dialog_.eventSwitch(i);
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->text(), texts[i]);
        EXPECT_EQ(button->controlId(), 32968 + i);
        EXPECT_TRUE(button->switchedOn()) << i;
        EXPECT_EQ(button->frameCount(), 4) << "check-box frames of bitmap 217";
        EXPECT_FALSE(button->toolTip().isEmpty());
    }
    EXPECT_EQ(dialog_.eventSwitch(kEventSwitchCount), nullptr);
    ASSERT_NE(dialog_.CloseButton(), nullptr);
    EXPECT_TRUE(reports_.empty());
}

TEST_F(SettingDialog, ControlsSitWhereTheLayoutPutsThem) {
    struct Case {
        double s;
        QSize window;
        QRect display;
        QRect version;
        QRect versionText;
        std::vector<QRect> switches;
        QRect close;
    };
    for (const Case& c : {
             Case{1.0,
                  {460, 315},
                  {10, 30, 434, 160},
                  {10, 190, 434, 110},
                  {20, 210, 414, 60},
                  {{40, 60, 160, 40},
                   {40, 100, 160, 40},
                   {240, 60, 160, 40},
                   {240, 100, 160, 40},
                   {40, 140, 160, 40}},
                  {440, 4, 13, 12}},
             Case{1.5,
                  {690, 472},
                  {15, 45, 651, 240},
                  {15, 285, 651, 165},
                  {30, 315, 621, 90},
                  {{60, 90, 240, 60},
                   {60, 150, 240, 60},
                   {360, 90, 240, 60},
                   {360, 150, 240, 60},
                   {60, 210, 240, 60}},
                  {660, 6, 19, 18}},
         }) {
        const UiScale scale(c.s, 1.0);
        dialog_.Relayout(scale, Font10(scale));
        EXPECT_EQ(dialog_.size(), c.window) << c.s;
        EXPECT_EQ(dialog_.displayGroup()->geometry(), c.display) << c.s;
        EXPECT_EQ(dialog_.versionGroup()->geometry(), c.version) << c.s;
        EXPECT_EQ(dialog_.versionText()->geometry(), c.versionText) << c.s;
        for (int i = 0; i < kEventSwitchCount; ++i) {
            EXPECT_EQ(dialog_.eventSwitch(i)->geometry(), c.switches[static_cast<std::size_t>(i)])
                << c.s << " switch " << i;
            EXPECT_DOUBLE_EQ(dialog_.eventSwitch(i)->scale(), c.s);
        }
        EXPECT_EQ(dialog_.CloseButton()->geometry(), c.close) << c.s;
    }
}

TEST_F(SettingDialog, EachClickFlipsItsSwitchAndReportsIt) {
    dialog_.eventSwitch(kSwitchParkingImpact)->click();
    EXPECT_FALSE(dialog_.switchOn(kSwitchParkingImpact));
    dialog_.eventSwitch(kSwitchParkingImpact)->click();
    dialog_.eventSwitch(kSwitchDriveSupport)->click();
    dialog_.eventSwitch(kSwitchApproaching)->click();
    const std::vector<Report> expected = {{kSwitchParkingImpact, false},
                                          {kSwitchParkingImpact, true},
                                          {kSwitchDriveSupport, false},
                                          {kSwitchApproaching, false}};
    EXPECT_EQ(reports_, expected);
    const std::vector<bool> on = {false, true, true, true, false};
    for (int i = 0; i < kEventSwitchCount; ++i) {
        EXPECT_EQ(dialog_.switchOn(i), on[static_cast<std::size_t>(i)]) << i;
    }
}

TEST_F(SettingDialog, CloseHidesAndTheSwitchesKeepTheirStates) {
    const QRect monitor = QGuiApplication::primaryScreen()->geometry();
    const QPoint centred(monitor.left() + (monitor.width() - 460) / 2,
                         monitor.top() + (monitor.height() - 315) / 2);
    dialog_.ShowCentredOn(nullptr);
    ASSERT_TRUE(dialog_.isVisible());
    EXPECT_EQ(dialog_.geometry(), QRect(centred, QSize(460, 315)));
    dialog_.ToggleSwitch(kSwitchSpeeding);
    dialog_.CloseButton()->click();
    EXPECT_FALSE(dialog_.isVisible());

    // Moved meanwhile: showing it again centres it again.
    dialog_.move(monitor.topLeft() + QPoint(3, 3));
    dialog_.ShowCentredOn(nullptr);
    EXPECT_TRUE(dialog_.isVisible());
    EXPECT_EQ(dialog_.geometry(), QRect(centred, QSize(460, 315)));
    EXPECT_FALSE(dialog_.switchOn(kSwitchSpeeding));
    EXPECT_TRUE(dialog_.switchOn(kSwitchEmergencyStop));
    const std::vector<Report> expected = {{kSwitchSpeeding, false}};
    EXPECT_EQ(reports_, expected);
}

TEST_F(SettingDialog, ANewScaleKeepsTheSwitchStates) {
    dialog_.ToggleSwitch(kSwitchEmergencyStop);
    const UiScale larger(1.25, 1.0);
    dialog_.Relayout(larger, Font10(larger));
    EXPECT_FALSE(dialog_.switchOn(kSwitchEmergencyStop));
    EXPECT_TRUE(dialog_.switchOn(kSwitchDriveSupport));
    EXPECT_EQ(reports_.size(), 1u);
}

TEST_F(SettingDialog, Pictures) {
    dialog_.ToggleSwitch(kSwitchSpeeding);
    for (double s : {1.0, 1.5}) {
        const UiScale scale(s, 1.0);
        dialog_.Relayout(scale, Font10(scale));
        const QImage image = dialog_.grab().toImage();
        ASSERT_FALSE(image.isNull());
        EXPECT_TRUE(image.save(
            QDir(ScreenshotFolder())
                .filePath(
                    QStringLiteral("settings_dialog_s%1.png").arg(static_cast<int>(s * 100)))));
        // Every text fits its control, and the title band is grey.
        for (int i = 0; i < kEventSwitchCount; ++i) {
            const CSkinCheckButton* button = dialog_.eventSwitch(i);
            EXPECT_LE(button->sizeHint().width(), button->width()) << s << ' ' << i;
        }
        const QLabel* version = dialog_.versionText();
        EXPECT_LE(version->sizeHint().width(), version->width()) << s;
        EXPECT_EQ(image.pixelColor(scale(100), scale(5)), QColor(kTitleBandColor)) << s;
    }
}

} // namespace
} // namespace kv::settings
