// typelane: the Qt program.

#include <QApplication>
#include <QScreen>
#include <QStandardPaths>
#include <QTimer>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "core/document/Document.h"
#include "core/files/ProgramFolder.h"
#include "core/settings/SettingsStore.h"
#include "platform/recording/RecordingPlatform.h"
#include "ui/common/QtPrompter.h"
#include "ui/main/FileAssociations.h"
#include "ui/main/MainWindow.h"
#include "ui/main/SplashWindow.h"
#if defined(TYPELANE_HAVE_X11)
#include <X11/Xlib.h>

#include "platform/x11/X11Platform.h"
#endif

namespace {

std::string ExecutablePath(const char* argv0) {
  std::error_code ec;
  auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (!ec) return self.string();
  return argv0 ? argv0 : "";
}

bool Flag(int argc, char** argv, const char* flag) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], flag) == 0) return true;
  }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace typelane;
  if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
    std::cout << "typelane " << TYPELANE_VERSION << "\n";
    return 0;
  }
  // A window position given to Qt (-geometry, -qwindowgeometry) is kept;
  // otherwise the window starts maximised.
  const bool placed = Flag(argc, argv, "-geometry") || Flag(argc, argv, "-qwindowgeometry");
  const std::string folder = ProgramFolderFromPath(ExecutablePath(argc > 0 ? argv[0] : nullptr));

#if defined(TYPELANE_HAVE_X11)
  // Our X11 backend talks to the server from its own threads, beside Qt's.
  XInitThreads();
#endif
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Typelane"));
  // The window system shows our captions exactly ("Veltrax Typelane " and the
  // path): Qt would add " — " and a display name to every title that does not
  // end in it, whoever sets one (a platform theme may). An empty display name
  // ends every title.
  QGuiApplication::setApplicationDisplayName(QString());
  QApplication::setApplicationVersion(QStringLiteral(TYPELANE_VERSION));

  // Qt has taken its own options out of argv: the rest is the file to open.
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--no-splash") != 0) args.emplace_back(argv[i]);
  }

  std::unique_ptr<Platform> platform;
#if defined(TYPELANE_HAVE_X11)
  if (QGuiApplication::platformName() == QLatin1String("xcb")) {
    std::string error;
    platform = CreateX11Platform(&error);
    if (!platform) std::cerr << "typelane: " << error << "\n";
  }
#endif
  if (!platform) platform = std::make_unique<RecordingPlatform>();

  ui::QtPrompter prompter;
  IniSettingsStore settings(IniSettingsStore::DefaultPath());

  // The options come from the stored defaults as the document is made, the
  // command table from commands.dat and the delays follow it.
  Document document(prompter, settings, folder);
  document.LoadCommands({});
  document.delays.ResetToDefaults();
  document.delays.SyncCommandDelays(document.commands);

  const bool splash =
      !Flag(argc, argv, "--no-splash") && qEnvironmentVariableIsEmpty("TYPELANE_NO_SPLASH");
  if (splash) {
    auto* flash = new ui::SplashWindow;
    flash->ShowFor();
  }
  // The desktop opens .tyl and .fpb files with this program (for this user);
  // a failure here never stops the start.
  if (qEnvironmentVariableIsEmpty("TYPELANE_NO_ASSOCIATIONS")) {
    ui::WriteFileAssociations(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation),
                              QString::fromStdString(ExecutablePath(argv[0])));
  }
  ui::MainWindow window(document, *platform);
  prompter.SetParent(&window);
  window.SetCommandLine(args);
  if (placed) {
    window.show();
  } else {
    // Maximised; without a window manager that takes the screen's size too.
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
      window.setGeometry(screen->availableGeometry());
    }
    window.showMaximized();
  }
  window.activateWindow();
  return app.exec();
}
