// Pictures of the main window for a person to look at, with a demo impact
// recording of both cameras opened through the playback controller and shown
// at its G-sensor event by the real engines, at UI scale 1 and 1.5. The
// second-camera window is drawn in at its place. They are written to
// screenshots/ beside the build's test programs (build-dir/screenshots).

#include "cardmaker.h"
#include "catalogue.h"
#include "main_window.h"
#include "message_box.h"
#include "movie_dialog.h"
#include "movie_static.h"
#include "playback_host.h"
#include "screenshot_folder.h"
#include "settings_store.h"
#include "wait_for.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QPainter>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

namespace kv::app {
namespace {

QString MakeRecording(const QString& folder, const QString& name, QSize size, char trigger) {
    cardmaker::RecordingSpec recipe;
    recipe.fileName = name;
    recipe.width = size.width();
    recipe.height = size.height();
    recipe.seconds = 6.0;
    recipe.triggerAxis = trigger;
    const QString path = QDir(folder).filePath(name);
    QString error;
    EXPECT_TRUE(cardmaker::WriteRecording(recipe, path, &error)) << error.toStdString();
    return path;
}

// Waits until the main panel's picture has been converted to the given width.
bool WaitForPictureWidth(CQuillonDlg& w, int width) {
    return WaitFor([&] { return w.Panel(0)->Picture().width() == width; });
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
    // An impact recording: a G-sensor trigger on X in the middle.
    const QString front = MakeRecording(
        folder.path(), QStringLiteral("AG_S-261204-081000-000101F.AVI"), {1280, 720}, 'X');
    const QString rear = MakeRecording(
        folder.path(), QStringLiteral("AG_S-261204-081000-000101R.AVI"), {640, 360}, 'X');
    const SettingsStore store = LocateSettings(folder.path(), QString());
    Catalogue catalogue;
    RecordingList list;
    MakeEntry(catalogue, front, rear, list);

    for (double scale : {1.0, 1.5}) {
        CQuillonDlg w(UiScale(scale, 1.0), store, engine::FfmpegEngine());
        w.Initialise();
        w.move(0, 0);
        w.show();
        ScriptedMessageSink messages;
        PlaybackHost host(w, messages);
        host.ShowEntries(list);
        host.Controller().SelectRecording(0);
        ASSERT_TRUE(WaitFor([&] { return host.Controller().Ready(); })) << scale;
        // The trigger sits in the middle: go to the first event the graph found.
        ASSERT_TRUE(host.Controller().NextEvent(0)) << "no event in the recording";
        ASSERT_TRUE(WaitFor([&] {
            return w.Panel(0)->PictureFrame() > 0 &&
                   w.Panel(0)->PictureFrame() == w.Panel(1)->PictureFrame();
        })) << scale;
        // Let the window settle: a quarter of the double-click time after its
        // last move it fits itself to the (offscreen) monitor.
        ASSERT_TRUE(WaitFor([&] { return !w.moveSettling(); })) << scale;
        // The offscreen screen is lower than the window at 1.5, which shrinks the
        // scale once the window has settled; a monitor large enough brings the
        // scale asked for back.
        w.FitToWorkArea(QRect(0, 0, 3840, 2160));
        ASSERT_EQ(w.size(), QSize(Scaled(1120, scale), Scaled(697, scale))) << scale;
        ASSERT_TRUE(WaitForPictureWidth(w, w.Panel(0)->width())) << scale;
        EXPECT_EQ(w.Engine(0).pictureRect.width(), w.Panel(0)->width()) << scale;
        const QImage image = Composite(w);
        const QString name = QStringLiteral("main_window_s%1.png").arg(scale == 1.0 ? 10 : 15);
        EXPECT_TRUE(image.save(QDir(ScreenshotFolder()).filePath(name))) << name.toStdString();
        if (scale == 1.0) {
            // Full screen: the picture over the whole monitor, the strip over it.
            ASSERT_TRUE(w.EnterFullScreen());
            // The offscreen monitor is small; show it as a 1920 x 1080 one would.
            w.setGeometry(0, 0, 1920, 1080);
            w.PlacePictures();
            ASSERT_TRUE(WaitForPictureWidth(w, w.Panel(0)->width()));
            EXPECT_TRUE(w.grab().save(
                QDir(ScreenshotFolder()).filePath(QStringLiteral("main_window_full_screen.png"))));
            w.LeaveFullScreen();
        }
        w.Shutdown();
    }
}

} // namespace
} // namespace kv::app
