// The vehicle panel: values from the record's words, limits, needle steps,
// selection rules while playing, and closing.

#include "obd_dlg.h"
#include "ui_fonts.h"

#include <gtest/gtest.h>

#include <vector>

namespace kv::views {
namespace {

TEST(VehicleValues, FromTheWords) {
    VehicleSample s;
    VehicleValues values = {1, 2, 3, 4, 5};
    s.words[7] = 456;  // value 0: 45
    s.words[2] = 7890; // value 1: 78
    s.words[1] = 0x2020;
    s.words[0] = 20;     // value 3: -20
    s.words[3] = 0x3FFF; // value 4 unchanged
    UpdateVehicleValues(values, s);
    EXPECT_EQ(values, (VehicleValues{45, 78, 90, -20, 5}));
    s.words[1] = 0x3FFF;
    s.words[3] = 400;
    UpdateVehicleValues(values, s);
    EXPECT_EQ(values[2], 90);
    EXPECT_EQ(values[4], 400);
    s.words[1] = 201; // (201 - 101) / 100 × 100 + 90
    UpdateVehicleValues(values, s);
    EXPECT_EQ(values[2], 190);
    EXPECT_EQ(LimitVehicleValue(3, -20), 0);
    EXPECT_EQ(LimitVehicleValue(4, 400), 300);
    EXPECT_EQ(LimitVehicleValue(2, 221), 220);
}

TEST(VehicleValues, NeedleAnglesAtTheMarkedEnds) {
    EXPECT_DOUBLE_EQ(NeedleAngle(0, 0), 261.5);
    EXPECT_DOUBLE_EQ(NeedleAngle(0, 3), 267.5);
    EXPECT_DOUBLE_EQ(NeedleAngle(0, 98), 94.5);
    EXPECT_DOUBLE_EQ(NeedleAngle(0, 100), 99.0);
    EXPECT_DOUBLE_EQ(NeedleAngle(2, 0), 251.5);
    // Clockwise all the way: unwrapped, every value is past the previous one.
    for (int which = 0; which < kVehicleValueCount; ++which) {
        double previous = -1.0;
        for (int v = 0; v <= VehicleValueLimit(which); ++v) {
            double a = NeedleAngle(which, v);
            if (a < 200.0) {
                a += 360.0;
            }
            EXPECT_GT(a, previous) << which << " " << v;
            previous = a;
        }
    }
}

struct ObdFixture {
    ObdFixture()
        : scale(1.0, 1.0),
          dialog(scale, UiFonts(QStringLiteral("Noto Sans CJK JP"), scale, 96.0).pt10()) {}
    UiScale scale;
    CObdDlg dialog;
};

TEST(ObdPanel, CreatedHiddenAndNeedleMovesInSteps) {
    ObdFixture f;
    EXPECT_FALSE(f.dialog.isVisible());
    VehicleSample s;
    s.words.fill(0x2020);
    s.words[1] = 211; // value 2: 200
    f.dialog.SetVehicleSample(&s);
    f.dialog.SelectValue(0, 2);
    EXPECT_EQ(f.dialog.shownValue(0), 90);
    std::vector<int> shown;
    for (int i = 0; i < 30 && (shown.empty() || shown.back() != 200); ++i) {
        f.dialog.StepSlot(0);
        shown.push_back(f.dialog.shownValue(0));
    }
    std::vector<int> expected;
    for (int v = 96; v <= 198; v += 6) {
        expected.push_back(v);
    }
    expected.push_back(199);
    expected.push_back(200);
    EXPECT_EQ(shown, expected);
}

TEST(ObdPanel, SelectionRules) {
    ObdFixture f;
    f.dialog.SelectValue(1, 5);
    f.dialog.SelectValue(3, 1);
    EXPECT_EQ(f.dialog.selection(1), -1);
    f.dialog.SetPlaying(true);
    f.dialog.SelectValue(1, 4);
    EXPECT_EQ(f.dialog.selection(1), 4);
    EXPECT_FALSE(f.dialog.selectorEnabled(1));
    EXPECT_TRUE(f.dialog.selectorEnabled(0));
    f.dialog.SetPlaying(false);
    f.dialog.StepSlot(1);
    EXPECT_TRUE(f.dialog.selectorEnabled(1));

    int closed = 0;
    QObject::connect(&f.dialog, &CObdDlg::closed, [&] { ++closed; });
    f.dialog.reject();
    EXPECT_EQ(closed, 1);
}

} // namespace
} // namespace kv::views
