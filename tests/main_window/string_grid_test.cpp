#include "main_window/string_grid.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QSignalSpy>
#include <QTest>

#include "main_window/masked_edit.h"

namespace korvel {
namespace {

class StringGridTest : public ::testing::Test {
protected:
    StringGrid grid{5, 6};

    void SetUp() override {
        grid.resize(400, 200);
        grid.show();
        grid.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&grid));
    }
    QPoint center(int column, int row) {
        return grid.cellRect(column, row).center() - grid.viewport()->pos();
    }
    // A user's double click: QTest's alone lacks the press before it.
    void doubleClick(int column, int row) {
        QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, center(column, row));
        QTest::mouseDClick(grid.viewport(), Qt::LeftButton, {}, center(column, row));
    }
    // Return commits the editor's value through a queued call.
    void commit() {
        QTest::keyClick(editor(), Qt::Key_Return);
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    MaskedEdit* editor() { return grid.viewport()->findChild<MaskedEdit*>(); }
};

TEST_F(StringGridTest, CellsAreAddressedColumnFirst) {
    grid.setCell(3, 1, QStringLiteral("5000"));
    EXPECT_EQ(grid.item(1, 3)->text(), QStringLiteral("5000"));
    EXPECT_EQ(grid.cell(3, 1), QStringLiteral("5000"));
    grid.setCell(9, 1, QStringLiteral("ignored"));
    EXPECT_EQ(grid.cell(9, 1), QString());
    EXPECT_EQ(grid.currentCol(), 1);
    EXPECT_EQ(grid.currentRow(), 1);
}

TEST_F(StringGridTest, FixedCellsNeverEditNorBecomeCurrent) {
    int requests = 0;
    grid.editorRequested = [&](int, int) { return ++requests, false; };
    QSignalSpy doubleClicks(&grid, &StringGrid::cellDoubleClickedAt);

    doubleClick(2, 0);
    doubleClick(0, 3);
    EXPECT_EQ(editor(), nullptr);
    EXPECT_EQ(requests, 0);
    EXPECT_EQ(grid.currentCol(), 1);
    EXPECT_EQ(grid.currentRow(), 1);
    ASSERT_EQ(doubleClicks.size(), 2);
    EXPECT_EQ(doubleClicks[1], (QList<QVariant>{0, 3}));

    // Moving up from row 1 stays out of the header row.
    QTest::keyClick(grid.viewport(), Qt::Key_Up);
    EXPECT_EQ(grid.currentRow(), 1);
}

TEST_F(StringGridTest, TypingIntoAMaskedCellGivesTheFullWidthValue) {
    QList<QPoint> asked;
    grid.getEditMask = [&](int column, int row) {
        asked.append({column, row});
        return column == 1 ? QStringLiteral("##########;1;") : QString();
    };
    grid.setCurrentCellAt(1, 2);
    QTest::keyClick(grid.viewport(), '9');  // opens the editor, the key goes in
    ASSERT_NE(editor(), nullptr);
    EXPECT_EQ(editor()->editMask(), QStringLiteral("##########;1;"));
    QTest::keyClicks(editor(), QStringLiteral("123"));
    commit();
    EXPECT_EQ(grid.cell(1, 2), QStringLiteral("9123      "));
    EXPECT_EQ(asked, (QList<QPoint>{{1, 2}}));

    // A free-text cell keeps blanks as typed; F2 opens it on its current text.
    grid.setCell(4, 2, QStringLiteral("main"));
    grid.setCurrentCellAt(4, 2);
    QTest::keyClick(grid.viewport(), Qt::Key_F2);
    ASSERT_NE(editor(), nullptr);
    editor()->end(false);
    QTest::keyClicks(editor(), QStringLiteral(" site"));
    commit();
    EXPECT_EQ(grid.cell(4, 2), QStringLiteral("main site"));
}

TEST_F(StringGridTest, EditorRequestCanTakeOverTheCell) {
    QList<QPoint> requested;
    grid.editorRequested = [&](int column, int row) {
        requested.append({column, row});
        return column == 1;
    };
    doubleClick(1, 3);
    EXPECT_EQ(editor(), nullptr);
    doubleClick(2, 3);
    EXPECT_NE(editor(), nullptr);
    EXPECT_EQ(requested, (QList<QPoint>{{1, 3}, {2, 3}}));
}

TEST_F(StringGridTest, DraggingAHeaderBoundaryResizesTheColumn) {
    int draws = 0;
    grid.drawCell = [&] { ++draws; };
    grid.setColWidth(1, 72);
    EXPECT_GT(draws, 0);
    const int before = draws;

    const QRect header = grid.cellRect(1, 0).translated(-grid.viewport()->pos());
    const QPoint boundary(header.right() + 1, header.center().y());
    QTest::mousePress(grid.viewport(), Qt::LeftButton, {}, boundary);
    QTest::mouseMove(grid.viewport(), boundary + QPoint(20, 0));
    QTest::mouseRelease(grid.viewport(), Qt::LeftButton, {}, boundary + QPoint(20, 0));
    EXPECT_EQ(grid.colWidth(1), 92);
    EXPECT_GT(draws, before);
    EXPECT_EQ(grid.cellRect(2, 1).left(), grid.viewport()->x() + grid.colWidth(0) + 92);
}

}  // namespace
}  // namespace korvel
