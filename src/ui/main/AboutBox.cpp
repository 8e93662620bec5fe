#include "ui/main/AboutBox.h"

#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/main/Maker.h"

namespace typelane::ui {
namespace {

QLabel* CentredLabel(const QString& name, const QString& text, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(name);
  label->setAlignment(Qt::AlignCenter);
  return label;
}

QPlainTextEdit* Memo(const QString& name, const QString& text, QWidget* parent) {
  auto* memo = new QPlainTextEdit(parent);
  memo->setObjectName(name);
  memo->setReadOnly(true);
  memo->setFrameShape(QFrame::NoFrame);
  memo->setPlainText(text);
  memo->setFocusPolicy(Qt::NoFocus);
  memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  memo->setStyleSheet(QStringLiteral("background: transparent;"));
  QTextOption centred(Qt::AlignCenter);
  memo->document()->setDefaultTextOption(centred);
  return memo;
}

}  // namespace

AboutBox::AboutBox(std::function<void(const QUrl&)> open_url, QWidget* parent)
    : QDialog(parent), open_url_(std::move(open_url)) {
  setObjectName(QStringLiteral("frmAbout"));
  setWindowTitle(QStringLiteral("About Veltrax Typelane"));
  setWindowFlags(windowFlags() | Qt::WindowStaysOnTopHint);
  setFixedSize(330, qApp->property("typelaneDesktop").toString().isEmpty() ? 264 : 288);
  setModal(true);

  auto* layout = new QVBoxLayout(this);
  QLabel* product =
      CentredLabel(QStringLiteral("lblProduct"), QStringLiteral("Veltrax Typelane"), this);
  QFont big = product->font();
  big.setPointSizeF(big.pointSizeF() * 1.5);
  big.setBold(true);
  product->setFont(big);
  layout->addWidget(product);
  layout->addWidget(CentredLabel(QStringLiteral("lblVersion"),
                                 QStringLiteral("Version " TYPELANE_VERSION), this));
  // The desktop backend the loads go through, as the program chose it at
  // start (X11, Wayland, Windows).
  const QString desktop = qApp->property("typelaneDesktop").toString();
  if (!desktop.isEmpty()) {
    layout->addWidget(
        CentredLabel(QStringLiteral("lblDesktop"), QStringLiteral("Desktop: ") + desktop, this));
  }
  for (const auto& [name, text] :
       {std::pair{QStringLiteral("lblURL"), QString::fromLatin1(kMakerWeb)},
        std::pair{QStringLiteral("lblEmail"), QString::fromLatin1(kMakerEmail)}}) {
    QLabel* link = CentredLabel(name, text, this);
    link->setCursor(Qt::PointingHandCursor);
    link->setStyleSheet(QStringLiteral("color: blue; text-decoration: underline;"));
    link->installEventFilter(this);
    layout->addWidget(link);
  }
  layout->addWidget(Memo(QStringLiteral("Memo1"),
                         QStringLiteral("For support information and terms of use \n"
                                        "and distribution please see the help file."),
                         this));
  layout->addWidget(Memo(QStringLiteral("Memo2"),
                         QStringLiteral("Typelane keys your records into other programs' "
                                        "screens, the way an operator would.\n(c) Veltrax"),
                         this));
  auto* ok = new QPushButton(QStringLiteral("OK"), this);
  ok->setObjectName(QStringLiteral("btmOK"));
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  layout->addWidget(ok, 0, Qt::AlignHCenter);
}

bool AboutBox::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonRelease) {
    auto* mouse = static_cast<QMouseEvent*>(event);
    if (mouse->button() == Qt::LeftButton) {
      if (watched->objectName() == QLatin1String("lblURL")) {
        // The label's own text is the address.
        open_url_(QUrl(static_cast<QLabel*>(watched)->text()));
        return true;
      }
      if (watched->objectName() == QLatin1String("lblEmail")) {
        open_url_(QUrl(QStringLiteral("mailto:") + static_cast<QLabel*>(watched)->text() +
                       QStringLiteral("?Subject=Typelane Enquiry")));
        return true;
      }
    }
  }
  return QDialog::eventFilter(watched, event);
}

}  // namespace typelane::ui
