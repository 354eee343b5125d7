// UI scale S, scaled lengths and the shared fonts' pixel heights.

#include "ui_fonts.h"
#include "ui_scale.h"
#include "ui_texts.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QWidget>

#include <gtest/gtest.h>

namespace kv {
namespace {

TEST(UiScale, ScaledTruncatesTowardZero) {
    struct Case {
        double length;
        double scale;
        int expected;
    };
    const Case cases[] = {
        {13, 1.5, 19},     {12, 1.5, 18},      {20, 1.5, 30},           {4, 1.5, 6},
        {-148, 1.5, -222}, {-10, 1.25, -12},   {-38, 1.1, -41},         {100, 1.1, 110},
        {29, 0.29, 8},     {100, 0.29, 29},    {32, 648.0 / 697.0, 29}, {697, 648.0 / 697.0, 648},
        {0, 2.0, 0},       {7680, 1.5, 11520},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Scaled(c.length, c.scale), c.expected) << c.length << " x " << c.scale;
    }
}

TEST(UiScale, FactorIsLayoutScaleTimesDensity) {
    EXPECT_DOUBLE_EQ(DensityFromDpi(96), 1.0);
    EXPECT_DOUBLE_EQ(DensityFromDpi(144), 1.5);
    EXPECT_DOUBLE_EQ(DensityFromDpi(120), 1.25);
    EXPECT_DOUBLE_EQ(DensityFromDpi(0), 1.0); // no answer from the screen

    const UiScale t(1.2, 1.25);
    EXPECT_DOUBLE_EQ(t.factor(), 1.5);
    EXPECT_EQ(t(13), 19);
    EXPECT_EQ(t.size(13, 12), QSize(19, 18));
    EXPECT_EQ(t.rect(20, 4, 13, 12), QRect(30, 6, 19, 18));
    EXPECT_DOUBLE_EQ(t.withLayoutScale(0.5).factor(), 0.625);
    EXPECT_DOUBLE_EQ(t.withLayoutScale(0.5).density(), 1.25);
}

TEST(UiScale, ForWidgetUsesTheWidgetsLogicalDpi) {
    QWidget widget;
    const UiScale t = UiScale::ForWidget(&widget, 2.0);
    EXPECT_DOUBLE_EQ(t.density(), widget.logicalDpiX() / 96.0);
    EXPECT_DOUBLE_EQ(t.factor(), 2.0 * widget.logicalDpiX() / 96.0);
}

TEST(UiFonts, PixelHeightsForDpiAndScale) {
    struct Case {
        double dpi;
        double layoutScale;
        std::array<int, 7> heights; // 9, 10, 13, 17, 22, 12, 15 points
    };
    const Case cases[] = {
        {96, 1.0, {12, 13, 17, 22, 29, 16, 20}},
        // 144 DPI: D = 1.5 cancels out of S / D, the DPI still counts.
        {144, 1.0, {18, 20, 26, 34, 44, 24, 30}},
        // A low work area shrinks the layout: 648 / 697.
        {96, 648.0 / 697.0, {11, 12, 16, 21, 27, 14, 18}},
        {96, 1.5, {18, 20, 26, 34, 44, 24, 30}},
    };
    for (const Case& c : cases) {
        const UiScale scale(c.layoutScale, DensityFromDpi(c.dpi));
        const UiFonts fonts(QStringLiteral("Noto Sans CJK JP"), scale, c.dpi);
        for (std::size_t i = 0; i < kUiFontPoints.size(); ++i) {
            SCOPED_TRACE(kUiFontPoints[i]);
            EXPECT_EQ(UiFontPixelHeight(kUiFontPoints[i], scale, c.dpi), c.heights[i]);
            EXPECT_EQ(fonts.font(static_cast<UiFontSize>(i)).pixelSize(), c.heights[i]);
        }
    }
}

TEST(UiFonts, RebuildFollowsANewScale) {
    UiFonts fonts(QStringLiteral("Noto Sans CJK JP"), UiScale(1.0, 1.0), 96);
    EXPECT_EQ(fonts.pt10().pixelSize(), 13);
    fonts.Rebuild(UiScale(2.0, 1.0), 96);
    EXPECT_EQ(fonts.pt10().pixelSize(), 26);
    EXPECT_EQ(fonts.pt22().pixelSize(), 58);
    EXPECT_DOUBLE_EQ(fonts.scale().factor(), 2.0);
    EXPECT_EQ(fonts.family(), QStringLiteral("Noto Sans CJK JP"));
}

TEST(UiFonts, FacePrefersMeiryoThenNoto) {
    const QString meiryoJa = Text(UiText::FontFace);
    struct Case {
        QStringList installed;
        QString chosen;
    };
    const Case cases[] = {
        {{QStringLiteral("Arial"), meiryoJa}, meiryoJa},
        {{QStringLiteral("Meiryo"), QStringLiteral("Noto Sans CJK JP")}, QStringLiteral("Meiryo")},
        {{QStringLiteral("meiryo")}, QStringLiteral("Meiryo")},
        {{QStringLiteral("DejaVu Sans")}, QStringLiteral("Noto Sans CJK JP")},
        {{}, QStringLiteral("Noto Sans CJK JP")},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ChooseUiFontFamily(c.installed), c.chosen) << c.installed.join(',').toStdString();
    }
}

TEST(UiFonts, InstalledFaceShowsJapanese) {
    QWidget widget;
    const UiFonts fonts = UiFonts::ForWidget(&widget, UiScale::ForWidget(&widget));
    const QFontMetrics metrics(fonts.pt13());
    for (const QChar c : Text(UiText::RepairQuestion)) {
        EXPECT_TRUE(metrics.inFont(c)) << static_cast<int>(c.unicode());
    }
}

} // namespace
} // namespace kv
