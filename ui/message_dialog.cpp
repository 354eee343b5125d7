#include "message_dialog.h"

#include "ui_texts.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScreen>

#include <algorithm>

namespace kv {

QSize MeasureLines(const QString& text, const QFontMetrics& metrics) {
    if (text.isEmpty()) {
        return {0, 0};
    }
    int width = 0;
    int height = 0;
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = text.indexOf(u'\n', start);
        if (end < 0) {
            end = text.size();
        }
        const QStringView line = QStringView(text).mid(start, end - start);
        width = std::max(width, metrics.horizontalAdvance(line.toString()));
        height += metrics.height();
        start = end + 1;
    }
    return {width, height};
}

MessageLayout LayoutMessage(QSize textExtent, int style, const UiScale& t) {
    MessageLayout layout;
    const int boxWidth = textExtent.width() + 2 * t(40);
    const int boxHeight = textExtent.height() + 2 * t(30);
    const bool twoButtons = style != kMessageOk;
    const int buttonsWidth =
        twoButtons ? 2 * t(100) + 3 * t(15) : t(100) + 2 * t(15); // room the buttons need
    const int width = std::max(boxWidth, buttonsWidth);
    const int height = boxHeight + t(60) + t(20);
    layout.window = QSize(width, height);
    layout.text = QRect(QPoint(t(40), t(30)), QPoint(boxWidth - 1, boxHeight - 1));

    QRect box(width - t(15) - t(100), height - t(15) - t(30), t(100), t(30));
    if (style == kMessageOk) {
        layout.ok = box;
        layout.cancel = box;
        layout.okShown = true;
        layout.cancelShown = false;
        return layout;
    }
    layout.cancel = box;
    box.translate(-(box.width() + t(15)), 0);
    layout.ok = box;
    layout.okShown = true;
    layout.cancelShown = true;
    return layout;
}

QPoint CentreOn(const WinRect& owner, QSize size) {
    return {(owner.left + owner.right - size.width()) / 2,
            (owner.top + owner.bottom - size.height()) / 2};
}

CMsgDlg::CMsgDlg(const UiScale& scale, const QFont& font, QWidget* ownerWindow)
    : CSkinDialog(scale, font, ownerWindow != nullptr ? ownerWindow->window() : nullptr),
      owner(ownerWindow) {
    setModal(true);
    text_ = new QLabel(this);
    text_->setObjectName(QStringLiteral("messageText"));
    text_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    text_->setTextFormat(Qt::PlainText);
    text_->setWordWrap(false);
    text_->setAutoFillBackground(false);
    text_->setAccessibleName(Text(UiText::MessageTextName));
    ok_ = new QPushButton(Text(UiText::OkButton), this);
    ok_->setObjectName(QStringLiteral("ok"));
    cancel_ = new QPushButton(Text(UiText::CancelButton), this);
    cancel_->setObjectName(QStringLiteral("cancel"));
    for (QPushButton* button : {ok_, cancel_}) {
        button->setAutoDefault(false);
        button->setFocusPolicy(Qt::NoFocus);
    }
    connect(ok_, &QPushButton::clicked, this, [this] { done(kAnswerOk); });
    connect(cancel_, &QPushButton::clicked, this, [this] { done(kAnswerCancel); });
}

CMsgDlg::~CMsgDlg() = default;

void CMsgDlg::InitDialog() {
    const UiScale& t = Scale();
    const QFont& font = TitleFont();
    setFont(font);
    text_->setFont(font);
    ok_->setFont(font);
    cancel_->setFont(font);
    setWindowTitle(captionText);
    text_->setText(messageText);

    // The text is measured in the font it is drawn in, which already carries
    // the UI scale.
    layout_ = LayoutMessage(MeasureLines(messageText, QFontMetrics(font)), buttonStyle, t);

    WinRect ownerRect;
    if (owner != nullptr) {
        ownerRect = WinRect::FromQRect(owner->window()->frameGeometry());
    } else if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        ownerRect = WinRect::FromQRect(screen->geometry());
    }
    setGeometry(QRect(CentreOn(ownerRect, layout_.window), layout_.window));

    text_->setGeometry(layout_.text);
    if (buttonStyle == kMessageYesNo) {
        ok_->setText(Text(UiText::Yes));
        cancel_->setText(Text(UiText::No));
    }
    ok_->setGeometry(layout_.ok);
    cancel_->setGeometry(layout_.cancel);
    ok_->setVisible(layout_.okShown);
    cancel_->setVisible(layout_.cancelShown);
}

void CMsgDlg::reject() {
    done(kAnswerCancel);
}

void CMsgDlg::paintEvent(QPaintEvent*) {
    const UiScale& t = Scale();
    QPainter painter(this);
    painter.fillRect(QRect(0, 0, width(), height() - t(60)), Qt::white);
    PaintTitleBand(painter);
}

} // namespace kv
