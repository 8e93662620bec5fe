// Feeds thousands of damaged versions of real files to every reader. Built with
// the address and undefined-behaviour sanitizers, so a read past a buffer or a
// leak fails the test, not only a crash.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "FuzzTargets.h"

namespace typelane::fuzz {
namespace {

std::string Slurp(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

std::vector<std::string> Seeds(const std::vector<std::string>& relative_paths) {
  std::vector<std::string> seeds;
  for (const auto& rel : relative_paths) {
    std::filesystem::path p = std::filesystem::path(TYPELANE_SOURCE_DIR) / rel;
    if (std::filesystem::is_directory(p)) {
      for (const auto& entry : std::filesystem::directory_iterator(p)) {
        if (entry.is_regular_file()) seeds.push_back(Slurp(entry.path()));
      }
    } else if (std::filesystem::exists(p)) {
      seeds.push_back(Slurp(p));
    }
  }
  return seeds;
}

// Damage of the kinds real files suffer, and of the kinds that reach corners of
// the readers: cut lines, stray separators, markers and keywords in the wrong
// place, huge numbers, quotes.
class Mutator {
 public:
  explicit Mutator(std::uint32_t seed) : rng_(seed) {}

  std::string Mutate(std::string text) {
    const int steps = 1 + Pick(4);
    for (int i = 0; i < steps; ++i) Step(text);
    return text;
  }

 private:
  int Pick(int n) { return static_cast<int>(rng_() % static_cast<std::uint32_t>(n)); }

  void Step(std::string& t) {
    static const std::vector<std::string> kTokens = {"\t",
                                                     "\r\n",
                                                     "\r",
                                                     "\n",
                                                     "\"",
                                                     "=",
                                                     ",",
                                                     ":",
                                                     ".",
                                                     "-1",
                                                     "0",
                                                     "99999999999",
                                                     "2147483647",
                                                     "-2147483648",
                                                     "%CRLF%",
                                                     "enddata",
                                                     "begindata",
                                                     "enddelays",
                                                     "beginheader",
                                                     "endheader",
                                                     "beginother",
                                                     "endother",
                                                     "beginoptions",
                                                     "endoptions",
                                                     "beginformat",
                                                     "endformat",
                                                     "begincommands",
                                                     "endcommands",
                                                     "ColumnWidth",
                                                     "Comment",
                                                     "ColumnWidth99999999=5",
                                                     "Comment3,1048577=x",
                                                     "VALUE ",
                                                     "LOV ",
                                                     "CLICK ",
                                                     "USER_EXIT LOV ",
                                                     "USER_EXIT FLEX UPDATE ",
                                                     "##BLOCKS",
                                                     "##DESC=",
                                                     "##WIDTH=",
                                                     "##TITLE=",
                                                     "##COMMENT=",
                                                     "##NewRecord:",
                                                     "FNDSCSGN",
                                                     "# Forms 6.0 Event File",
                                                     "[Software]",
                                                     "=i:",
                                                     "=s:",
                                                     "\xff",
                                                     std::string(1, '\0'),
                                                     "*SL(",
                                                     "{TAB 999}"};
    const int kind = Pick(7);
    const size_t n = t.size();
    const size_t at = n ? static_cast<size_t>(rng_() % (n + 1)) : 0;
    switch (kind) {
      case 0:  // flip a byte
        if (n) t[at % n] = static_cast<char>(rng_());
        break;
      case 1:  // insert a token
        t.insert(at, kTokens[static_cast<size_t>(Pick(static_cast<int>(kTokens.size())))]);
        break;
      case 2: {  // cut a stretch
        size_t len = static_cast<size_t>(Pick(64));
        if (at < n) t.erase(at, len);
        break;
      }
      case 3: {  // repeat a stretch
        size_t len = static_cast<size_t>(Pick(200));
        if (at < n) t.insert(at, t.substr(at, len));
        break;
      }
      case 4:  // end the file early
        t.resize(at);
        break;
      case 5: {  // a line break somewhere
        t.insert(at, Pick(2) ? "\r\n" : "\n");
        break;
      }
      default: {  // swap two stretches
        if (n < 4) break;
        size_t a = static_cast<size_t>(rng_() % n), b = static_cast<size_t>(rng_() % n);
        std::swap(t[a], t[b]);
        break;
      }
    }
  }

  std::mt19937 rng_;
};

void FeedDamaged(const std::vector<std::string>& seeds,
                 const std::function<void(const std::uint8_t*, std::size_t)>& target, int rounds) {
  ASSERT_FALSE(seeds.empty());
  Mutator mutator(20261208);
  // The seeds themselves, the empty file, then damaged copies.
  for (const auto& s : seeds) target(reinterpret_cast<const std::uint8_t*>(s.data()), s.size());
  target(nullptr, 0);
  for (int i = 0; i < rounds; ++i) {
    std::string input = mutator.Mutate(seeds[static_cast<size_t>(i) % seeds.size()]);
    target(reinterpret_cast<const std::uint8_t*>(input.data()), input.size());
  }
}

TEST(ReaderRobustness, SheetFilesSurviveDamage) {
  FeedDamaged(Seeds({"examples", "tests/e2e/data"}), SheetFileTarget, 3000);
}

TEST(ReaderRobustness, TabDelimitedFilesSurviveDamage) {
  FeedDamaged(Seeds({"examples", "data/commands.dat"}), TabDelimitedTarget, 3000);
}

TEST(ReaderRobustness, PlaybackRecordingsSurviveDamage) {
  FeedDamaged(Seeds({"tests/data/playback"}), PlaybackTarget, 3000);
}

TEST(ReaderRobustness, CommandTablesSurviveDamage) {
  FeedDamaged(Seeds({"data/commands.dat"}), CommandTableTarget, 2000);
}

TEST(ReaderRobustness, SettingsFilesSurviveDamage) {
  const std::string ini =
      "[Software\\Veltrax\\Typelane\\Options]\r\nHourGlass=i:1\r\nUserName=s:ab%CR%%LF%c%%\r\n"
      "DataColour=i:255\r\n[Software\\Veltrax\\Typelane\\RecentFiles]\r\nFile1=s:/tmp/a.tyl\r\n";
  FeedDamaged({ini}, SettingsTarget, 500);
}

TEST(ReaderRobustness, ClipboardBlocksSurviveDamage) {
  const std::string block = std::string("a\tb\tc\r\n\r\nd\t\xE9\r\n") + '\0' +
                            "Comment1,1=x\r\nComment3,2=two%CRLF%lines\r\nComment2,3=\r\n";
  FeedDamaged({block, "x\ty\nz"}, ClipboardTarget, 3000);
}

}  // namespace
}  // namespace typelane::fuzz
