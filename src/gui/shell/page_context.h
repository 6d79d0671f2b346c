#pragma once

#include "core/config/text_table.h"
#include "core/shell/operator.h"
#include "gui/shell/file_dialogs.h"
#include "gui/shell/anchored_page.h"
#include "gui/shell/text_bindings.h"

class QTabWidget;

namespace atalaya {

// What every page needs from the main window that owns it.
struct PageContext {
  const TextTable& texts;
  TextBindings& bindings;
  FileDialogs& dialogs;
  Operator& user;
};

// Adds an inner page named `name` to `tabs`, its tab captioned by text `caption_key`.
AnchoredPage* AddSheet(QTabWidget* tabs, const char* name, int caption_key,
                       TextBindings& bindings);

}  // namespace atalaya
