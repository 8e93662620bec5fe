#include "platform/secrets/DesktopSecrets.h"

namespace typelane {

// Built without libsecret (and on Windows, where the settings are the user's
// own registry key): no secret store.
std::unique_ptr<SecretStore> OpenDesktopSecrets() { return nullptr; }

}  // namespace typelane
