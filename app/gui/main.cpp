// typelane: the Qt program.

#include <QApplication>
#include <QCommandLineParser>
#include <QScreen>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTimer>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "core/common/FileSystem.h"
#include "core/document/Document.h"
#include "core/files/ProgramFolder.h"
#include "core/settings/SettingsStore.h"
#include "platform/common/NoDesktopPlatform.h"
#include "platform/common/Signals.h"
#include "platform/secrets/DesktopSecrets.h"
#include "ui/common/QtPrompter.h"
#include "ui/main/DialogHost.h"
#include "ui/main/FileAssociations.h"
#include "ui/main/LoadRunner.h"
#include "ui/main/MainWindow.h"
#include "ui/main/SplashWindow.h"
#if defined(TYPELANE_HAVE_WAYLAND)
#include "platform/wayland/WaylandPlatform.h"
#endif
#if defined(TYPELANE_HAVE_X11)
#include <X11/Xlib.h>

#include "platform/x11/X11Platform.h"
#elif defined(TYPELANE_HAVE_WIN32)
#include "platform/win32/RegistrySettingsStore.h"
#include "platform/win32/Win32Platform.h"
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

// What `typelane --help` prints; the manual page typelane(1) says the same at
// more length.
const char* const kGuiUsage =
    "Usage: typelane [OPTION]... [--] [FILE]\n"
    "Enters the rows of a sheet into another program's windows.\n"
    "\n"
    "FILE (a sheet .tyl, tab-delimited text or a recording .fpb) opens when the\n"
    "window comes up; a name the shell split at its blanks is joined again.\n"
    "\n"
    "Options:\n"
    "  --no-splash          start without the splash window\n"
    "  -h, --help           show this help and exit\n"
    "  -v, --version        show the version and exit\n"
    "  --                   what follows is the file name, even if it begins with -\n"
    "Qt's own options are taken too, among them:\n"
    "  -platform NAME       the Qt platform (xcb for X11; offscreen draws nothing)\n"
    "  -display DISPLAY     the X display to use instead of $DISPLAY\n"
    "  -geometry WxH+X+Y    where the window goes (otherwise it starts maximised)\n"
    "  -style NAME          the widget style\n"
    "\n"
    "Environment:\n"
    "  TYPELANE_NO_SPLASH        when set and not empty: as --no-splash\n"
    "  TYPELANE_NO_ASSOCIATIONS  when set and not empty: the .tyl and .fpb file types\n"
    "                            are not registered for the user at start\n"
    "\n"
    "Exit status: 0 when the window is closed normally, 2 for a wrong option,\n"
    "128 + N when signal N stopped it.\n"
    "See typelane(1) and typelane-cli(1).\n";

// Qt's options that take a value: left in the arguments where a platform does
// not use them (-geometry under offscreen), their value is no file name.
const char* const kQtValueOptions[] = {"platform",
                                       "platformpluginpath",
                                       "platformtheme",
                                       "plugin",
                                       "qwindowgeometry",
                                       "qwindowicon",
                                       "qwindowtitle",
                                       "geometry",
                                       "display",
                                       "style",
                                       "stylesheet",
                                       "session",
                                       "name",
                                       "title",
                                       "visual"};

// The window's command line: the options above, a file name as the rest.
// Single-dash words are long options, as Qt's own (-platform) are.
struct GuiCommandLine {
  GuiCommandLine() {
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.addOption(help);
    parser.addOption(version);
    parser.addOption(no_splash);
    for (const char* name : kQtValueOptions) {
      parser.addOption(
          QCommandLineOption(QString::fromLatin1(name), QString(), QStringLiteral("v")));
    }
    parser.addPositionalArgument(QStringLiteral("file"), QString());
  }
  bool Parse(int argc, char** argv) {
    QStringList list;
    for (int i = 0; i < argc; ++i) list << QString::fromLocal8Bit(argv[i]);
    return parser.parse(list);
  }

  QCommandLineParser parser;
  QCommandLineOption help{{QStringLiteral("h"), QStringLiteral("help")}};
  QCommandLineOption version{{QStringLiteral("v"), QStringLiteral("version")}};
  QCommandLineOption no_splash{QStringLiteral("no-splash")};
};

// The words of the file name, as the shell handed them over: bytes untouched
// (a name need not be valid UTF-8), options and their values left out, every
// word after "--" kept.
std::vector<std::string> FileWords(int argc, char** argv) {
  std::vector<std::string> words;
  bool options_end = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (options_end || arg == "-" || !arg.starts_with('-')) {
      words.push_back(arg);
    } else if (arg == "--") {
      options_end = true;
    } else if (arg.find('=') == std::string::npos) {
      const std::string name = arg.substr(arg.find_first_not_of('-'));
      for (const char* value_option : kQtValueOptions) {
        if (name == value_option) ++i;
      }
    }
  }
  return words;
}

#if defined(TYPELANE_HAVE_X11) || defined(TYPELANE_HAVE_WAYLAND)
bool Set(const char* name) {
  const char* value = std::getenv(name);
  return value && *value;
}
#endif

#if defined(TYPELANE_HAVE_X11)

// Typelane drives X11 windows. Under a Wayland session with XWayland (DISPLAY
// set) Qt would pick Wayland, where nothing of ours could list or type into a
// window: run on XWayland instead, unless the user chose a platform with
// -platform. Returns the notice to give, "" when there is none.
std::string ChooseQtPlatform(int argc, char** argv) {
  if (Flag(argc, argv, "-platform") || Flag(argc, argv, "--platform") || !Set("DISPLAY")) {
    return {};
  }
  const char* qpa = std::getenv("QT_QPA_PLATFORM");
  const bool wayland_asked = qpa && std::strstr(qpa, "wayland") != nullptr;
  if (!wayland_asked && !(Set("WAYLAND_DISPLAY") && !(qpa && *qpa))) return {};
  qputenv("QT_QPA_PLATFORM", "xcb");
  return "Typelane runs on XWayland: only X11 windows can be loaded, native Wayland windows "
         "are not listed yet.";
}
#endif

}  // namespace

int main(int argc, char** argv) {
  using namespace typelane;
  // Help and the version need no display: they are answered before Qt starts.
  {
    GuiCommandLine early;
    early.Parse(argc, argv);
    if (early.parser.isSet(early.help)) {
      std::cout << kGuiUsage;
      return 0;
    }
    if (early.parser.isSet(early.version)) {
      std::cout << "typelane " << TYPELANE_VERSION << "\n";
      return 0;
    }
  }
  // A window position given to Qt (-geometry, -qwindowgeometry) is kept;
  // otherwise the window starts maximised.
  const bool placed = Flag(argc, argv, "-geometry") || Flag(argc, argv, "-qwindowgeometry");
  const std::string folder = ProgramFolderFromPath(ExecutablePath(argc > 0 ? argv[0] : nullptr));

  // Under a Wayland compositor that lets programs list and activate windows,
  // the loads go through it (TYPELANE_BACKEND=x11 keeps them on XWayland).
  std::unique_ptr<Platform> platform;
  std::string no_desktop;
  std::string desktop_name;
#if defined(TYPELANE_HAVE_WAYLAND)
  std::string wayland_notice;
  const char* backend = std::getenv("TYPELANE_BACKEND");
  if (Set("WAYLAND_DISPLAY") && !(backend && std::strcmp(backend, "x11") == 0)) {
    bool lacks_protocols = false;
    platform = CreateWaylandPlatform(&wayland_notice, &lacks_protocols);
    if (platform) desktop_name = static_cast<WaylandPlatform&>(*platform).DesktopName();
  }
#endif
#if defined(TYPELANE_HAVE_X11)
  std::string session_notice = platform ? std::string() : ChooseQtPlatform(argc, argv);
#if defined(TYPELANE_HAVE_WAYLAND)
  if (!platform && !wayland_notice.empty() && !session_notice.empty()) {
    session_notice = wayland_notice + " " + session_notice;
  }
#endif
  if (!session_notice.empty()) std::cerr << "typelane: " << session_notice << "\n";
  // Our X11 backend talks to the server from its own threads, beside Qt's.
  XInitThreads();
#else
  const std::string session_notice;
#endif
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Typelane"));
  // The window system shows our captions exactly ("Veltrax Typelane " and the
  // path): Qt would add " — " and a display name to every title that does not
  // end in it, whoever sets one (a platform theme may). An empty display name
  // ends every title.
  QGuiApplication::setApplicationDisplayName(QString());
  QApplication::setApplicationVersion(QStringLiteral(TYPELANE_VERSION));

  // Qt has taken its own options out of argv: the rest is ours and the file to
  // open. A wrong option is told before any window opens.
  GuiCommandLine command_line;
  if (!command_line.Parse(argc, argv)) {
    std::cerr << "typelane: " << command_line.parser.errorText().toStdString()
              << "\nTry 'typelane --help'.\n";
    return 2;
  }
  const std::vector<std::string> args = FileWords(argc, argv);

  // The desktop the loads drive. Where there is none we can drive, loads say
  // so: nothing ever pretends to have typed.
#if defined(TYPELANE_HAVE_X11)
  if (platform) {
    // Wayland, chosen above.
  } else if (QGuiApplication::platformName() != QLatin1String("xcb")) {
    no_desktop =
        "the window system is \"" + QGuiApplication::platformName().toStdString() + "\", not X11";
  } else if (!Set("DISPLAY")) {
    no_desktop = "no X display (DISPLAY is not set)";
  } else {
    platform = CreateX11Platform(&no_desktop);
    if (platform) desktop_name = "X11";
  }
#elif defined(TYPELANE_HAVE_WIN32)
  platform = CreateWin32Platform(&no_desktop);
  if (platform) desktop_name = "Windows";
#elif defined(TYPELANE_HAVE_WAYLAND)
  if (!platform) no_desktop = wayland_notice.empty() ? "no Wayland compositor" : wayland_notice;
#else
  no_desktop = "no backend for this system";
#endif
  if (!platform) {
    std::cerr << "typelane: cannot drive this desktop: " << no_desktop << "\n";
    platform = std::make_unique<NoDesktopPlatform>(no_desktop);
    desktop_name = "none (" + no_desktop + ")";
  }
  // Help > About names the backend the loads go through.
  app.setProperty("typelaneDesktop", QString::fromStdString(desktop_name));
  // A crash lets go of the keys a load holds; a stop signal ends the load
  // between two keys and the program with the signal's status.
  InstallCrashRelease(*platform);
  StopSignals stop_signals(*platform);

  ui::QtPrompter prompter;
#if defined(TYPELANE_HAVE_WIN32)
  // The user's own registry key, where the options are kept on Windows.
  win32::RegistrySettingsStore settings;
#else
  IniSettingsStore settings(IniSettingsStore::DefaultPath());
  // The sign-on password goes to the desktop's secret store; where none can be
  // reached it stays in the settings file, and the user is told so once.
  const std::unique_ptr<SecretStore> secrets = OpenDesktopSecrets();
  settings.KeepSecretsIn(secrets.get(),
                         [&prompter](const std::string& text) { prompter.Warning(text); });
#endif

  // The options come from the stored defaults as the document is made, the
  // command table from commands.dat and the delays follow it.
  Document document(prompter, settings, folder);
  document.LoadCommands({});
  document.delays.ResetToDefaults();
  document.delays.SyncCommandDelays(document.commands);

  const bool splash = !command_line.parser.isSet(command_line.no_splash) &&
                      qEnvironmentVariableIsEmpty("TYPELANE_NO_SPLASH");
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
  if (!session_notice.empty())
    window.statusBar()->showMessage(QString::fromStdString(session_notice));

  ui::LoadRunner* runner = window.Dialogs()->Runner();
  QObject::connect(runner, &ui::LoadRunner::StoppedBySignal, &app,
                   [](int signal_number) { StopSignals::ExitBySignal(signal_number); });
  // A save is running: the exit waits until it is done (a file written over
  // in place must not be left half new), looking again every 20 ms. Every
  // thread's signal ends up here, whichever thread the system handed it to.
  QTimer after_save;
  after_save.setInterval(20);
  int deferred_signal = 0;
  auto stop_for = [runner](int signal_number) {
    // Without a load there is nothing to let go of; unsaved changes cannot be
    // asked about (nobody is there to answer).
    if (!runner->StopForSignal(signal_number)) StopSignals::ExitBySignal(signal_number);
  };
  QObject::connect(&after_save, &QTimer::timeout, &app, [&] {
    if (SaveInProgress()) return;
    after_save.stop();
    stop_for(deferred_signal);
  });
  auto on_stop_signal = [&] {
    const int signal_number = stop_signals.Take();
    if (signal_number == 0) return;
    if (SaveInProgress()) {
      deferred_signal = signal_number;
      if (!after_save.isActive()) after_save.start();
      return;
    }
    stop_for(signal_number);
  };
  std::unique_ptr<QSocketNotifier> notifier;
  QTimer poll;
  if (stop_signals.ReadFd() >= 0) {
    notifier = std::make_unique<QSocketNotifier>(stop_signals.ReadFd(), QSocketNotifier::Read);
    QObject::connect(notifier.get(), &QSocketNotifier::activated, &app, on_stop_signal);
  } else {
    // No pipe on this system: look now and then.
    QObject::connect(&poll, &QTimer::timeout, &app, on_stop_signal);
    poll.start(100);
  }
  const int status = app.exec();
  UninstallCrashRelease();
  return status;
}
