// The marking editor: the "+" button's title box and validations, the shared position
// and angle fields, loading a marking back into the editor, removing, and the markings
// stamped by the finish step as pdftotext and pypdf read the saved file.
#include <QButtonGroup>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

#include "WizardFixture.h"
#include "app/pages/kvMarkingPage.h"
#include "app/widgets/kvColorBox.h"
#include "pdf/document/kvPDFDoc.h"

namespace kvtest {
namespace {

using kv::TkvMarkingPage;

class MarkingTest : public WizardTest {
 protected:
  void SetUp() override {
    WizardTest::SetUp();
    OpenSource(kv::TkvWizardOperation::woWatermarks, Data("glpk-cnfsat.pdf"));
    ASSERT_EQ(Page(), W().tsWatermark) << host.AllMessages();
    m = W().tsWatermark;
  }
  // "+" with `title` typed into the title box.
  void Add(const QString& title) {
    host.InputAnswers.push_back(title);
    Click(m->btnAdd);
  }
  void Position(int horizontal, int vertical) {
    m->FHorizontal->button(horizontal)->click();
    m->FVertical->button(vertical)->click();
  }
  QStringList Titles() const {
    QStringList t;
    for (int i = 0; i < m->lstMarkings->count(); ++i) t << m->lstMarkings->item(i)->text();
    return t;
  }
  TkvMarkingPage* m = nullptr;
};

TEST_F(MarkingTest, PlusNeedsATextOrAPicture) {
  EXPECT_FALSE(W().btnNext->isEnabled()) << "no markings yet";
  EXPECT_FALSE(m->btnAdd->isEnabled());
  Type(m->edText, "Draft");
  EXPECT_TRUE(m->btnAdd->isEnabled());
  m->Tabs->setCurrentIndex(1);
  EXPECT_FALSE(m->btnAdd->isEnabled()) << "no picture chosen";
  host.PictureAnswers = {Q(Data("groff-letter.pdf"))};
  Click(m->btnChooseImage);
  EXPECT_EQ(host.Messages.size(), 1u) << "a file that is no picture is refused when chosen";
  EXPECT_FALSE(m->btnAdd->isEnabled());
  host.PictureAnswers = {Q(Data("pictures/rose-palette.png"))};
  Click(m->btnImage);
  EXPECT_TRUE(m->btnAdd->isEnabled());
  EXPECT_FALSE(m->btnImage->icon().isNull());
}

TEST_F(MarkingTest, TitlesAreAskedForAndUnique) {
  Type(m->edText, "Draft");
  host.InputAnswers.push_back(std::nullopt);  // Cancel
  Click(m->btnAdd);
  Add("");
  Add("First");
  Add("First");
  EXPECT_EQ(Titles(), QStringList{"First"});
  ASSERT_EQ(host.Messages.size(), 2u);
  EXPECT_EQ(host.Messages[0].Kind, kv::TkvMessageKind::mkInformation);
  EXPECT_EQ(host.Messages[0].Text, "Enter a title for the marking");
  EXPECT_EQ(host.Messages[1].Kind, kv::TkvMessageKind::mkError);
  EXPECT_EQ(host.Messages[1].Text, "Marking already exists");
  EXPECT_TRUE(W().btnNext->isEnabled());
  EXPECT_TRUE(m->btnRemove->isEnabled());
  EXPECT_EQ(m->lstMarkings->currentRow(), 0);
}

TEST_F(MarkingTest, CustomPositionsNeedTheirValues) {
  EXPECT_FALSE(m->edX->isEnabled());
  EXPECT_FALSE(m->edY->isEnabled());
  Type(m->edText, "Draft");
  struct Case {
    int H, V;
    const char *X, *Y;
    QString Message;
  };
  const Case cases[] = {{3, 1, "", "0", "Enter value for the horizontal position"},
                        {1, 3, "0", "", "Enter value for the vertical position"},
                        {3, 3, "", "", "Enter value for the horizontal position"}};
  for (const Case& c : cases) {
    Position(c.H, c.V);
    EXPECT_EQ(m->edX->isEnabled(), c.H == 3);
    EXPECT_EQ(m->edY->isEnabled(), c.V == 3);
    m->edX->setText(c.X);
    m->edY->setText(c.Y);
    host.Messages.clear();
    Add("Placed");
    ASSERT_EQ(host.Messages.size(), 1u);
    EXPECT_EQ(host.Messages[0].Text, c.Message);
    EXPECT_EQ(m->Count(), 0);
  }
  // Typed coordinates take digits and one decimal separator.
  m->edX->clear();
  const QString sep = QLocale().decimalPoint();
  QTest::keyClicks(m->edX, "12" + sep + "x5" + sep + "7");
  EXPECT_EQ(m->edX->text(), "12" + sep + "57");
}

TEST_F(MarkingTest, AnglesBeyond360AreRefusedWhenLeft) {
  Type(m->edAngle, "361");
  emit m->edAngle->editingFinished();
  ASSERT_EQ(host.Messages.size(), 1u);
  EXPECT_EQ(host.Messages[0].Text, "Enter a value between 0 and 360 for the angle.");
  EXPECT_EQ(m->edAngle->text(), "0");
  EXPECT_EQ(m->focusWidget(), m->edAngle);
  Type(m->edAngle, "360");
  emit m->edAngle->editingFinished();
  EXPECT_EQ(host.Messages.size(), 1u);
  Type(m->edAngle, "-45");
  EXPECT_EQ(m->edAngle->text(), "45");
}

TEST_F(MarkingTest, AChosenFontAndAMarkingLoadBackIntoTheEditor) {
  QFont font("DejaVu Serif", 24);
  font.setItalic(true);
  host.FontAnswers.push_back({font, QColor(0, 128, 0)});
  Click(m->btnFont);
  EXPECT_EQ(m->lblFont->text(), "Font: DejaVu Serif, 24pt");
  EXPECT_TRUE(m->btnFont->font().italic());
  Type(m->edText, "Approved");
  m->cmbRendering->setCurrentIndex(1);
  m->cmbStrokeColor->SetColor(QColor(255, 0, 0));
  Type(m->edAngle, "30");
  Position(3, 2);
  m->edX->setText("15");
  Click(m->btnType);
  EXPECT_EQ(m->btnType->text(), "Underlay");
  Add("Text one");
  // A picture marking with other settings.
  m->Tabs->setCurrentIndex(1);
  host.PictureAnswers = {Q(Data("pictures/rose-rgb-baseline.jpg"))};
  Click(m->btnChooseImage);
  Type(m->edAngle, "0");
  Position(0, 3);
  m->edY->setText("40");
  Click(m->btnType);
  EXPECT_EQ(m->btnType->text(), "Overlay");
  Add("Picture");
  // Back to the first: the text tab and every field as it was made.
  m->lstMarkings->setCurrentRow(0);
  EXPECT_EQ(m->Tabs->currentIndex(), 0);
  EXPECT_EQ(m->edText->text(), "Approved");
  EXPECT_EQ(m->lblFont->text(), "Font: DejaVu Serif, 24pt");
  EXPECT_EQ(m->cmbRendering->currentText(), "Stroke");
  EXPECT_EQ(m->cmbStrokeColor->Color(), QColor(255, 0, 0));
  EXPECT_EQ(m->edAngle->text(), "30");
  EXPECT_TRUE(m->FHorizontal->button(3)->isChecked());
  EXPECT_EQ(m->edX->text(), "15");
  EXPECT_TRUE(m->FVertical->button(2)->isChecked());
  EXPECT_TRUE(m->edY->text().isEmpty()) << "a position that is not custom empties its field";
  EXPECT_EQ(m->btnType->text(), "Underlay");
  m->lstMarkings->setCurrentRow(1);
  EXPECT_EQ(m->Tabs->currentIndex(), 1);
  EXPECT_EQ(m->edY->text(), "40");
  EXPECT_EQ(m->btnType->text(), "Overlay");
  // Removing selects the last one left; removing that disables Next.
  m->lstMarkings->setCurrentRow(0);
  Click(m->btnRemove);
  EXPECT_EQ(Titles(), QStringList{"Picture"});
  EXPECT_EQ(m->Tabs->currentIndex(), 1);
  Click(m->btnRemove);
  EXPECT_EQ(m->Count(), 0);
  EXPECT_FALSE(m->btnRemove->isEnabled());
  EXPECT_FALSE(W().btnNext->isEnabled());
}

TEST_F(MarkingTest, MarkingsAreStampedOnEveryPageInTheirOwnUnits) {
  // A text under the content, 10 mm from the left and 20 mm from the top.
  m->cmbUnit->setCurrentIndex(kv::muMM);
  Type(m->edText, "CONFIDENTIAL");
  Position(3, 3);
  m->edX->setText("10");
  m->edY->setText("20");
  Click(m->btnType);
  Add("Stamp");
  // A picture over it, measured in pixels.
  m->cmbUnit->setCurrentIndex(kv::muPixels);
  m->Tabs->setCurrentIndex(1);
  host.PictureAnswers = {Q(Data("pictures/rose-rgb-baseline.jpg"))};
  Click(m->btnChooseImage);
  Position(2, 2);
  Add("Rose");
  Next();
  Finish(Out("marked.pdf"));
  ASSERT_EQ(Page(), W().tsDone) << host.AllMessages();
  ASSERT_TRUE(QpdfCheckClean(Out("marked.pdf")));
  nlohmann::json f = PdfFacts(Out("marked.pdf"));
  for (int page = 1; page <= 6; ++page) {
    std::string text = kvtest::Run("pdftotext -raw -f " + std::to_string(page) + " -l " + std::to_string(page) + " " +
                                   ShellQuote(Out("marked.pdf")) + " -")
                           .Output;
    EXPECT_NE(text.find("CONFIDENTIAL"), std::string::npos) << page;
    EXPECT_EQ(f["images"][page - 1].size(), 1u) << page;
  }
  // Where the text went: 10 mm = 28.35 points from the left, its box 20 mm = 56.7 points
  // from the top, in millimetres although the picture after it was made in pixels.
  CommandResult r =
      kvtest::Run("pdftotext -bbox -f 1 -l 1 " + ShellQuote(Out("marked.pdf")) + " - | grep '>CONFIDENTIAL<'");
  ASSERT_EQ(r.ExitCode, 0) << r.Output;
  auto attribute = [&r](const char* name) {
    size_t at = r.Output.find(std::string(name) + "=\"");
    return std::stod(r.Output.substr(at + std::string(name).size() + 2));
  };
  EXPECT_NEAR(attribute("xMin"), 28.35, 2.0);
  EXPECT_NEAR(attribute("yMin"), 56.7, 4.0);
}

}  // namespace
}  // namespace kvtest
