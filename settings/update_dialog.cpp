#include "update_dialog.h"

#include "ui_texts.h"

#include <QDesktopServices>
#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScreen>

namespace kv::settings {
namespace {

QPoint CentredIn(const QRect& area, QSize size) {
    return {area.left() + (area.width() - size.width()) / 2,
            area.top() + (area.height() - size.height()) / 2};
}

} // namespace

UpdateDialogLayout LayoutUpdateDialog(bool compact, const UiScale& t) {
    UpdateDialogLayout layout;
    if (!compact) {
        layout.window = t.size(640, 480);
        const int w = layout.window.width();
        const int h = layout.window.height();
        layout.text = QRect(t(10), t(30), w - t(20), h - t(80));
        layout.close = QRect(w - t(10) - t(100), h - t(40), t(100), t(30));
    } else {
        layout.window = t.size(640, 320);
        const int w = layout.window.width();
        const int h = layout.window.height();
        layout.text = QRect(t(15), t(42), w - t(30), h - t(70) - t(42));
        layout.close = QRect(w - t(20) - t(100), h - t(10) - t(30), t(100), t(30));
    }
    return layout;
}

bool OpenInDefaultBrowser(const QUrl& address) {
    return QDesktopServices::openUrl(address);
}

CUpdateDialog::CUpdateDialog(const UiScale& scale, const UiFonts& fonts, QWidget* parent)
    : CSkinDialog(scale, fonts.pt10(), parent), openLink_(OpenInDefaultBrowser) {
    setModal(false);
    setFont(fonts.pt9());
    setWindowTitle(Text(UiText::UpdateTitle));

    notice_ = new QLabel(this);
    notice_->setObjectName(QStringLiteral("notice"));
    notice_->setAccessibleName(Text(UiText::NoticeTextName));
    notice_->setFont(fonts.pt9());
    notice_->setTextFormat(Qt::RichText);
    notice_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    notice_->setWordWrap(true);
    notice_->setOpenExternalLinks(false);
    notice_->setTextInteractionFlags(Qt::LinksAccessibleByMouse);
    notice_->setAutoFillBackground(false);
    connect(notice_, &QLabel::linkActivated, this, &CUpdateDialog::OpenLink);

    close_ = new QPushButton(Text(UiText::UpdateClose), this);
    close_->setObjectName(QStringLiteral("close"));
    close_->setFont(fonts.pt9());
    close_->setAutoDefault(false);
    close_->setFocusPolicy(Qt::NoFocus);
    connect(close_, &QPushButton::clicked, this, &QWidget::close);

    ApplyLayout();
}

CUpdateDialog::~CUpdateDialog() = default;

void CUpdateDialog::SetLinkSite(const QUrl& site) {
    linkSite_ = site;
    notice_->setText(NoticeToHtml(noticeText_, linkSite_));
}

void CUpdateDialog::SetNotice(const QString& text, bool compactLayout) {
    noticeText_ = text;
    compactLayout_ = compactLayout;
    ApplyLayout();
}

void CUpdateDialog::ApplyLayout() {
    layout_ = LayoutUpdateDialog(compactLayout_, Scale());
    resize(layout_.window);
    const QScreen* screen = compactLayout_ ? QGuiApplication::primaryScreen()
                                           : QGuiApplication::screenAt(geometry().topLeft());
    if (screen == nullptr) {
        screen = QGuiApplication::primaryScreen();
    }
    if (screen != nullptr) {
        move(CentredIn(screen->geometry(), layout_.window));
    }
    notice_->setGeometry(layout_.text);
    close_->setGeometry(layout_.close);
    notice_->setText(NoticeToHtml(noticeText_, linkSite_));
}

void CUpdateDialog::OpenLink(const QString& address) {
    const QUrl url(address);
    if (openLink_ && LinkAllowedOn(url, linkSite_)) {
        openLink_(url);
    }
}

void CUpdateDialog::paintEvent(QPaintEvent*) {
    const UiScale& t = Scale();
    QPainter painter(this);
    painter.fillRect(QRect(0, 0, width(), height() - t(50)), Qt::white);
    PaintTitleBand(painter);
}

CUpdateDialog* ShowUpdateNotice(const QString& notice, const QUrl& site, const UiScale& scale,
                                const UiFonts& fonts) {
    auto* dialog = new CUpdateDialog(scale, fonts);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->SetLinkSite(site);
    dialog->SetNotice(notice, false);
    dialog->setWindowTitle(Text(UiText::UpdateTitle));
    dialog->show();
    return dialog;
}

} // namespace kv::settings
