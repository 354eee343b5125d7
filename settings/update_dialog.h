#pragma once

#include "notice_markup.h"
#include "skin_dialog.h"
#include "ui_fonts.h"

#include <QRect>
#include <QSize>
#include <QString>
#include <QUrl>

#include <functional>
#include <vector>

class QLabel;
class QPushButton;

namespace kv::settings {

inline constexpr int kUpdateCloseId = 2;

// Where the parts of the update dialog go, in its client coordinates.
struct UpdateDialogLayout {
    QSize window;
    QRect text;  // the notice
    QRect close; // the close button
};

// Normal: 640 × 480, the notice t(10) from the left and t(30) from the top,
// t(20) narrower and t(80) lower than the window, the 100 × 30 close button
// t(10) from the right edge with its top t(40) above the bottom. Compact (the
// web-view runtime notice): 640 × 320, the notice from (t(15), t(42)), t(30)
// narrower, ending t(70) above the bottom; the close button t(20) from the
// right and t(10) from the bottom.
UpdateDialogLayout LayoutUpdateDialog(bool compact, const UiScale& scale);

// Opens an address in the user's default browser; true when it was handed on.
using LinkOpener = std::function<bool(const QUrl&)>;
bool OpenInDefaultBrowser(const QUrl& address);

// A notice with a close button: the update notice of the update check, with
// links to the download pages on the update site, and the notice that the
// map's web engine cannot run (compact, no links). A top-level skinned
// window; Enter and Escape do nothing, only the close button ends it.
class CUpdateDialog : public CSkinDialog {
    Q_OBJECT

public:
    // fonts: the shared UI fonts (the notice and the button in 9 points, the
    // title band in 10). Without a parent the window stands on the desktop.
    CUpdateDialog(const UiScale& scale, const UiFonts& fonts, QWidget* parent = nullptr);
    ~CUpdateDialog() override;

    // The site whose pages the notice may link to (LinkAllowedOn); none by
    // default, so that every anchor shows as text.
    void SetLinkSite(const QUrl& site);
    const QUrl& linkSite() const { return linkSite_; }
    // Shows text in the notice and takes the layout the flag selects,
    // centred: the normal one on the monitor holding the window's top-left
    // corner, the compact one on the primary monitor.
    void SetNotice(const QString& text, bool compactLayout);
    const QString& noticeText() const { return noticeText_; }
    bool compactLayout() const { return compactLayout_; }
    const UpdateDialogLayout& Layout() const { return layout_; }

    // What a click on a link does; by default OpenInDefaultBrowser. Only an
    // address on the link site is handed on.
    void SetLinkOpener(LinkOpener opener) { openLink_ = std::move(opener); }
    void OpenLink(const QString& address);

    QLabel* noticeLabel() const { return notice_; }
    QPushButton* closeButton() const { return close_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void ApplyLayout();

    QString noticeText_;
    QUrl linkSite_;
    bool compactLayout_ = false;
    UpdateDialogLayout layout_;
    LinkOpener openLink_;
    QLabel* notice_ = nullptr;
    QPushButton* close_ = nullptr;
};

// The update notice as the main window shows it: a new top-level dialog with
// the notice in the normal layout and links to the update site, titled
// "更新情報", deleted when closed.
CUpdateDialog* ShowUpdateNotice(const QString& notice, const QUrl& site, const UiScale& scale,
                                const UiFonts& fonts);

} // namespace kv::settings
