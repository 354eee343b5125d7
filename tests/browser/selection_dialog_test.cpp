// The selection dialog driven through its ticks and boxes, and pictures of
// both modes.

#include "file_select_dlg.h"
#include "message_box.h"
#include "skin_button.h"
#include "ui_fonts.h"

#include <QCoreApplication>
#include <QDir>
#include <QLabel>
#include <QPushButton>

#include <gtest/gtest.h>

namespace kv::browser {
namespace {

constexpr std::int64_t kMb = kBytesPerMegabyte;

RecordingList Recordings(int count, std::int64_t front, std::int64_t rear) {
    RecordingList list;
    for (int i = 0; i < count; ++i) {
        RecordingEntry e;
        e.frontName = QStringLiteral("AG__-220820-15%1-%2F.AVI")
                          .arg(i % 60, 4, 10, QChar(u'0'))
                          .arg(i + 1, 6, 10, QChar(u'0'));
        e.frontPath = QStringLiteral("/card/Normal/Front/") + e.frontName;
        e.rearName = e.frontName;
        e.rearName.replace(QStringLiteral("F.AVI"), QStringLiteral("R.AVI"));
        e.rearPath = QStringLiteral("/card/Normal/Rear/") + e.rearName;
        e.frontExpectedLength = front;
        e.rearExpectedLength = rear;
        list.push_back(e);
    }
    return list;
}

class SelectionDialog : public ::testing::Test {
protected:
    UiScale scale_{1.0, 1.0};
    UiFonts fonts_{QStringLiteral("Noto Sans CJK JP"), scale_, 96.0};
    ScriptedMessageSink messages_;

    static void Save(QWidget& w, const QString& name) {
        w.show();
        QCoreApplication::processEvents();
        QDir out(QCoreApplication::applicationDirPath());
        out.cdUp();
        out.mkpath(QStringLiteral("screenshots"));
        const QImage image = w.grab().toImage();
        ASSERT_FALSE(image.isNull());
        EXPECT_TRUE(image.save(out.filePath(QStringLiteral("screenshots/") + name)));
    }
};

TEST_F(SelectionDialog, JoinTicksFormARunAndOkFollowsTheLimits) {
    RecordingList list = Recordings(8, 300 * kMb, 100 * kMb);
    list[6].frontDamaged = 1;
    CFileSelectDlg dlg(scale_, fonts_.pt10(), SelectMode::Join, messages_);
    dlg.FillSource(list);
    EXPECT_FALSE(dlg.okButton()->isEnabled());
    dlg.SetTicked(6, true); // damaged, alone
    EXPECT_FALSE(dlg.ticked(6));
    dlg.SetTicked(2, true);
    EXPECT_FALSE(dlg.okButton()->isEnabled()); // one recording
    dlg.SetTicked(5, true);
    for (int row = 0; row < 8; ++row) {
        EXPECT_EQ(dlg.ticked(row), row >= 2 && row <= 5) << row;
    }
    EXPECT_EQ(dlg.frontTotal()->text(), QStringLiteral("1200 MB"));
    EXPECT_EQ(dlg.rearTotal()->text(), QStringLiteral("400 MB"));
    EXPECT_EQ(dlg.frontTotal()->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    EXPECT_TRUE(dlg.okButton()->isEnabled());
    dlg.Confirm();
    ASSERT_EQ(messages_.messages.size(), 1u);
    EXPECT_EQ(messages_.messages[0].text, QStringLiteral("サイズオーバーです。"));
    EXPECT_NE(dlg.result(), QDialog::Accepted);

    dlg.SetTicked(4, false); // cuts the run at row 4
    for (int row = 0; row < 8; ++row) {
        EXPECT_EQ(dlg.ticked(row), row == 2 || row == 3) << row;
    }
    EXPECT_EQ(dlg.frontTotal()->palette().color(QPalette::WindowText), QColor(0, 0, 0));
    dlg.Confirm();
    EXPECT_EQ(messages_.messages.size(), 1u);
    ASSERT_EQ(dlg.selection().size(), 2u);
    EXPECT_EQ(dlg.selection()[0].frontName, list[2].frontName);
    EXPECT_EQ(dlg.selection()[1].frontName, list[3].frontName);
}

TEST_F(SelectionDialog, SelectAllTicksOneRunOfAJoinAndNoDamagedRecording) {
    RecordingList list = Recordings(6, 10 * kMb, 10 * kMb);
    list[0].frontDamaged = 1;
    list[4].rearDamaged = 1;
    CFileSelectDlg dlg(scale_, fonts_.pt10(), SelectMode::Join, messages_);
    dlg.FillSource(list);
    dlg.ToggleSelectAll();
    for (int row = 0; row < 6; ++row) {
        EXPECT_EQ(dlg.ticked(row), row >= 1 && row <= 3) << row;
    }
    // The total counts what is ticked: three recordings, and they are what OK joins.
    EXPECT_EQ(dlg.frontTotal()->text(), QStringLiteral("30 MB"));
    dlg.Confirm();
    ASSERT_EQ(dlg.selection().size(), 3u);
    EXPECT_EQ(dlg.selection().front().frontName, list[1].frontName);
    EXPECT_EQ(dlg.selection().back().frontName, list[3].frontName);
    dlg.ToggleSelectAll();
    for (int row = 0; row < 6; ++row) {
        EXPECT_FALSE(dlg.ticked(row)) << row;
    }
}

TEST_F(SelectionDialog, DeleteShowsTheTotalAndSwitchesToEveryRecording) {
    CFileSelectDlg dlg(scale_, fonts_.pt10(), SelectMode::Delete, messages_);
    dlg.FillSource(Recordings(3, 5 * kMb, 3 * kMb));
    dlg.FillAllSource(Recordings(1600, kMb, kMb));
    ASSERT_EQ(messages_.messages.size(), 1u);
    EXPECT_EQ(messages_.messages[0].text,
              QStringLiteral("表示数が1500を超えています。1500項目表示します。"));
    EXPECT_FALSE(dlg.rearTotal()->isVisibleTo(&dlg));
    dlg.SetTicked(0, true);
    dlg.SetTicked(2, true);
    EXPECT_EQ(dlg.frontTotal()->text(), QStringLiteral("16 MB"));
    EXPECT_TRUE(dlg.okButton()->isEnabled());

    dlg.ToggleShowAll();
    EXPECT_EQ(dlg.rows().size(), 1500u);
    EXPECT_FALSE(dlg.ticked(0));
    EXPECT_EQ(dlg.frontTotal()->text(), QStringLiteral("0 MB"));
    EXPECT_FALSE(dlg.okButton()->isEnabled());
    dlg.ToggleSelectAll();
    EXPECT_TRUE(dlg.ticked(1499));
    EXPECT_EQ(dlg.frontTotal()->text(), QStringLiteral("3000 MB"));
    dlg.Confirm();
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(dlg.selection().size(), 1500u);
}

TEST_F(SelectionDialog, Screenshots) {
    RecordingList list = Recordings(12, 120 * kMb, 80 * kMb);
    list[1].exported = 1;
    list[7].frontDamaged = 1;
    CFileSelectDlg join(scale_, fonts_.pt10(), SelectMode::Join, messages_);
    join.FillSource(list);
    join.SetTicked(3, true);
    join.SetTicked(10, true);
    Save(join, QStringLiteral("selection_dialog_join.png"));

    CFileSelectDlg remove(scale_, fonts_.pt10(), SelectMode::Delete, messages_);
    remove.FillSource(list);
    remove.FillAllSource(list);
    remove.SetTicked(0, true);
    remove.SetTicked(4, true);
    Save(remove, QStringLiteral("selection_dialog_delete.png"));
    EXPECT_TRUE(messages_.messages.empty());
}

} // namespace
} // namespace kv::browser
