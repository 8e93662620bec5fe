#include "core/sheet/TextHelpers.h"

namespace typelane {

void SplitWordsInto(std::string_view text, char separator, std::vector<std::string_view>& words) {
  words.clear();
  size_t pos = 0;
  const size_t n = text.size();
  while (pos < n) {
    if (text[pos] == '"') {
      // Quoted word: ends at the first quote that is followed by the separator.
      size_t search = pos + 1;
      size_t close = std::string_view::npos;
      while (search < n) {
        size_t q = text.find('"', search);
        if (q == std::string_view::npos || q + 1 >= n) break;
        if (text[q + 1] == separator) {
          close = q;
          break;
        }
        search = q + 1;
      }
      if (close != std::string_view::npos) {
        words.push_back(text.substr(pos + 1, close - pos - 1));
        pos = close + 2;
        continue;
      }
      std::string_view rest = text.substr(pos + 1);
      if (!rest.empty() && rest.back() == '"') rest.remove_suffix(1);
      words.push_back(rest);
      return;
    }
    size_t sep = text.find(separator, pos);
    if (sep == std::string_view::npos) {
      words.push_back(text.substr(pos));
      return;
    }
    words.push_back(text.substr(pos, sep - pos));
    pos = sep + 1;
  }
}

std::vector<std::string> SplitWords(std::string_view text, char separator) {
  std::vector<std::string_view> views;
  SplitWordsInto(text, separator, views);
  return std::vector<std::string>(views.begin(), views.end());
}

std::string JoinWords(const std::vector<std::string>& words, char separator, bool quote) {
  std::string out;
  for (size_t i = 0; i < words.size(); ++i) {
    if (i > 0) out.push_back(separator);
    const std::string& w = words[i];
    const bool quoted = !w.empty() && (w.front() == '"' || w.back() == '"');
    if (quote && !quoted) {
      out.push_back('"');
      out += w;
      out.push_back('"');
    } else {
      out += w;
    }
  }
  return out;
}

std::string ReplaceAll(std::string_view text, std::string_view find, std::string_view replacement) {
  if (find.empty()) return std::string(text);
  std::string out;
  out.reserve(text.size());
  if (replacement.size() >= find.size()) {
    // A replacement as long as find or longer is not searched again, so the
    // call always ends (a replacement holding find would otherwise grow the text
    // for ever). Every such use replaces text that cannot reappear.
    size_t pos = 0;
    while (true) {
      size_t hit = text.find(find, pos);
      if (hit == std::string_view::npos) break;
      out.append(text.substr(pos, hit - pos));
      out.append(replacement);
      pos = hit + find.size();
    }
    out.append(text.substr(pos));
    return out;
  }
  // The leftmost occurrence is replaced again and again until none is left, so
  // a replacement that joins the text around it into a new occurrence is
  // replaced too ("mmirir" without "mir" is "m"). out never holds an occurrence;
  // characters still to read are kept reversed in pending, and a replacement goes
  // back in front of them, so it is read again with what follows. Each
  // replacement shortens the text, which keeps this linear in practice.
  std::string pending(text.rbegin(), text.rend());
  while (!pending.empty()) {
    out.push_back(pending.back());
    pending.pop_back();
    if (out.size() >= find.size() &&
        std::string_view(out).substr(out.size() - find.size()) == find) {
      out.resize(out.size() - find.size());
      pending.append(replacement.rbegin(), replacement.rend());
    }
  }
  return out;
}

}  // namespace typelane
