// A table like the classic string grid: row 0 is the fixed header row and
// column 0 the fixed number column, both real cells painted as fixed and never
// edited.  Cells are addressed (column, row).  The other cells edit in place
// with a MaskedEdit whose mask the owner gives per cell.
#pragma once

#include <QRect>
#include <QString>
#include <QTableWidget>
#include <functional>

namespace korvel {

class StringGrid : public QTableWidget {
    Q_OBJECT
public:
    // Row 0 = fixed header row, column 0 = fixed number column.
    StringGrid(int columnCount, int rowCount, QWidget* parent = nullptr);

    QString cell(int column, int row) const;
    void setCell(int column, int row, const QString& text);

    int colWidth(int column) const;
    void setColWidth(int column, int width);
    void setDefaultRowHeight(int height);
    int defaultRowHeight() const;

    // Within the grid widget (viewport offset included).
    QRect cellRect(int column, int row) const;

    int currentCol() const;
    int currentRow() const;  // hides QTableWidget::currentRow, same meaning
    // Makes (column, row) the current cell.
    void setCurrentCellAt(int column, int row);

    // Per-cell edit mask, asked for whenever a cell editor opens (empty = free text).
    std::function<QString(int column, int row)> getEditMask;
    // Called before the editor opens on a cell; return true to suppress the normal editor.
    std::function<bool(int column, int row)> editorRequested;
    // Called whenever cells are painted or a column is resized.
    std::function<void()> drawCell;

    using QTableWidget::edit;

    // True for row 0 and column 0.
    bool isFixedCell(int column, int row) const;

signals:
    // A double click on a cell, fixed ones included, in (column, row) order;
    // emitted before the cell editor opens.  QTableWidget::cellDoubleClicked
    // (row, column) is emitted as well, but not for fixed cells.
    void cellDoubleClickedAt(int column, int row);

protected:
    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                         const QEvent* event) const override;

private:
    QTableWidgetItem* gridItem(int column, int row, bool create);
    // The column whose right edge is under pos in row 0, or -1.
    int boundaryAt(const QPoint& pos) const;

    void runDrawCell();

    bool inDrawCell_ = false;
    int resizingColumn_ = -1;
    int resizeStartX_ = 0;
    int resizeStartWidth_ = 0;
};

}  // namespace korvel
