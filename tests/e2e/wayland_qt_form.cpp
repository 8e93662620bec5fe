// A native data-entry form in Qt 6 for the Wayland load test:
//   QT_QPA_PLATFORM=wayland wayland_qt_form OUT TITLE FIELDS
// FIELDS line edits, the first one focused. Ctrl+S writes the fields to OUT,
// joined by "|" and ending in a newline, in one rename. Prints "ready" once the
// window is up.

#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QShortcut>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>
#include <cstdio>
#include <vector>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc != 4) {
    std::fprintf(stderr, "usage: wayland_qt_form OUT TITLE FIELDS\n");
    return 2;
  }
  const QString out = QString::fromLocal8Bit(argv[1]);
  QWidget window;
  window.setWindowTitle(QString::fromUtf8(argv[2]));
  window.resize(400, 200);
  auto* layout = new QVBoxLayout(&window);
  std::vector<QLineEdit*> fields;
  for (int i = 0; i < std::atoi(argv[3]); ++i) {
    fields.push_back(new QLineEdit(&window));
    layout->addWidget(fields.back());
  }
  auto* save = new QShortcut(QKeySequence(QStringLiteral("Ctrl+S")), &window);
  QObject::connect(save, &QShortcut::activated, [&] {
    QByteArray data;
    for (size_t i = 0; i < fields.size(); ++i) {
      if (i > 0) data += '|';
      data += fields[i]->text().toUtf8();
    }
    data += '\n';
    QFile part(out + QStringLiteral(".part"));
    if (part.open(QIODevice::WriteOnly) && part.write(data) == data.size()) {
      part.close();
      QFile::remove(out);
      part.rename(out);
    }
  });
  window.show();
  if (!fields.empty()) fields.front()->setFocus();
  QTimer::singleShot(0, [] {
    std::printf("ready\n");
    std::fflush(stdout);
  });
  return app.exec();
}
