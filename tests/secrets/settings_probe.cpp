// Drives the settings as the programs do (the user's settings file with the
// desktop's secret store), for the keyring test:
//
//   settings_probe FILE save USER PASSWORD...  Make Default once per password
//   settings_probe FILE load                   prints the stored password
//   settings_probe FILE touch                  writes a value that is no secret
//
// What the user would be told goes to stderr.
#include <cstring>
#include <iostream>
#include <string>

#include "core/settings/Options.h"
#include "core/settings/SettingsStore.h"
#include "platform/secrets/DesktopSecrets.h"

int main(int argc, char** argv) {
  using namespace typelane;
  if (argc < 3) {
    std::cerr << "usage: settings_probe FILE save USER PASSWORD... | load | touch\n";
    return 2;
  }
  IniSettingsStore store(argv[1]);
  auto secrets = OpenDesktopSecrets();
  store.KeepSecretsIn(secrets.get(),
                      [](const std::string& text) { std::cerr << "warning: " << text << "\n"; });
  const std::string command = argv[2];
  if (command == "save" && argc >= 5) {
    Options options = LoadOptionDefaults(store);
    options.user_name = argv[3];
    for (int i = 4; i < argc; ++i) {
      options.password = argv[i];
      if (!SaveOptionDefaults(store, options)) return 1;
    }
    return 0;
  }
  if (command == "load") {
    std::cout << LoadOptionDefaults(store).password << "\n";
    return 0;
  }
  if (command == "touch") {
    return store.WriteInt("Software\\Veltrax\\Typelane\\RecentFiles", "Touched", 1) ? 0 : 1;
  }
  std::cerr << "settings_probe: unknown command " << command << "\n";
  return 2;
}
