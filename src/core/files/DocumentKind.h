#pragma once

#include <string_view>

namespace typelane {

// What a file is: the number is also the file-type index of the file dialogs.
enum class DocumentKind : int { kSheetFile = 1, kTabDelimited = 2, kPlayback = 3 };

// File-type lists of the file dialogs: pairs of description and pattern. The
// position of a type (from 1) is the document kind it opens or saves as.
inline constexpr std::string_view kOpenFilter =
    "Typelane File (*.tyl)|*.tyl|Tab Delimited File (*.*)|*.*|Form File (*.fpb)|*.fpb";
inline constexpr std::string_view kSaveFilter =
    "Typelane File (*.tyl)|*.TYL|Tab delimited file (*.*)|*.*";
inline constexpr std::string_view kSaveFilterPlayback =
    "Typelane File (*.tyl)|*.TYL|Tab delimited file (*.*)|*.*|Forms Playback file (*.fpb)|*.fpb";

// The save dialog's file types for a kind: the playback type is offered only
// for a converted recording. The kind number is the index of its own type.
inline std::string_view SaveFileFilter(DocumentKind kind) {
  return kind == DocumentKind::kPlayback ? kSaveFilterPlayback : kSaveFilter;
}

}  // namespace typelane
