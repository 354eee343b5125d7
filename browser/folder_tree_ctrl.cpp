#include "folder_tree_ctrl.h"

#include "recording_name.h"
#include "skin_bitmap.h"

#include <QHeaderView>
#include <QPainter>
#include <QStyledItemDelegate>

namespace kv::browser {

namespace {

const QColor kTreeBackground(35, 24, 21);
const QColor kSelectedRow(255, 204, 0);
constexpr int kKindMaskRole = Qt::UserRole + 1;
constexpr int kBaseIconRow = 18; // the folder icons' height sets the least row height

// Every row the same height: the larger of the icons and the font.
class RowHeightDelegate final : public QStyledItemDelegate {
public:
    RowHeightDelegate(const CFolderTreeCtrl& tree, QObject* parent)
        : QStyledItemDelegate(parent), tree_(tree) {}
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        size.setHeight(tree_.rowHeight());
        return size;
    }

private:
    const CFolderTreeCtrl& tree_;
};

} // namespace

CFolderTreeCtrl::CFolderTreeCtrl(QWidget* parent) : QTreeWidget(parent) {
    setObjectName(QStringLiteral("folderTree"));
    setHeaderHidden(true);
    setColumnCount(1);
    setRootIsDecorated(false);
    setIndentation(0);
    setUniformRowHeights(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setFrameShape(QFrame::NoFrame);
    setItemDelegate(new RowHeightDelegate(*this, this));
    QPalette p = palette();
    p.setColor(QPalette::Base, kTreeBackground);
    p.setColor(QPalette::Window, kTreeBackground);
    setPalette(p);
    viewport()->setAutoFillBackground(true);
    connect(this, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* current, QTreeWidgetItem* previous) {
                selected_ = current;
                Q_EMIT folderSelected(current, previous);
            });
    SetScale(UiScale());
}

void CFolderTreeCtrl::SetScale(const UiScale& scale) {
    scale_ = scale;
    slots_ = LoadSkinBitmap(skin::kKindSlots, scale.factor(), devicePixelRatioF());
    marks_.clear();
    for (const auto& [bit, id] : {std::pair{int(kKindManual), skin::kKindManual},
                                  std::pair{int(kKindImpact), skin::kKindImpact},
                                  std::pair{int(kKindParkingImpact), skin::kKindParkingImpact},
                                  std::pair{int(kKindParking), skin::kKindParking},
                                  std::pair{int(kKindSpeedCamera), skin::kKindSpeedCamera},
                                  std::pair{int(kKindApproaching), skin::kKindApproaching}}) {
        marks_.emplace_back(bit, LoadSkinBitmap(id, scale.factor(), devicePixelRatioF()));
    }
    UpdateRowHeight();
}

void CFolderTreeCtrl::UpdateRowHeight() {
    rowHeight_ = std::max(scale_(kBaseIconRow), fontMetrics().height() + 2);
    doItemsLayout();
}

QString CFolderTreeCtrl::ItemPath(const QTreeWidgetItem* item) const {
    if (!item) {
        return {};
    }
    QString path = item->text(0);
    for (const QTreeWidgetItem* up = item->parent(); up; up = up->parent()) {
        path = up->text(0) + u'/' + path;
    }
    if (!rootPath_.isEmpty()) {
        path = (rootPath_.endsWith(u'/') ? rootPath_ : rootPath_ + u'/') + path;
    }
    return path;
}

int CFolderTreeCtrl::Depth(const QTreeWidgetItem* item) {
    int depth = 0;
    for (const QTreeWidgetItem* up = item ? item->parent() : nullptr; up; up = up->parent()) {
        ++depth;
    }
    return depth;
}

int CFolderTreeCtrl::KindMaskOf(const QTreeWidgetItem* item) {
    return item ? item->data(0, kKindMaskRole).toInt() : 0;
}

QTreeWidgetItem* CFolderTreeCtrl::SiblingAfter(QTreeWidgetItem* item, int steps) {
    if (!item || steps < 0) {
        return nullptr;
    }
    QTreeWidgetItem* parent = item->parent();
    QTreeWidget* tree = item->treeWidget();
    const int index =
        parent ? parent->indexOfChild(item) : (tree ? tree->indexOfTopLevelItem(item) : -1);
    if (index < 0) {
        return nullptr;
    }
    const int wanted = index + steps;
    const int count = parent ? parent->childCount() : tree->topLevelItemCount();
    if (wanted >= count) {
        return nullptr;
    }
    return parent ? parent->child(wanted) : tree->topLevelItem(wanted);
}

void CFolderTreeCtrl::ExpandFrom(QTreeWidgetItem* item) {
    for (QTreeWidgetItem* i = item; i; i = SiblingAfter(i, 1)) {
        i->setExpanded(true);
    }
}

void CFolderTreeCtrl::SelectItem(QTreeWidgetItem* item) {
    if (item) {
        setCurrentItem(item);
        scrollToItem(item);
    } else {
        setCurrentItem(nullptr);
        clearSelection();
    }
}

void CFolderTreeCtrl::SelectEachTopLevel() {
    const int count = topLevelItemCount();
    for (int i = 1; i < count; ++i) {
        SelectItem(topLevelItem(i));
    }
    SelectItem(nullptr);
    if (count > 0) {
        SelectItem(topLevelItem(0));
    }
}

TreeItem CFolderTreeCtrl::AppendItem(TreeItem parent, const QString& text) {
    auto* item = new QTreeWidgetItem(QStringList{text});
    if (parent == kTreeRoot) {
        addTopLevelItem(item);
    } else {
        ItemOf(parent)->addChild(item);
    }
    ++itemCount_;
    return HandleOf(item);
}

void CFolderTreeCtrl::SetItemData(TreeItem item, int data) {
    if (item != kTreeRoot) {
        ItemOf(item)->setData(0, kKindMaskRole, data);
    }
}

void CFolderTreeCtrl::DeleteAll() {
    const bool hadSelection = selected_ != nullptr;
    {
        const QSignalBlocker quiet(this);
        clear();
    }
    itemCount_ = 0;
    selected_ = nullptr;
    if (hadSelection) {
        Q_EMIT folderSelected(nullptr, nullptr); // the old items are gone
    }
}

void CFolderTreeCtrl::DeleteChildren(QTreeWidgetItem* item) {
    if (!item) {
        return;
    }
    std::function<int(const QTreeWidgetItem*)> count = [&](const QTreeWidgetItem* i) {
        int n = i->childCount();
        for (int c = 0; c < i->childCount(); ++c) {
            n += count(i->child(c));
        }
        return n;
    };
    itemCount_ -= count(item);
    qDeleteAll(item->takeChildren());
}

QPixmap CFolderTreeCtrl::KindIcon(int mask) const {
    const qreal dpr = devicePixelRatioF();
    QPixmap canvas(QSize(scale_(39), scale_(26)) * dpr);
    canvas.setDevicePixelRatio(dpr);
    canvas.fill(Qt::white);
    QPainter p(&canvas);
    const QRect box(QPoint(0, scale_(5)), QSize(scale_(21), scale_(14)));
    p.drawPixmap(box, slots_);
    for (const auto& [bit, mark] : marks_) {
        if (mask & bit) {
            p.drawPixmap(box, mark);
        }
    }
    return canvas;
}

void CFolderTreeCtrl::paintEvent(QPaintEvent* event) {
    {
        QPainter p(viewport());
        p.fillRect(viewport()->rect(), kTreeBackground);
    }
    QTreeWidget::paintEvent(event);
}

void CFolderTreeCtrl::drawRow(QPainter* painter, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const {
    const QTreeWidgetItem* item = itemFromIndex(index);
    if (!item) {
        return;
    }
    const QRect row(0, option.rect.top(), viewport()->width(), option.rect.height());
    const bool selected = selectionModel()->isSelected(index);
    painter->save();
    painter->fillRect(row, selected ? kSelectedRow : kTreeBackground);
    if (selected) {
        painter->setPen(QPen(Qt::black, 1, Qt::DotLine));
        painter->drawRect(row.adjusted(0, 0, -1, -1));
    }
    const int level = Depth(item);
    const int textStart = (level + 1) * rowHeight_ - scale_(22);
    painter->setFont(font());
    painter->setPen(selected ? Qt::black : Qt::white);
    const QRect textBox(textStart, row.top(), row.right() - textStart, row.height());
    painter->drawText(textBox, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                      item->text(0));
    const int mask = KindMaskOf(item);
    if (mask != 0 && level > 0) {
        // White is the icon's transparent colour.
        QImage icon = KindIcon(mask).toImage().convertToFormat(QImage::Format_ARGB32);
        const QRgb white = qRgb(255, 255, 255);
        for (int y = 0; y < icon.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(icon.scanLine(y));
            for (int x = 0; x < icon.width(); ++x) {
                if ((line[x] & 0xFFFFFF) == (white & 0xFFFFFF)) {
                    line[x] = 0;
                }
            }
        }
        painter->drawImage(QPoint(textStart - scale_(26), row.top()), icon);
    }
    painter->restore();
}

} // namespace kv::browser
