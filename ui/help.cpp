// Help topics: a numbered section of a help file shown in an information box.
#include <string>
#include <vector>

#include "core/arena.h"
#include "core/errors.h"
#include "core/messages.h"
#include "core/slots.h"
#include "definitions/definitions.h"
#include "paths/paths.h"
#include "ui/defs.h"
#include "ui/dialogs.h"
#include "ui/forms.h"

namespace ui {

namespace {

constexpr int kLayoutTopics = 1;       // up to 100 topics
constexpr int kLayoutManyTopics = 3;   // above 100
constexpr int kFewTopics = 100;

Text find_help(Text name) { return help_file_find(name, defs::kFtHelp); }

}  // namespace

Text help_file_find(Text name, uint16_t type) {
  core::ArenaScope scope;
  Text found = defs::def_file_find(name, type);
  if (!found.empty()) return scope.keep(found);
  Text help_folder = core::slot_get(core::kGroupEnv, core::kEnvHelpPath);
  if (help_folder.empty()) return core::text_copy(Text{});
  Text path = paths::path_find_file(help_folder, name);
  return path.ok() ? scope.keep(path) : core::text_copy(Text{});
}

Status help_topic(Text file_and_topic) {
  core::ArenaScope scope;
  Text name = core::text_trim(core::list_field(file_and_topic, ',', 1), core::kTrimBoth);
  int topic = core::list_field_int(file_and_topic, ',', 2);
  if (name.empty()) {
    Text prefix = core::text_sub(core::slot_get(core::kGroupEnv, core::kEnvApName), 0, 2);
    name = core::text_concat(prefix, "HELP.HLP"_t);
  }
  Text path = find_help(name);
  if (path.empty()) path = find_help(core::language_file_name(name));
  std::vector<std::string> lines;
  if (path.empty() ||
      definition_section_lines(path, topic <= kFewTopics ? kLayoutTopics : kLayoutManyTopics, topic, &lines) != 0 ||
      lines.empty()) {
    core::report_detail(core::FILENOTFOUND, file_and_topic, false);
    return core::FILENOTFOUND;
  }
  std::string text;
  for (size_t i = 1; i < lines.size(); ++i) text += (i == 1 ? "" : "\r\n") + lines[i];
  info_box(core::text_view(lines[0].data(), lines[0].size()), core::text_view(text.data(), text.size()));
  return 0;
}

Status field_help(int field) {
  core::ArenaScope scope;
  Text topic = core::text_concat(core::text_concat(defs::def_key_raw(defs::kKeyHelp), ","_t),
                                 core::int_to_text(field));
  if (ProcessFunction fn = process_function(kProcessHelp)) return fn(topic);
  return help_topic(topic);
}

}  // namespace ui
