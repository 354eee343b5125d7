// Pictures of the main window for a person to look at, with a demo recording
// of both cameras shown by the real engines, at UI scale 1 and 1.5. The
// second-camera window is drawn in at its place. They are written to
// screenshots/ beside the build's test programs (build-dir/screenshots).

#include "cardmaker.h"
#include "main_window.h"
#include "movie_dialog.h"
#include "movie_static.h"
#include "settings_store.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QPainter>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace kv::app {
namespace {

QString ScreenshotFolder() {
    QDir dir(QCoreApplication::applicationDirPath());
    dir.cdUp();
    dir.mkpath(QStringLiteral("screenshots"));
    return dir.filePath(QStringLiteral("screenshots"));
}

QString MakeRecording(const QString& folder, const QString& name, QSize size) {
    cardmaker::RecordingSpec recipe;
    recipe.fileName = name;
    recipe.width = size.width();
    recipe.height = size.height();
    recipe.seconds = 3.0;
    const QString path = QDir(folder).filePath(name);
    QString error;
    EXPECT_TRUE(cardmaker::WriteRecording(recipe, path, &error)) << error.toStdString();
    return path;
}

// Waits until both panels have shown a picture of the opened recordings.
bool WaitForPictures(CQuillonDlg& w) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 10000) {
        QApplication::processEvents(QEventLoop::AllEvents, 20);
        if (w.Panel(0)->PictureFrame() == 45 && w.Panel(1)->PictureFrame() == 45) {
            return true;
        }
    }
    return false;
}

// Waits until the main panel's picture has been converted to the given width.
bool WaitForPictureWidth(CQuillonDlg& w, int width) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 10000) {
        QApplication::processEvents(QEventLoop::AllEvents, 20);
        if (w.Panel(0)->Picture().width() == width) {
            return true;
        }
    }
    return false;
}

QImage Composite(CQuillonDlg& w) {
    QImage image = w.grab().toImage();
    QPainter painter(&image);
    playback::CMovieDialog* second = w.SecondWindow();
    painter.drawImage(second->geometry().topLeft() - w.geometry().topLeft(),
                      second->grab().toImage());
    return image;
}

TEST(MainWindowScreenshots, DemoRecordingAtScaleOneAndOneAndAHalf) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString front =
        MakeRecording(folder.path(), QStringLiteral("A__S-261204-081000-000101F.AVI"), {1280, 720});
    const QString rear =
        MakeRecording(folder.path(), QStringLiteral("A__S-261204-081000-000101R.AVI"), {640, 360});
    const SettingsStore store = LocateSettings(folder.path(), QString());

    for (double scale : {1.0, 1.5}) {
        CQuillonDlg w(UiScale(scale, 1.0), store, engine::FfmpegEngine());
        w.Initialise();
        w.move(0, 0);
        w.show();
        QApplication::processEvents();
        ASSERT_EQ(w.Ops().Open(w.Engine(0), front), engine::kOpened);
        ASSERT_EQ(w.Ops().Open(w.Engine(1), rear), engine::kOpened);
        w.PlacePictures();
        w.Ops().SeekFrame(w.Engine(0), 45);
        w.Ops().SeekFrame(w.Engine(1), 45);
        ASSERT_TRUE(WaitForPictures(w)) << scale;
        // Let the window settle: a quarter of the double-click time after its
        // last move it fits itself to the (offscreen) monitor.
        QElapsedTimer settle;
        settle.start();
        while (settle.elapsed() < 400) {
            QApplication::processEvents(QEventLoop::AllEvents, 20);
        }
        // The offscreen screen is lower than the window at 1.5, which shrinks the
        // scale once the window has settled; a monitor large enough brings the
        // scale asked for back.
        w.FitToWorkArea(QRect(0, 0, 3840, 2160));
        ASSERT_EQ(w.size(), QSize(Scaled(1120, scale), Scaled(697, scale))) << scale;
        ASSERT_TRUE(WaitForPictureWidth(w, w.Panel(0)->width())) << scale;
        // The pictures fill the 16:9 panels.
        EXPECT_EQ(w.Engine(0).pictureRect.width(), w.Panel(0)->width()) << scale;
        const QImage image = Composite(w);
        const QString name = QStringLiteral("main_window_s%1.png").arg(scale == 1.0 ? 10 : 15);
        EXPECT_TRUE(image.save(QDir(ScreenshotFolder()).filePath(name))) << name.toStdString();
        w.Shutdown();
    }
}

} // namespace
} // namespace kv::app
