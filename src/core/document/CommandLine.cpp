#include "core/document/CommandLine.h"

#include "core/common/Text.h"
#include "core/document/Document.h"

namespace typelane {

std::string JoinCommandLine(std::span<const std::string> args) {
  std::string text;
  for (const std::string& arg : args) {
    text += ' ';
    text += arg;
  }
  return std::string(TrimControl(text));
}

bool OpenFromCommandLine(Document& document, std::span<const std::string> args) {
  const std::string path = JoinCommandLine(args);
  if (path.empty()) return false;
  return document.OpenFile(path);
}

}  // namespace typelane
