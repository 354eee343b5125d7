// The progress bar of the long file operations.

#include "skin_progress_bar.h"

#include "skin_test_support.h"

#include <QFont>

#include <cstdlib>

#include <gtest/gtest.h>

namespace kv {
namespace {

TEST(SkinProgressBar, FilledWidth) {
    struct Case {
        int width, minimum, maximum, position, filled;
    };
    const Case cases[] = {
        {200, 0, 100, 50, 100}, {201, 0, 100, 50, 100},  {200, 0, 100, 100, 200},
        {200, 0, 100, 0, 0},    {7, 0, 3, 1, 2},         {200, 0, 0, 50, 0}, // range below 1
        {200, 5, 5, 5, 0},      {200, 10, 110, 50, 100}, // the position is not offset
        {0, 0, 100, 50, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ProgressFilledWidth(c.width, c.minimum, c.maximum, c.position), c.filled)
            << c.width << " " << c.minimum << ".." << c.maximum << " @" << c.position;
    }
}

// Whether any pixel of the column range [x0, x1) within the bar is close to
// colour c (glyph edges are blended with the ground).
bool AnyPixel(const QImage& image, int x0, int x1, int height, const QColor& c) {
    for (int y = 0; y < height; ++y) {
        for (int x = x0; x < x1; ++x) {
            const QColor p = image.pixelColor(x, y);
            if (std::abs(p.red() - c.red()) < 60 && std::abs(p.green() - c.green()) < 60 &&
                std::abs(p.blue() - c.blue()) < 60) {
                return true;
            }
        }
    }
    return false;
}

TEST(SkinProgressBar, HalfFilledShowsTheTextInBothColours) {
    CSkinProgressBarCtrl bar;
    QFont font;
    font.setPixelSize(13);
    bar.setFont(font);
    bar.resize(300, 22);
    bar.SetRange(0, 100);
    bar.SetPosition(50);
    const QImage image = test::Render(bar);
    const QColor blue(0, 0, 255);
    const QColor white(255, 255, 255);
    EXPECT_EQ(test::At(image, 0, 0), blue);
    EXPECT_EQ(test::At(image, 149, 21), blue);
    EXPECT_EQ(test::At(image, 150, 0), white);
    EXPECT_EQ(test::At(image, 299, 21), white);
    // Outside the centred text box the halves are plain.
    EXPECT_FALSE(AnyPixel(image, 0, 100, 22, white));
    EXPECT_FALSE(AnyPixel(image, 200, 300, 22, blue));
    // "50 %" straddles the middle: white glyphs on blue, blue glyphs on white.
    EXPECT_TRUE(AnyPixel(image, 100, 150, 22, white));
    EXPECT_TRUE(AnyPixel(image, 150, 200, 22, blue));
}

TEST(SkinProgressBar, OwnerColours) {
    CSkinProgressBarCtrl bar;
    bar.resize(100, 22);
    bar.SetColours(QColor(0x3F, 0x3F, 0x3F), Qt::white);
    bar.SetRange(0, 4);
    bar.SetPosition(1);
    const QImage image = test::Render(bar);
    EXPECT_EQ(test::At(image, 24, 2), QColor(0x3F, 0x3F, 0x3F));
    EXPECT_EQ(test::At(image, 25, 2), QColor(Qt::white));
}

TEST(SkinProgressBar, DockBelowSitsOnePixelAboveTheReferencesBottom) {
    QWidget parent;
    parent.resize(400, 300);
    QWidget reference(&parent);
    reference.setGeometry(10, 20, 300, 200);
    CSkinProgressBarCtrl bar(&parent);
    bar.DockBelow(&parent, &reference);
    EXPECT_EQ(bar.geometry(), QRect(10, 197, 300, 22));
    bar.SetUiScale(1.5);
    bar.DockBelow(&parent, &reference);
    EXPECT_EQ(bar.geometry(), QRect(10, 186, 300, 33));
}

} // namespace
} // namespace kv
