// The bookmark editor on a file with bookmarks of every fit type: what the tree and the
// properties show, which fields each fit type uses, the validations, and the edits as the
// saved file's outline dictionaries hold them (read with pypdf).
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include "WizardFixture.h"
#include "app/pages/kvBookmarkPage.h"
#include "app/widgets/kvZoomEdit.h"
#include "pdf/document/kvPDFDoc.h"

namespace kvtest {
namespace {

using kv::TkvBookmarkPage;

class BookmarkTest : public WizardTest {
 protected:
  void Open(const std::string& file) {
    OpenSource(kv::TkvWizardOperation::woBookmarks, Data(file));
    ASSERT_EQ(Page(), W().tsBookmark) << host.AllMessages();
    b = W().tsBookmark;
  }
  // The tree item at a path of indexes from the top level.
  QTreeWidgetItem* Item(const std::vector<int>& path) {
    QTreeWidgetItem* item = nullptr;
    for (int i : path) item = item ? item->child(i) : b->tvOutline->topLevelItem(i);
    return item;
  }
  void Select(const std::vector<int>& path) { b->tvOutline->setCurrentItem(Item(path)); }
  // Which of Left, Top, Right, Bottom, Zoom are enabled, as "LTRBZ" with '-' for disabled.
  std::string Enabled() {
    std::string s;
    QWidget* fields[] = {b->edLeft, b->edTop, b->edRight, b->edBottom, b->edZoom};
    for (int i = 0; i < 5; ++i) s += fields[i]->isEnabled() ? "LTRBZ"[i] : '-';
    return s;
  }
  void SetFields(const char* caption, int page, int fit, const char* left, const char* top, const char* right = "",
                 const char* bottom = "", const char* zoom = "") {
    Type(b->edCaption, caption);
    b->cmbPage->setCurrentIndex(page - 1);
    b->cmbFitType->setCurrentIndex(fit);
    b->edLeft->setText(left);
    b->edTop->setText(top);
    b->edRight->setText(right);
    b->edBottom->setText(bottom);
    b->edZoom->SetText(zoom);
  }
  // No node selected (which clears the page), then a page chosen again.
  void UnselectWithPage() {
    b->tvOutline->clearSelection();
    b->cmbPage->setCurrentIndex(0);
    b->cmbFitType->setCurrentIndex(kv::dtFit);
  }
  nlohmann::json SavedOutline() {
    Next();
    Finish(Out("bookmarks.pdf"));
    EXPECT_EQ(Page(), W().tsDone) << host.AllMessages();
    EXPECT_TRUE(QpdfCheckClean(Out("bookmarks.pdf")));
    return PdfFacts(Out("bookmarks.pdf"));
  }
  TkvBookmarkPage* b = nullptr;
};

TEST_F(BookmarkTest, TreeAndPropertiesShowTheOutline) {
  Open("gen-outline-fit-types.pdf");
  EXPECT_EQ(b->tvOutline->topLevelItemCount(), 7);
  EXPECT_EQ(Item({1, 0, 0})->text(0), "2.1.1 FitH null");
  EXPECT_EQ(Item({5})->text(0), "6 Unicode title: café über Ω");
  EXPECT_EQ(b->cmbPage->count(), 12);
  EXPECT_EQ(b->cmbUnits->currentText(), "Pixels") << "the document's unit";
  // The first node is selected and shown.
  EXPECT_EQ(b->edCaption->text(), "1 XYZ 72 700 null zoom");
  b->cmbUnits->setCurrentIndex(1);
  emit b->cmbUnits->activated(1);
  EXPECT_EQ(W().PDFDoc().MeasurementUnit(), kv::muPoints);
  struct Case {
    std::vector<int> Path;
    QString Page, Fit, Left, Top, Right, Bottom;
    std::string Enabled;
  };
  // Coordinates in points from the top-left corner of the 792-point-high pages.
  const Case cases[] = {
      {{0}, "1", "XYZ", "72", "92", "", "", "LT--Z"},
      {{1, 0}, "4", "FitH", "", "292", "", "", "-T---"},
      {{1, 1}, "5", "FitV", "100", "", "", "", "L----"},
      {{1, 2}, "6", "FitR", "50", "492", "300", "742", "LTRB-"},
      {{2}, "7", "FitB", "", "", "", "", "-----"},
      {{2, 1}, "8", "FitBV", "72", "", "", "", "L----"},
      {{6}, "", "", "", "", "", "", "-----"},  // a link, no destination
  };
  for (const Case& c : cases) {
    Select(c.Path);
    std::string at = b->edCaption->text().toStdString();
    EXPECT_EQ(b->cmbPage->currentText(), c.Page) << at;
    EXPECT_EQ(b->cmbFitType->currentText(), c.Fit) << at;
    EXPECT_EQ(b->edLeft->text(), c.Left) << at;
    EXPECT_EQ(b->edTop->text(), c.Top) << at;
    EXPECT_EQ(b->edRight->text(), c.Right) << at;
    EXPECT_EQ(b->edBottom->text(), c.Bottom) << at;
    EXPECT_EQ(Enabled(), c.Enabled) << at;
  }
  // Another unit re-shows the selected node in it.
  Select({0});
  b->cmbUnits->setCurrentIndex(2);
  emit b->cmbUnits->activated(2);
  EXPECT_EQ(b->edLeft->text(), "1");
}

TEST_F(BookmarkTest, ValidationsNameWhatIsMissing) {
  Open("gen-outline-fit-types.pdf");
  struct Case {
    QPushButton* Button;
    std::function<void()> Prepare;
    QString Message;
  };
  const Case cases[] = {
      {b->btnInsertAfter, [this] { Type(b->edCaption, ""); }, "Enter a title for the bookmark!"},
      {b->btnInsertChild, [this] { Type(b->edCaption, ""); }, "Enter a title for the bookmark!"},
      {b->btnInsertAfter, [this] { b->cmbPage->setCurrentIndex(-1); }, "No Page number selected"},
      {b->btnInsertAfter, [this] { UnselectWithPage(); }, "Select a bookmark to which new node is to be added"},
      {b->btnInsertChild, [this] { UnselectWithPage(); }, "Select a bookmark to which new node is to be added"},
      {b->btnApply, [this] { b->tvOutline->clearSelection(); }, "Select a bookmark node to be changed"},
      {b->btnApply, [this] { Type(b->edCaption, ""); }, "Enter a caption for the bookmark!"},
      {b->btnDelete, [this] { b->tvOutline->clearSelection(); }, "Select a bookmark node to be deleted"},
      {b->btnInsertAfter, [this] { b->cmbFitType->setCurrentIndex(-1); }, "Unknown Destination Type"},
  };
  for (const Case& c : cases) {
    b->tvOutline->clearSelection();
    Select({1});
    c.Prepare();
    host.Messages.clear();
    Click(c.Button);
    ASSERT_EQ(host.Messages.size(), 1u) << c.Message.toStdString();
    EXPECT_EQ(host.Messages[0].Text, c.Message);
    EXPECT_EQ(b->tvOutline->topLevelItemCount(), 7) << "the tree is unchanged";
  }
}

TEST_F(BookmarkTest, EditsReachTheSavedOutline) {
  Open("gen-outline-fit-types.pdf");
  b->cmbUnits->setCurrentIndex(1);
  emit b->cmbUnits->activated(1);
  // After "2 Fit": a FitBV bookmark holding its left value.
  Select({1});
  SetFields("After two", 3, kv::dtFitBV, "36", "");
  Click(b->btnInsertAfter);
  EXPECT_EQ(Item({2})->text(0), "After two");
  EXPECT_EQ(b->tvOutline->currentItem(), Item({2}));
  // As the last child of "3 FitB", in the tree and in the file.
  Select({3});
  SetFields("Last child", 9, kv::dtXYZ, "10", "20", "", "", "150");
  Click(b->btnInsertChild);
  EXPECT_EQ(Item({3, 2})->text(0), "Last child");
  // "4 GoTo actions" becomes a FitH bookmark with a new caption.
  Select({4});
  SetFields("Four, renamed", 10, kv::dtFitH, "", "100");
  Click(b->btnApply);
  EXPECT_EQ(Item({4})->text(0), "Four, renamed");
  // The link keeps its link when only its caption changes, here edited in the tree.
  Select({7});
  Item({7})->setText(0, "Link, renamed");
  // "2.2 FitV" goes.
  Select({1, 1});
  Click(b->btnDelete);
  EXPECT_EQ(Item({1})->childCount(), 2);
  EXPECT_TRUE(host.Messages.empty()) << host.AllMessages();

  nlohmann::json f = SavedOutline();
  nlohmann::json o = f["outline"];
  ASSERT_EQ(o.size(), 8u);
  EXPECT_EQ(f["outline_count"], 8) << "the root counts its top-level items";
  EXPECT_EQ(o[2]["title"], "After two");
  EXPECT_EQ(o[2]["page"], 3);
  EXPECT_EQ(o[2]["type"], "/FitBV");
  EXPECT_EQ(o[2]["numbers"], nlohmann::json({36.0}));
  ASSERT_EQ(o[3]["children"].size(), 3u);
  EXPECT_EQ(o[3]["count"], -3) << "items are written closed";
  nlohmann::json last = o[3]["children"][2];
  EXPECT_EQ(last["title"], "Last child");
  EXPECT_EQ(last["page"], 9);
  EXPECT_EQ(last["numbers"], nlohmann::json({10.0, 772.0, 1.5}));
  EXPECT_EQ(o[4]["title"], "Four, renamed");
  EXPECT_EQ(o[4]["type"], "/FitH");
  EXPECT_EQ(o[4]["numbers"], nlohmann::json({692.0}));
  EXPECT_EQ(o[4]["action"], nullptr) << "a new destination replaces the action";
  EXPECT_EQ(o[7]["title"], "Link, renamed");
  EXPECT_EQ(o[7]["action"], "/URI");
  std::vector<std::string> second;
  for (const auto& c : o[1]["children"]) second.push_back(c["title"]);
  EXPECT_EQ(second, (std::vector<std::string>{"2.1 FitH 500", "2.3 FitR 50 50 300 300"}));
}

TEST_F(BookmarkTest, ADocumentWithoutOutlineGetsOne) {
  Open("glpk-cnfsat.pdf");
  EXPECT_EQ(b->tvOutline->topLevelItemCount(), 0);
  EXPECT_TRUE(b->tvOutline->isEnabled());
  SetFields("Start", 1, kv::dtFit, "", "");
  Click(b->btnInsertChild);
  SetFields("Then", 4, kv::dtXYZ, "", "", "", "", "");
  Click(b->btnInsertAfter);
  ASSERT_EQ(b->tvOutline->topLevelItemCount(), 2);
  nlohmann::json o = SavedOutline()["outline"];
  ASSERT_EQ(o.size(), 2u);
  EXPECT_EQ(o[0]["title"], "Start");
  EXPECT_EQ(o[0]["type"], "/Fit");
  EXPECT_EQ(o[1]["page"], 4);
  // Empty fields are unset: null left, top and zoom.
  EXPECT_EQ(o[1]["numbers"], nlohmann::json({nullptr, nullptr, nullptr}));
}

TEST_F(BookmarkTest, ZoomFieldStaysWithinItsRange) {
  Open("gen-outline-fit-types.pdf");
  kv::TkvZoomEdit* zoom = b->edZoom;
  zoom->SetText("");
  zoom->StepBy(1);
  EXPECT_EQ(zoom->Text(), "100");
  zoom->SetText("1550");
  zoom->StepBy(1);
  EXPECT_EQ(zoom->Text(), "1600");
  zoom->StepBy(-17);
  EXPECT_EQ(zoom->Text(), "0");
  QTest::keyClick(zoom->Edit(), Qt::Key_Up);
  QTest::keyClick(zoom->Edit(), Qt::Key_Up);
  QTest::keyClick(zoom->Edit(), Qt::Key_Down);
  EXPECT_EQ(zoom->Text(), "100");
  Type(zoom->Edit(), "2500x");
  EXPECT_EQ(zoom->Text(), "2500");
  emit zoom->Edit()->editingFinished();
  EXPECT_EQ(zoom->Text(), "1600");
}

TEST_F(BookmarkTest, BackAndOnKeepsTheEditsAndRereadsTheTree) {
  Open("gen-reportlab-outline.pdf");
  Select({0});
  Click(b->btnDelete);
  EXPECT_EQ(b->tvOutline->topLevelItemCount(), 1);
  Back();
  Next();
  ASSERT_EQ(Page(), W().tsBookmark);
  EXPECT_EQ(b->tvOutline->topLevelItemCount(), 1) << "the document kept the deletion";
  EXPECT_EQ(Item({0})->text(0), "Entry 5 (FitR)");
}

}  // namespace
}  // namespace kvtest
