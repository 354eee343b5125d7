#pragma once

#include <QPixmap>
#include <QRect>
#include <QSize>
#include <QWidget>

namespace kv::playback {

// The placeholder in the map window while no map is shown: the logo, or the
// logo with the notice that the computer is not connected to the Internet,
// on black, as large as fits with its aspect ratio, centred, inside a
// one-pixel white frame.
class CLogoDlg : public QWidget {
    Q_OBJECT

public:
    explicit CLogoDlg(QWidget* parent = nullptr);
    ~CLogoDlg() override;

    // offline: the logo with the no-connection notice. Drawn again only when
    // the choice changes.
    void SetPicture(bool offline);
    bool offline() const { return offline_; }
    int bitmapId() const;

    // Shows or hides the placeholder and remembers it.
    void SetShownMark(bool shown);
    bool shownMark() const { return shownMark_; }

    // Where the bitmap goes in a client area of size client for a bitmap of
    // natural size: the largest size with its aspect ratio, centred.
    static QRect FitPicture(QSize client, QSize natural);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool offline_ = false;
    bool shownMark_ = false;
    // The bitmap rendered at the size last drawn.
    QPixmap cache_;
    int cacheId_ = 0;
    QSize cacheSize_;
};

} // namespace kv::playback
