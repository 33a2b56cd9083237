// The merge list: rows keep their numbers 1 to n through deleting and moving, the move
// buttons follow the selected block, holding a move button repeats it until the block
// reaches the end, and PDF files dropped from a file manager are added.
#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QTest>
#include <QUrl>

#include "WizardFixture.h"
#include "app/pages/kvMergePage.h"

namespace kvtest {
namespace {

class MergeListTest : public WizardTest {
 protected:
  void SetUp() override {
    WizardTest::SetUp();
    Next();
    list = W().tsMerge;
  }
  // Rows named "a" to the count given.
  void AddRows(int n) {
    QStringList files;
    for (int i = 0; i < n; ++i) files << QString(QChar('a' + i));
    host.OpenFilesAnswers.push_back(files);
    Click(list->btnAdd);
  }
  void Select(int first, int last) {
    list->lstFiles->clearSelection();
    for (int i = first; i <= last; ++i) list->lstFiles->topLevelItem(i)->setSelected(true);
  }
  // "key:file" of every row, in order.
  QStringList Rows() const {
    QStringList rows;
    for (int i = 0; i < list->RowCount(); ++i)
      rows << list->lstFiles->topLevelItem(i)->text(0) + ":" + list->lstFiles->topLevelItem(i)->text(1);
    return rows;
  }
  kv::TkvMergePage* list = nullptr;
};

TEST_F(MergeListTest, AddedFilesAreNumberedInDialogOrder) {
  EXPECT_FALSE(list->btnDelete->isEnabled());
  AddRows(2);
  host.OpenFilesAnswers.push_back({"z"});
  Click(list->btnAdd);
  EXPECT_EQ(Rows(), QStringList({"1:a", "2:b", "3:z"}));
  EXPECT_TRUE(list->btnDelete->isEnabled());
  EXPECT_TRUE(W().btnNext->isEnabled());
  // A cancelled dialog adds nothing.
  Click(list->btnAdd);
  EXPECT_EQ(list->RowCount(), 3);
  EXPECT_EQ(list->lstFiles->headerItem()->text(0), "Doc #");
  EXPECT_EQ(list->lstFiles->headerItem()->text(1), "File");
}

TEST_F(MergeListTest, DeletingRenumbersAndAnEmptyListDisablesNext) {
  AddRows(5);
  Select(1, 2);
  Click(list->btnDelete);
  EXPECT_EQ(Rows(), QStringList({"1:a", "2:d", "3:e"}));
  list->lstFiles->selectAll();
  Click(list->btnDelete);
  EXPECT_EQ(list->RowCount(), 0);
  EXPECT_FALSE(list->btnDelete->isEnabled());
  EXPECT_FALSE(W().btnNext->isEnabled());
}

TEST_F(MergeListTest, MovesShiftTheBlockAndItsSelection) {
  struct Case {
    int First, Last;
    bool Up;
    QStringList Expected;
    std::pair<int, int> Block;
  };
  const Case cases[] = {
      {1, 2, true, {"1:b", "2:c", "3:a", "4:d", "5:e"}, {0, 1}},
      {1, 2, false, {"1:a", "2:d", "3:b", "4:c", "5:e"}, {2, 3}},
      {3, 4, true, {"1:a", "2:b", "3:d", "4:e", "5:c"}, {2, 3}},
      {0, 0, false, {"1:b", "2:a", "3:c", "4:d", "5:e"}, {1, 1}},
  };
  for (const Case& c : cases) {
    list->ResetControls();
    AddRows(5);
    Select(c.First, c.Last);
    Click(c.Up ? list->btnUp : list->btnDown);
    EXPECT_EQ(Rows(), c.Expected);
    EXPECT_EQ(list->SelectedBlock(), c.Block);
  }
}

TEST_F(MergeListTest, MoveButtonsFollowTheBlock) {
  AddRows(3);
  struct Case {
    int First, Last;
    bool Up, Down;
  };
  const Case cases[] = {{0, 0, false, true}, {1, 1, true, true}, {2, 2, true, false}, {0, 2, false, false}};
  for (const Case& c : cases) {
    Select(c.First, c.Last);
    EXPECT_EQ(list->btnUp->isEnabled(), c.Up) << c.First << "-" << c.Last;
    EXPECT_EQ(list->btnDown->isEnabled(), c.Down) << c.First << "-" << c.Last;
  }
  list->lstFiles->clearSelection();
  EXPECT_FALSE(list->btnUp->isEnabled());
  EXPECT_FALSE(list->btnDown->isEnabled());
}

TEST_F(MergeListTest, HoldingMoveUpRepeatsUntilTheTop) {
  AddRows(5);
  Select(3, 3);
  QTest::mousePress(list->btnUp, Qt::LeftButton);
  // Three repeats of 250 ms reach the top; waiting longer shows that the repeat stopped.
  QTest::qWait(1500);
  QTest::mouseRelease(list->btnUp, Qt::LeftButton);
  EXPECT_EQ(Rows(), QStringList({"1:d", "2:a", "3:b", "4:c", "5:e"}));
  EXPECT_EQ(list->SelectedBlock(), std::make_pair(0, 0));
  EXPECT_FALSE(list->btnUp->isEnabled());
  EXPECT_EQ(list->btnUp->autoRepeatInterval(), 250);
}

TEST_F(MergeListTest, DroppedPdfFilesAreAdded) {
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile("/x/one.pdf"), QUrl::fromLocalFile("/x/notes.txt"),
                QUrl::fromLocalFile("/x/TWO.PDF"), QUrl("https://example.invalid/three.pdf")});
  QWidget* target = list->lstFiles->viewport();
  QPoint at = target->rect().center();
  QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &enter);
  EXPECT_TRUE(enter.isAccepted());
  QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &drop);
  EXPECT_EQ(Rows(), QStringList({"1:/x/one.pdf", "2:/x/TWO.PDF"}));
  EXPECT_TRUE(W().btnNext->isEnabled());
  // Nothing but other files: the drag is refused.
  QMimeData text;
  text.setUrls({QUrl::fromLocalFile("/x/notes.txt")});
  QDragEnterEvent refused(at, Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &refused);
  EXPECT_FALSE(refused.isAccepted());
}

}  // namespace
}  // namespace kvtest
