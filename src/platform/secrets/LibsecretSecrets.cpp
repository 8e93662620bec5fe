#include <libsecret/secret.h>

#include <string>

#include "platform/secrets/DesktopSecrets.h"

namespace typelane {
namespace {

// Items are found by these attributes, so `secret-tool lookup application
// typelane user NAME` finds the same one.
const SecretSchema* PasswordSchema() {
  static const SecretSchema schema = {"com.veltrax.Typelane.SignOnPassword",
                                      SECRET_SCHEMA_DONT_MATCH_NAME,
                                      {
                                          {"application", SECRET_SCHEMA_ATTRIBUTE_STRING},
                                          {"user", SECRET_SCHEMA_ATTRIBUTE_STRING},
                                          {nullptr, SECRET_SCHEMA_ATTRIBUTE_STRING},
                                      },
                                      0,
                                      nullptr,
                                      nullptr,
                                      nullptr,
                                      nullptr,
                                      nullptr,
                                      nullptr,
                                      nullptr};
  return &schema;
}

class LibsecretSecrets : public SecretStore {
 public:
  std::optional<std::string> Lookup(std::string_view user_name) override {
    if (!Reachable()) return std::nullopt;
    const std::string user(user_name);
    GError* error = nullptr;
    gchar* secret = secret_password_lookup_sync(PasswordSchema(), nullptr, &error, "application",
                                                "typelane", "user", user.c_str(), nullptr);
    if (error != nullptr) {
      g_error_free(error);
      return std::nullopt;
    }
    if (secret == nullptr) return std::nullopt;
    std::string value(secret);
    secret_password_free(secret);
    return value;
  }

  bool Store(std::string_view user_name, std::string_view secret) override {
    if (!Reachable()) return false;
    const std::string user(user_name);
    const std::string value(secret);
    const std::string label = "Typelane sign-on password for " + user;
    GError* error = nullptr;
    const gboolean stored = secret_password_store_sync(
        PasswordSchema(), SECRET_COLLECTION_DEFAULT, label.c_str(), value.c_str(), nullptr, &error,
        "application", "typelane", "user", user.c_str(), nullptr);
    if (error != nullptr) {
      g_error_free(error);
      return false;
    }
    return stored != FALSE;
  }

  bool Remove(std::string_view user_name) override {
    if (!Reachable()) return false;
    const std::string user(user_name);
    GError* error = nullptr;
    // False without an error only means nothing was kept.
    secret_password_clear_sync(PasswordSchema(), nullptr, &error, "application", "typelane", "user",
                               user.c_str(), nullptr);
    if (error != nullptr) {
      g_error_free(error);
      return false;
    }
    return true;
  }

 private:
  // Asked once: without a session bus or a Secret Service every later call
  // would fail the same way, some only after D-Bus's own time-out.
  bool Reachable() {
    if (!checked_) {
      checked_ = true;
      GError* error = nullptr;
      SecretService* service =
          secret_service_get_sync(SECRET_SERVICE_OPEN_SESSION, nullptr, &error);
      if (error != nullptr) g_error_free(error);
      reachable_ = service != nullptr;
      if (service != nullptr) g_object_unref(service);
    }
    return reachable_;
  }

  bool checked_ = false;
  bool reachable_ = false;
};

}  // namespace

std::unique_ptr<SecretStore> OpenDesktopSecrets() { return std::make_unique<LibsecretSecrets>(); }

}  // namespace typelane
