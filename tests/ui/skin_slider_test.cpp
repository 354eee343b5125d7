// The position and volume sliders: their arithmetic, their notifications and
// how they draw.

#include "skin_bitmap.h"
#include "skin_slider.h"

#include "skin_test_support.h"

#include <QApplication>
#include <QMouseEvent>

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

namespace kv {
namespace {

TEST(SkinSliderArithmetic, ValueUnderTheMouse) {
    struct Case {
        int x, width, minimum, maximum;
        std::optional<int> value;
    };
    // clang-format off
    const Case cases[] = {
        {50, 100, 0, 99, 50},
        {99, 100, 0, 10, 10},      // 99 / (100 / 11) = 10.89
        {100, 100, 0, 10, 10},     // 11, clamped
        {-5, 100, 0, 10, 0},       // truncated toward zero
        {109, 100, 0, 0, 0},       // empty range: W + 9 still gives the maximum
        {50, 656, 0, 65535, 4995}, // step 656 / 65536
        {100, 100, 20, 30, 20},    // 11: the minimum is not added, so clamped up
        {250, 100, 20, 30, 27},    // beyond the slider (the mouse is captured)
        {5, 100, 10, 0, std::nullopt}, // inverted
        {5, 100, 1, 0, std::nullopt},  // range + 1 = 0
        {5, 0, 0, 10, std::nullopt},   // no width: no positive step
    };
    // clang-format on
    for (const Case& c : cases) {
        EXPECT_EQ(SliderValueAt(c.x, c.width, c.minimum, c.maximum), c.value)
            << c.x << " in " << c.width << " for " << c.minimum << ".." << c.maximum;
    }
}

TEST(SkinSliderArithmetic, ThumbAndPlayedShare) {
    struct Case {
        int width, thumb, minimum, maximum, position, left;
        double share;
    };
    const Case cases[] = {
        {800, 25, 0, 0, 0, 0, 0.0},
        {800, 25, 0, 99, 50, 387, 0.5},
        {200, 25, 0, 199, 100, 87, 0.5},
        {7680, 25, 0, 1000000, 1000000, 7654, 1000000.0 / 1000001.0},
        {800, 25, 0, 99, 99, 767, 0.99},
        {800, 25, 10, 0, 5, 0, 0.0}, // inverted range
        {100, 10, 0, 65535, 65535, 89, 65535.0 / 65536.0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SliderThumbLeft(c.width, c.thumb, c.minimum, c.maximum, c.position), c.left);
        EXPECT_DOUBLE_EQ(SliderPlayedShare(c.minimum, c.maximum, c.position), c.share);
    }
}

const QColor kPlayed(220, 30, 30);
const QColor kRemaining(90, 90, 90);
const QColor kThumb(30, 200, 30);
const QColor kThumbDragging(230, 230, 20);
const QColor kBackground(10, 20, 30);

using Note = std::tuple<char, int, int>; // d(own) / m(oved) / u(p), control id, value

class SkinSliderTest : public ::testing::Test {
protected:
    void SetUp() override {
        slider.resize(200, 10);
        slider.SetBackground(kBackground);
        slider.SetPictureImages(test::Flat({800, 10}, kPlayed), test::Flat({800, 10}, kRemaining),
                                test::Flat({25, 10}, kThumb), test::Flat({25, 10}, kThumbDragging));
        slider.SetRange(0, 199);
        slider.SetPosition(100);
        QObject::connect(&slider, &CSkinSliderCtrl::buttonDown,
                         [this](int id, int v) { notes.emplace_back('d', id, v); });
        QObject::connect(&slider, &CSkinSliderCtrl::thumbMoved,
                         [this](int id, int v) { notes.emplace_back('m', id, v); });
        QObject::connect(&slider, &CSkinSliderCtrl::buttonUp,
                         [this](int id, int v) { notes.emplace_back('u', id, v); });
    }
    void Send(QEvent::Type type, int x, Qt::MouseButtons buttons) {
        const QPointF at(x, 5);
        QMouseEvent event(type, at, slider.mapToGlobal(at),
                          type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons,
                          Qt::NoModifier);
        QApplication::sendEvent(&slider, &event);
    }
    void Press(int x) { Send(QEvent::MouseButtonPress, x, Qt::LeftButton); }
    void Move(int x) { Send(QEvent::MouseMove, x, Qt::LeftButton); }
    void Release(int x) { Send(QEvent::MouseButtonRelease, x, Qt::NoButton); }

    CSkinSliderCtrl slider{38100};
    std::vector<Note> notes;
};

TEST_F(SkinSliderTest, DragReportsDownMovesAndUp) {
    Press(100);
    EXPECT_TRUE(slider.dragging());
    Move(150);
    Move(250); // beyond W + 10: not reported
    Move(205); // within reach: clamped to the maximum
    Move(-9);  // within reach on the left
    Move(-10); // not
    Release(-10);
    EXPECT_FALSE(slider.dragging());
    const std::vector<Note> expected = {
        {'d', 38100, 100}, {'m', 38100, 150}, {'m', 38100, 199}, {'m', 38100, 0}, {'u', 38100, 0}};
    EXPECT_EQ(notes, expected);
    // The owner moves the slider; the slider itself does not.
    EXPECT_EQ(slider.position(), 100);
}

TEST_F(SkinSliderTest, GrabbedBesideTheThumb) {
    // The thumb spans 87 .. 111 at position 100; 10 on either side still grab it.
    const std::pair<int, bool> cases[] = {{20, true},   {76, true},  {77, false}, {100, false},
                                          {121, false}, {122, true}, {199, true}};
    for (const auto& [x, beside] : cases) {
        Press(x);
        EXPECT_EQ(slider.grabbedBeside(), beside) << x;
        Release(x);
    }
    EXPECT_EQ(notes.size(), 2 * std::size(cases));
}

TEST_F(SkinSliderTest, EmptyRangeReportsPressAndReleaseButNoMoves) {
    slider.SetRange(0, 0);
    slider.SetPosition(0);
    Press(slider.width() + 9);
    Move(50);
    Release(50);
    const std::vector<Note> expected = {{'d', 38100, 0}, {'u', 38100, 0}};
    EXPECT_EQ(notes, expected);
    EXPECT_EQ(slider.thumbRect().left(), 0);
}

TEST_F(SkinSliderTest, PressOutOfReachIsIgnored) {
    Press(slider.width() + 10);
    Release(slider.width() + 10);
    EXPECT_TRUE(notes.empty());
    EXPECT_FALSE(slider.dragging());
}

TEST_F(SkinSliderTest, NotInteractiveEndsDragsSilently) {
    Press(60);
    slider.SetInteractive(false);
    Move(70);
    EXPECT_FALSE(slider.dragging());
    Release(70);
    Press(80);
    Release(80);
    const std::vector<Note> expected = {{'d', 38100, 60}};
    EXPECT_EQ(notes, expected);
    slider.SetInteractive(true);
    Press(90);
    Release(90);
    EXPECT_EQ(notes.size(), 3u);
}

TEST_F(SkinSliderTest, DrawsPlayedRemainingAndThumb) {
    const QImage image = test::Render(slider);
    // e = 100 / 200: played up to column 99, one column gap, then the rest.
    EXPECT_EQ(test::At(image, 20, 5), kPlayed);
    EXPECT_EQ(test::At(image, 86, 5), kPlayed);
    EXPECT_EQ(test::At(image, 130, 5), kRemaining);
    EXPECT_EQ(test::At(image, 199, 5), kRemaining);
    // The thumb, one column wider than its picture, at 100 × 175 / 200 = 87.
    EXPECT_EQ(test::At(image, 87, 5), kThumb);
    EXPECT_EQ(test::At(image, 112, 5), kThumb);
    EXPECT_EQ(test::At(image, 113, 5), kRemaining);

    Press(100);
    EXPECT_EQ(test::At(test::Render(slider), 95, 5), kThumbDragging);
    Release(100);
    EXPECT_EQ(test::At(test::Render(slider), 95, 5), kThumb);

    slider.SetRange(0, 0);
    slider.SetPosition(0);
    const QImage empty = test::Render(slider);
    EXPECT_EQ(test::At(empty, 0, 5), kThumb);
    EXPECT_EQ(test::At(empty, 150, 5), kRemaining);
}

TEST_F(SkinSliderTest, BlackInThePicturesIsTransparent) {
    QImage played(800, 10, QImage::Format_RGB32);
    played.fill(kPlayed);
    for (int x = 0; x < 800; ++x) {
        played.setPixelColor(x, 0, Qt::black);
        played.setPixelColor(x, 1, Qt::black);
    }
    slider.SetPictureImages(QPixmap::fromImage(played), test::Flat({800, 10}, kRemaining),
                            test::Flat({25, 10}, kThumb), test::Flat({25, 10}, kThumbDragging));
    const QImage image = test::Render(slider);
    EXPECT_EQ(test::At(image, 20, 0), kBackground);
    EXPECT_EQ(test::At(image, 20, 1), kBackground);
    EXPECT_EQ(test::At(image, 20, 5), kPlayed);
}

TEST(SkinSlider, SurfaceFollowsTheScale) {
    struct Case {
        double scale;
        QSize surface;
        QSize thumb;
    };
    const Case cases[] = {{1.0, {7680, 10}, {25, 10}}, {1.5, {11520, 15}, {37, 15}}};
    for (const Case& c : cases) {
        CSkinSliderCtrl slider(38100);
        slider.SetUiScale(c.scale);
        ASSERT_TRUE(slider.SetPictures(skin::kPositionPlayed, skin::kPositionRemaining,
                                       skin::kPositionThumb, skin::kPositionThumbDrag));
        EXPECT_EQ(slider.surfaceSize(), c.surface);
        EXPECT_EQ(slider.thumbRect().size(), c.thumb);
    }
    CSkinSliderCtrl volume(38101);
    volume.SetUiScale(2.0);
    ASSERT_TRUE(volume.SetPictures(skin::kVolumePlayed, skin::kVolumeRemaining, skin::kVolumeThumb,
                                   skin::kVolumeThumbDrag));
    EXPECT_EQ(volume.surfaceSize(), QSize(15360, 40));
    volume.SetUiScale(1.0);
    volume.RecreateSurface();
    EXPECT_EQ(volume.surfaceSize(), QSize(7680, 40));
    EXPECT_FALSE(volume.SetPictures(9999, skin::kVolumeRemaining, skin::kVolumeThumb,
                                    skin::kVolumeThumbDrag));
}

} // namespace
} // namespace kv
