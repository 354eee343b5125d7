// The skinned list: the hot row, the three-value tick state of rows and
// their state images.

#include "skin_bitmap.h"
#include "skin_list_ctrl.h"

#include "skin_test_support.h"

#include <QApplication>
#include <QHeaderView>
#include <QMouseEvent>
#include <QStandardItemModel>

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

namespace kv {
namespace {

TEST(SkinListCtrl, ClickedStateTable) {
    const std::pair<int, int> cases[] = {
        {kRowOn, kRowOff},   {kRowOff, kRowOn}, {kRowOffHot, kRowOn},
        {kRowNone, kRowOff}, {7, kRowOff},
    };
    for (const auto& [before, after] : cases) {
        EXPECT_EQ(ClickedRowState(before), after) << before;
    }
}

const QColor kStateColours[] = {QColor(250, 250, 250), QColor(150, 200, 255), QColor(0, 0, 220),
                                QColor(128, 128, 128)};

class SkinListCtrlTest : public ::testing::Test {
protected:
    void SetUp() override {
        model.setColumnCount(2);
        for (int row = 0; row < 4; ++row) {
            auto* item = new QStandardItem(QStringLiteral("row %1").arg(row));
            item->setData(kRowOff, kSkinRowStateRole);
            model.appendRow({item, new QStandardItem(QStringLiteral("%1 MB").arg(row))});
        }
        list.setModel(&model);
        list.horizontalHeader()->hide();
        list.resize(300, 200);
        ASSERT_TRUE(
            list.SetStateImageStrip(test::FlatStrip({12, 12}, {kStateColours[0], kStateColours[1],
                                                               kStateColours[2], kStateColours[3]}),
                                    {12, 12}));
        list.show();
        QObject::connect(&list, &CSkinListCtrl::rowStateChanged, [this](int row, int from, int to) {
            changes.emplace_back(row, from, to);
        });
    }

    QPoint RowCentre(int row) const {
        const QRect rect = list.visualRect(model.index(row, 1));
        return rect.center();
    }
    void Move(QPoint at) {
        QMouseEvent move(QEvent::MouseMove, at, list.viewport()->mapToGlobal(at), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(list.viewport(), &move);
    }
    void Click(QPoint at) {
        const QPoint global = list.viewport()->mapToGlobal(at);
        QMouseEvent press(QEvent::MouseButtonPress, at, global, Qt::LeftButton, Qt::LeftButton,
                          Qt::NoModifier);
        QMouseEvent release(QEvent::MouseButtonRelease, at, global, Qt::LeftButton, Qt::NoButton,
                            Qt::NoModifier);
        QApplication::sendEvent(list.viewport(), &press);
        QApplication::sendEvent(list.viewport(), &release);
    }
    std::vector<int> States() const {
        std::vector<int> states;
        for (int row = 0; row < model.rowCount(); ++row) {
            states.push_back(list.RowState(row));
        }
        return states;
    }

    QStandardItemModel model;
    CSkinListCtrl list;
    std::vector<std::tuple<int, int, int>> changes;
};

TEST_F(SkinListCtrlTest, RowUnderTheMouseShowsTheLightBlueBox) {
    Move(RowCentre(1));
    EXPECT_EQ(list.hotRow(), 1);
    EXPECT_EQ(States(), (std::vector<int>{1, 2, 1, 1}));
    Move(RowCentre(2));
    EXPECT_EQ(list.hotRow(), 2);
    EXPECT_EQ(States(), (std::vector<int>{1, 1, 2, 1}));
    Move(QPoint(5, list.viewport()->height() - 2)); // below the last row
    EXPECT_EQ(list.hotRow(), -1);
    EXPECT_EQ(States(), (std::vector<int>{1, 1, 1, 1}));
    const std::vector<std::tuple<int, int, int>> expected = {
        {1, 1, 2}, {1, 2, 1}, {2, 1, 2}, {2, 2, 1}};
    EXPECT_EQ(changes, expected);
}

TEST_F(SkinListCtrlTest, ClickingTicksAndUnticks) {
    Move(RowCentre(3));
    ASSERT_EQ(list.RowState(3), kRowOffHot);
    Click(RowCentre(3)); // the light blue box turns on
    EXPECT_EQ(list.RowState(3), kRowOn);
    Move(RowCentre(3) + QPoint(3, 0)); // a ticked row stays ticked under the mouse
    EXPECT_EQ(list.RowState(3), kRowOn);
    Click(RowCentre(3)); // and clicking again turns it off
    EXPECT_EQ(list.RowState(3), kRowOff);
    Move(RowCentre(3));
    EXPECT_EQ(list.RowState(3), kRowOffHot);
    Move(RowCentre(0));
    EXPECT_EQ(States(), (std::vector<int>{2, 1, 1, 1}));
}

TEST_F(SkinListCtrlTest, LeavingClearsTheHotRow) {
    Move(RowCentre(0));
    Click(RowCentre(1));
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(list.viewport(), &leave);
    EXPECT_EQ(list.hotRow(), -1);
    EXPECT_EQ(States(), (std::vector<int>{1, 3, 1, 1}));
}

TEST_F(SkinListCtrlTest, RowsShowTheirStateImage) {
    list.SetRowState(0, kRowOff);
    list.SetRowState(1, kRowOffHot);
    list.SetRowState(2, kRowOn);
    list.SetRowState(3, kRowNone);
    const QImage image = test::Render(*list.viewport(), Qt::magenta);
    for (int row = 0; row < 3; ++row) {
        const QRect cell = list.visualRect(model.index(row, 0));
        // The image is vertically centred near the cell's left edge.
        const QPoint inside(cell.left() + 4 + 6, cell.center().y());
        EXPECT_EQ(test::At(image, inside.x(), inside.y()), kStateColours[row]) << row;
    }
    EXPECT_TRUE(list.StateImage(kRowNone).isNull());
    EXPECT_TRUE(list.StateImage(5).isNull());
}

TEST(SkinListCtrl, StateImagesFromBitmap217) {
    CSkinListCtrl list;
    ASSERT_TRUE(list.SetStateImages(skin::kCheckBox, 1.5));
    EXPECT_EQ(list.stateImageSize(), QSize(18, 18));
    EXPECT_EQ(LogicalSize(list.StateImage(kRowOn)), QSize(18, 18));
    EXPECT_FALSE(list.SetStateImages(9999, 1.0));
    EXPECT_EQ(list.stateImageSize(), QSize(18, 18));
}

} // namespace
} // namespace kv
