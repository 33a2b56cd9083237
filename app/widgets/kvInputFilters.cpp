#include "app/widgets/kvInputFilters.h"

#include <QLocale>
#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <limits>

namespace kv {

QValidator* NewPageRangeFilter(QObject* parent) {
  return new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9,\\-]*")), parent);
}

QValidator* NewDigitsFilter(QObject* parent) {
  return new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), parent);
}

QValidator* NewDecimalFilter(QObject* parent) {
  QString sep = QRegularExpression::escape(QLocale().decimalPoint());
  return new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*(%1[0-9]*)?").arg(sep)), parent);
}

double ReadDecimal(const QString& text, double empty) {
  if (text.isEmpty()) return empty;
  bool ok = false;
  double v = QLocale().toDouble(text, &ok);
  if (!ok) {
    // "5." or ".5" typed with the separator at an end.
    QString padded = text;
    QString sep = QLocale().decimalPoint();
    if (padded.startsWith(sep)) padded.prepend('0');
    if (padded.endsWith(sep)) padded.append('0');
    v = QLocale().toDouble(padded, &ok);
  }
  return ok ? v : empty;
}

int ReadDigits(const QString& text, int empty) {
  if (text.isEmpty()) return empty;
  bool ok = false;
  qlonglong v = text.toLongLong(&ok);
  if (!ok || v > std::numeric_limits<int>::max()) return std::numeric_limits<int>::max();
  return static_cast<int>(v);
}

QLineEdit* WithFilter(QLineEdit* edit, QValidator* (*factory)(QObject*)) {
  edit->setValidator(factory(edit));
  return edit;
}

}  // namespace kv
