// Loading skin bitmaps at the UI scale: the strip rule, the numbered artwork
// and cutting strips into frames.

#include "skin_bitmap.h"

#include "skin_test_support.h"

#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace kv {
namespace {

TEST(SkinBitmap, TargetSizeKeepsWholeSquareFramesOfStrips) {
    struct Case {
        QSize natural;
        double scale;
        QSize target;
    };
    const Case cases[] = {
        {{48, 12}, 1.5, {72, 18}}, // strip of four 12 × 12 frames: 18 × 18 each
        {{30, 21}, 1.5, {45, 31}}, // not a strip: each side on its own
        {{48, 12}, 1.0, {48, 12}},
        {{128, 32}, 648.0 / 697.0, {116, 29}}, // 4 × int(29.75), not int(119.0)
        {{52, 12}, 1.5, {78, 18}},             // close cross 13 × 12: not square frames
        {{800, 10}, 1.5, {1200, 15}},
        {{800, 10}, 1.25, {960, 12}}, // 80 frames of int(12.5)
        {{25, 10}, 1.25, {31, 12}},
        {{12, 12}, 1.5, {18, 18}},
        {{0, 12}, 1.5, {}},
        {{12, 0}, 1.5, {}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SkinTargetSize(c.natural, c.scale), c.target)
            << c.natural.width() << "x" << c.natural.height() << " at " << c.scale;
    }
}

// Every bitmap the windows load, at its design size.
struct Artwork {
    int id;
    QSize size;
};
const Artwork kArtwork[] = {
    {skin::kCsv, {128, 32}},
    {skin::kDelete, {128, 32}},
    {skin::kFaster, {128, 32}},
    {skin::kSlower, {128, 32}},
    {skin::kPrevious, {128, 32}},
    {skin::kNext, {128, 32}},
    {skin::kBrowse, {128, 32}},
    {skin::kPause, {128, 32}},
    {skin::kPlay, {128, 32}},
    {skin::kJoin, {128, 32}},
    {skin::kSettings, {128, 32}},
    {skin::kSnapshot, {128, 32}},
    {skin::kFirst, {128, 32}},
    {skin::kZoom, {128, 32}},
    {skin::kViewSwitch, {128, 32}},
    {skin::kMapSwitch, {128, 32}},
    {skin::kMirror, {128, 32}},
    {skin::kCaptionClose, {184, 18}},
    {skin::kCaptionMinimise, {104, 18}},
    {skin::kCaptionMaximise, {104, 18}},
    {skin::kCheckBox, {48, 12}},
    {skin::kRadio, {48, 12}},
    {skin::kCloseButton, {52, 12}},
    {skin::kPositionPlayed, {800, 10}},
    {skin::kPositionRemaining, {800, 10}},
    {skin::kPositionThumb, {25, 10}},
    {skin::kPositionThumbDrag, {25, 10}},
    {skin::kVolumePlayed, {100, 20}},
    {skin::kVolumeRemaining, {100, 20}},
    {skin::kVolumeThumb, {10, 20}},
    {skin::kVolumeThumbDrag, {10, 20}},
    {skin::kGraphScale0, {640, 120}},
    {skin::kGraphScale1, {640, 120}},
    {skin::kGraphScale2, {640, 120}},
    {skin::kGraphScale3, {640, 120}},
    {skin::kAssistSteering, {11, 11}},
    {skin::kZoomCursor, {32, 32}},
    {skin::kKindImpact, {21, 14}},
    {skin::kKindManual, {21, 14}},
    {skin::kKindParkingImpact, {21, 14}},
    {skin::kKindParking, {21, 14}},
    {skin::kKindSlots, {21, 14}},
    {skin::kKindSpeedCamera, {21, 14}},
    {skin::kKindApproaching, {21, 14}},
    {skin::kLogo, {452, 392}},
    {skin::kLogoNoConnection, {452, 392}},
};

TEST(SkinBitmap, EveryNumberedBitmapExistsAtItsDesignSize) {
    for (const Artwork& art : kArtwork) {
        SCOPED_TRACE(art.id);
        const QString path = SkinResourcePath(art.id);
        ASSERT_FALSE(path.isEmpty());
        EXPECT_EQ(SkinImageSize(path), art.size);
        const QPixmap atOne = LoadSkinBitmap(art.id, 1.0);
        ASSERT_FALSE(atOne.isNull());
        EXPECT_EQ(atOne.size(), art.size);
        EXPECT_EQ(LoadSkinBitmap(art.id, 1.5).size(), SkinTargetSize(art.size, 1.5));
    }
}

TEST(SkinBitmap, MissingBitmapGivesNothing) {
    EXPECT_TRUE(SkinResourcePath(9999).isEmpty());
    EXPECT_TRUE(LoadSkinBitmap(9999, 1.0).isNull());
    EXPECT_TRUE(LoadSkinImage(QStringLiteral("/nonexistent/skin.png"), 1.0).isNull());
}

TEST(SkinBitmap, RasterFilesFollowTheSameRule) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    struct Case {
        QSize natural;
        QSize atOneAndHalf;
    };
    const Case cases[] = {{{30, 21}, {45, 31}}, {{48, 12}, {72, 18}}};
    for (const Case& c : cases) {
        QImage image(c.natural, QImage::Format_ARGB32);
        image.fill(Qt::red);
        const QString path = dir.filePath(
            QStringLiteral("%1x%2.png").arg(c.natural.width()).arg(c.natural.height()));
        ASSERT_TRUE(image.save(path));
        EXPECT_EQ(LoadSkinImage(path, 1.5).size(), c.atOneAndHalf);
        EXPECT_EQ(LoadSkinImage(path, 1.0).size(), c.natural);
    }
}

TEST(SkinBitmap, DevicePixelRatioKeepsTheLogicalSize) {
    const QPixmap pixmap = LoadSkinBitmap(skin::kCheckBox, 1.5, 2.0);
    EXPECT_EQ(pixmap.size(), QSize(144, 36));
    EXPECT_EQ(LogicalSize(pixmap), QSize(72, 18));
    const auto frames = CutFrames(pixmap, QSize(18, 18));
    ASSERT_EQ(frames.size(), 4u);
    EXPECT_EQ(LogicalSize(frames[3]), QSize(18, 18));
}

TEST(SkinBitmap, CutFramesTakesWholeFramesLeftToRight) {
    const QPixmap strip = test::FlatStrip({13, 12}, {Qt::red, Qt::green, Qt::blue, Qt::yellow});
    const auto frames = CutFrames(strip, {13, 12});
    ASSERT_EQ(frames.size(), 4u);
    const QColor expected[] = {Qt::red, Qt::green, Qt::blue, Qt::yellow};
    for (int i = 0; i < 4; ++i) {
        const QImage frame = frames[i].toImage();
        EXPECT_EQ(frame.size(), QSize(13, 12));
        EXPECT_EQ(frame.pixelColor(0, 0), expected[i]) << i;
        EXPECT_EQ(frame.pixelColor(12, 11), expected[i]) << i;
    }
    // Frames wider than a quarter: only those that fit whole.
    EXPECT_EQ(CutFrames(strip, {20, 12}).size(), 2u);
    EXPECT_TRUE(CutFrames(strip, {60, 12}).empty());
    EXPECT_TRUE(CutFrames(QPixmap(), {13, 12}).empty());
}

// The frame order of the small marks: 217 empty, light blue, ticked, grey;
// 352 grey, red, red, grey.
TEST(SkinBitmap, SmallMarksShowTheirStatesInOrder) {
    const QImage check = LoadSkinBitmap(skin::kCheckBox, 1.0).toImage();
    const QColor empty = check.pixelColor(3, 3);
    const QColor hot = check.pixelColor(12 + 3, 3);
    const QColor ticked = check.pixelColor(24 + 3, 3);
    const QColor grey = check.pixelColor(36 + 3, 3);
    EXPECT_GT(empty.lightness(), 240);
    EXPECT_GT(hot.blue(), hot.red());
    EXPECT_GT(hot.lightness(), 180);
    EXPECT_GT(ticked.blue(), ticked.red() + 80);
    EXPECT_LT(ticked.lightness(), 180);
    EXPECT_LT(std::abs(grey.red() - grey.blue()), 24);
    EXPECT_LT(grey.lightness(), 200);

    const QImage cross = LoadSkinBitmap(skin::kCloseButton, 1.0).toImage();
    const auto centre = [&](int frame) { return cross.pixelColor(13 * frame + 6, 6); };
    for (int frame : {1, 2}) {
        EXPECT_GT(centre(frame).red(), centre(frame).green() + 100) << frame;
    }
    for (int frame : {0, 3}) {
        EXPECT_LT(std::abs(centre(frame).red() - centre(frame).green()), 24) << frame;
        EXPECT_GT(centre(frame).alpha(), 200) << frame;
    }
}

} // namespace
} // namespace kv
