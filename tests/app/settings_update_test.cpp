// The main window's settings window and update check: the settings button
// shows the window created hidden, its switches reach the graph's event
// channels, and the update check of the deferred initialisation asks the site
// named in the settings file with the card's recorder versions and shows its
// notice in the update dialog.

#include "../settings/version_site.h"

#include "cardmaker.h"
#include "fake_engine.h"
#include "gsensor_dlg.h"
#include "main_window.h"
#include "message_box.h"
#include "playback_host.h"
#include "qt_printers.h"
#include "setting_dlg.h"
#include "settings_store.h"
#include "skin_button.h"
#include "update_check.h"
#include "update_dialog.h"
#include "update_rules.h"
#include "wait_for.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QPointer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <array>
#include <memory>

namespace kv::app {
namespace {

class SettingsAndUpdates : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        savedTmp = qgetenv("TMPDIR");
        qputenv("TMPDIR", folder.path().toLocal8Bit());
        store = LocateSettings(folder.path(), QString());
    }
    void TearDown() override {
        host.reset();
        window.reset();
        if (savedTmp.isEmpty()) {
            qunsetenv("TMPDIR");
        } else {
            qputenv("TMPDIR", savedTmp);
        }
    }
    // Start-up as the program does it: initialisation, the source, then the
    // deferred part once the window shows.
    void Start(const QStringList& arguments = {}) {
        window = std::make_unique<CQuillonDlg>(UiScale(1.0, 1.0), store, engine::FakeEngine());
        window->Initialise();
        host = std::make_unique<PlaybackHost>(*window, messages);
        host->OpenInitialSource(arguments);
        window->show();
        QApplication::processEvents();
        ASSERT_TRUE(window->deferredDone());
    }
    // Turns the event loop until the update check has ended (or a minute
    // has passed, which fails the caller's checks).
    void WaitForTheUpdateCheck() {
        const settings::CUpdateCheck* check = window->UpdateCheck();
        ASSERT_NE(check, nullptr);
        ASSERT_TRUE(WaitFor([&] { return check->ended(); }));
    }

    QTemporaryDir folder;
    QByteArray savedTmp;
    SettingsStore store;
    ScriptedMessageSink messages;
    std::unique_ptr<CQuillonDlg> window;
    std::unique_ptr<PlaybackHost> host;
};

TEST_F(SettingsAndUpdates, TheSettingsButtonShowsTheHiddenWindowAndItsCloseButtonHidesIt) {
    Start();
    settings::CSettingDlg* dialog = window->SettingDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(dialog->parentWidget(), window.get());
    window->Command(kToolBarFirstCommand + 13);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(dialog->size(), QSize(460, 315));
    dialog->CloseButton()->click();
    EXPECT_FALSE(dialog->isVisible());
}

TEST_F(SettingsAndUpdates, TheSwitchesSwitchTheirGraphChannels) {
    Start();
    views::CGSensorDlg* graph = window->Graph();
    // Switch i stands for channel 8, 4, 5, 6, 7.
    const std::array<int, settings::kEventSwitchCount> channels = {8, 4, 5, 6, 7};
    for (int i = 0; i < settings::kEventSwitchCount; ++i) {
        const int channel = channels[static_cast<std::size_t>(i)];
        window->SettingDialog()->eventSwitch(i)->click();
        for (int c = 0; c < views::kChannelCount; ++c) {
            EXPECT_EQ(graph->graphShown(c), c != channel) << "switch " << i << " channel " << c;
            EXPECT_EQ(graph->mapShown(c), c != channel) << "switch " << i << " channel " << c;
        }
        window->SettingDialog()->eventSwitch(i)->click();
        EXPECT_TRUE(graph->graphShown(channel));
        EXPECT_TRUE(graph->mapShown(channel));
    }
}

TEST_F(SettingsAndUpdates, TheUpdateCheckAsksTheSiteWithTheCardsVersionsAndShowsItsNotice) {
    settings::test::VersionSite site;
    site.Serve(settings::kFirmwareTextPath, "VER:1.2.4");
    site.Serve(settings::kViewerTextPath, "VER:2.0.0.0");
    site.Serve(settings::kGpsTextPath, "211015");
    ASSERT_TRUE(WriteSetting(store, u"UPDATE", u"HOST", site.host()));
    // A card whose recorder has firmware 1.2.3 and GPS data of 21/10/15.
    const QString card = folder.filePath(QStringLiteral("CARD"));
    ASSERT_TRUE(QDir().mkpath(card + QStringLiteral("/Normal/Front")));
    cardmaker::CardOptions options;
    options.modelCode = "4620-KTR";
    options.firmware = "010203";
    options.gpsDataNumber = "211015";
    QFile config(card + QStringLiteral("/DRFormatConfig.dfc"));
    ASSERT_TRUE(config.open(QIODevice::WriteOnly));
    config.write(cardmaker::RecorderConfigBytes(options));
    config.close();

    Start({QStringLiteral("kolvista"), card});
    WaitForTheUpdateCheck();
    const QStringList asked = {settings::kFirmwareTextPath.toString(),
                               settings::kViewerTextPath.toString(),
                               settings::kGpsTextPath.toString()};
    EXPECT_EQ(site.requested(), asked);
    settings::CUpdateDialog* notice = window->UpdateNotice();
    ASSERT_NE(notice, nullptr);
    EXPECT_TRUE(notice->isVisible());
    EXPECT_EQ(notice->parentWidget(), nullptr);
    EXPECT_EQ(notice->windowTitle(), QStringLiteral("更新情報"));
    EXPECT_TRUE(notice->noticeText().contains(
        QStringLiteral("ドライブレコーダー本体:\r\n現在のバージョン：1.2.3.0   →   "
                       "更新バージョン：1.2.4.0")))
        << notice->noticeText().toStdString();
    // Its one link goes to the update site's firmware page.
    EXPECT_EQ(notice->linkSite(), QUrl(site.host()));
    EXPECT_EQ(settings::NoticeLinks(notice->noticeText(), notice->linkSite()).size(), 1u);

    // Shutting down takes the notice with it.
    QPointer<settings::CUpdateDialog> gone(notice);
    window->Shutdown();
    EXPECT_TRUE(gone.isNull());
}

TEST_F(SettingsAndUpdates, WithoutAHostTheCheckAsksNoOne) {
    Start();
    WaitForTheUpdateCheck();
    EXPECT_TRUE(window->UpdateCheck()->started());
    EXPECT_EQ(window->UpdateNotice(), nullptr);
}

} // namespace
} // namespace kv::app
