#pragma once

#include <QApplication>
#include <QUrl>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "core/document/Document.h"
#include "core/settings/SettingsStore.h"
#include "platform/recording/RecordingPlatform.h"
#include "support/ScriptedPrompter.h"
#include "support/TempDir.h"
#include "ui/main/MainWindow.h"

namespace typelane::testing {

// The main window as a user gets it, over a scripted prompter, settings kept in
// memory and the recording platform. The program folder is a temporary one
// with a copy of the shipped commands.dat (conversions write droplists.dat
// there).
struct UiFixture {
  UiFixture() {
    std::filesystem::copy_file(std::string(TYPELANE_BIN_DIR) + "commands.dat",
                               temp / "commands.dat");
    document = std::make_unique<Document>(prompter, settings, temp.Folder());
    document->SetUserFolder("");  // never the user's own files
    document->LoadCommands({});
    document->delays.ResetToDefaults();
    document->delays.SyncCommandDelays(document->commands);
    window = std::make_unique<ui::MainWindow>(*document, platform);
    window->SetUrlOpener([this](const QUrl& url) {
      opened_urls.push_back(url);
      return true;
    });
  }

  // Writes bytes to a file of the temporary folder; returns its path.
  std::string WriteFile(const std::string& name, const std::string& bytes) {
    const std::string path = temp / name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }
  static std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  static std::string ExampleSheet() {
    return ReadFile(std::string(TYPELANE_SOURCE_DIR) + "/examples/orders.tyl");
  }

  TempDir temp;
  ScriptedPrompter prompter;
  MemorySettingsStore settings;
  RecordingPlatform platform;
  std::unique_ptr<Document> document;
  std::unique_ptr<ui::MainWindow> window;
  std::vector<QUrl> opened_urls;
};

}  // namespace typelane::testing
