#include "file_select_dlg.h"

#include "message_box.h"
#include "skin_bitmap.h"
#include "skin_button.h"
#include "skin_list_ctrl.h"
#include "ui_texts.h"

#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QStandardItemModel>

namespace kv::browser {
namespace {

constexpr int kEntryRole = Qt::UserRole + 1;

const QColor kExportedText(255, 0, 255);
const QColor kExportedBack(255, 255, 0);
const QColor kDamagedText(255, 255, 0);
const QColor kDamagedBack(238, 187, 203);

QString Megabytes(std::int64_t bytes) {
    return QString::asprintf(Text(UiText::RowSizeFormat).toUtf8().constData(),
                             static_cast<unsigned long long>(bytes / kBytesPerMegabyte));
}

QString TotalText(std::int64_t megabytes) {
    return QString::asprintf(Text(UiText::TotalSizeFormat).toUtf8().constData(),
                             static_cast<long long>(megabytes));
}

// Paints the join mode's row colours under the skinned row.
class RowColourDelegate final : public SkinStateDelegate {
public:
    using SkinStateDelegate::SkinStateDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const QVariant back = index.data(Qt::BackgroundRole);
        if (back.canConvert<QBrush>() && !(option.state & QStyle::State_Selected)) {
            painter->fillRect(option.rect, back.value<QBrush>());
        }
        if (index.column() == 0) {
            SkinStateDelegate::paint(painter, option, index); // the tick box
        } else {
            QStyledItemDelegate::paint(painter, option, index);
        }
    }
};

} // namespace

CFileSelectDlg::CFileSelectDlg(const UiScale& scale, const QFont& font, SelectMode mode,
                               MessageSink& messages, QWidget* parent)
    : CSkinDialog(scale, font, parent), scale_(scale), mode_(mode), messages_(messages) {
    setFont(font);
    const QSize size = scale_.size(520, 500);
    resize(size);
    const QScreen* screen = parent != nullptr && parent->screen() != nullptr
                                ? parent->screen()
                                : QGuiApplication::primaryScreen();
    if (screen != nullptr) {
        move(screen->geometry().center() - QPoint(size.width() / 2, size.height() / 2));
    }

    model_ = new QStandardItemModel(0, 3, this);
    model_->setHorizontalHeaderLabels(
        {Text(UiText::FileNameColumn), Text(UiText::FrontColumn), Text(UiText::RearColumn)});
    list_ = new CSkinListCtrl(this);
    list_->setModel(model_);
    list_->setItemDelegate(new RowColourDelegate(list_));
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setAccessibleName(Text(UiText::RecordingListName));
    list_->setFont(font);
    list_->SetStateImages(skin::kCheckBox, scale_.factor());
    list_->verticalHeader()->hide();
    list_->setColumnWidth(0, scale_(270));
    list_->setColumnWidth(1, scale_(105));
    list_->setColumnWidth(2, scale_(90));
    connect(list_, &CSkinListCtrl::rowStateChanged, this, &CFileSelectDlg::OnRowStateChanged);

    showAll_ = new CSkinCheckButton(1004, Text(UiText::ShowAllFiles), this);
    selectAll_ = new CSkinCheckButton(1005, Text(UiText::SelectAllShown), this);
    for (CSkinCheckButton* check : {showAll_, selectAll_}) {
        check->SetSkin(skin::kCheckBox, scale_.factor());
        check->setFont(font);
    }
    connect(showAll_, &CSkinCheckButton::commandClicked, this, [this](int) { ToggleShowAll(); });
    connect(selectAll_, &CSkinCheckButton::commandClicked, this,
            [this](int) { ToggleSelectAll(); });

    frontTotal_ = new QLabel(Text(UiText::ZeroMb), this);
    rearTotal_ = new QLabel(Text(UiText::ZeroMb), this);
    frontTotal_->setAccessibleName(Text(UiText::FrontTotalName));
    rearTotal_->setAccessibleName(Text(UiText::RearTotalName));
    ok_ = new QPushButton(this);
    for (QWidget* w : std::initializer_list<QWidget*>{frontTotal_, rearTotal_, ok_}) {
        w->setFont(font);
    }
    connect(ok_, &QPushButton::clicked, this, &CFileSelectDlg::Confirm);

    CreateCloseButton(kFileSelectCloseId);
    connect(this, &CSkinDialog::CommandIssued, this, [this](int id) {
        if (id == kFileSelectCloseId) {
            reject();
        }
    });

    if (mode_ == SelectMode::Join) {
        setWindowTitle(Text(UiText::JoinTitle));
        ok_->setText(Text(UiText::JoinNext));
        showAll_->hide();
    } else {
        setWindowTitle(Text(UiText::DeleteTitle));
        ok_->setText(Text(UiText::DeleteTitle));
        rearTotal_->hide();
    }
    ok_->setEnabled(false);
    PlaceControls();
}

CFileSelectDlg::~CFileSelectDlg() = default;

void CFileSelectDlg::PlaceControls() {
    const int w = width();
    const int h = height();
    list_->setGeometry(scale_(10), scale_(30), w - scale_(20), h - scale_(140));
    ok_->setGeometry(w - scale_(130), h - scale_(40), scale_(120), scale_(30));
    showAll_->setGeometry(scale_(20), h - scale_(70), scale_(200), scale_(20));
    selectAll_->setGeometry(scale_(20), h - scale_(40), scale_(200), scale_(20));
    if (mode_ == SelectMode::Join) {
        frontTotal_->setGeometry(w - scale_(240), h - scale_(70), scale_(60), scale_(20));
        rearTotal_->setGeometry(w - scale_(160), h - scale_(70), scale_(140), scale_(20));
    } else {
        frontTotal_->setGeometry(w - scale_(160), h - scale_(70), scale_(140), scale_(20));
    }
}

void CFileSelectDlg::resizeEvent(QResizeEvent* event) {
    CSkinDialog::resizeEvent(event);
    PlaceControls();
}

void CFileSelectDlg::FillSource(const RecordingList& list) {
    shownSource_ = CapSelectionSource(list, messages_);
    Refill();
    UpdateTotals();
}

void CFileSelectDlg::FillAllSource(const RecordingList& list) {
    allSource_ =
        mode_ == SelectMode::Delete ? CapSelectionSource(list, messages_) : RecordingList{};
}

void CFileSelectDlg::Refill() {
    ++updating_;
    model_->removeRows(0, model_->rowCount());
    const bool all = mode_ == SelectMode::Delete && showAll_->switchedOn();
    rows_ = SelectionRows(all ? allSource_ : shownSource_, mode_);
    for (const RecordingEntry& entry : rows_) {
        QList<QStandardItem*> items{new QStandardItem(entry.rowName()),
                                    new QStandardItem(Megabytes(entry.frontExpectedLength)),
                                    new QStandardItem(Megabytes(entry.rearExpectedLength))};
        items[0]->setData(kRowOff, kSkinRowStateRole);
        items[1]->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        items[2]->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        if (mode_ == SelectMode::Join && (entry.exported == 1 || IsDamagedRow(entry))) {
            const bool exported = entry.exported == 1;
            for (QStandardItem* item : items) {
                item->setForeground(exported ? kExportedText : kDamagedText);
                item->setBackground(exported ? kExportedBack : kDamagedBack);
            }
        }
        for (QStandardItem* item : items) {
            item->setEditable(false);
        }
        model_->appendRow(items);
    }
    --updating_;
    run_ = {};
}

bool CFileSelectDlg::ticked(int row) const {
    return row >= 0 && row < model_->rowCount() && list_->RowState(row) == kRowOn;
}

std::vector<bool> CFileSelectDlg::Ticks() const {
    std::vector<bool> ticks(rows_.size());
    for (std::size_t i = 0; i < ticks.size(); ++i) {
        ticks[i] = ticked(static_cast<int>(i));
    }
    return ticks;
}

void CFileSelectDlg::WriteTicks(const std::vector<bool>& ticks) {
    ++updating_;
    for (std::size_t i = 0; i < ticks.size(); ++i) {
        const int row = static_cast<int>(i);
        if (ticks[i] != ticked(row)) {
            list_->SetRowState(row, ticks[i] ? kRowOn : kRowOff);
        }
    }
    --updating_;
}

void CFileSelectDlg::SetTicked(int row, bool on) {
    if (row < 0 || row >= model_->rowCount() || on == ticked(row)) {
        return;
    }
    list_->SetRowState(row, on ? kRowOn : kRowOff);
}

void CFileSelectDlg::OnRowStateChanged(int row, int oldState, int newState) {
    if (updating_ != 0 || (oldState == kRowOn) == (newState == kRowOn)) {
        return;
    }
    if (mode_ == SelectMode::Join) {
        std::vector<bool> ticks = Ticks();
        ApplyJoinTick(rows_, ticks, run_, row);
        WriteTicks(ticks);
        run_ = FindJoinRun(rows_, Ticks());
    }
    UpdateTotals();
}

void CFileSelectDlg::ToggleShowAll() {
    showAll_->SetSwitchedOn(!showAll_->switchedOn());
    Refill();
    WriteTicks(SelectAllTicks(rows_, mode_, selectAll_->switchedOn()));
    if (mode_ == SelectMode::Join) {
        run_ = FindJoinRun(rows_, Ticks());
    }
    UpdateTotals();
}

void CFileSelectDlg::ToggleSelectAll() {
    selectAll_->SetSwitchedOn(!selectAll_->switchedOn());
    Refill();
    WriteTicks(SelectAllTicks(rows_, mode_, selectAll_->switchedOn()));
    if (mode_ == SelectMode::Join) {
        run_ = FindJoinRun(rows_, Ticks());
    }
    UpdateTotals();
}

void CFileSelectDlg::UpdateTotals() {
    verdict_ = JudgeTotals(TotalsOf(rows_, Ticks()), mode_);
    frontTotal_->setText(TotalText(verdict_.frontMegabytes));
    rearTotal_->setText(TotalText(verdict_.rearMegabytes));
    auto colour = [](QLabel* label, bool red) {
        QPalette palette = label->palette();
        palette.setColor(QPalette::WindowText, red ? QColor(255, 0, 0) : QColor(0, 0, 0));
        label->setPalette(palette);
    };
    colour(frontTotal_, mode_ == SelectMode::Join && verdict_.frontTooBig);
    colour(rearTotal_, mode_ == SelectMode::Join && verdict_.rearTooBig);
    ok_->setEnabled(verdict_.okEnabled);
}

void CFileSelectDlg::Confirm() {
    if (mode_ == SelectMode::Join) {
        const QString message = JoinLimitMessage(verdict_);
        if (!message.isEmpty()) {
            messages_.ShowMessage(message, Text(UiText::ErrorCaption), 0);
            return;
        }
    }
    selection_ = TickedEntries(rows_, Ticks());
    accept();
}

} // namespace kv::browser
