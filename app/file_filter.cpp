#include "app/file_filter.h"

#include <QRegularExpression>
#include <QString>

namespace {

// The description usually repeats its patterns in parentheses; Qt reads the
// patterns from the last parentheses, so they are written once, in Qt's form.
QString DescriptionWithoutPatterns(const QString& description) {
  static const QRegularExpression trailingPatterns(QStringLiteral(R"(\s*\([^()]*\)\s*$)"));
  return QString(description).remove(trailingPatterns).trimmed();
}

QString QtPatterns(const QString& patterns) {
  QStringList result;
  for (const QString& pattern : patterns.split(u';', Qt::SkipEmptyParts)) {
    const QString trimmed = pattern.trimmed();
    if (trimmed.isEmpty()) continue;
    result << (trimmed == QStringLiteral("*.*") ? QStringLiteral("*") : trimmed);
  }
  return result.join(u' ');
}

}  // namespace

QStringList ToQtNameFilters(std::string_view filter) {
  const QStringList items = QString::fromUtf8(filter.data(), static_cast<qsizetype>(filter.size())).split(u'|');
  QStringList filters;
  for (qsizetype i = 0; i + 1 < items.size(); i += 2) {
    const QString patterns = QtPatterns(items[i + 1]);
    if (items[i].isEmpty() || patterns.isEmpty()) break;  // the "||" that ends the list
    filters << DescriptionWithoutPatterns(items[i]) + QStringLiteral(" (") + patterns + u')';
  }
  return filters;
}
