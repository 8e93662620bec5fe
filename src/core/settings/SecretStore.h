#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace typelane {

// Where the desktop keeps secrets for its user (the Secret Service that GNOME
// Keyring and KWallet serve): the sign-on password lives there, one per user
// name, so no file of ours holds it. The platform layer provides the real one.
class SecretStore {
 public:
  virtual ~SecretStore() = default;

  // The secret kept for user_name; nothing when none is kept or the store
  // cannot be reached.
  virtual std::optional<std::string> Lookup(std::string_view user_name) = 0;
  // False when the store cannot be reached or refuses.
  virtual bool Store(std::string_view user_name, std::string_view secret) = 0;
  // Forgets the secret of user_name (true also when there was none). False
  // when the store cannot be reached or refuses.
  virtual bool Remove(std::string_view user_name) = 0;
};

}  // namespace typelane
