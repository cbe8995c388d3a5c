// One row per operation code: how the panel looks for it, which remembered-inputs
// file fills it, which chooser it offers. INIT, the menu handlers, the choosers
// and the Execute dispatch all read this table.
#pragma once
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "client/panel/controls.h"
#include "client/panel/panel.h"
#include "client/workfiles/remembered_inputs.h"

namespace kv {

// A label or input shown by a menu pick: moved first when `at` is given; a label
// with a caption gets it.
struct Shown {
  Ctl ctl;
  std::optional<Twips> at = std::nullopt;
  std::string_view caption = {};
};

struct Operation {
  int code;
  std::string_view menuItem;
  std::string_view title;          // caption of 処理 (begins with a blank)
  std::string_view frame2Caption;
  std::string_view label1Caption;
  InputsFile inputs;
  Ctl focus;
  std::vector<Shown> labels;       // in the order they are shown
  std::vector<Shown> controls;
  std::vector<std::string_view> typeList;
  // File chooser: the Open dialog for uploads, the Save dialog for downloads.
  std::string_view filter;
  std::optional<Ctl> proposedFrom;  // Save dialog: the box whose text starts the proposed name
  std::string_view proposedExtension;

  bool IsUpload() const { return code >= 21; }
};

std::span<const Operation> AllOperations();
const Operation* FindOperation(int code);
const Operation* FindOperationByMenuItem(std::string_view menuItem);

}  // namespace kv
