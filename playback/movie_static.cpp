#include "movie_static.h"

#include "engine_context.h"
#include "movie_owner.h"
#include "skin_bitmap.h"
#include "ui_fonts.h"
#include "ui_texts.h"

#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QRegion>
#include <QStyleHints>
#include <QThread>

namespace kv::playback {

namespace {

// The notice on a panel whose camera has no video is red.
const QColor kNoVideoTextColor(255, 0, 0);

bool IsOpen(const engine::EngineContext& context) {
    return context.created && context.playState != engine::kClosed;
}

int DoubleClickTime() {
    return QGuiApplication::styleHints()->mouseDoubleClickInterval();
}

bool IsCamera(int camera) {
    return camera == 0 || camera == 1;
}

} // namespace

CMovieStatic::CMovieStatic(MovieOwner* owner, int camera, QWidget* parent)
    : QWidget(parent), owner_(owner), camera_(camera) {
    // Every pixel is painted: the picture, black around it, or the notice.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::ClickFocus);
    pressTimer_.setSingleShot(true);
    releaseTimer_.setSingleShot(true);
    connect(&pressTimer_, &QTimer::timeout, this, &CMovieStatic::OnPressTimer);
    connect(&releaseTimer_, &QTimer::timeout, this, &CMovieStatic::OnReleaseTimer);
    textFont_ = UiFonts::ForWidget(this, scale_).pt13();
    clientRect_ = rect();
    SetScale(scale_);
}

CMovieStatic::~CMovieStatic() = default;

void CMovieStatic::SetEngines(engine::EngineContext* contexts, const engine::EngineOps* ops) {
    contexts_ = contexts;
    ops_ = ops;
    update();
}

void CMovieStatic::SetScale(const UiScale& scale) {
    scale_ = scale;
    const QPixmap pixmap = LoadSkinBitmap(skin::kZoomCursor, scale_.factor(), devicePixelRatioF());
    if (pixmap.isNull()) {
        zoomCursor_ = QCursor(Qt::CrossCursor);
    } else {
        // The hot spot is the centre of the lens.
        const QSize size = LogicalSize(pixmap);
        zoomCursor_ = QCursor(pixmap, size.width() * 13 / 32, size.height() * 13 / 32);
    }
    UpdateCursor();
}

void CMovieStatic::SetTextFont(const QFont& font) {
    textFont_ = font;
    update();
}

void CMovieStatic::SetZoomMode(bool on) {
    zoomMode_ = on;
    UpdateCursor();
}

void CMovieStatic::UpdateCursor() {
    if (zoomMode_) {
        setCursor(zoomCursor_);
    } else {
        unsetCursor();
    }
}

void CMovieStatic::FillBlack() {
    {
        std::lock_guard lock(mutex_);
        picture_ = QImage();
        pictureFrame_ = -1;
    }
    update();
}

QImage CMovieStatic::Picture() const {
    std::lock_guard lock(mutex_);
    return picture_;
}

std::int64_t CMovieStatic::PictureFrame() const {
    std::lock_guard lock(mutex_);
    return pictureFrame_;
}

QRect CMovieStatic::ClientRect() const {
    std::lock_guard lock(mutex_);
    // A hidden panel gets its resize event only when shown: on the window
    // thread the widget's own size is the one to trust.
    if (QThread::currentThread() == thread()) {
        clientRect_ = rect();
    }
    return clientRect_;
}

void CMovieStatic::SetPictureRect(const QRect& rect) {
    {
        std::lock_guard lock(mutex_);
        pictureRect_ = rect;
    }
    QueueUpdate();
}

QRect CMovieStatic::PictureRect() const {
    std::lock_guard lock(mutex_);
    return pictureRect_;
}

void CMovieStatic::Present(const QImage& picture, std::int64_t frame) {
    {
        std::lock_guard lock(mutex_);
        picture_ = picture;
        pictureFrame_ = frame;
    }
    pictureArrived_ = true;
    QueueUpdate();
}

void CMovieStatic::QueueUpdate() {
    if (updateQueued_.exchange(true)) {
        return;
    }
    // Queued to this object: dropped with it if it goes first.
    QMetaObject::invokeMethod(
        this,
        [this] {
            updateQueued_ = false;
            update();
        },
        Qt::QueuedConnection);
}

void CMovieStatic::OnReady(int) {
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (owner_ != nullptr) {
                owner_->OnEnginesReady(camera_);
            }
        },
        Qt::QueuedConnection);
}

void CMovieStatic::OnEndOfPresentation(int) {
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (owner_ != nullptr) {
                owner_->OnEndOfStream(camera_);
            }
        },
        Qt::QueuedConnection);
}

void CMovieStatic::OnPressTimer() {
    pressTimer_.stop();
    if (clickPending_) {
        return;
    }
    clickPending_ = true;
    if (owner_ != nullptr && IsCamera(camera_)) {
        owner_->VideoClick(camera_, pressPoint_);
    }
}

void CMovieStatic::OnReleaseTimer() {
    releaseTimer_.stop();
    clickPending_ = false;
}

void CMovieStatic::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    setFocus(Qt::MouseFocusReason);
    buttonReleased_ = false;
    if (!doubleClicked_) {
        pressPoint_ = event->position().toPoint();
        pressTimer_.start(DoubleClickTime());
    }
    event->accept();
}

void CMovieStatic::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    buttonReleased_ = true;
    if (doubleClicked_) {
        doubleClicked_ = false;
    } else {
        releasePoint_ = event->position().toPoint();
        releaseTimer_.start(DoubleClickTime());
    }
    event->accept();
}

void CMovieStatic::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mouseDoubleClickEvent(event);
        return;
    }
    // The second press of a double click: neither a click nor a zoom.
    pressTimer_.stop();
    releaseTimer_.stop();
    doubleClicked_ = true;
    event->accept();
    if (owner_ != nullptr && camera_ == owner_->MainView() && !zoomMode_) {
        owner_->ToggleFullScreen();
    }
}

void CMovieStatic::contextMenuEvent(QContextMenuEvent* event) {
    event->accept();
    if (owner_ != nullptr) {
        owner_->ShowVideoMenu(event->globalPos(), this);
    }
}

void CMovieStatic::resizeEvent(QResizeEvent* event) {
    {
        std::lock_guard lock(mutex_);
        clientRect_ = rect();
    }
    QWidget::resizeEvent(event);
}

void CMovieStatic::paintEvent(QPaintEvent*) {
    const bool fresh = pictureArrived_.exchange(false);
    QPainter painter(this);
    if (contexts_ == nullptr || !IsCamera(camera_)) {
        PaintPicture(painter);
        return;
    }
    engine::EngineContext& own = contexts_[camera_];
    if (IsOpen(own)) {
        PaintPicture(painter);
        // A paint that did not come with a new picture (uncovered, resized)
        // asks a stopped or paused engine for its picture again. A picture
        // that just arrived needs no repaint: that would never end.
        if (own.playState != engine::kPlaying && !fresh && !repaintQueued_) {
            repaintQueued_ = true;
            QMetaObject::invokeMethod(this, &CMovieStatic::AskRepaint, Qt::QueuedConnection);
        }
        return;
    }
    // A closed engine's last picture is not shown again.
    {
        std::lock_guard lock(mutex_);
        picture_ = QImage();
        pictureFrame_ = -1;
    }
    PaintBackground(painter);
}

// Outside the paint: the engine takes its own lock, and its presenter may be
// waiting for this panel's.
void CMovieStatic::AskRepaint() {
    repaintQueued_ = false;
    if (contexts_ == nullptr || ops_ == nullptr || ops_->Repaint == nullptr || !IsCamera(camera_)) {
        return;
    }
    engine::EngineContext& own = contexts_[camera_];
    if (IsOpen(own) && own.playState != engine::kPlaying) {
        ops_->Repaint(own);
    }
}

void CMovieStatic::PaintPicture(QPainter& painter) {
    QImage picture;
    QRect place;
    {
        std::lock_guard lock(mutex_);
        picture = picture_;
        place = pictureRect_;
    }
    if (picture.isNull() || place.isEmpty()) {
        painter.fillRect(rect(), Qt::black);
        return;
    }
    painter.setClipRegion(QRegion(rect()).subtracted(QRegion(place)));
    painter.fillRect(rect(), Qt::black);
    painter.setClipping(false);
    if (picture.size() == place.size()) {
        painter.drawImage(place.topLeft(), picture);
    } else {
        // Between a new layout and the first picture made for it.
        painter.drawImage(place, picture);
    }
}

void CMovieStatic::PaintBackground(QPainter& painter) {
    painter.fillRect(rect(), Qt::black);
    const engine::EngineContext& other = contexts_[1 - camera_];
    if (!IsOpen(other)) {
        return;
    }
    const QString text = camera_ == 1 ? Text(UiText::NoRearVideo) : Text(UiText::NoFrontVideo);
    painter.setFont(textFont_);
    painter.setPen(kNoVideoTextColor);
    painter.drawText(rect(), Qt::AlignCenter | Qt::TextSingleLine, text);
}

} // namespace kv::playback
