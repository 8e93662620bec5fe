#include "ui/common/FileFilters.h"

#include "ui/common/CellText.h"

namespace typelane::ui {

QStringList NameFilters(std::string_view filter) {
  const QStringList parts = BytesToText(filter).split(QLatin1Char('|'));
  QStringList filters;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    QString description = parts[i].trimmed();
    QStringList patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (QString& p : patterns) {
      p = p.trimmed();
      if (p == QLatin1String("*.*")) p = QStringLiteral("*");
    }
    const QString pattern_text = patterns.join(QLatin1Char(' '));
    // QFileDialog takes the patterns from the last parentheses: a description
    // that already shows them in its own words ("Typelane File (*.tyl)") gets
    // the real ones put in their place.
    const qsizetype open = description.lastIndexOf(QLatin1Char('('));
    if (open >= 0 && description.endsWith(QLatin1Char(')'))) {
      const QString shown = description.mid(open + 1, description.size() - open - 2);
      const QString shown_fixed = shown == QLatin1String("*.*") ? QStringLiteral("*") : shown;
      if (shown_fixed.compare(pattern_text, Qt::CaseInsensitive) == 0) {
        description = description.left(open) + QLatin1Char('(') + shown_fixed + QLatin1Char(')');
      } else {
        description = description.left(open).trimmed() + QStringLiteral(" (") + pattern_text +
                      QLatin1Char(')');
      }
    } else {
      description += QStringLiteral(" (") + pattern_text + QLatin1Char(')');
    }
    filters << description;
  }
  return filters;
}

}  // namespace typelane::ui
