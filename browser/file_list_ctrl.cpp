#include "file_list_ctrl.h"

#include "recording_name.h"
#include "repair.h"
#include "ui_texts.h"

#include <QHeaderView>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>

namespace kv::browser {

namespace {

QChar CharAt(QStringView name, qsizetype i) {
    return i < name.size() ? name[i] : QChar();
}

} // namespace

bool PassesKindFilter(QStringView rowName, const KindFilter& filter) {
    const QChar f = CharAt(rowName, 0);
    const QChar s = CharAt(rowName, 1);
    const QChar t = CharAt(rowName, 2);
    const bool continuousMode = f == u'A' || f == u'T';
    const bool parkingMode = f == u'P';

    // The later tests overwrite the earlier ones: the most specific kind of a
    // name decides.
    int b = continuousMode ? filter[kFilterContinuous] : 0;
    if (s == u'G' && continuousMode) {
        b = filter[kFilterImpact];
        if (b == 1) {
            return true;
        }
    }
    if (s == u'M') {
        b = filter[kFilterManual];
        if (b == 1) {
            return true;
        }
    }
    int a = (parkingMode || t == u'T') ? filter[kFilterParking] : 0;
    if (parkingMode && s == u'G') {
        a = filter[kFilterParkingImpact];
        if (a == 1) {
            return true;
        }
    }
    if (s == u'D' && continuousMode) {
        b = filter[kFilterApproaching];
        if (b == 1) {
            return true;
        }
    }
    return b == 1 || a == 1;
}

RecordingList FilterEntries(const RecordingList& entries, const KindFilter& filter) {
    RecordingList shown;
    shown.reserve(entries.size());
    for (const RecordingEntry& entry : entries) {
        if (PassesKindFilter(entry.rowName(), filter)) {
            shown.push_back(entry);
        }
    }
    return shown;
}

QString RowDisplayText(QStringView rowName) {
    if (!IsRecordingName(rowName)) {
        const qsizetype dot = rowName.indexOf(u'.');
        return (dot < 0 ? rowName : rowName.left(dot)).toString();
    }
    // "AG_S-261205-093000-000101F.AVI": kind letters, time, file number.
    const qsizetype length = rowName.size();
    qsizetype timeEnd = rowName.indexOf(u'-', 12);
    if (timeEnd < 0) {
        timeEnd = length;
    }
    const QStringView tail = rowName.right(std::max<qsizetype>(length - 19, 0));
    QString text = rowName.left(4).toString();
    text += u'-';
    text += rowName.mid(12, timeEnd - 12);
    text += u'-';
    text += tail.left(std::max<qsizetype>(tail.size() - 5, 0));
    return text;
}

void UpdateUnrepaired(RecordingEntry& entry) {
    const auto unrepaired = [](std::int32_t damaged, const QString& path) -> std::int32_t {
        if (damaged != 1) {
            return 0;
        }
        return path.isEmpty() || !HasRepairedCopy(path) ? 1 : 0;
    };
    entry.frontUnrepaired = unrepaired(entry.frontDamaged, entry.frontPath);
    entry.rearUnrepaired = unrepaired(entry.rearDamaged, entry.rearPath);
}

RowColours ColoursOfRow(bool playing, bool impact, bool unrepaired, bool damaged) {
    static const QColor kUnrepairedText(255, 255, 0);
    static const QColor kDamagedText(0, 255, 0);
    RowColours colours;
    if (playing) {
        colours.background = impact ? QColor(178, 178, 142) : QColor(178, 178, 178);
    } else if (impact) {
        colours.background = unrepaired ? QColor(191, 191, 153) : QColor(255, 255, 204);
    } else {
        colours.background = kListBackground;
    }
    const bool lightRow = playing || impact;
    colours.text = unrepaired ? kUnrepairedText
                   : damaged  ? kDamagedText
                   : lightRow ? QColor(0, 0, 0)
                              : QColor(255, 255, 255);
    return colours;
}

int FileNoColumnWidth(int clientWidth, const UiScale& scale) {
    return std::max(clientWidth - scale(kRightMargin), 0);
}

// ---------------------------------------------------------------------------

RecordingRowsModel::RecordingRowsModel(QObject* parent) : QAbstractTableModel(parent) {}

int RecordingRowsModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(entries_.size());
}

int RecordingRowsModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : 2;
}

QVariant RecordingRowsModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid() || index.column() != 0 || index.row() < 0 ||
        index.row() >= rowCount()) {
        return {};
    }
    return RowDisplayText(entries_[static_cast<std::size_t>(index.row())].rowName());
}

QVariant RecordingRowsModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
        return {};
    }
    switch (section) {
    case 0:
        return Text(UiText::FileNoColumn);
    case 1:
        return Text(UiText::TriggerColumn);
    default:
        return {};
    }
}

void RecordingRowsModel::Reset(RecordingList entries) {
    beginResetModel();
    entries_ = std::move(entries);
    endResetModel();
}

// ---------------------------------------------------------------------------

CFileListCtrl::CFileListCtrl(QWidget* parent)
    : QTableView(parent), model_(new RecordingRowsModel(this)) {
    setModel(model_);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setShowGrid(false);
    setWordWrap(false);
    setFrameShape(QFrame::NoFrame);
    horizontalHeader()->hide();
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setAutoFillBackground(false);
    viewport()->setAutoFillBackground(false);
    verticalHeader()->setDefaultSectionSize(scale_(kRowHeight));
    UpdateScrollBar();
}

void CFileListCtrl::InitColumns() {
    setColumnWidth(0, scale_(140));
    setColumnWidth(1, scale_(kTriggerColumnWidth));
    QPalette palette = this->palette();
    palette.setColor(QPalette::Base, Qt::white);
    setPalette(palette);
    FitColumns();
}

void CFileListCtrl::SetScale(const UiScale& scale) {
    scale_ = scale;
    verticalHeader()->setMinimumSectionSize(1);
    verticalHeader()->setDefaultSectionSize(scale_(kRowHeight));
    FitColumns();
    viewport()->update();
}

void CFileListCtrl::Clear() {
    allEntries_.clear();
    model_->Reset({});
    UpdateScrollBar();
    viewport()->update();
}

void CFileListCtrl::SetKindFilter(int index, bool on) {
    if (index >= 0 && index < kKindFilterCount) {
        kindFilter_[static_cast<std::size_t>(index)] = on ? 1 : 0;
    }
}

void RecordingRowsModel::Changed() {
    beginResetModel();
    endResetModel();
}

void CFileListCtrl::EntriesChanged() {
    model_->Changed();
    UpdateScrollBar();
    viewport()->update();
}

void CFileListCtrl::Refill() {
    model_->Reset(FilterEntries(allEntries_, kindFilter_));
    UpdateScrollBar();
    viewport()->update();
}

void CFileListCtrl::SetCurrentIndex(int row) {
    if (row == currentIndex_) {
        return;
    }
    currentIndex_ = row;
    viewport()->update();
}

void CFileListCtrl::UpdateScrollBar() {
    // The bar stays on screen; with nothing to scroll it is merely disabled.
    QScrollBar* bar = verticalScrollBar();
    bar->setEnabled(bar->maximum() > bar->minimum());
}

void CFileListCtrl::FitColumns() {
    const int width = viewport()->width();
    if (width <= 0) {
        return;
    }
    setColumnWidth(0, FileNoColumnWidth(width, scale_));
    setColumnWidth(1, scale_(kTriggerColumnWidth));
}

void CFileListCtrl::resizeEvent(QResizeEvent* event) {
    QTableView::resizeEvent(event);
    FitColumns();
}

void CFileListCtrl::updateGeometries() {
    QTableView::updateGeometries();
    UpdateScrollBar();
}

void CFileListCtrl::paintEvent(QPaintEvent* event) {
    QWidget* area = viewport();
    if (area->width() == 0) {
        return;
    }
    QPainter painter(area);
    painter.fillRect(event->rect(), kListBackground);
    if (model_->columnCount() == 0 || model_->rowCount() == 0) {
        return;
    }
    const int rowWidth = columnWidth(0) + columnWidth(1);
    const QRect dirty = event->rect();
    int first = rowAt(dirty.top());
    if (first < 0) {
        first = 0;
    }
    int last = rowAt(dirty.bottom());
    if (last < 0) {
        last = model_->rowCount() - 1;
    }
    for (int row = first; row <= last; ++row) {
        const QRect bounds(0, rowViewportPosition(row), rowWidth, rowHeight(row));
        PaintRow(painter, row, bounds);
    }
}

void CFileListCtrl::PaintRow(QPainter& painter, int row, const QRect& rowBounds) {
    const QVariant text = model_->data(model_->index(row, 0));
    if (!text.isValid()) {
        return;
    }
    RecordingEntry& entry = model_->entries()[static_cast<std::size_t>(row)];
    UpdateUnrepaired(entry);
    const bool unrepaired = entry.frontUnrepaired == 1 || entry.rearUnrepaired == 1;
    const bool damaged = entry.frontDamaged == 1 || entry.rearDamaged == 1;
    const bool impact = IsImpactRecording(entry.rowName());
    const RowColours colours = ColoursOfRow(row == currentIndex_, impact, unrepaired, damaged);

    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.fillRect(rowBounds, colours.background);
    // The frame reaches one pixel past the row, so neighbouring rows share
    // their border lines.
    painter.setPen(QPen(kRowFrame, 0));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(rowBounds);

    painter.setFont(font());
    painter.setPen(colours.text);
    const QRect textRect = rowBounds.adjusted(scale_(kTextIndent), 0, 0, 0);
    const QString shown =
        painter.fontMetrics().elidedText(text.toString(), Qt::ElideRight, textRect.width());
    painter.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, shown);
    painter.restore();
}

void CFileListCtrl::selectionChanged(const QItemSelection& selected,
                                     const QItemSelection& deselected) {
    QTableView::selectionChanged(selected, deselected);
    int handed = -1;
    for (const QModelIndex& index : selected.indexes()) {
        if (index.row() != handed) {
            handed = index.row();
            Q_EMIT recordingSelected(handed);
        }
    }
}

} // namespace kv::browser
