#include "main_window.h"

#include "display_settings.h"
#include "file_list_ctrl.h"
#include "filer_container_dlg.h"
#include "full_screen_strip.h"
#include "gsensor_dlg.h"
#include "info_dlg.h"
#include "logo_dialog.h"
#include "movie_dialog.h"
#include "movie_menu.h"
#include "movie_static.h"
#include "obd_dlg.h"
#include "repair.h"
#include "setting_dlg.h"
#include "skin_bitmap.h"
#include "skin_button.h"
#include "skin_progress_bar.h"
#include "skin_slider.h"
#include "tool_bar.h"
#include "ui_texts.h"
#include "update_check.h"
#include "update_dialog.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLocale>
#include <QPainter>
#include <QScreen>
#include <QStyleHints>
#include <QWindow>

#include <algorithm>

namespace kv::app {

namespace {

// Skin images of the tool bar buttons, left to right.
constexpr std::array<int, kToolButtonCount> kToolBarImages = {
    skin::kFirst,  skin::kPrevious, skin::kPlay,      skin::kSlower,
    skin::kFaster, skin::kNext,     skin::kSnapshot,  skin::kJoin,
    skin::kZoom,   skin::kMirror,   skin::kMapSwitch, skin::kBrowse,
    skin::kDelete, skin::kSettings, skin::kCsv,       skin::kViewSwitch};

const QColor kBackground(0x1e, 0x1e, 0x1e);

} // namespace

CQuillonDlg::CQuillonDlg(const UiScale& scale, const SettingsStore& store,
                         const engine::EngineOps& ops, QWidget* parent)
    : CResizeDialog(scale, parent), store_(store), ops_(ops) {
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    layoutScale_ = savedLayoutScale_ = scale.layoutScale();
    baseWidth = scale(kDesignWidth);
    baseHeight = scale(kDesignHeight);
    keepAspect_ = true;
    volume_ = 65535;
    moveEndTimer_.setSingleShot(true);
    connect(&moveEndTimer_, &QTimer::timeout, this, [this] {
        FitToWorkArea(CurrentWorkArea());
        ResetZoom(mainView_);
        PlacePictures();
    });
}

CQuillonDlg::~CQuillonDlg() {
    if (!closing_) {
        Shutdown();
    }
}

void CQuillonDlg::Initialise() {
    if (initialised_) {
        return;
    }
    initialised_ = true;
    setWindowIcon(QIcon(LoadSkinBitmap(skin::kAppIcon, 1.0)));
    SelectUiTextColumn(UiTextColumnFor(QLocale::system()));
    fonts_ = UiFonts::ForWidget(this, Scale());
    setWindowTitle(QStringLiteral("Kolvista"));

    CreatePanes();
    EnsureDefaults(store_);

    // Engines draw into the panels of their cameras.
    for (int camera = 0; camera < 2; ++camera) {
        engine::EngineContext& c = Engine(camera);
        ops_.Create(c, camera, panels_[static_cast<std::size_t>(camera)],
                    panels_[static_cast<std::size_t>(camera)]);
        panels_[static_cast<std::size_t>(camera)]->SetEngines(engines_.data(), &ops_);
    }
    ops_.SetHardwareDecoding(Engine(1), HardwareDecodingOn(store_));
    DeleteRepairFolder();

    keepAspect_ = KeepAspect(store_);
    volume_ = ReadVolume(store_);

    resize(baseWidth, baseHeight);
    mapWindow_->hide();
    logo_->hide();

    LayOut();
    volumeSlider_->SetPosition(volume_);
    for (engine::EngineContext& c : engines_) {
        ops_.SetVolume(c, volume_);
    }
    ResetZoom(mainView_);
    progressBar_->hide();
    ResetZoom(secondView_);
    ops_.SetAspectMode(Engine(mainView_), keepAspect_ ? 1 : 0);
    ops_.SetAspectMode(Engine(secondView_), 1);
    PlacePictures();

    SetPlacement(store_, QStringLiteral("DISPLAY"));
    CreateGhostFrame();
    LayOut();
    QMetaObject::invokeMethod(
        this, [this] { DeferredInitialise(); }, Qt::QueuedConnection);
}

void CQuillonDlg::DeferredInitialise() {
    if (deferredDone_ || closing_) {
        return;
    }
    deferredDone_ = true;
    PlaceSatellites();
    secondWindow_->show();
    StartUpdateCheck();
    if (FitToWorkArea(CurrentWorkArea()) && layoutScale_ < 1.0 && !maximised) {
        ToggleMaximise();
        PlaceSatellites();
    }
    secondWindow_->raise();
    if (QScreen* screen = this->screen()) {
        connect(screen, &QScreen::availableGeometryChanged, this, [this](const QRect& area) {
            if (maximised) {
                setGeometry(area);
                LayOut();
            }
        });
    }
}

void CQuillonDlg::CreatePanes() {
    const UiScale& s = Scale();
    mapWindow_ = new playback::CMovieDialog(s, fonts_.pt10(), this);
    const QSize mapSize = LayOutMainWindow(QSize(baseWidth, baseHeight), s).mapWindow.size();
    mapWindow_->baseWidth = mapSize.width();
    mapWindow_->baseHeight = mapSize.height();
    mapWindow_->SetPlacement(store_, QStringLiteral("MAPDISPLAY"));
    mapWindow_->CreateGhostFrame();
    mapWindow_->SetTitle(UiText::MapTitle);
    logo_ = new playback::CLogoDlg(mapWindow_);
    mapWindow_->SetContent(logo_);

    secondWindow_ = new playback::CMovieDialog(s, fonts_.pt10(), this);
    secondWindow_->baseWidth = SecondWindowSize(s).width();
    secondWindow_->baseHeight = SecondWindowSize(s).height();
    secondWindow_->SetPlacement(store_, QStringLiteral("MOVIEDISPLAY"));
    secondWindow_->CreateGhostFrame();
    secondWindow_->SetTitle(UiText::RearCameraTitle);

    panels_[0] = new playback::CMovieStatic(this, 0, this);
    panels_[1] = new playback::CMovieStatic(this, 1, secondWindow_);
    for (playback::CMovieStatic* panel : panels_) {
        panel->SetScale(s);
        panel->SetTextFont(fonts_.pt13());
    }
    secondWindow_->SetContent(panels_[1]);

    connect(secondWindow_, &playback::CMovieDialog::painted, this, [this] { PlacePictures(); });
    connect(secondWindow_, &playback::CMovieDialog::resizedWhileVisible, this,
            [this] { PlaceSecondPanel(); });
    connect(secondWindow_, &playback::CMovieDialog::dragEnded, this, [this] {
        ResetZoom(secondView_);
        PlacePictures();
    });
    for (playback::CMovieDialog* satellite : {mapWindow_.data(), secondWindow_.data()}) {
        connect(satellite, &playback::CMovieDialog::captionDoubleClicked, this, [this] {
            for (playback::CMovieDialog* w : {mapWindow_.data(), secondWindow_.data()}) {
                w->scaleX = w->scaleY = 1.0f;
                w->SaveScale();
            }
            ResetZoom(secondView_);
            PlaceSatellites();
        });
    }

    browser_ = new browser::CFilerContainerDlg(s, fonts_, store_, this);
    info_ = new views::CInfoDlg(s, fonts_, this);
    graph_ = new views::CGSensorDlg(s, fonts_, this);
    graph_->SetTelemetrySource(
        {nullptr, {&Engine(0).mainLock, &Engine(1).mainLock}, &engine::gEngineLockWaiters});
    vehicle_ = new views::CObdDlg(s, fonts_.pt10(), this);
    vehicle_->hide();
    settingDlg_ = new settings::CSettingDlg(s, fonts_.pt10(), this);
    settingDlg_->hide();
    strip_ = new FullScreenStrip(info_, this);

    positionSlider_ = new CSkinSliderCtrl(kPositionSliderId, this);
    volumeSlider_ = new CSkinSliderCtrl(kVolumeSliderId, this);
    volumeSlider_->SetRange(0, 65535);
    progressBar_ = new CSkinProgressBarCtrl(this);
    progressBar_->setWindowTitle(QStringLiteral("progress bar"));
    progressBar_->SetColours(QColor(0x3F, 0x3F, 0x3F), Qt::black);
    progressBar_->setFont(fonts_.pt9());
    connect(volumeSlider_, &CSkinSliderCtrl::thumbMoved, this,
            [this](int, int value) { volume_ = value; });

    CreateToolBar();
    ApplySkins();
}

void CQuillonDlg::CreateToolBar() {
    for (int i = 0; i < kToolButtonCount; ++i) {
        auto* button = new CSkinButton(kToolBarFirstCommand + i, this);
        button->setToolTip(Text(playback::ToolBarButtons()[static_cast<std::size_t>(i)].tooltip));
        connect(button, &CSkinButton::commandClicked, this, &CQuillonDlg::OnCommand);
        toolButtons_[static_cast<std::size_t>(i)] = button;
    }
    const int captionIds[3] = {kCommandClose, kCommandMaximise, kCommandMinimise};
    for (int i = 0; i < 3; ++i) {
        auto* button = new CSkinButton(captionIds[i], this);
        connect(button, &CSkinButton::commandClicked, this, &CQuillonDlg::OnCommand);
        captionButtons_[static_cast<std::size_t>(i)] = button;
    }
    captionButtons_[0]->setToolTip(Text(UiText::CloseTip));
    captionButtons_[1]->setToolTip(Text(UiText::MaximiseTip));
    captionButtons_[2]->setToolTip(Text(UiText::MinimiseTip));
}

QWidget* CQuillonDlg::Strip() const {
    return strip_;
}

void CQuillonDlg::UpdateStrip() {
    if (strip_->isVisible()) {
        strip_->update();
    }
}

QWidget* CQuillonDlg::InfoPane() const {
    return info_;
}

QWidget* CQuillonDlg::GraphPane() const {
    return graph_;
}

CSkinButton* CQuillonDlg::CaptionButton(int command) const {
    switch (command) {
    case kCommandClose:
        return captionButtons_[0];
    case kCommandMaximise:
        return captionButtons_[1];
    case kCommandMinimise:
        return captionButtons_[2];
    default:
        return nullptr;
    }
}

void CQuillonDlg::ApplySkins() {
    const double f = Scale().factor();
    const qreal dpr = devicePixelRatioF();
    positionSlider_->SetUiScale(f);
    positionSlider_->SetPictures(skin::kPositionPlayed, skin::kPositionRemaining,
                                 skin::kPositionThumb, skin::kPositionThumbDrag, dpr);
    positionSlider_->SetBackground(kBackground);
    volumeSlider_->SetUiScale(f);
    volumeSlider_->SetPictures(skin::kVolumePlayed, skin::kVolumeRemaining, skin::kVolumeThumb,
                               skin::kVolumeThumbDrag, dpr);
    volumeSlider_->SetBackground(kBackground);
    progressBar_->SetUiScale(f);
}

void CQuillonDlg::LayOut() {
    const UiScale& s = Scale();
    layout_ = LayOutMainWindow(size(), s);
    if (!initialised_) {
        return;
    }
    if (fullScreen) {
        for (QWidget* w : findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
            if (w != panels_[static_cast<std::size_t>(mainView_)] && !w->isWindow()) {
                w->hide();
            }
        }
        QWidget* panel = panels_[static_cast<std::size_t>(mainView_)];
        panel->setGeometry(rect());
        panel->show();
        panel->raise();
        strip_->Place();
        strip_->show();
        return;
    }
    const double f = s.factor();
    const qreal dpr = devicePixelRatioF();
    strip_->hide();
    QWidget* mainPanel = panels_[static_cast<std::size_t>(mainView_)];
    mainPanel->setGeometry(layout_.mainVideo);
    mainPanel->show();
    positionSlider_->setGeometry(layout_.positionSlider);
    info_->setGeometry(layout_.infoPanel);
    graph_->setGeometry(layout_.graph);
    BrowserPane()->setGeometry(layout_.browserPane);
    progressBar_->setGeometry(layout_.progressBar);
    volumeSlider_->setGeometry(layout_.volumeSlider);
    for (QWidget* w : {static_cast<QWidget*>(positionSlider_), InfoPane(), GraphPane(),
                       BrowserPane(), static_cast<QWidget*>(volumeSlider_)}) {
        w->show();
    }
    for (int i = 0; i < kToolButtonCount; ++i) {
        CSkinButton* button = toolButtons_[static_cast<std::size_t>(i)];
        const QRect& r = layout_.toolButtons[static_cast<std::size_t>(i)];
        button->SetSkin(kToolBarImages[static_cast<std::size_t>(i)], QRect(QPoint(), r.size()), f,
                        dpr);
        button->setGeometry(r);
        button->show();
    }
    const std::array<std::pair<int, QRect>, 3> captions = {
        std::pair{skin::kCaptionClose, layout_.closeButton},
        std::pair{skin::kCaptionMaximise, layout_.maximiseButton},
        std::pair{skin::kCaptionMinimise, layout_.minimiseButton}};
    for (std::size_t i = 0; i < captions.size(); ++i) {
        captionButtons_[i]->SetSkin(captions[i].first, QRect(QPoint(), captions[i].second.size()),
                                    f, dpr);
        captionButtons_[i]->setGeometry(captions[i].second);
        captionButtons_[i]->show();
    }
    update();
}

void CQuillonDlg::PlaceSatellites() {
    if (!mapWindow_ || !secondWindow_) {
        return;
    }
    const QPoint origin = geometry().topLeft();
    const UiScale& s = Scale();
    const QRect column = layout_.browserPane;
    // The second-camera window at the bottom of the column, at its factors but
    // never above the column's top (its title band stays on the main window).
    const QSize second = SecondWindowSize(s);
    secondWindow_->baseWidth = second.width();
    secondWindow_->baseHeight = second.height();
    const QSize sized(
        static_cast<int>(second.width() * secondWindow_->scaleX),
        std::min(static_cast<int>(second.height() * secondWindow_->scaleY), column.height()));
    const int secondTop = column.bottom() + 1 - sized.height();
    secondWindow_->setGeometry(QRect(origin + QPoint(column.left(), secondTop), sized));
    // The map window above it: at its factors, but ending where the
    // second-camera window begins, so that neither covers the other's title.
    const QSize map = layout_.mapWindow.size();
    mapWindow_->baseWidth = map.width();
    mapWindow_->baseHeight = map.height();
    const int mapHeight =
        std::min(static_cast<int>(map.height() * mapWindow_->scaleY), secondTop - column.top());
    mapWindow_->setGeometry(
        QRect(origin + layout_.mapWindow.topLeft(),
              QSize(static_cast<int>(map.width() * mapWindow_->scaleX), std::max(0, mapHeight))));
    // The zoom hint stays in the part of the browser the second window leaves.
    if (browser_) {
        browser_->SetOpenHeight(secondTop - column.top());
    }
    PlaceSecondPanel();
    lastPosition_ = origin;
}

void CQuillonDlg::PlaceViews() {
    playback::CMovieStatic* main = panels_[static_cast<std::size_t>(mainView_)];
    playback::CMovieStatic* second = panels_[static_cast<std::size_t>(secondView_)];
    if (main->parentWidget() != this) {
        main->setParent(this);
    }
    if (secondWindow_ && second->parentWidget() != secondWindow_) {
        second->setParent(secondWindow_);
    }
}

void CQuillonDlg::PlaceSecondPanel() {
    if (!secondWindow_) {
        return;
    }
    secondWindow_->PlaceContent();
    panels_[static_cast<std::size_t>(secondView_)]->show();
    PlacePictures();
}

void CQuillonDlg::ResetZoom(int camera) {
    playback::ResetZoom(View(camera), camera, layout_.mainVideo.size(), Scale());
}

void CQuillonDlg::PlacePictures() {
    for (int camera = 0; camera < 2; ++camera) {
        const playback::ViewRecord& v = View(camera);
        ops_.SetLayout(Engine(camera), v.level, v.anchor.x(), v.anchor.y(), v.offset.x(),
                       v.offset.y(), true);
    }
}

void CQuillonDlg::ToggleMaximise() {
    if (fullScreen) {
        return;
    }
    if (!maximised) {
        maximiseSaved_ = geometry();
        maximised = true;
        setGeometry(CurrentWorkArea());
        captionButtons_[1]->setToolTip(Text(UiText::RestoreTip));
        info_->SetSpread(1.15f);
    } else {
        maximised = false;
        setGeometry(maximiseSaved_);
        captionButtons_[1]->setToolTip(Text(UiText::MaximiseTip));
        info_->SetSpread(1.0f);
    }
    LayOut();
    ResetZoom(mainView_);
    ResetZoom(secondView_);
    PlaceSatellites();
    PlacePictures();
}

void CQuillonDlg::MinimiseWithSatellites() {
    minimised = true;
    for (QWidget* w :
         {static_cast<QWidget*>(mapWindow_.data()), static_cast<QWidget*>(secondWindow_.data())}) {
        if (w && w->isVisible()) {
            w->showMinimized();
        }
    }
    showMinimized();
}

void CQuillonDlg::RestoreWithSatellites() {
    minimised = false;
    for (QWidget* w :
         {static_cast<QWidget*>(mapWindow_.data()), static_cast<QWidget*>(secondWindow_.data())}) {
        if (w && w->isMinimized()) {
            w->showNormal();
            w->raise();
        }
    }
}

QRect CQuillonDlg::CurrentWorkArea() const {
    const QRect g = geometry();
    const QScreen* screen = QGuiApplication::screenAt(g.topLeft());
    if (!screen) {
        screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    }
    return screen ? screen->availableGeometry() : QRect();
}

bool CQuillonDlg::FitToWorkArea(const QRect& workArea) {
    if (workArea.isEmpty() || WinRect::FromQRect(workArea) == lastWorkArea) {
        return false;
    }
    lastWorkArea = WinRect::FromQRect(workArea);
    const double next = FittedLayoutScale(layoutScale_, savedLayoutScale_, workArea.height(),
                                          height(), Scale().density());
    if (next == layoutScale_) {
        return false;
    }
    RebuildForScale(next);
    return true;
}

void CQuillonDlg::RebuildForScale(double layoutScale) {
    layoutScale_ = layoutScale;
    const UiScale s = Scale().withLayoutScale(layoutScale);
    SetUiScale(s);
    fonts_ = UiFonts::ForWidget(this, s);
    baseWidth = s(kDesignWidth);
    baseHeight = s(kDesignHeight);
    if (!maximised && !fullScreen) {
        resize(static_cast<int>(static_cast<float>(baseWidth) * scaleX),
               static_cast<int>(static_cast<float>(baseHeight) * scaleY));
    }
    for (playback::CMovieStatic* panel : panels_) {
        panel->SetScale(s);
        panel->SetTextFont(fonts_.pt13());
    }
    info_->SetScale(s, fonts_);
    graph_->SetScale(s, fonts_);
    browser_->SetScale(s);
    settingDlg_->Relayout(s, fonts_.pt10());
    ApplySkins();
    LayOut();
    PlaceSatellites();
}

bool CQuillonDlg::EnterFullScreen() {
    if (fullScreen) {
        return false;
    }
    engine::EngineContext& c = Engine(mainView_);
    if (fullScreenAllowed ? !fullScreenAllowed() : c.playState == engine::kClosed) {
        return false;
    }
    if (ops_.CurrentFrame(c) + 10 >= ops_.FrameCount(c)) {
        return false;
    }
    fullScreenSaved_ = geometry();
    fullScreen = true;
    const QScreen* screen = QGuiApplication::screenAt(geometry().center());
    if (!screen) {
        screen = QGuiApplication::primaryScreen();
    }
    if (screen) {
        setGeometry(screen->geometry());
    }
    for (QWidget* w :
         {static_cast<QWidget*>(mapWindow_.data()), static_cast<QWidget*>(secondWindow_.data())}) {
        if (w) {
            w->hide();
        }
    }
    LayOut();
    ops_.SetAspectMode(c, keepAspect_ ? 1 : 0);
    ResetZoom(mainView_);
    PlacePictures();
    Q_EMIT fullScreenChanged(true);
    return true;
}

void CQuillonDlg::LeaveFullScreen() {
    if (!fullScreen) {
        return;
    }
    fullScreen = false;
    setGeometry(fullScreenSaved_);
    keepAspect_ = true;
    WriteKeepAspect(store_, true);
    ops_.SetAspectMode(Engine(mainView_), 1);
    LayOut();
    // Full screen hid both satellites; the map window comes back only while
    // the map switch is on.
    if (secondWindow_) {
        secondWindow_->show();
    }
    if (mapWindow_ && mapShown_) {
        mapWindow_->show();
    }
    ResetZoom(mainView_);
    PlaceSatellites();
    PlacePictures();
    Q_EMIT fullScreenChanged(false);
}

void CQuillonDlg::ToggleFullScreen() {
    if (fullScreen) {
        LeaveFullScreen();
    } else {
        EnterFullScreen();
    }
}

QWidget* CQuillonDlg::BrowserPane() const {
    return browser_;
}

browser::CFileListCtrl* CQuillonDlg::RecordingListCtrl() const {
    return browser_ ? browser_->list() : nullptr;
}

void CQuillonDlg::ResetAfterSourceLost() {
    for (engine::EngineContext& c : engines_) {
        ops_.Pause(c);
        ops_.Stop(c);
        ops_.Close(c);
    }
    mainView_ = 0;
    secondView_ = 1;
    PlaceViews();
    if (secondWindow_) {
        secondWindow_->SetTitle(UiText::RearCameraTitle);
    }
    for (playback::CMovieStatic* panel : panels_) {
        panel->SetZoomMode(false);
        panel->update();
    }
    toolButtons_[playback::kZoomButton]->SetSwitchedOn(false);
    browser_->SetZoomMode(false);
    LeaveFullScreen();
    LayOut();
    PlaceSecondPanel();
}

void CQuillonDlg::Shutdown() {
    if (closing_) {
        return;
    }
    closing_ = true;
    moveEndTimer_.stop();
    if (beforeShutdown) {
        beforeShutdown();
    }
    if (!maximised && !fullScreen && initialised_) {
        normalRect = WinRect::FromQRect(geometry());
    }
    if (initialised_) {
        SaveScale();
    }
    for (engine::EngineContext& c : engines_) {
        if (c.created) {
            ops_.Pause(c);
            ops_.Stop(c);
            ops_.Destroy(c);
        }
    }
    delete updateNotice_.data();
    delete secondWindow_.data();
    delete mapWindow_.data();
}

settings::CUpdateDialog* CQuillonDlg::UpdateNotice() const {
    return updateNotice_.data();
}

void CQuillonDlg::StartUpdateCheck() {
    if (updateCheck_ != nullptr) {
        return;
    }
    settings::UpdateCheckOptions options;
    options.host = settings::ReadUpdateHost(store_);
    updateCheck_ = new settings::CUpdateCheck(options, this);
    // The notice links only to the update site's own pages.
    const QUrl site(settings::SiteAddress(options.host));
    connect(updateCheck_, &settings::CUpdateCheck::updateFound, this,
            [this, site](const QString& notice) {
                if (!closing_ && updateNotice_.isNull()) {
                    updateNotice_ = settings::ShowUpdateNotice(notice, site, Scale(), fonts_);
                }
            });
    const browser::RecorderConfig& recorder = browser_->recorder();
    updateCheck_->StartUpdateCheck(recorder.version, recorder.number, recorder.spare,
                                   recorder.name);
}

void CQuillonDlg::ShowVideoMenu(QPoint globalPos, playback::CMovieStatic* panel) {
    const int camera = panel ? panel->camera() : mainView_;
    Q_EMIT videoMenuRequested(globalPos, camera);
    RunVideoMenu(globalPos, camera);
}

void CQuillonDlg::RunVideoMenu(QPoint globalPos, int camera) {
    if (commandsRefused && commandsRefused()) {
        return;
    }
    engine::EngineContext& t = Engine(telemetryEngine ? telemetryEngine() : mainView_);
    playback::VideoMenuInputs in;
    in.playState = t.playState;
    in.fullScreen = fullScreen;
    in.aspectMode = Engine(mainView_).aspectMode;
    in.mirrored = panels_[static_cast<std::size_t>(camera)]->mirrored();
    in.frontPanel = camera == 0;
    in.rateCode = t.playState == engine::kClosed ? 0 : t.rateCode;
    const std::vector<playback::VideoMenuItem> items = playback::VideoMenuItems(in);
    if (items.empty()) {
        return;
    }
    playback::CMovieMenu menu(items, fullScreen, Scale(), fonts_.pt10(), this);
    QAction* chosen = menu.exec(globalPos);
    if (chosen) {
        OnCommand(chosen->data().toInt());
    }
}

bool CQuillonDlg::ZoomModeCommand() {
    if (commandsRefused && commandsRefused()) {
        return false;
    }
    const bool on = !panels_[static_cast<std::size_t>(mainView_)]->zoomMode();
    for (playback::CMovieStatic* panel : panels_) {
        panel->SetZoomMode(on);
    }
    toolButtons_[playback::kZoomButton]->SetSwitchedOn(on);
    // The browser shows how zoom mode is used instead of its contents.
    browser_->SetZoomMode(on);
    if (!on) {
        ResetZoom(0);
        ResetZoom(1);
        PlacePictures();
    }
    return true;
}

bool CQuillonDlg::MirrorCommand() {
    if (commandsRefused && commandsRefused()) {
        return false;
    }
    engine::EngineContext& rear = Engine(1);
    if (!rear.created) {
        panels_[1]->SetMirror(false);
        return true;
    }
    panels_[1]->SetMirror(ops_.ToggleMirror(rear) == 1);
    ops_.Repaint(rear);
    return true;
}

bool CQuillonDlg::ViewSwitchCommand() {
    if (commandsRefused && commandsRefused()) {
        return false;
    }
    std::swap(mainView_, secondView_);
    if (secondWindow_) {
        secondWindow_->SetTitle(mainView_ == 1 ? UiText::FrontCameraTitle
                                               : UiText::RearCameraTitle);
    }
    const bool wasPlaying =
        Engine(0).playState == engine::kPlaying || Engine(1).playState == engine::kPlaying;
    if (wasPlaying) {
        for (engine::EngineContext& c : engines_) {
            ops_.Pause(c);
        }
    }
    playback::CMovieStatic* main = panels_[static_cast<std::size_t>(mainView_)];
    playback::CMovieStatic* second = panels_[static_cast<std::size_t>(secondView_)];
    main->hide();
    PlaceViews();
    if (fullScreen) {
        ops_.SetAspectMode(Engine(mainView_), keepAspect_ ? 1 : 0);
        ops_.SetAspectMode(Engine(secondView_), 1);
        second->lower();
    }
    if (secondWindow_) {
        secondWindow_->SetContent(second);
        secondWindow_->PlaceContent();
    }
    second->show();
    LayOut();
    main->show();
    if (Engine(mainView_).playState != engine::kClosed ||
        Engine(secondView_).playState != engine::kClosed) {
        // The views changed places: the zoom records follow their pictures.
        QSize native = ops_.NativeSize(Engine(mainView_));
        if (native.isEmpty()) {
            native = ops_.NativeSize(Engine(secondView_));
        }
        playback::CarryZoom(View(mainView_), View(secondView_), main->size(), second->size(),
                            native);
        PlacePictures();
    }
    if (secondWindow_) {
        secondWindow_->setFocus();
    }
    if (wasPlaying) {
        for (engine::EngineContext& c : engines_) {
            if (c.playState == engine::kPaused) {
                ops_.Run(c);
            }
        }
    }
    // The sound follows the controller's routing (viewsSwitched): one camera
    // is heard, never both.
    for (engine::EngineContext& c : engines_) {
        if (c.playState == engine::kStopped || c.playState == engine::kPaused) {
            ops_.Repaint(c);
        }
    }
    if (secondWindow_) {
        secondWindow_->raise();
    }
    if (wasPlaying) {
        for (engine::EngineContext& c : engines_) {
            ops_.Run(c);
        }
    }
    Q_EMIT viewsSwitched();
    return true;
}

bool CQuillonDlg::MapSwitchCommand() {
    if (commandsRefused && commandsRefused()) {
        return false;
    }
    mapShown_ = !mapShown_;
    toolButtons_[playback::kMapSwitchButton]->SetSwitchedOn(mapShown_);
    if (mapShown_ && !mapPlaced_) {
        mapPlaced_ = true;
        PlaceSatellites();
    }
    if (mapSwitched) {
        mapSwitched(mapShown_);
    } else {
        logo_->SetShownMark(mapShown_);
    }
    mapWindow_->setVisible(mapShown_ && !fullScreen);
    if (mapShown_) {
        mapWindow_->raise();
    }
    return true;
}

bool CQuillonDlg::PictureModeCommand() {
    engine::EngineContext& c = Engine(mainView_);
    if (c.playState == engine::kClosed) {
        return false; // nothing ready
    }
    const int mode = c.aspectMode == 0 ? 1 : 0;
    keepAspect_ = mode == 1;
    ops_.SetAspectMode(c, mode);
    PlacePictures();
    WriteKeepAspect(store_, keepAspect_);
    return true;
}

void CQuillonDlg::VideoClick(int camera, QPoint point) {
    playback::CMovieStatic* panel = panels_[static_cast<std::size_t>(camera)];
    if (!panel || !panel->zoomMode()) {
        return;
    }
    if (playback::ZoomClick(View(camera), panel->rect(), Engine(camera).pictureRect, point, camera,
                            layout_.mainVideo.size(), Scale())) {
        PlacePictures();
    }
}

void CQuillonDlg::OnEndOfStream(int camera) {
    Q_EMIT endOfStream(camera);
}

void CQuillonDlg::OnEnginesReady(int camera) {
    Q_EMIT enginesReady(camera);
}

void CQuillonDlg::OnCommand(int commandId) {
    switch (commandId) {
    case kCommandClose:
        Shutdown();
        accept();
        return;
    case kCommandMaximise:
        ToggleMaximise();
        return;
    case kCommandMinimise:
        MinimiseWithSatellites();
        return;
    case kToolBarFirstCommand + playback::kZoomButton:
        ZoomModeCommand();
        return;
    case kToolBarFirstCommand + playback::kMirrorButton:
        MirrorCommand();
        return;
    case kToolBarFirstCommand + playback::kMapSwitchButton:
        MapSwitchCommand();
        return;
    case kToolBarFirstCommand + playback::kViewSwitchButton:
        ViewSwitchCommand();
        return;
    case playback::kPictureModeCommand:
        PictureModeCommand();
        return;
    default:
        Q_EMIT commandIssued(commandId);
        return;
    }
}

void CQuillonDlg::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), fullScreen ? Qt::black : kBackground);
    if (!fullScreen) {
        painter.setPen(Qt::white);
        painter.setFont(fonts_.pt10());
        painter.drawText(layout_.title, Qt::AlignLeft | Qt::AlignTop, windowTitle());
        info_->DrawCornerIndicator(painter, rect());
    }
    if (!painted_) {
        painted_ = true;
        QMetaObject::invokeMethod(
            this, [this] { Q_EMIT firstPainted(); }, Qt::QueuedConnection);
    }
}

void CQuillonDlg::closeEvent(QCloseEvent* event) {
    Shutdown();
    event->accept();
    CResizeDialog::closeEvent(event);
}

void CQuillonDlg::changeEvent(QEvent* event) {
    if (event->type() == QEvent::WindowStateChange) {
        if (isMinimized()) {
            minimised = true;
        } else if (minimised) {
            RestoreWithSatellites();
        }
    }
    CResizeDialog::changeEvent(event);
}

void CQuillonDlg::moveEvent(QMoveEvent* event) {
    CResizeDialog::moveEvent(event);
    if (!initialised_ || closing_ || fullScreen) {
        return;
    }
    // The satellites follow the main window.
    const QPoint delta = geometry().topLeft() - lastPosition_;
    if (deferredDone_ && !delta.isNull()) {
        for (QWidget* w : {static_cast<QWidget*>(mapWindow_.data()),
                           static_cast<QWidget*>(secondWindow_.data())}) {
            if (w) {
                w->move(w->pos() + delta);
            }
        }
    }
    lastPosition_ = geometry().topLeft();
    moveEndTimer_.start(std::max(1, QGuiApplication::styleHints()->mouseDoubleClickInterval() / 4));
}

void CQuillonDlg::resizeEvent(QResizeEvent* event) {
    CResizeDialog::resizeEvent(event);
    LayOut();
}

void CQuillonDlg::mouseDoubleClickEvent(QMouseEvent* event) {
    if (!fullScreen && layout_.caption.contains(event->position().toPoint())) {
        ToggleMaximise();
        return;
    }
    CResizeDialog::mouseDoubleClickEvent(event);
}

void CQuillonDlg::ApplyTrackedRect() {
    edge = DragEdge::None;
    if (zone == kZoneTitle || maximised || fullScreen) {
        return;
    }
    setGeometry(trackRect.ToQRect());
    ResetZoom(mainView_);
    ResetZoom(secondView_);
    PlaceSatellites();
    PlacePictures();
}

void CQuillonDlg::keyPressEvent(QKeyEvent* event) {
    // The window is a dialog underneath: Escape and Enter must never end the
    // viewer. The keys below do what the buttons do, and only when the button
    // could be clicked.
    const auto click = [this](int index) {
        CSkinButton* button = toolButtons_[static_cast<std::size_t>(index)];
        if (button && button->isEnabled()) {
            OnCommand(kToolBarFirstCommand + index);
        }
    };
    switch (event->key()) {
    case Qt::Key_Space:
        if (toolButtons_[playback::kPlayButton] &&
            toolButtons_[playback::kPlayButton]->isEnabled()) {
            click(playback::kPlayButton);
        } else if (playKeyWhileHeld) {
            playKeyWhileHeld(); // kept for the recording being opened
        }
        break;
    case Qt::Key_Home:
        click(playback::kStopToStartButton);
        break;
    case Qt::Key_PageUp:
        click(playback::kPreviousButton);
        break;
    case Qt::Key_PageDown:
        click(playback::kNextButton);
        break;
    case Qt::Key_Left:
        Q_EMIT frameStepRequested(-1);
        break;
    case Qt::Key_Right:
        Q_EMIT frameStepRequested(1);
        break;
    case Qt::Key_F11:
        ToggleFullScreen();
        break;
    case Qt::Key_Escape:
        LeaveFullScreen();
        break;
    default:
        event->ignore();
        return;
    }
    event->accept();
}

} // namespace kv::app
