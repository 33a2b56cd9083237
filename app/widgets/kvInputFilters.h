// Keystroke filters of the wizard's entry fields: a character that a field does not take
// is dropped as it is typed (or the whole paste refused), so the library only ever
// receives text of the right alphabet.
#pragma once

#include <QLineEdit>
#include <QValidator>

namespace kv {

// Page ranges: digits, comma and hyphen.
QValidator* NewPageRangeFilter(QObject* parent);
// Page numbers, angles, durations: digits only.
QValidator* NewDigitsFilter(QObject* parent);
// Coordinates: digits and at most one decimal separator of the user's locale.
QValidator* NewDecimalFilter(QObject* parent);

// Reads a coordinate typed with the locale's separator; empty (or unreadable) gives
// `empty`.
double ReadDecimal(const QString& text, double empty);
// Reads a number typed into a digits-only field; empty gives `empty`, and digits beyond
// the integer range give the largest integer (the library then refuses the page).
int ReadDigits(const QString& text, int empty);

// Installs the filter on a line edit and returns it, for compact page layouts.
QLineEdit* WithFilter(QLineEdit* edit, QValidator* (*factory)(QObject*));

}  // namespace kv
