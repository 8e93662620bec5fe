#pragma once

#include <string_view>

namespace typelane {

// Width of a text in pixels as the sheet grid draws its titles. The Qt user
// interface measures with the grid's font; the command-line tool and the tests
// use FixedWidthMeasure.
class TextMeasure {
 public:
  virtual ~TextMeasure() = default;
  virtual int Width(std::string_view text) const = 0;
};

// Every character the same width, plus a margin: close enough to the grid's
// default font for column widths that fit their titles.
class FixedWidthMeasure : public TextMeasure {
 public:
  explicit FixedWidthMeasure(int char_width = 7, int padding = 0)
      : char_width_(char_width), padding_(padding) {}
  // The text is the one shown (UTF-8, see DecodeText): a character is counted
  // once, whatever its bytes.
  int Width(std::string_view text) const override {
    int characters = 0;
    for (char c : text) {
      if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++characters;  // not a UTF-8 tail byte
    }
    return characters * char_width_ + padding_;
  }

 private:
  int char_width_;
  int padding_;
};

}  // namespace typelane
