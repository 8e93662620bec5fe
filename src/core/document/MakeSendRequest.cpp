#include "core/document/MakeSendRequest.h"

#include "core/document/Document.h"

namespace typelane {

SendRequest MakeSendRequest(const Document& document, const SendChoice& choice) {
  SendRequest request;
  request.all_cells = choice.all_cells;
  request.selection = choice.all_cells ? WholeExtent(document.sheet) : choice.selection;
  request.window_title = choice.window_title.value_or(document.window_title);
  request.group = choice.group.value_or(document.command_group);
  request.auto_tab = document.auto_tab;
  request.progress_bar = document.options.progress_bar;
  request.hour_glass = document.options.hour_glass;
  request.verify_paste = document.options.verify_paste;
  return request;
}

}  // namespace typelane
