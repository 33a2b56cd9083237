// The form-field page: a grid of the document's fields ("#", "Field Name", "Field Value",
// "ReadOnly", "Field Type"), always ending in an empty row, and the value editor that
// suits the selected field's type: a list of its states for radio buttons and check
// boxes, a text box for text fields, a drop-down list for choice fields. Values are set in
// the document as they are applied.
#pragma once

#include <QWidget>
#include <optional>

class QComboBox;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QTableWidget;

namespace kv {

class TkvPDFDocument;
class TkvWizardHost;

class TkvFormsPage : public QWidget {
 public:
  TkvFormsPage(TkvPDFDocument& document, TkvWizardHost& host, QWidget* parent = nullptr);

  // Fills the grid from the loaded document's fields and selects the first row.
  void Fill();
  // The grid back to its headers and one empty row, no field edited.
  void ResetControls();
  // Stores the visible editor's value in the selected field.
  void SetValue();
  // The field whose editor shows, -1 for none.
  int EditedField() const { return FEditedField; }

  QTableWidget* grdFields;
  QListWidget* lstOptions;
  QPlainTextEdit* memValue;
  QComboBox* cmbChoice;
  QPushButton* btnSetValue;

 private:
  void RowSelected(int row);
  void AddRow(const QStringList& cells);
  // The value the visible editor holds; none when no editor shows.
  std::optional<QString> EditorValue() const;
  // Sets the field's value in the document and shows what the document then holds;
  // false after telling the user why the document refused it.
  bool Store(int field, const QString& value);
  void ShowEditorFor(int field);
  void HideEditors();

  TkvPDFDocument& FDocument;
  TkvWizardHost& FHost;
  int FEditedField = -1;
};

}  // namespace kv
