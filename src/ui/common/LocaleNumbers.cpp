#include "ui/common/LocaleNumbers.h"

#include <QLocale>

#include "core/common/Numbers.h"

namespace typelane::ui {

QString SecondsText(double seconds) {
  QString text = QString::fromStdString(FormatFloat(seconds));
  text.replace(QLatin1Char('.'), QLocale().decimalPoint());
  return text;
}

std::optional<double> ReadSeconds(const QString& text) {
  QLocale locale;
  // A group separator is never part of a delay: "1,5" must not read as 15.
  locale.setNumberOptions(QLocale::RejectGroupSeparator | QLocale::OmitGroupSeparator);
  bool ok = false;
  const double value = locale.toDouble(text.trimmed(), &ok);
  if (!ok) return std::nullopt;
  return value;
}

QString NotAFloatMessage(const QString& text) {
  return QStringLiteral("'%1' is not a valid floating point value").arg(text);
}

}  // namespace typelane::ui
