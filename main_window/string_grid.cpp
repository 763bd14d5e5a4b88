#include "main_window/string_grid.h"

#include <QApplication>
#include <QHeaderView>
#include <QMouseEvent>
#include <QPainter>
#include <QStyledItemDelegate>

#include "main_window/masked_edit.h"

namespace korvel {

namespace {

constexpr int kDefaultColWidth = 64;
constexpr int kDefaultRowHeight = 24;
constexpr int kResizeGrip = 3;  // pixels either side of a column boundary

// Paints the fixed cells and edits the others with a MaskedEdit.
class GridDelegate : public QStyledItemDelegate {
public:
    explicit GridDelegate(StringGrid* grid) : QStyledItemDelegate(grid), grid_(grid) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        if (!grid_->isFixedCell(index.column(), index.row())) {
            QStyledItemDelegate::paint(painter, option, index);
            return;
        }
        painter->save();
        painter->fillRect(option.rect, option.palette.button());
        painter->setPen(option.palette.color(QPalette::Light));
        painter->drawLine(option.rect.topLeft(), option.rect.topRight());
        painter->drawLine(option.rect.topLeft(), option.rect.bottomLeft());
        painter->setPen(option.palette.color(QPalette::Dark));
        painter->drawLine(option.rect.bottomLeft(), option.rect.bottomRight());
        painter->drawLine(option.rect.topRight(), option.rect.bottomRight());
        painter->setPen(option.palette.color(QPalette::ButtonText));
        painter->setFont(option.font);
        painter->drawText(option.rect.adjusted(2, 0, -2, 0), Qt::AlignLeft | Qt::AlignVCenter,
                          index.data(Qt::DisplayRole).toString());
        painter->restore();
    }

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&,
                          const QModelIndex& index) const override {
        const QString mask =
            grid_->getEditMask ? grid_->getEditMask(index.column(), index.row()) : QString();
        auto* editor = new MaskedEdit(mask, parent);
        editor->setFrame(false);
        return editor;
    }

    void setEditorData(QWidget* editor, const QModelIndex& index) const override {
        auto* edit = static_cast<MaskedEdit*>(editor);
        edit->setValue(index.data(Qt::EditRole).toString());
    }

    void setModelData(QWidget* editor, QAbstractItemModel* model,
                      const QModelIndex& index) const override {
        model->setData(index, static_cast<MaskedEdit*>(editor)->value(), Qt::EditRole);
    }

private:
    StringGrid* grid_;
};

}  // namespace

StringGrid::StringGrid(int columnCount, int rowCount, QWidget* parent)
    : QTableWidget(rowCount, columnCount, parent) {
    QFont f = font();
    f.setPointSize(8);
    setFont(f);

    horizontalHeader()->hide();
    verticalHeader()->hide();
    horizontalHeader()->setMinimumSectionSize(1);
    horizontalHeader()->setDefaultSectionSize(kDefaultColWidth);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    verticalHeader()->setMinimumSectionSize(1);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    setDefaultRowHeight(kDefaultRowHeight);

    setItemDelegate(new GridDelegate(this));
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::AnyKeyPressed |
                    QAbstractItemView::EditKeyPressed);
    setSelectionMode(QAbstractItemView::ContiguousSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    // Tab leaves the grid for the next control, as in the rest of the window;
    // the arrow keys move between cells.
    setTabKeyNavigation(false);
    setWordWrap(false);
    viewport()->setMouseTracking(true);

    for (int r = 0; r < rowCount; ++r) {
        for (int c = 0; c < columnCount; ++c) gridItem(c, r, true);
    }
    if (rowCount > 1 && columnCount > 1) setCurrentCell(1, 1);

    connect(horizontalHeader(), &QHeaderView::sectionResized, this, [this] { runDrawCell(); });
}

bool StringGrid::isFixedCell(int column, int row) const { return column == 0 || row == 0; }

QTableWidgetItem* StringGrid::gridItem(int column, int row, bool create) {
    if (column < 0 || row < 0 || column >= columnCount() || row >= rowCount()) return nullptr;
    QTableWidgetItem* it = item(row, column);
    if (!it && create) {
        it = new QTableWidgetItem;
        if (isFixedCell(column, row)) it->setFlags(Qt::ItemIsEnabled);
        setItem(row, column, it);
    }
    return it;
}

QString StringGrid::cell(int column, int row) const {
    const QTableWidgetItem* it =
        (column < 0 || row < 0 || column >= columnCount() || row >= rowCount()) ? nullptr
                                                                                : item(row, column);
    return it ? it->text() : QString();
}

void StringGrid::setCell(int column, int row, const QString& text) {
    if (QTableWidgetItem* it = gridItem(column, row, true)) it->setText(text);
}

int StringGrid::colWidth(int column) const { return columnWidth(column); }

void StringGrid::setColWidth(int column, int width) { setColumnWidth(column, width); }

void StringGrid::setDefaultRowHeight(int height) {
    verticalHeader()->setDefaultSectionSize(height);
    for (int r = 0; r < rowCount(); ++r) setRowHeight(r, height);
}

int StringGrid::defaultRowHeight() const { return verticalHeader()->defaultSectionSize(); }

QRect StringGrid::cellRect(int column, int row) const {
    const QModelIndex index = model()->index(row, column);
    if (!index.isValid()) return QRect();
    return visualRect(index).translated(viewport()->pos());
}

int StringGrid::currentCol() const { return currentColumn(); }

int StringGrid::currentRow() const { return QTableWidget::currentRow(); }

void StringGrid::setCurrentCellAt(int column, int row) { setCurrentCell(row, column); }

void StringGrid::runDrawCell() {
    if (!drawCell || inDrawCell_) return;
    inDrawCell_ = true;
    drawCell();
    inDrawCell_ = false;
}

bool StringGrid::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) {
    if (!index.isValid()) return QTableWidget::edit(index, trigger, event);
    const bool opensEditor = trigger == AllEditTriggers || (trigger & editTriggers()) != 0;
    if (opensEditor && state() != EditingState) {
        if (isFixedCell(index.column(), index.row())) return false;
        if (editorRequested && editorRequested(index.column(), index.row())) return false;
    }
    return QTableWidget::edit(index, trigger, event);
}

void StringGrid::paintEvent(QPaintEvent* event) {
    runDrawCell();
    QTableWidget::paintEvent(event);
}

int StringGrid::boundaryAt(const QPoint& pos) const {
    if (rowCount() == 0 || pos.y() < rowViewportPosition(0) ||
        pos.y() >= rowViewportPosition(0) + rowHeight(0)) {
        return -1;
    }
    for (int c = 0; c < columnCount(); ++c) {
        const int right = columnViewportPosition(c) + columnWidth(c);
        if (qAbs(pos.x() - right) <= kResizeGrip) return c;
    }
    return -1;
}

void StringGrid::mousePressEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    if (event->button() == Qt::LeftButton) {
        const int column = boundaryAt(pos);
        if (column >= 0) {
            resizingColumn_ = column;
            resizeStartX_ = pos.x();
            resizeStartWidth_ = columnWidth(column);
            return;
        }
    }
    const QModelIndex index = indexAt(pos);
    // Fixed cells are never current and never selected.
    if (index.isValid() && isFixedCell(index.column(), index.row())) return;
    QTableWidget::mousePressEvent(event);
}

void StringGrid::mouseMoveEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    if (resizingColumn_ >= 0) {
        setColumnWidth(resizingColumn_, qMax(1, resizeStartWidth_ + pos.x() - resizeStartX_));
        return;
    }
    if (boundaryAt(pos) >= 0) {
        viewport()->setCursor(Qt::SplitHCursor);
    } else {
        viewport()->unsetCursor();
    }
    QTableWidget::mouseMoveEvent(event);
}

void StringGrid::mouseReleaseEvent(QMouseEvent* event) {
    if (resizingColumn_ >= 0) {
        resizingColumn_ = -1;
        return;
    }
    QTableWidget::mouseReleaseEvent(event);
}

void StringGrid::mouseDoubleClickEvent(QMouseEvent* event) {
    const QModelIndex index = indexAt(event->position().toPoint());
    if (index.isValid() && boundaryAt(event->position().toPoint()) < 0) {
        emit cellDoubleClickedAt(index.column(), index.row());
    }
    if (index.isValid() && isFixedCell(index.column(), index.row())) return;
    QTableWidget::mouseDoubleClickEvent(event);
}

QModelIndex StringGrid::moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) {
    const QModelIndex next = QTableWidget::moveCursor(cursorAction, modifiers);
    if (!next.isValid() || rowCount() < 2 || columnCount() < 2) return next;
    return model()->index(qMax(1, next.row()), qMax(1, next.column()));
}

QItemSelectionModel::SelectionFlags StringGrid::selectionCommand(const QModelIndex& index,
                                                                 const QEvent* event) const {
    if (index.isValid() && isFixedCell(index.column(), index.row())) {
        return QItemSelectionModel::NoUpdate;
    }
    return QTableWidget::selectionCommand(index, event);
}

}  // namespace korvel
