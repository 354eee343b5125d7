// Renders every skin picture and every skinned control in each of its states
// into PNG files for looking at them: <build>/screenshots, or the folder named
// by KOLVISTA_SCREENSHOTS. The test fails when a picture cannot be made or
// written.

#include "screenshot_folder.h"
#include "skin_bitmap.h"
#include "skin_button.h"
#include "skin_list_ctrl.h"
#include "skin_progress_bar.h"
#include "skin_slider.h"
#include "ui_fonts.h"
#include "ui_texts.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QEnterEvent>
#include <QFontDatabase>
#include <QHeaderView>
#include <QImage>
#include <QPainter>
#include <QStandardItemModel>

#include <gtest/gtest.h>

namespace kv {
namespace {

const QColor kWindow(0x1b, 0x1f, 0x24);
const QColor kTitleBand(128, 128, 128);

// A checkerboard shows where pictures are transparent.
void Checker(QPainter& painter, const QRect& area) {
    for (int y = area.top(); y <= area.bottom(); y += 8) {
        for (int x = area.left(); x <= area.right(); x += 8) {
            const bool dark = ((x - area.left()) / 8 + (y - area.top()) / 8) % 2 == 0;
            painter.fillRect(QRect(x, y, 8, 8) & area,
                             dark ? QColor(60, 60, 60) : QColor(90, 90, 90));
        }
    }
}

bool Save(const QImage& image, const QString& name) {
    return !image.isNull() && image.save(QDir(ScreenshotFolder()).filePath(name));
}

// Each picture at S = 1, 1.5 and 2, on a checkerboard and on the window
// colour, enlarged 4 × (nearest pixel) at S = 1 to judge its pixels.
TEST(SkinScreenshots, EveryPicture) {
    QDirIterator it(QStringLiteral(":/skin"));
    int pictures = 0;
    while (it.hasNext()) {
        const QString path = it.next();
        const int id = QFileInfo(path).baseName().toInt();
        SCOPED_TRACE(id);
        for (const double scale : {1.0, 1.5, 2.0}) {
            const QPixmap pixmap = LoadSkinBitmap(id, scale);
            ASSERT_FALSE(pixmap.isNull());
            const QSize size = pixmap.size();
            QImage sheet(size.width() * 2 + 12, size.height() + 8, QImage::Format_RGB32);
            sheet.fill(kWindow);
            QPainter painter(&sheet);
            Checker(painter, QRect(QPoint(4, 4), size));
            painter.drawPixmap(4, 4, pixmap);
            painter.drawPixmap(size.width() + 8, 4, pixmap);
            painter.end();
            ASSERT_TRUE(Save(sheet, QStringLiteral("skin_%1_s%2.png").arg(id).arg(scale * 10)));
            if (scale == 1.0 && size.width() <= 200) {
                const QImage zoomed =
                    sheet.scaled(sheet.size() * 4, Qt::IgnoreAspectRatio, Qt::FastTransformation);
                ASSERT_TRUE(Save(zoomed, QStringLiteral("skin_%1_x4.png").arg(id)));
            }
        }
        ++pictures;
    }
    EXPECT_GT(pictures, 0);
}

// The tool bar and caption buttons as the main window lays them out, in each
// of their four frames, at S = 1 and 1.5.
TEST(SkinScreenshots, ToolBarInEveryFrame) {
    const int order[] = {skin::kFirst,  skin::kPrevious, skin::kPlay,      skin::kSlower,
                         skin::kFaster, skin::kNext,     skin::kSnapshot,  skin::kJoin,
                         skin::kZoom,   skin::kMirror,   skin::kMapSwitch, skin::kBrowse,
                         skin::kDelete, skin::kSettings, skin::kCsv,       skin::kViewSwitch};
    for (const double scale : {1.0, 1.5}) {
        const UiScale t(scale, 1.0);
        const int rowHeight = t(32) + t(12);
        QImage sheet(t(20) + t(43) * 16 + t(30) + t(40), rowHeight * 5 + t(40),
                     QImage::Format_RGB32);
        sheet.fill(kWindow);
        QPainter painter(&sheet);
        for (int frame = 0; frame < 4; ++frame) {
            for (int i = 0; i < 16; ++i) {
                const QPixmap strip = LoadSkinBitmap(order[i], scale);
                const auto frames = CutFrames(strip, t.size(32, 32));
                ASSERT_EQ(frames.size(), 4u) << order[i];
                const int x = t(20) + t(43) * i + (i >= 11 ? t(30) : 0);
                painter.drawPixmap(x, t(6) + rowHeight * frame, frames[frame]);
            }
        }
        // Caption buttons: minimise, maximise, close, as at the top right.
        const struct {
            int id;
            int width;
            int x;
        } captions[] = {{skin::kCaptionMinimise, 26, 0},
                        {skin::kCaptionMaximise, 26, 26},
                        {skin::kCaptionClose, 46, 52}};
        for (int frame = 0; frame < 4; ++frame) {
            for (const auto& caption : captions) {
                const auto frames =
                    CutFrames(LoadSkinBitmap(caption.id, scale), t.size(caption.width, 18));
                ASSERT_EQ(frames.size(), 4u);
                painter.drawPixmap(t(20) + t(caption.x) + frame * t(120), rowHeight * 4 + t(10),
                                   frames[frame]);
            }
        }
        painter.end();
        ASSERT_TRUE(Save(sheet, QStringLiteral("toolbar_s%1.png").arg(scale * 10)));
    }
}

QImage Grab(QWidget& widget, const QColor& background) {
    QImage image(widget.size(), QImage::Format_RGB32);
    image.fill(background);
    widget.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

TEST(SkinScreenshots, ButtonsInEachState) {
    for (const double scale : {1.0, 1.5}) {
        const UiScale t(scale, 1.0);
        QImage sheet(t(5 * 44 + 8), t(44 * 3 + 8), QImage::Format_RGB32);
        sheet.fill(kWindow);
        QPainter painter(&sheet);
        const int ids[] = {skin::kPlay, skin::kPause, skin::kZoom};
        for (int row = 0; row < 3; ++row) {
            // normal, hover, pressed, switched on, disabled
            for (int state = 0; state < 5; ++state) {
                CSkinButton button(38002);
                button.resize(t.size(32, 32));
                ASSERT_TRUE(button.SetSkin(ids[row], QRect(QPoint(), t.size(32, 32)), scale));
                if (state == 1) {
                    QEnterEvent enter(QPointF(4, 4), QPointF(4, 4), QPointF(4, 4));
                    QApplication::sendEvent(&button, &enter);
                }
                button.setDown(state == 2);
                button.SetSwitchedOn(state == 3);
                button.setEnabled(state != 4);
                painter.drawImage(t(8 + 44 * state), t(8 + 44 * row), Grab(button, kWindow));
            }
        }
        painter.end();
        ASSERT_TRUE(Save(sheet, QStringLiteral("buttons_s%1.png").arg(scale * 10)));
    }
}

TEST(SkinScreenshots, CheckButtonsAndRadioMarks) {
    QWidget probe;
    for (const double scale : {1.0, 1.5}) {
        const UiScale t(scale, 1.0);
        const UiFonts fonts(ChooseUiFontFamily(QFontDatabase::families()), t, 96);
        QImage sheet(t(2 * 180 + 20), t(5 * 28 + 30), QImage::Format_RGB32);
        sheet.fill(QColor(240, 240, 240));
        QPainter painter(&sheet);
        const struct {
            int bitmap;
            UiText text;
        } columns[] = {{skin::kCheckBox, UiText::SwitchDriveSupport},
                       {skin::kRadio, UiText::SourceSdCard}};
        for (int column = 0; column < 2; ++column) {
            // off, hover, on, disabled, disabled and on
            for (int state = 0; state < 5; ++state) {
                CSkinCheckButton check(32968, Text(columns[column].text));
                check.setFont(fonts.pt10());
                check.resize(t.size(160, 24));
                ASSERT_TRUE(check.SetSkin(columns[column].bitmap, scale));
                check.SetSwitchedOn(state == 2 || state == 4);
                check.setEnabled(state < 3);
                if (state == 1) {
                    const QPointF at(t(6), t(10));
                    QMouseEvent move(QEvent::MouseMove, at, at, Qt::NoButton, Qt::NoButton,
                                     Qt::NoModifier);
                    QApplication::sendEvent(&check, &move);
                }
                painter.drawImage(t(10 + 180 * column), t(10 + 28 * state),
                                  Grab(check, QColor(240, 240, 240)));
            }
        }
        painter.end();
        ASSERT_TRUE(Save(sheet, QStringLiteral("check_buttons_s%1.png").arg(scale * 10)));
    }
}

TEST(SkinScreenshots, ListRowsInEachState) {
    const UiScale t(1.0, 1.0);
    const UiFonts fonts(ChooseUiFontFamily(QFontDatabase::families()), t, 96);
    QStandardItemModel model;
    const char* names[] = {"AG__-220820-153012-000045F.AVI", "A___-220820-153112-000046F.AVI",
                           "AM__-220820-153212-000047F.AVI", "PG__-220821-080000-000048F.AVI"};
    const int states[] = {kRowOff, kRowOffHot, kRowOn, kRowOn};
    for (int row = 0; row < 4; ++row) {
        auto* name = new QStandardItem(QString::fromLatin1(names[row]));
        name->setData(states[row], kSkinRowStateRole);
        model.appendRow({name, new QStandardItem(QStringLiteral("%1 MB").arg(60 + row)),
                         new QStandardItem(QStringLiteral("%1 MB").arg(30 + row))});
    }
    model.setHorizontalHeaderLabels(
        {Text(UiText::FileNameColumn), Text(UiText::FrontColumn), Text(UiText::RearColumn)});
    CSkinListCtrl list;
    list.setFont(fonts.pt10());
    list.setModel(&model);
    ASSERT_TRUE(list.SetStateImages(skin::kCheckBox, 1.0));
    list.setColumnWidth(0, 270);
    list.setColumnWidth(1, 105);
    list.setColumnWidth(2, 90);
    list.resize(500, 160);
    list.selectRow(3);
    list.show();
    ASSERT_TRUE(Save(Grab(list, Qt::white), QStringLiteral("list_rows.png")));
}

TEST(SkinScreenshots, ProgressBars) {
    const UiScale t(1.0, 1.0);
    const UiFonts fonts(ChooseUiFontFamily(QFontDatabase::families()), t, 96);
    QImage sheet(676, 4 * 30 + 10, QImage::Format_RGB32);
    sheet.fill(kWindow);
    QPainter painter(&sheet);
    const struct {
        int position;
        bool mainWindowColours;
    } cases[] = {{0, false}, {50, false}, {100, false}, {37, true}};
    for (int i = 0; i < 4; ++i) {
        CSkinProgressBarCtrl bar;
        bar.setFont(fonts.pt10());
        bar.resize(656, 22);
        if (cases[i].mainWindowColours) {
            bar.SetColours(QColor(0x3F, 0x3F, 0x3F), Qt::white);
        }
        bar.SetRange(0, 100);
        bar.SetPosition(cases[i].position);
        painter.drawImage(10, 10 + 30 * i, Grab(bar, kWindow));
    }
    painter.end();
    ASSERT_TRUE(Save(sheet, QStringLiteral("progress_bars.png")));
}

TEST(SkinScreenshots, Sliders) {
    for (const double scale : {1.0, 1.5}) {
        const UiScale t(scale, 1.0);
        QImage sheet(t(676), t(10 + 5 * 30), QImage::Format_RGB32);
        sheet.fill(kWindow);
        QPainter painter(&sheet);
        // position slider at 0, 40 %, the end, and dragging
        const struct {
            int position;
            bool drag;
        } positions[] = {{0, false}, {400, false}, {999, false}, {650, true}};
        for (int i = 0; i < 4; ++i) {
            CSkinSliderCtrl slider(38100);
            slider.SetUiScale(scale);
            slider.SetBackground(kWindow);
            ASSERT_TRUE(slider.SetPictures(skin::kPositionPlayed, skin::kPositionRemaining,
                                           skin::kPositionThumb, skin::kPositionThumbDrag));
            slider.resize(t(656), t(10));
            slider.SetRange(0, 999);
            slider.SetPosition(positions[i].position);
            if (positions[i].drag) {
                const QPointF at(slider.thumbRect().center());
                QMouseEvent press(QEvent::MouseButtonPress, at, at, Qt::LeftButton, Qt::LeftButton,
                                  Qt::NoModifier);
                QApplication::sendEvent(&slider, &press);
            }
            painter.drawImage(t(10), t(10 + 30 * i), Grab(slider, kWindow));
        }
        CSkinSliderCtrl volume(38101);
        volume.SetUiScale(scale);
        volume.SetBackground(kWindow);
        ASSERT_TRUE(volume.SetPictures(skin::kVolumePlayed, skin::kVolumeRemaining,
                                       skin::kVolumeThumb, skin::kVolumeThumbDrag));
        volume.resize(t.size(100, 20));
        volume.SetRange(0, 65535);
        volume.SetPosition(40000);
        painter.drawImage(t(10), t(10 + 30 * 4), Grab(volume, kWindow));
        painter.end();
        ASSERT_TRUE(Save(sheet, QStringLiteral("sliders_s%1.png").arg(scale * 10)));
    }
}

// The kind marks of the folder tree, composed as the tree does: the empty grid
// and each kind's mark on a white canvas of 39 × 26 at (0, 5), copied onto the
// tree's colour with white transparent.
TEST(SkinScreenshots, FolderTreeKindMarks) {
    const QColor tree(35, 24, 21);
    const int marks[] = {skin::kKindImpact, skin::kKindParking,       skin::kKindSpeedCamera,
                         skin::kKindManual, skin::kKindParkingImpact, skin::kKindApproaching};
    for (const double scale : {1.0, 2.0}) {
        const UiScale t(scale, 1.0);
        const int combos = 8; // none, each kind alone, all of them
        QImage sheet(t(8) + combos * t(45), t(36), QImage::Format_RGB32);
        sheet.fill(tree);
        for (int combo = 0; combo < combos; ++combo) {
            QImage canvas(t.size(39, 26), QImage::Format_RGB32);
            canvas.fill(Qt::white);
            QPainter painter(&canvas);
            const QPixmap grid = LoadSkinBitmap(skin::kKindSlots, scale);
            ASSERT_FALSE(grid.isNull());
            painter.drawPixmap(0, t(5), grid);
            for (int i = 0; i < 6; ++i) {
                if (combo == 7 || combo == i + 1) {
                    const QPixmap mark = LoadSkinBitmap(marks[i], scale);
                    ASSERT_FALSE(mark.isNull());
                    painter.drawPixmap(0, t(5), mark);
                }
            }
            painter.end();
            for (int y = 0; y < canvas.height(); ++y) {
                for (int x = 0; x < canvas.width(); ++x) {
                    const QColor c = canvas.pixelColor(x, y);
                    if (c != QColor(Qt::white)) {
                        sheet.setPixelColor(t(8) + combo * t(45) + x, t(5) + y, c);
                    }
                }
            }
        }
        const QImage shown = scale == 1.0 ? sheet.scaled(sheet.size() * 4, Qt::IgnoreAspectRatio,
                                                         Qt::FastTransformation)
                                          : sheet;
        ASSERT_TRUE(Save(shown, QStringLiteral("tree_kind_marks_s%1.png").arg(scale * 10)));
    }
}

// The close button on a skinned window's grey title band.
TEST(SkinScreenshots, CloseButtonOnTheTitleBand) {
    for (const double scale : {1.0, 1.5}) {
        const UiScale t(scale, 1.0);
        QImage sheet(t(4 * 40), t(20), QImage::Format_RGB32);
        sheet.fill(kTitleBand);
        QPainter painter(&sheet);
        const auto frames = CutFrames(LoadSkinBitmap(skin::kCloseButton, scale), t.size(13, 12));
        ASSERT_EQ(frames.size(), 4u);
        for (int i = 0; i < 4; ++i) {
            painter.drawPixmap(t(40 * i + 20), t(4), frames[i]);
        }
        painter.end();
        ASSERT_TRUE(Save(sheet, QStringLiteral("close_button_s%1.png").arg(scale * 10)));
    }
}

} // namespace
} // namespace kv
