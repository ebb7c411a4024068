// Importing lines into a document (the Importar button): an import set is
// chosen from MNU_IMPORT$, its form asks what to import, and its copy loop
// reads records of a data file and adds each one it accepts as a line. The
// lines go into the line store like typed ones, so they are written with
// the document when it is saved (in its transaction), or not at all.
//
// LOAD_IMPORT$ is "file,section": the parameter file of the import sets
// (the screen's own when empty) and the section of MNU_IMPORT$'s first
// entry; entry n is the section after it by n - 1. An import set's keys:
//   WINNAME$, ACBOUND$   the title and fields of its form (message 0058's
//                        title when it has none); leaving the form ends it
//   SOURCEFILE%          the data file read (a name or number; the lines' file)
//   SET$                 the start: must give 1 (it places the file, with
//                        FILELOCATE or FILEFIND)
//   RD_COND$             a record is taken when it gives 1 (or is empty)
//   WR_EXP$              run with the lines' file current on the record
//                        taken (a record of another file leaves a blank
//                        line to fill); the line is added when it gives 1
//                        (or is empty)
//   EOT_EXP$             the loop ends when it gives anything but 0, or at
//                        the end of the file
//
// AUTO_IMPORT$ names a set that runs by itself, once in the window, when
// the user first enters the lines of a new document (action 35): an entry
// of MNU_IMPORT$ by its text, or a set by its number, counted as
// MNU_IMPORT$'s entries are (so a set can run by itself without being
// offered by Importar). Its copy loop runs without its form: what the form
// would ask the application sets beforehand. Bit 32 of status word 21 says
// it has run; the window clears it when it opens, and an application that
// wants the import for every new document clears it again (in SAVED$).
#include <chrono>
#include <string>

#include "core/arena.h"
#include "core/errors.h"
#include "core/messages.h"
#include "data/access.h"
#include "data/dictionary.h"
#include "data/records.h"
#include "script/eval.h"
#include "script/variables.h"
#include "definitions/definitions.h"
#include "ui/dialogs.h"
#include "ui/forms.h"
#include "ui/internal/doc_state.h"

namespace ui::internal {

namespace {

constexpr int kLayoutParams = 1;
constexpr std::chrono::milliseconds kQuietImport{500};

// An expression of the import set that must give 1 (an empty one does),
// with a file current: 1, 0, or an error of 128 and more.
Status holds(uint16_t code, uint16_t file) {
  core::ArenaScope scope;
  Text text = defs::def_key_raw(code);
  if (text.empty()) return 1;
  script::Value v;
  Status st = expr_in_file(text, file, &v);
  if (st != 0) return st >= 128 ? st : Status{0};
  return !v.is_text() && v.number != 0 ? 1 : 0;
}

Status source_file(const DocWindow& d, uint16_t* file) {
  core::ArenaScope scope;
  Text name = core::text_trim(core::text_unquote(defs::def_key_raw(defs::kKeySourceFile)), core::kTrimBoth);
  *file = name.empty() || core::text_equal(name, "0"_t) ? d.lines.file : data::dict_file_by_ref(name);
  if (*file != 0) return data::buffer_is_open(*file) ? Status{0} : data::access_open(*file, 1);
  core::report_detail(core::FILESOPEN, name, false);
  return core::error_record(core::kRecord, core::Context::Screen, core::FILESOPEN, core::FILESOPEN);
}

// The copy loop; the number of lines added in *added.
Status copy_loop(DocWindow* d, int* added) {
  uint16_t source = 0;
  Status st = source_file(*d, &source);
  if (st != 0) return st;
  uint16_t lines = d->lines.file;
  st = holds(defs::kKeySet, source);
  if (st != 1) return st >= 128 ? st : Status{0};
  // A long import shows the progress window, which can cancel it.
  auto start = std::chrono::steady_clock::now();
  bool shown = false;
  while (data::access_status(source) == 0) {
    Status end = holds(defs::kKeyEotExp, source);
    if (end >= 128) {
      st = end;
      break;
    }
    if (!defs::def_key_raw(defs::kKeyEotExp).empty() && end != 0) break;
    st = holds(defs::kKeyRdCond, source);
    if (st >= 128) break;
    if (st == 1) {
      if (source != lines && (st = data::buffer_clear(lines)) != 0) break;
      st = holds(defs::kKeyWrExp, lines);
      if (st >= 128) break;
      if (st == 1) {
        int n = line_count() + 1;
        if (n > script::var_get_int(core::kSwLMax)) {
          st = core::error_record(core::kRecord, core::Context::Screen, core::DATAOUTBOUND, core::DATAOUTBOUND);
          break;
        }
        st = line_store_put(&d->store, n, data::buffer_get(lines, data::Buffer::Current));
        if (st != 0) break;
        ++*added;
      }
    }
    if (!shown && std::chrono::steady_clock::now() - start > kQuietImport) {
      progress_open(0, kProgressCyclicTotal, false);
      shown = true;
    }
    st = shown ? progress_tick(2) : Status{0};
    if (st != 0) break;
    st = data::access_navigate(source, data::kNavNext);
    if (st >= 128) break;
    st = 0;
  }
  if (shown) progress_close();
  return st == core::CANCELLED || st < 122 ? Status{0} : st;
}

// The import set of the chosen entry: pushed on the definition stack.
Status load_set(const DocWindow& d, int entry) {
  core::ArenaScope scope;
  Text load = defs::def_key_raw(defs::kKeyLoadImport);
  Text file = core::text_trim(core::text_unquote(core::list_field(load, ',', 1)), core::kTrimBoth);
  if (file.empty()) file = core::text_view(d.head.args.screen);
  int first = core::list_field_int(load, ',', 2);
  int section = (first > 0 ? first : d.head.args.section + 1) + entry - 1;
  Text path = defs::def_file_find(defs::def_name_with_type(file, defs::kFtParams), defs::kFtParams);
  if (path.empty()) {
    core::report_detail(core::FILENOTFOUND, file, false);
    return core::error_record(core::kRecord, core::Context::Screen, core::FILENOTFOUND, core::FILENOTFOUND);
  }
  int32_t st = defs::def_section_load_or_empty(path, kLayoutParams, section);
  if (st >= 128) return static_cast<Status>(st);
  // A set that is not there would copy whatever the lines' file holds.
  if (core::text_trim(defs::def_section_current(), core::kTrimBoth).empty()) {
    static_cast<void>(defs::def_section_release());
    core::report_detail(core::DATAOUTBOUND, core::text_concat(core::text_concat(path, ","_t), core::int_to_text(section)), false);
    return core::error_record(core::kRecord, core::Context::Screen, core::DATAOUTBOUND, core::DATAOUTBOUND);
  }
  return 0;
}

// The set AUTO_IMPORT$ names: its entry in MNU_IMPORT$, else its number.
// 0 when it names none.
int auto_entry(Text name) {
  core::ArenaScope scope;
  Text menu = defs::def_key_raw(defs::kKeyMnuImport);
  for (uint16_t i = 1; i <= core::list_count(menu, ','); ++i) {
    Text entry = core::text_trim(core::text_unquote(core::text_trim(core::list_field(menu, ',', i), core::kTrimBoth)),
                                 core::kTrimBoth);
    if (core::text_equal(entry, name)) return i;
  }
  int n = core::text_to_int(name);
  return n > 0 && core::text_equal(core::text_trim(core::int_to_text(n), core::kTrimBoth), name) ? n : 0;
}

// After a set is loaded: its copy loop (unless st already failed), the set
// taken off the definition stack, the lines' buffer put back as it was
// (kept) and the lines added shown with their totals. *added: how many.
Status copy_and_settle(DocWindow* d, const std::string& kept, Status st, int* added) {
  if (st == 0) st = copy_loop(d, added);
  static_cast<void>(defs::def_section_release());
  static_cast<void>(data::buffer_put(d->lines.file, data::Buffer::Current, core::text_view(kept)));
  screen_window_make_current(d->head.screen_window);
  if (*added > 0) {
    d->changed = true;
    lines_redraw(d);
    totals_compute(d);
  }
  return st;
}

}  // namespace

Status doc_auto_import(DocWindow* d) {
  core::ArenaScope scope;
  Text name = core::text_trim(core::text_unquote(core::text_trim(defs::def_key_raw(defs::kKeyAutoImport), core::kTrimBoth)),
                              core::kTrimBoth);
  int16_t word = script::var_get_int(core::kSwScrStat);
  if (name.empty() || d->lines.file == 0 || !d->started || (word & kScrStatAutoImport) != 0) return 0;
  Status st = 0;
  int entry = auto_entry(name);
  if (entry == 0) {
    core::report_detail(core::SINTAXERROR, core::text_concat("AUTO_IMPORT$="_t, name), false);
    st = core::error_record(core::kRecord, core::Context::Screen, core::SINTAXERROR, core::SINTAXERROR);
  }
  int added = 0;
  if (st == 0) st = load_set(*d, entry);
  if (st == 0) {
    std::string kept(core::text_bytes(data::buffer_get(d->lines.file, data::Buffer::Current)));
    st = copy_and_settle(d, kept, 0, &added);
  } else {
    screen_window_make_current(d->head.screen_window);
  }
  script::var_set_int(core::kSwLNum, 1);
  line_show(d, 1);
  script::var_set_int(core::kSwScrStat, static_cast<int16_t>(script::var_get_int(core::kSwScrStat) | kScrStatAutoImport));
  return st >= 128 ? st : Status{0};
}

Status doc_import(DocWindow* d) {
  if (!d->in_lines || d->lines.file == 0) return core::NODATA;
  core::ArenaScope scope;
  Text menu = defs::def_key_raw(defs::kKeyMnuImport);
  if (menu.empty()) {
    info_box(Text{}, core::message_text_c("0010"));
    return 0;
  }
  // The line shown goes into the store first.
  if (line_store_current(d) == core::CANCELLED) return core::CANCELLED;
  int entry = selection_run(core::message_text_c("0058"), menu, kSelectOwnWindow | kSelectListBox);
  if (entry <= 0) return 0;
  Status st = load_set(*d, entry);
  if (st != 0) return st;
  std::string kept(core::text_bytes(data::buffer_get(d->lines.file, data::Buffer::Current)));
  Text fields = defs::def_key_raw(defs::kKeyAcBound);
  if (!fields.empty()) {
    FormRequest request;
    Text title = defs::def_key_raw(defs::kKeyWinName);
    request.title = title.empty() ? core::message_text_c("0058") : title;
    request.fields = fields;
    FormResult result;
    st = form_run(request, &result);
  }
  int first_new = line_count() + 1, added = 0;
  st = copy_and_settle(d, kept, st, &added);
  if (added > 0) line_show(d, first_new);
  return st == core::CANCELLED ? Status{0} : st;
}

}  // namespace ui::internal
