#pragma once

#include "core/config/text_table.h"
#include "core/shell/operator.h"
#include "gui/shell/file_dialogs.h"
#include "gui/shell/text_bindings.h"

namespace atalaya {

// What every page needs from the main window that owns it.
struct PageContext {
  const TextTable& texts;
  TextBindings& bindings;
  FileDialogs& dialogs;
  Operator& user;
};

}  // namespace atalaya
