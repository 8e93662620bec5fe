#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace typelane {

// Splits text at a one-character separator. A word that begins with a double
// quote runs to the next quote that is followed by the separator; without such a
// closing pair it is the rest of the text (less the opening quote, and less a
// final quote). Two separators in a row give an empty word; a separator at the
// very end gives none after it.
std::vector<std::string> SplitWords(std::string_view text, char separator);

// The same split, giving views into text (no copies), for the large readers.
void SplitWordsInto(std::string_view text, char separator, std::vector<std::string_view>& words);

// Joins words with the separator. With quote set, a word that neither begins
// nor ends with a double quote is wrapped in quotes (an empty word becomes "").
std::string JoinWords(const std::vector<std::string>& words, char separator, bool quote);

// Replaces the leftmost occurrence of find, again and again until find no longer
// occurs, so text that a replacement joins into a new occurrence is replaced
// too. A replacement that is not shorter than find is not searched again (it
// could otherwise never end).
std::string ReplaceAll(std::string_view text, std::string_view find, std::string_view replacement);

}  // namespace typelane
