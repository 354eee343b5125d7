// Pictures of the video panels and the satellite windows for a person to look
// at, written to screenshots/ beside the build's test programs: a panel with
// a picture, the notices of a camera without video, the logo placeholder in
// both looks, and the two satellite windows.

#include "engine_context.h"
#include "fake_engine.h"
#include "logo_dialog.h"
#include "movie_dialog.h"
#include "movie_static.h"
#include "picture_layout.h"
#include "playback_test_support.h"
#include "screenshot_folder.h"
#include "ui_fonts.h"

#include <QCoreApplication>
#include <QDir>
#include <QLinearGradient>
#include <QPainter>

#include <gtest/gtest.h>

#include <algorithm>

namespace kv::playback {
namespace {

void Save(const QImage& image, const QString& name) {
    const QString path = QDir(ScreenshotFolder()).filePath(name);
    ASSERT_FALSE(image.isNull());
    EXPECT_TRUE(image.save(path)) << path.toStdString();
}

// A road scene as a dash camera sees it, at the given size.
QImage RoadPicture(QSize size) {
    QImage image(size, QImage::Format_RGB32);
    QPainter p(&image);
    const int horizon = size.height() * 9 / 20;
    QLinearGradient sky(0, 0, 0, horizon);
    sky.setColorAt(0, QColor(70, 120, 190));
    sky.setColorAt(1, QColor(190, 210, 230));
    p.fillRect(0, 0, size.width(), horizon, sky);
    p.fillRect(0, horizon, size.width(), size.height() - horizon, QColor(80, 85, 90));
    p.setPen(QPen(QColor(240, 240, 240), std::max(2, size.width() / 160)));
    const int cx = size.width() / 2;
    for (int i = 0; i < 4; ++i) {
        const int y0 = horizon + (size.height() - horizon) * i / 4;
        const int y1 = y0 + (size.height() - horizon) / 8;
        p.drawLine(cx, y0, cx, y1);
    }
    p.setPen(Qt::white);
    QFont font(QStringLiteral("Noto Sans CJK JP"));
    font.setPixelSize(std::max(8, size.height() / 18));
    p.setFont(font);
    p.drawText(
        QRect(8, size.height() - font.pixelSize() * 2, size.width() - 16, font.pixelSize() * 2),
        Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("2024/05/01 12:34:56  48km/h"));
    return image;
}

// The extent of the red notice in a picture (empty without one).
QRect RedExtent(const QImage& image) {
    QRect extent;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (test::IsRed(image.pixel(x, y))) {
                extent |= QRect(x, y, 1, 1);
            }
        }
    }
    return extent;
}

class PlaybackScreenshotTest : public testing::Test {
protected:
    void SetUp() override {
        contexts_[0].created = contexts_[1].created = true;
        contexts_[0].playState = engine::kPaused;
        contexts_[1].playState = engine::kClosed;
    }

    std::unique_ptr<CMovieStatic> Panel(int camera, const UiScale& scale, QSize size) {
        auto panel = std::make_unique<CMovieStatic>(&owner_, camera);
        panel->SetScale(scale);
        panel->SetTextFont(UiFonts(QStringLiteral("Noto Sans CJK JP"), scale, 96.0).pt13());
        panel->SetEngines(contexts_, &engine::FakeEngine());
        panel->resize(size);
        return panel;
    }

    test::FakeOwner owner_;
    engine::EngineContext contexts_[2];
};

TEST_F(PlaybackScreenshotTest, PanelsAndNotices) {
    const UiScale scale(1.0, 1.0);
    // The main pane at S = 1 with a 1280 × 720 picture fitted into it.
    auto front = Panel(0, scale, QSize(656, 373));
    const auto place =
        engine::PlacePicture(front->rect(), QSize(1280, 720), true, engine::ViewZoom{});
    ASSERT_TRUE(place.has_value());
    front->SetPictureRect(*place);
    front->Present(RoadPicture(place->size()), 1);
    const QImage picture = front->grab().toImage();
    Save(picture, QStringLiteral("panel_picture.png"));
    EXPECT_TRUE(RedExtent(picture).isEmpty());

    for (const double s : {1.0, 1.5}) {
        const UiScale scaled(s, 1.0);
        auto rear = Panel(1, scaled, QSize(scaled(444), scaled(250)));
        const QImage notice = rear->grab().toImage();
        Save(notice, QStringLiteral("panel_no_rear_video_s%1.png").arg(qRound(s * 100)));
        const QRect red = RedExtent(notice);
        ASSERT_FALSE(red.isEmpty());
        // Nothing cut off: room on every side.
        EXPECT_GT(red.left(), scaled(20));
        EXPECT_LT(red.right(), notice.width() - scaled(20));
        EXPECT_GT(red.top(), scaled(20));
        EXPECT_LT(red.bottom(), notice.height() - scaled(20));
    }

    contexts_[0].playState = engine::kClosed;
    contexts_[1].playState = engine::kPlaying;
    auto frontNoVideo = Panel(0, scale, QSize(656, 373));
    const QImage frontNotice = frontNoVideo->grab().toImage();
    Save(frontNotice, QStringLiteral("panel_no_front_video.png"));
    EXPECT_FALSE(RedExtent(frontNotice).isEmpty());
}

TEST_F(PlaybackScreenshotTest, LogoInBothLooks) {
    CLogoDlg logo;
    logo.resize(444, 369);
    Save(logo.grab().toImage(), QStringLiteral("logo_plain.png"));
    logo.SetPicture(true);
    Save(logo.grab().toImage(), QStringLiteral("logo_no_connection.png"));
}

TEST_F(PlaybackScreenshotTest, SatelliteWindows) {
    for (const double s : {1.0, 1.5}) {
        const UiScale scale(s, 1.0);
        const QFont title = UiFonts(QStringLiteral("Noto Sans CJK JP"), scale, 96.0).pt10();

        // The second-camera window while the front camera is in the main
        // view: the rear panel, here with a picture.
        contexts_[0].playState = engine::kPlaying;
        contexts_[1].playState = engine::kPlaying;
        CMovieDialog camera(scale, title);
        camera.SetTitle(UiText::RearCameraTitle);
        auto* panel = new CMovieStatic(&owner_, 1);
        panel->SetEngines(contexts_, &engine::FakeEngine());
        camera.SetContent(panel);
        camera.resize(scale(452), scale(274));
        camera.show();
        ASSERT_EQ(panel->size(),
                  QSize(scale(452) - 2 * scale(4), scale(274) - scale(20) - scale(4)));
        const auto place =
            engine::PlacePicture(panel->rect(), QSize(1280, 720), true, engine::ViewZoom{});
        ASSERT_TRUE(place.has_value());
        panel->SetPictureRect(*place);
        panel->Present(RoadPicture(place->size()), 1);
        Save(camera.grab().toImage(), QStringLiteral("camera_window_s%1.png").arg(qRound(s * 100)));

        // The same window in a front-only recording.
        contexts_[1].playState = engine::kClosed;
        panel->SetTextFont(UiFonts(QStringLiteral("Noto Sans CJK JP"), scale, 96.0).pt13());
        Save(camera.grab().toImage(),
             QStringLiteral("camera_window_no_rear_s%1.png").arg(qRound(s * 100)));

        // The map window with the placeholder offline.
        CMovieDialog map(scale, title);
        map.SetTitle(UiText::MapTitle);
        auto* logo = new CLogoDlg;
        logo->SetPicture(true);
        map.SetContent(logo);
        map.resize(scale(452), scale(393));
        map.show();
        Save(map.grab().toImage(), QStringLiteral("map_window_s%1.png").arg(qRound(s * 100)));
    }
}

} // namespace
} // namespace kv::playback
