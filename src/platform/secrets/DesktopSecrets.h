#pragma once

#include <memory>

#include "core/settings/SecretStore.h"

namespace typelane {

// The desktop's secret store: the Secret Service over D-Bus (GNOME Keyring,
// KWallet, KeePassXC) through libsecret where the build has it. Null when this
// build has none; a store that cannot be reached at run time answers every
// call with "not kept", and the settings keep the secret themselves.
std::unique_ptr<SecretStore> OpenDesktopSecrets();

}  // namespace typelane
