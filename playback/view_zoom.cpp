#include "view_zoom.h"

#include "ui_scale.h"

#include <cmath>

namespace kv::playback {

namespace {

int Trunc(float v) {
    return static_cast<int>(std::trunc(v));
}

// Right edge as the panel geometry counts it: just outside the rectangle.
int RightOf(const QRect& r) {
    return r.x() + r.width();
}

} // namespace

void ResetZoom(ViewRecord& record, int camera, QSize mainPane, const UiScale& scale) {
    record.factor = 1.0f;
    record.level = 1.0f;
    record.offset = QPoint(0, 0);
    if (camera == 0) {
        record.anchor = QPoint(mainPane.width() / 2, mainPane.height() / 2);
    } else {
        const int b = scale(440) + 2 * scale(6);
        record.anchor = QPoint(b / 2, b * 9 / 32);
    }
}

bool ZoomClick(ViewRecord& record, QRect panelClient, QRect pictureRect, QPoint point, int camera,
               QSize mainPane, const UiScale& scale) {
    record.clickPoint = point;
    const float level = record.level;
    if (level < 0.0f) {
        return false;
    }
    const float f = level;
    record.factor = f;
    record.panelRect = panelClient;
    if (panelClient.isEmpty()) {
        return false;
    }
    const float x = static_cast<float>(point.x());
    const float y = static_cast<float>(point.y());
    // The picture spot under the click, in unzoomed panel coordinates.
    const int anchorX = RightOf(panelClient) + point.x() -
                        Trunc((x * (f - 1.0f) + static_cast<float>(RightOf(pictureRect))) / f);
    const int anchorY = panelClient.top() + point.y() -
                        Trunc((y * (f - 1.0f) + static_cast<float>(pictureRect.top())) / f);
    record.anchor = QPoint(anchorX, anchorY);
    record.offset = QPoint(point.x() - anchorX, point.y() - anchorY);
    record.level = level + 1.0f;
    if (record.level > 3.0f) {
        ResetZoom(record, camera, mainPane, scale);
    }
    return true;
}

bool CarryZoom(ViewRecord& toMain, ViewRecord& toSecond, QSize newMainPanel, QSize newSecondPanel,
               QSize nativePicture) {
    if (nativePicture.width() <= 0 || nativePicture.height() <= 0 || newMainPanel.width() <= 0) {
        return false;
    }
    const float g =
        static_cast<float>(newSecondPanel.width()) / static_cast<float>(newMainPanel.width());
    if (g <= 0.0f) {
        return false;
    }
    const float m =
        (static_cast<float>(newSecondPanel.height()) -
         static_cast<float>(newSecondPanel.width()) * static_cast<float>(nativePicture.height()) /
             static_cast<float>(nativePicture.width())) /
        2.0f;

    const auto intoMain = [g, m](QPoint& p) {
        p = QPoint(Trunc(static_cast<float>(p.x()) / g),
                   Trunc((static_cast<float>(p.y()) - m) / g));
    };
    intoMain(toMain.clickPoint);
    intoMain(toMain.anchor);
    toMain.offset = QPoint(Trunc(static_cast<float>(toMain.offset.x()) / g),
                           Trunc(static_cast<float>(toMain.offset.y()) / g));

    const auto intoSecond = [g, m](QPoint& p) {
        p = QPoint(Trunc(static_cast<float>(p.x()) * g), Trunc(static_cast<float>(p.y()) * g + m));
    };
    intoSecond(toSecond.clickPoint);
    intoSecond(toSecond.anchor);
    toSecond.offset = QPoint(Trunc(static_cast<float>(toSecond.offset.x()) * g),
                             Trunc(static_cast<float>(toSecond.offset.y()) * g));
    return true;
}

engine::ViewZoom LayoutOf(const ViewRecord& record) {
    return {record.level, record.anchor.x(), record.anchor.y(), record.offset.x(),
            record.offset.y()};
}

} // namespace kv::playback
