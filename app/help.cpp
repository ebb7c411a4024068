// Help pages in the desktop's viewer, the About box, and the Help process.
#include "core/arena.h"
#include "core/messages.h"
#include "core/slots.h"
#include "core/version.h"
#include "definitions/definitions.h"
#include "app/menu.h"
#include "output/viewers.h"
#include "paths/paths.h"
#include "ui/dialogs.h"

namespace app {

namespace {

constexpr Text kIndexPage = "index.html"_t;

// A page in the definition folders, then the help folder; empty when missing.
Text find_page(Text name) { return ui::help_file_find(name, defs::kFtHelp); }

}  // namespace

Status help_pages() {
  core::ArenaScope scope;
  Text prefix = core::text_sub(core::slot_get(core::kGroupEnv, core::kEnvApName), 0, 2);
  Text page = find_page(core::text_concat(prefix, kIndexPage));
  if (page.empty()) page = find_page(kIndexPage);
  // Last, the page of the current folder.
  if (page.empty() && paths::path_exists(kIndexPage)) page = paths::path_resolve(paths::path_current_folder(), kIndexPage);
  if (page.empty()) {
    Text help_folder = core::slot_get(core::kGroupEnv, core::kEnvHelpPath);
    Text missing = paths::path_join(help_folder, kIndexPage);
    Text text = core::text_concat(core::text_concat(core::message_text_c("0072"), "\r\n"_t), missing);
    ui::info_box(core::message_text_c("0071"), text);
    return 0;
  }
  if (output::viewer_open(output::kViewerHelp, page, output::kRunNoWait) == output::kViewerNotFound) {
    ui::message_box(page, core::message_text_c("0071"), ui::kBoxWarning);
  }
  return 0;
}

void about_box() {
  core::ArenaScope scope;
  Text name = core::slot_get(core::kGroupEnv, core::kEnvApName);
  Text description = core::slot_get(core::kGroupEnv, core::kEnvApDescrip);
  Text text = core::text_format(1024, "%.*s\r\n%.*s\r\n\r\napprun %s", static_cast<int>(name.len), name.ptr,
                                static_cast<int>(description.len), description.ptr, core::kVersion);
  ui::info_box(core::message_text_c("0075"), text);
}

Status help_process(Text argument) {
  if (core::text_trim(argument, core::kTrimBoth).empty()) return help_pages();
  about_box();
  return 0;
}

}  // namespace app
