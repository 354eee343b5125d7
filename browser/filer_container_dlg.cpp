#include "filer_container_dlg.h"

#include "file_list_ctrl.h"
#include "folder_tree_ctrl.h"
#include "movie_resource.h"
#include "settings_keys.h"
#include "skin_bitmap.h"
#include "skin_button.h"
#include "source_choice.h"
#include "source_volumes.h"
#include "ui_texts.h"

#include <QDir>
#include <QFileInfo>
#include <QFontMetrics>
#include <QLineEdit>
#include <QPainter>
#include <QStorageInfo>

namespace kv::browser {

namespace {

const QColor kFrameColour(170, 170, 170);
const QColor kFillColour(49, 49, 49);

constexpr std::array<UiText, kKindFilterCount> kFilterLabels{
    UiText::FilterContinuous, UiText::FilterImpact,        UiText::FilterManual,
    UiText::FilterParking,    UiText::FilterParkingImpact, UiText::FilterApproaching};
constexpr std::array<UiText, kKindFilterCount> kFilterTips{
    UiText::FilterContinuousTip, UiText::FilterImpactTip,        UiText::FilterManualTip,
    UiText::FilterParkingTip,    UiText::FilterParkingImpactTip, UiText::FilterApproachingTip};

// Design offsets of the filter buttons from the first one, per layout.
struct FilterGrid {
    int x;
    int y;
};
constexpr std::array<FilterGrid, kKindFilterCount> kSideGrid{FilterGrid{0, 0}, {55, 0},  {110, 0},
                                                             {202, 0},         {257, 0}, {0, 18}};
constexpr std::array<FilterGrid, kKindFilterCount> kStackedGrid{
    FilterGrid{0, 0}, {82, 0}, {152, 0}, {0, 14}, {82, 14}, {152, 14}};

bool IsMountRoot(const QString& path) {
    const QStorageInfo info(path);
    return info.isValid() && info.isReady() &&
           QDir::cleanPath(info.rootPath()) == QDir::cleanPath(path);
}

} // namespace

CFilerContainerDlg::CFilerContainerDlg(const UiScale& scale, const UiFonts& fonts,
                                       SettingsStore store, QWidget* parent)
    : QWidget(parent), scale_(scale), fonts_(fonts), store_(std::move(store)),
      systemVolumes_(std::make_unique<SystemVolumeLister>()), volumes_(systemVolumes_.get()),
      watcher_(std::make_unique<CMovieResource>()) {
    setObjectName(QStringLiteral("fileBrowser"));
    setAccessibleName(Text(UiText::FolderTreeName));

    pathEdit_ = new QLineEdit(this);
    pathEdit_->setObjectName(QStringLiteral("pathEdit"));
    pathEdit_->setReadOnly(true);
    pathEdit_->setFont(fonts_.pt10());
    pathEdit_->hide(); // kept for the path; never on screen

    tree_ = new CFolderTreeCtrl(this);
    tree_->setFont(fonts_.pt13());
    tree_->SetScale(scale_);
    connect(tree_, &CFolderTreeCtrl::folderSelected, this, &CFilerContainerDlg::folderSelected);

    list_ = new CFileListCtrl(this);
    list_->setFont(fonts_.pt13());
    list_->SetScale(scale_);
    list_->InitColumns();

    CreateFilterButtons();
    connect(watcher_.get(), &CMovieResource::sourceVanished, this, &CFilerContainerDlg::sourceLost);
}

CFilerContainerDlg::~CFilerContainerDlg() {
    // The watcher thread ends before the children go.
    watcher_.reset();
}

void CFilerContainerDlg::CreateFilterButtons() {
    for (int i = 0; i < kKindFilterCount; ++i) {
        auto* button = new CSkinCheckButton(kFilterButtonFirstId + i, QString(), this);
        button->SetSkin(skin::kCheckBox, scale_.factor(), devicePixelRatioF());
        button->setToolTip(Text(kFilterTips[static_cast<std::size_t>(i)]));
        button->setAccessibleName(Text(kFilterLabels[static_cast<std::size_t>(i)]));
        connect(button, &CSkinCheckButton::commandClicked, this,
                [this, i, button](int) { SetKindFilter(i, !button->switchedOn()); });
        filterButtons_[static_cast<std::size_t>(i)] = button;
        SetKindFilter(i, true);
    }
    filterChanged_ = false;
}

void CFilerContainerDlg::SetVolumeLister(const VolumeLister* volumes) {
    volumes_ = volumes ? volumes : systemVolumes_.get();
}

void CFilerContainerDlg::SetScale(const UiScale& scale) {
    scale_ = scale;
    tree_->setFont(fonts_.pt13());
    tree_->SetScale(scale);
    list_->setFont(fonts_.pt13());
    list_->SetScale(scale);
    pathEdit_->setFont(fonts_.pt10());
    for (CSkinCheckButton* button : filterButtons_) {
        button->SetSkin(skin::kCheckBox, scale.factor(), devicePixelRatioF());
    }
    LayOut();
}

// ---------------------------------------------------------------------------
// Layout and painting.

void CFilerContainerDlg::SetLayoutMode(BrowserLayout mode) {
    layoutMode_ = mode;
    LayOut();
}

void CFilerContainerDlg::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    LayOut();
}

void CFilerContainerDlg::LayOut() {
    const QRect r = rect();
    if (r.width() == 0) {
        return;
    }
    clientRect_ = r;
    if (layoutMode_ == BrowserLayout::Side) {
        PlaceSide(r);
    } else {
        PlaceStacked(r);
    }
    PlaceFilterButtons(r);
    ShowContents(!zoomMode_);
}

void CFilerContainerDlg::PlaceSide(const QRect& r) {
    const int h = QFontMetrics(fonts_.pt10()).height();
    const int height = r.height() - scale_(48);
    tree_->setGeometry(r.left() + scale_(4), r.top() + scale_(44), scale_(213), height);
    list_->setGeometry(r.left() + scale_(220), r.top() + scale_(44), scale_(228), height);
    pathEdit_->setGeometry(r.left() + scale_(4), r.top() + scale_(5), scale_(382), h + scale_(7));
}

void CFilerContainerDlg::PlaceStacked(const QRect& r) {
    const int h = QFontMetrics(fonts_.pt10()).height();
    const int width = r.width() - scale_(8);
    tree_->setGeometry(r.left() + scale_(4), r.top() + scale_(24), width, scale_(284));
    list_->setGeometry(r.left() + scale_(4), r.top() + scale_(356), width,
                       r.height() - scale_(360));
    pathEdit_->setGeometry(r.left() + scale_(4), r.top() + scale_(13) - h, width, h + scale_(7));
}

void CFilerContainerDlg::PlaceFilterButtons(const QRect& r) {
    const bool side = layoutMode_ == BrowserLayout::Side;
    const auto& grid = side ? kSideGrid : kStackedGrid;
    const int left = side ? 7 : 5;
    const int top = side ? 8 : 312;
    for (int i = 0; i < kKindFilterCount; ++i) {
        const FilterGrid g = grid[static_cast<std::size_t>(i)];
        // The button draws its 12 × 12 mark 4 below its own top.
        filterButtons_[static_cast<std::size_t>(i)]->setGeometry(
            r.left() + scale_(left + g.x), r.top() + scale_(top + g.y) - scale_(4), scale_(12),
            scale_(16));
    }
}

QRect CFilerContainerDlg::FilterLabelBox(int index) const {
    const bool side = layoutMode_ == BrowserLayout::Side;
    const FilterGrid g = (side ? kSideGrid : kStackedGrid)[static_cast<std::size_t>(index)];
    const int left = side ? 20 : 18;
    const int top = side ? 5 : 309;
    return QRect(clientRect_.left() + scale_(left + g.x), clientRect_.top() + scale_(top + g.y),
                 scale_(80), scale_(16));
}

void CFilerContainerDlg::ShowContents(bool shown) {
    contentsShown_ = shown;
    tree_->setVisible(shown);
    list_->setVisible(shown);
    for (CSkinCheckButton* button : filterButtons_) {
        button->setVisible(shown);
    }
    pathEdit_->hide();
    update();
}

void CFilerContainerDlg::SetZoomMode(bool on) {
    zoomMode_ = on;
    ShowContents(!on);
}

void CFilerContainerDlg::SetZoomPictures(std::array<QPixmap, 2> pictures) {
    zoomPictures_ = std::move(pictures);
    update();
}

void CFilerContainerDlg::SetOpenHeight(int height) {
    openHeight_ = height;
    if (zoomMode_) {
        update();
    }
}

QRect CFilerContainerDlg::ZoomHintRect() const {
    // The 180 x 100 box of the hint, centred in the part of the pane the
    // second-camera window leaves open; the text may run wider and lower.
    QRect open = rect();
    if (openHeight_ >= 0 && openHeight_ < open.height()) {
        open.setHeight(openHeight_);
    }
    const QSize box(scale_(180), scale_(100));
    const QRect hint(
        QPoint(open.center().x() - box.width() / 2, open.center().y() - box.height() / 2), box);
    QRect text = QFontMetrics(fonts_.pt13())
                     .boundingRect(hint.adjusted(-box.width(), 0, box.width(), box.height()),
                                   Qt::AlignHCenter | Qt::AlignTop, Text(UiText::ZoomModeHint));
    // A hint taller than the box stays inside the open part.
    if (text.bottom() > open.bottom()) {
        text.moveBottom(open.bottom());
    }
    if (text.top() < open.top()) {
        text.moveTop(open.top());
    }
    return text;
}

QString CFilerContainerDlg::CountText() const {
    return Text(UiText::RowCount)
        .replace(QStringLiteral("%d"), QString::number(list_->shownEntries().size()));
}

QRect CFilerContainerDlg::CountBox() const {
    const QRect r = clientRect_.isValid() ? clientRect_ : rect();
    const int h = QFontMetrics(fonts_.pt10()).height();
    if (layoutMode_ == BrowserLayout::Side) {
        return QRect(QPoint(r.right() + 1 - scale_(65), r.top() + scale_(23)),
                     QPoint(r.right() - scale_(5), r.top() + scale_(30) + h - 1));
    }
    return QRect(QPoint(r.right() + 1 - scale_(70), r.top() + scale_(4)),
                 QPoint(r.right() - scale_(10), r.top() + scale_(11) + h - 1));
}

void CFilerContainerDlg::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QRect r = rect();
    if (zoomMode_) {
        const QPixmap& picture = zoomPictures_[layoutMode_ == BrowserLayout::Side ? 0 : 1];
        if (picture.isNull()) {
            p.fillRect(r, kFillColour);
        } else {
            p.drawPixmap(r, picture);
        }
        p.setFont(fonts_.pt13());
        p.setPen(Qt::white);
        p.drawText(ZoomHintRect(), Qt::AlignHCenter | Qt::AlignTop, Text(UiText::ZoomModeHint));
        return;
    }
    p.fillRect(r, kFillColour);
    p.setPen(kFrameColour);
    p.drawRect(r.adjusted(0, 0, -1, -1));
    p.setFont(fonts_.pt10());
    p.setPen(Qt::white);
    p.drawText(CountBox(), Qt::AlignRight | Qt::AlignVCenter | Qt::TextSingleLine, CountText());
    if (contentsShown_) {
        for (int i = 0; i < kKindFilterCount; ++i) {
            p.drawText(FilterLabelBox(i), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                       Text(kFilterLabels[static_cast<std::size_t>(i)]));
        }
    }
}

// ---------------------------------------------------------------------------
// Sources.

void CFilerContainerDlg::Watch(const QString& path, SourceKind kind) {
    if (kind == SourceKind::Card && IsMountRoot(path)) {
        // A pulled card may leave its mount folder behind: the volume must stay mounted.
        watcher_->Watch(path, [](const QString& p) { return IsMountRoot(p); });
    } else {
        watcher_->Watch(path);
    }
}

void CFilerContainerDlg::OpenSource(const QString& path, SourceKind kind) {
    watcher_->ClearSourceLost();
    list_->Clear(); // no row of the last source stays listed
    catalogue_.sequenceCounter = 0;
    sourcePath_ = path;
    sourceKind_ = kind;
    folderEntries_.clear();
    // A new source starts with an empty tree (no folder of the last one stays).
    clearing_ = true;
    tree_->DeleteAll();
    clearing_ = false;
    pathEdit_->clear();

    switch (kind) {
    case SourceKind::Card: {
        tree_->SetRootPath(path);
        Watch(path, kind);
        const QStorageInfo storage(path);
        if (storage.isValid()) {
            catalogue_.groupSize = GroupSizeForCapacity(storage.bytesTotal());
        }
        tree_->setUpdatesEnabled(false);
        const QDir root(path);
        const bool cardLayout = root.exists(QStringLiteral("Parking/Front")) ||
                                root.exists(QStringLiteral("Normal/Front"));
        RecordingList entries;
        ScanContext context(catalogue_, *tree_, entries);
        context.folderEntries = &folderEntries_;
        context.maskFlag = true;
        context.cardLayout = cardLayout;
        ScanSource(path, kTreeRoot, 0, context);
        SortEntries(entries);
        list_->SetAllEntries(std::move(entries));
        tree_->SelectEachTopLevel();
        tree_->setUpdatesEnabled(true);
        ReadRecorderConfig(path);
        break;
    }
    case SourceKind::Folder: {
        const QString folder = WithoutTrailingSeparator(path);
        sourcePath_ = folder;
        const qsizetype cut = folder.lastIndexOf(u'/');
        const QString parent =
            cut < 0 ? QString() : (cut == 0 ? QStringLiteral("/") : folder.left(cut));
        tree_->SetRootPath(cut == 0 ? QString() : parent);
        // The folder itself is watched: removing it (or the card under it)
        // makes the source unusable.
        Watch(folder, kind);
        tree_->setUpdatesEnabled(false);
        const TreeItem top = tree_->AppendItem(kTreeRoot, folder.mid(cut + 1));
        RecordingList entries;
        ScanContext context(catalogue_, *tree_, entries);
        context.maskFlag = true;
        context.cardLayout = false;
        ScanSource(folder, top, 0, context);
        SortEntries(entries);
        list_->SetAllEntries(std::move(entries));
        tree_->SelectEachTopLevel();
        tree_->setUpdatesEnabled(true);
        break;
    }
    case SourceKind::File: {
        if (!ProbeRecording(path)) {
            break;
        }
        Watch(path, kind);
        RecordingList entries;
        AddFile(catalogue_, path, entries);
        list_->SetAllEntries(std::move(entries));
        const QString folder = QFileInfo(path).absolutePath();
        tree_->SetRootPath(folder);
        list_->Refill();
        Q_EMIT listRefilled();
        if (!list_->shownEntries().empty()) {
            list_->SetCurrentIndex(0);
            SelectRow(0);
        }
        pathEdit_->setText(folder);
        break;
    }
    case SourceKind::None:
        break;
    }
    update();
}

bool CFilerContainerDlg::OpenDefaultSource() {
    clearing_ = true;
    tree_->DeleteAll();
    clearing_ = false;
    const SourceChoice choice = ChooseDefaultSource(
        volumes_->RemovableRoots(), ReadSetting(store_, settings::kSource, settings::kFolder),
        ReadSetting(store_, settings::kSource, settings::kFile),
        [](const QString& p) { return QFileInfo::exists(p); });
    if (choice.kind == SourceKind::None) {
        return false;
    }
    OpenSource(choice.path, choice.kind);
    SelectDefaultFolder();
    list_->viewport()->update();
    update();
    return true;
}

bool CFilerContainerDlg::SelectDefaultFolder() {
    QTreeWidgetItem* first = tree_->topLevelItem(0);
    QTreeWidgetItem* chosen = first;
    if (first && IsGroupParentText(first->text(0)) && first->childCount() > 0 &&
        IsGroupLabelText(first->child(0)->text(0))) {
        chosen = first->child(0);
    }
    if (chosen) {
        tree_->SelectItem(chosen);
        pathEdit_->setText(tree_->ItemPath(chosen));
    }
    return true;
}

int CFilerContainerDlg::LoadFolder(QTreeWidgetItem* item, bool quiet) {
    const QString path = tree_->ItemPath(item);
    if (path.isEmpty()) {
        return 0;
    }
    pathEdit_->setText(path);
    watcher_->ClearSourceLost();
    catalogue_.sequenceCounter = 0;
    tree_->DeleteChildren(item);
    const int depth = CFolderTreeCtrl::Depth(item);
    RecordingList entries;
    ScanContext context(catalogue_, *tree_, entries);
    context.maskFlag = true;
    context.cardLayout = sourceKind_ == SourceKind::Card;
    ScanSource(path, CFolderTreeCtrl::HandleOf(item), depth, context);
    SortEntries(entries);
    list_->SetAllEntries(std::move(entries));
    tree_->ExpandFrom(item);
    list_->Refill();
    if (!quiet && !zoomMode_) {
        update();
    }
    return static_cast<int>(list_->shownEntries().size());
}

void CFilerContainerDlg::SelectRow(int index, int keep) {
    keepFlag_ = keep;
    if (index < 0) {
        return;
    }
    const int rows = static_cast<int>(list_->shownEntries().size());
    if (index < rows) {
        list_->SetCurrentIndex(index);
        const QModelIndex cell = list_->model()->index(index, 0);
        // Deselected first, so that selecting the same row again is reported too.
        list_->selectionModel()->clearSelection();
        list_->selectionModel()->setCurrentIndex(cell, QItemSelectionModel::ClearAndSelect |
                                                           QItemSelectionModel::Rows);
        list_->scrollTo(cell, QAbstractItemView::EnsureVisible);
    } else if (rows > 0) {
        list_->scrollTo(list_->model()->index(rows - 1, 0), QAbstractItemView::EnsureVisible);
    }
}

void CFilerContainerDlg::SetKindFilter(int index, bool on) {
    if (index < 0 || index >= kKindFilterCount) {
        return;
    }
    filterButtons_[static_cast<std::size_t>(index)]->SetSwitchedOn(on);
    list_->SetKindFilter(index, on);
    filterChanged_ = true;
    list_->Refill();
    Q_EMIT listRefilled();
    update();
    if (!list_->shownEntries().empty()) {
        SelectRow(0);
    }
}

bool CFilerContainerDlg::TakeFilterChanged() {
    const bool changed = filterChanged_;
    filterChanged_ = false;
    return changed;
}

const RecordingList& CFilerContainerDlg::CollectAllRecordings() {
    allRecordings_.clear();
    catalogue_.sequenceCounter = 0;
    watcher_->ClearSourceLost();
    int files = 0;
    if (sourceKind_ == SourceKind::Card) {
        CollectAll(catalogue_, tree_->rootPath(), allRecordings_, files, 0);
    } else if (sourceKind_ == SourceKind::File) {
        const QString file = watcher_->watchedPath();
        if (!file.isEmpty()) {
            AddFile(catalogue_, file, allRecordings_);
        }
    } else if (QTreeWidgetItem* top = tree_->topLevelItem(0)) {
        CollectAll(catalogue_, tree_->ItemPath(top), allRecordings_, files, 0);
    }
    return allRecordings_;
}

void CFilerContainerDlg::Clear() {
    clearing_ = true;
    tree_->DeleteAll();
    folderEntries_.clear();
    clearing_ = false;
    pathEdit_->clear();
    list_->Clear();
    update();
}

void CFilerContainerDlg::ReadRecorderConfig(const QString& root) {
    if (const std::optional<RecorderConfig> config = ReadRecorderConfigFile(root)) {
        recorder_ = *config;
    }
}

QString CFilerContainerDlg::SourceFolder() const {
    if (sourceKind_ == SourceKind::File) {
        return QFileInfo(sourcePath_).absolutePath();
    }
    return sourcePath_;
}

} // namespace kv::browser
