// The form-field grid on a form with text, check box, radio and choice fields: what the
// grid lists, which editor each type gets, values set and refused, a value left in an
// editor when moving on, and the saved file's field values as pypdf reads them.
#include <QComboBox>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>

#include "WizardFixture.h"
#include "app/pages/kvFormsPage.h"
#include "pdf/document/kvPDFDoc.h"

namespace kvtest {
namespace {

using kv::TkvFormsPage;

class FormsTest : public WizardTest {
 protected:
  void Open(const std::string& file) {
    OpenSource(kv::TkvWizardOperation::woAcroForms, Data(file));
    ASSERT_EQ(Page(), W().tsForms) << host.AllMessages();
    g = W().tsForms;
  }
  int Row(const QString& name) {
    for (int r = 0; r < g->grdFields->rowCount(); ++r)
      if (g->grdFields->item(r, 1)->text() == name) return r;
    ADD_FAILURE() << "no field " << name.toStdString();
    return -1;
  }
  void SelectRow(int row) { g->grdFields->setCurrentCell(row, 1); }
  QString Cell(int row, int column) { return g->grdFields->item(row, column)->text(); }
  // "L", "T", "C" for the editor that shows (options list, text box, choice list), "-" for none.
  std::string Editor() {
    std::string shown;
    if (!g->lstOptions->isHidden()) shown += "L";
    if (!g->memValue->isHidden()) shown += "T";
    if (!g->cmbChoice->isHidden()) shown += "C";
    return shown.empty() ? "-" : shown;
  }
  void ChooseOption(const QString& option) {
    QList<QListWidgetItem*> items = g->lstOptions->findItems(option, Qt::MatchExactly);
    ASSERT_EQ(items.size(), 1) << option.toStdString();
    g->lstOptions->setCurrentItem(items[0]);
  }
  TkvFormsPage* g = nullptr;
};

TEST_F(FormsTest, GridListsEveryFieldAndEndsWithAnEmptyRow) {
  Open("gen-reportlab-fields.pdf");
  const int fields = W().PDFDoc().FieldCount();
  ASSERT_EQ(fields, 11);
  ASSERT_EQ(g->grdFields->rowCount(), fields + 1);
  const QStringList headers = {"#", "Field Name", "Field Value", "ReadOnly", "Field Type"};
  for (int c = 0; c < 5; ++c) EXPECT_EQ(g->grdFields->horizontalHeaderItem(c)->text(), headers[c]);
  const int name = Row("rl_name");
  EXPECT_EQ(Cell(name, 0), QString::number(name));
  EXPECT_EQ(Cell(name, 2), "Jane Doe");
  EXPECT_EQ(Cell(name, 3), "False");
  EXPECT_EQ(Cell(name, 4), "Text");
  EXPECT_EQ(Cell(Row("rl_readonly"), 3), "True");
  EXPECT_EQ(Cell(Row("rl_agree"), 4), "CheckBox");
  EXPECT_EQ(Cell(Row("rl_color"), 4), "Radio");
  EXPECT_EQ(Cell(Row("rl_fruit"), 4), "Choice");
  for (int c = 0; c < 5; ++c) EXPECT_TRUE(Cell(fields, c).isEmpty());
  // The first row is selected and its editor shows.
  EXPECT_EQ(g->EditedField(), 0);
  EXPECT_TRUE(g->btnSetValue->isEnabled());
}

TEST_F(FormsTest, EachTypeGetsItsEditor) {
  Open("gen-reportlab-fields.pdf");
  struct Case {
    QString Field;
    std::string Editor;
    bool Usable;
    QStringList Options;  // for lists
    QString Shown;        // the value the editor starts with
  };
  const Case cases[] = {
      {"rl_notes", "T", true, {}, "line one\nline two"},
      {"rl_readonly", "T", false, {}, "fixed"},
      {"rl_agree", "L", true, {"Off", "Yes"}, "Yes"},
      {"rl_fruit", "C", true, {"apple", "banana", "cherry"}, "banana"},
      {"rl_city_edit", "C", true, {"Oslo", "Lima"}, "Lima"},
  };
  for (const Case& c : cases) {
    SelectRow(Row(c.Field));
    const std::string at = c.Field.toStdString();
    EXPECT_EQ(Editor(), c.Editor) << at;
    if (c.Editor == "T") {
      EXPECT_EQ(g->memValue->toPlainText(), c.Shown) << at;
      EXPECT_EQ(g->memValue->isReadOnly(), !c.Usable) << at;
    } else if (c.Editor == "L") {
      QStringList options;
      for (int i = 0; i < g->lstOptions->count(); ++i) options << g->lstOptions->item(i)->text();
      options.sort();
      EXPECT_EQ(options, c.Options) << at;
      EXPECT_EQ(g->lstOptions->currentItem()->text(), c.Shown) << at;
    } else {
      QStringList options;
      for (int i = 0; i < g->cmbChoice->count(); ++i) options << g->cmbChoice->itemText(i);
      EXPECT_EQ(options, c.Options) << at;
      EXPECT_EQ(g->cmbChoice->currentText(), c.Shown) << at;
    }
  }
  // Only an editable combo box takes typed text.
  EXPECT_TRUE(g->cmbChoice->isEditable());
  SelectRow(Row("rl_fruit"));
  EXPECT_FALSE(g->cmbChoice->isEditable());
  // The trailing empty row: no editor, nothing to set.
  SelectRow(g->grdFields->rowCount() - 1);
  EXPECT_EQ(Editor(), "-");
  EXPECT_FALSE(g->btnSetValue->isEnabled());
  EXPECT_EQ(g->EditedField(), -1);
}

TEST_F(FormsTest, ValuesAreSetRefusedOrCut) {
  Open("gen-reportlab-fields.pdf");
  const int zip = Row("rl_zip");
  SelectRow(zip);
  g->memValue->setPlainText("98765432");
  Click(g->btnSetValue);
  EXPECT_EQ(Cell(zip, 2), "98765") << "cut to the field's length";
  EXPECT_EQ(g->memValue->toPlainText(), "98765") << "the box shows what the document keeps";
  SelectRow(Row("rl_readonly"));
  g->memValue->setPlainText("changed");
  Click(g->btnSetValue);
  ASSERT_EQ(host.Messages.size(), 1u);
  EXPECT_EQ(host.Messages[0].Kind, kv::TkvMessageKind::mkError);
  EXPECT_EQ(host.Messages[0].Text, "The field is read only");
  EXPECT_EQ(Cell(Row("rl_readonly"), 2), "fixed");
}

TEST_F(FormsTest, AValueLeftInTheEditorIsKeptWhenMovingOn) {
  Open("gen-reportlab-fields.pdf");
  const int name = Row("rl_name");
  SelectRow(name);
  g->memValue->setPlainText("John Roe");
  SelectRow(Row("rl_fruit"));
  EXPECT_EQ(Cell(name, 2), "John Roe");
  EXPECT_EQ(W().PDFDoc().FieldValue(name), "John Roe");
  EXPECT_TRUE(host.Messages.empty()) << host.AllMessages();
}

TEST_F(FormsTest, SetValuesReachTheSavedFile) {
  Open("gen-reportlab-fields.pdf");
  SelectRow(Row("rl_name"));
  g->memValue->setPlainText("Max Mustermann");
  Click(g->btnSetValue);
  SelectRow(Row("rl_agree"));
  ChooseOption("Off");
  Click(g->btnSetValue);
  SelectRow(Row("rl_news"));
  ChooseOption("Yes");
  Click(g->btnSetValue);
  SelectRow(Row("rl_color"));
  QString other;
  for (int i = 0; i < g->lstOptions->count(); ++i)
    if (g->lstOptions->item(i)->text() != "green" && g->lstOptions->item(i)->text() != "Off")
      other = g->lstOptions->item(i)->text();
  ASSERT_FALSE(other.isEmpty());
  ChooseOption(other);
  Click(g->btnSetValue);
  SelectRow(Row("rl_fruit"));
  g->cmbChoice->setCurrentIndex(2);
  Click(g->btnSetValue);
  SelectRow(Row("rl_city_edit"));
  g->cmbChoice->setEditText("Bergen");
  Click(g->btnSetValue);
  EXPECT_TRUE(host.Messages.empty()) << host.AllMessages();
  Next();
  Finish(Out("filled.pdf"));
  ASSERT_EQ(Page(), W().tsDone) << host.AllMessages();
  ASSERT_TRUE(QpdfCheckClean(Out("filled.pdf")));
  nlohmann::json fields = PdfFacts(Out("filled.pdf"))["fields"];
  EXPECT_EQ(fields["rl_name"], "Max Mustermann");
  EXPECT_EQ(fields["rl_agree"], "/Off");
  EXPECT_EQ(fields["rl_news"], "/Yes");
  EXPECT_EQ(fields["rl_color"], ("/" + other).toStdString());
  EXPECT_EQ(fields["rl_fruit"], "cherry");
  EXPECT_EQ(fields["rl_city_edit"], "Bergen");
  EXPECT_EQ(fields["rl_readonly"], "fixed");
}

TEST_F(FormsTest, ADocumentWithoutFormShowsOnlyTheEmptyRow) {
  Open("iwb-radio.pdf");
  EXPECT_EQ(g->grdFields->rowCount(), 1);
  EXPECT_EQ(Editor(), "-");
  EXPECT_FALSE(g->btnSetValue->isEnabled());
  Next();
  Finish(Out("plain.pdf"));
  EXPECT_EQ(Page(), W().tsDone) << host.AllMessages();
}

}  // namespace
}  // namespace kvtest
