// The document as a whole: read by its header key with its lines, saved
// and deleted in one transaction each, started anew, and its events.
//
// A save of a document read from the file first checks, inside its
// transaction, that the header and the lines still are as they were read
// (status 7 when another user changed or deleted them); then the old lines
// go with their rules' effects taken away, the header is written, and
// every line is written with its rules' effects. Any failure rolls all of
// it back, and the window still holds everything the user typed.
#include <string>
#include <vector>

#include "core/arena.h"
#include "core/errors.h"
#include "core/messages.h"
#include "data/access.h"
#include "data/records.h"
#include "data/relup.h"
#include "data/transaction.h"
#include "script/eval.h"
#include "script/variables.h"
#include "definitions/definitions.h"
#include "ui/dialogs.h"
#include "ui/internal/doc_state.h"
#include "ui/internal/state.h"

namespace ui::internal {

namespace {

constexpr Text kEvents = "INIT,LOAD,CHECK,SAVE,DELETE"_t;

DocumentPrinter g_printer = nullptr;

// An entry of DOC$: its value when it is an expression that gives a text,
// else the entry as written.
std::string doc_entry(Text entry) {
  core::ArenaScope scope;
  Text trimmed = core::text_trim(core::text_unquote(core::text_trim(entry, core::kTrimBoth)), core::kTrimBoth);
  script::Value v;
  core::ErrorRecord before = core::error_last();
  Status st = script::expr_value(trimmed, &v);
  if (st == 0 && v.is_text() && !v.text.empty()) return core::text_str(v.text);
  if (st != 0 && before.code == 0) core::error_clear();
  return core::text_str(trimmed);
}

// Printing after a save (PRN): DOC$ is "device,report" or the report
// alone (the device then chosen in the device selection dialog), with the
// settings of DOCSETS$; the report walks the document's lines.
void print_saved(const DocWindow& d) {
  core::ArenaScope scope;
  Text doc = defs::def_key_raw(defs::kKeyDoc);
  if ((d.flags & kDocPrint) == 0 || doc.empty() || d.lines.file == 0) return;
  bool pair = core::list_count(doc, ',') >= 2;
  std::string device = pair ? doc_entry(core::list_field(doc, ',', 1)) : std::string();
  std::string report = doc_entry(core::list_field(doc, ',', pair ? 2 : 1));
  Text settings = defs::def_key_raw(defs::kKeyDocSets);
  DocumentPrint print{core::text_view(device), core::text_view(report), settings, d.lines.file, d.line_key,
                      core::text_view(d.key)};
  Status st = g_printer != nullptr ? g_printer(print) : core::NOVALUE;
  if (st >= 128) core::error_box(st);
}
constexpr int kRecordColumn = 1;

// The document's lines in the file, in the order of the lines' key: every
// record whose key starts with the header's key. 0 or an error.
Status read_lines(const DocWindow& d, std::vector<std::string>* out) {
  out->clear();
  uint16_t file = d.lines.file;
  Text key = core::text_view(d.key);
  Status st = data::access_find(file, d.line_key, key, 0);
  while (st == 0) {
    core::ArenaScope scope;
    Text found = data::key_value(file, static_cast<uint16_t>(d.line_key), data::Buffer::Current);
    if (!found.ok() || found.len < key.len || !core::text_equal(core::text_sub(found, 0, key.len), key)) break;
    out->push_back(std::string(core::text_bytes(data::buffer_get(file, data::Buffer::Current))));
    st = data::access_navigate(file, data::kNavNext);
  }
  return st >= 128 ? st : Status{0};
}

// A status of message 0023 as a warning, an error as its box.
void tell(Status st) {
  if (st >= 128) {
    core::error_box(st);
    return;
  }
  core::ArenaScope scope;
  Text text = core::list_field(core::message_text_c("0023"), ',', st);
  if (!text.empty()) message_box(text, Text{}, kBoxWarning);
}

// Inside the save's transaction: the document in the file is still the
// one that was read (7 when it was changed or deleted), or, for a new
// one, nobody has written it meanwhile (6 for its header, 7 for lines).
Status still_as_read(DocWindow* d) {
  uint16_t hf = d->head.file;
  std::string typed(core::text_bytes(data::buffer_get(hf, data::Buffer::Current)));
  Status st = data::access_find(hf, 1, core::text_view(d->key), 0);
  bool from_file = (d->flags & kDocFromFile) != 0;
  if (st >= 128) return st;
  if (!from_file) {
    st = st == 0 ? data::kStatusDuplicate : Status{0};
  } else if (st != 0 || core::text_bytes(data::buffer_get(hf, data::Buffer::Saved)) != d->header_as_read) {
    st = data::kStatusChanged;
  }
  // The record as read is now the one in the file; the typed one goes on.
  if (st == 0 && !from_file) st = data::buffer_clear(hf);
  Status back = data::buffer_put(hf, data::Buffer::Current, core::text_view(typed));
  if (st != 0) return st;
  if (back != 0) return back;
  if (d->lines.file == 0) return 0;
  std::vector<std::string> now;
  st = read_lines(*d, &now);
  if (st != 0) return st;
  if (now != d->lines_as_read) return data::kStatusChanged;
  return 0;
}

// The header's write: WRITECAB0$, else WRITECABS$'s entry for a new or a
// changed header, with WRITECABS$'s rule list.
Status write_header(DocWindow* d) {
  core::ArenaScope scope;
  bool from_file = (d->flags & kDocFromFile) != 0;
  Text assignment = defs::def_key_raw(defs::kKeyWriteCab0);
  Text rules{};
  if (assignment.empty()) {
    assignment = core::text_unquote(defs::def_key_raw(defs::kKeyWriteCabs, from_file ? 2 : 1));
    rules = core::text_unquote(defs::def_key_raw(defs::kKeyWriteCabs, 3));
  }
  script::var_set_int(core::kSwHNum, 1);
  return data::record_update((from_file ? data::kRecSave : data::kRecInsert) | data::kRecAssign, d->head.file, rules,
                             assignment);
}

Status write_lines(DocWindow* d) {
  uint16_t lf = d->lines.file;
  core::ArenaScope scope;
  Text assignment = defs::def_key_raw(defs::kKeyWriteLins);
  Status st = 0;
  for (int n = 1; st == 0 && n <= line_count(); ++n) {
    st = data::buffer_put(lf, data::Buffer::Current, line_store_get(d->store, n, kRecordColumn));
    if (st == 0) st = data::buffer_save(lf);
    script::var_set_int(core::kSwLNum, static_cast<int16_t>(n));
    if (st == 0) st = data::record_update(data::kRecInsert | data::kRecAssign, lf, Text{}, assignment);
  }
  return st;
}

// The lines the document had in the file go, their effects taken away.
Status remove_lines(const DocWindow& d) {
  if (d.lines_as_read.empty()) return 0;
  Status st = data::access_delete_range(d.lines.file, d.line_key, core::text_view(d.key), Text{}, data::kRangeKeepOpen);
  return st == data::kStatusEnd ? Status{0} : st;
}

}  // namespace

void document_printer_set(DocumentPrinter printer) { g_printer = printer; }

Status doc_event(DocWindow* d, int event) {
  static_cast<void>(d);
  core::ArenaScope scope;
  Text procedure = core::text_trim(defs::def_key_raw(defs::kKeyPrcName), core::kTrimBoth);
  if (procedure.empty()) return 0;
  Text condition = defs::def_key_raw(defs::kKeyUsrCond);
  if (!condition.empty()) {
    Status holds = script::expr_cond(condition);
    if (holds >= 128) return holds;
    if (holds != 1) return 0;
  }
  Status st = script::var_set("DOCEVENT$"_t, core::list_field(kEvents, ',', static_cast<uint16_t>(event)));
  if (st != 0) return st;
  return process_by_name(core::text_concat("PrcExec,"_t, procedure));
}

Status doc_load(DocWindow* d) {
  MantWindow& m = d->head;
  if (m.file == 0) return 0;
  bool any = false;
  std::string key = typed_key(&m, 1, &any);
  if (!any) return core::NODATA;
  core::ArenaScope scope;
  Status st = data::access_find(m.file, 1, core::text_view(key), 0);
  if (st >= 128) {
    core::error_box(st);
    return st;
  }
  line_store_clear(&d->store);
  d->lines_as_read.clear();
  if (st == 0) {
    d->flags |= kDocFromFile | kDocWasRead;
    d->header_as_read = std::string(core::text_bytes(data::buffer_get(m.file, data::Buffer::Saved)));
  } else {
    d->flags &= ~kDocFromFile;
    d->header_as_read.clear();
    st = data::buffer_clear(m.file);
    if (st == 0) st = data::key_value_put(m.file, 1, core::text_view(key));
    if (st == 0) st = data::buffer_save(m.file);
    if (st != 0) return st;
  }
  d->key = std::string(core::text_bytes(data::key_value(m.file, 1, data::Buffer::Current)));
  d->started = true;
  d->changed = false;
  if ((d->flags & kDocFromFile) != 0 && d->lines.file != 0) {
    st = read_lines(*d, &d->lines_as_read);
    if (st != 0) {
      core::error_box(st);
      return st;
    }
    for (size_t i = 0; i < d->lines_as_read.size(); ++i) {
      st = line_store_put(&d->store, static_cast<int>(i) + 1, core::text_view(d->lines_as_read[i]));
      if (st != 0) {
        core::error_box(st);
        break;
      }
    }
    st = doc_event(d, kEvLoad);
  }
  lines_redraw(d);
  script::var_set_int(core::kSwLNum, 1);
  fields_refresh(&d->head, kRefreshValues);
  fields_refresh(&d->lines, kRefreshValues);
  doc_status_show(d);
  return st;
}

Status doc_save(DocWindow* d) {
  if (d->in_lines) {
    Status st = line_store_current(d);
    if (st == core::CANCELLED) return st;
  } else if (Status st = header_store(d); st != 0) {
    return st;
  }
  core::ArenaScope scope;
  if (!d->started || (line_count() == 0 && d->window_mode != kDocAlone)) {
    info_box(Text{}, core::message_text_c("0007"));
    return core::NODATA;
  }
  totals_compute(d);
  Status st = doc_event(d, kEvCheck);
  if (st != 0) return st;
  Text condition = core::text_unquote(defs::def_key_raw(defs::kKeyWriteCabs, 4));
  if (!condition.empty()) {
    Status holds = script::expr_cond(condition);
    if (holds != 1) return holds >= 128 ? holds : core::CANCELLED;
  }
  // Everything or nothing.
  st = data::write_begin();
  if (st == 0) st = still_as_read(d);
  if (st == 0) st = remove_lines(*d);
  if (st == 0) st = write_header(d);
  if (st == 0) st = write_lines(d);
  st = data::write_end(st);
  if (st != 0) {
    tell(st);
    line_show(d, line_current());
    return st >= 128 ? st : Status{0};
  }
  st = expr_in_file(defs::def_key_raw(defs::kKeySaved), d->head.file);
  if (st >= 128) core::error_box(st);
  static_cast<void>(doc_event(d, kEvSave));
  print_saved(*d);
  doc_reset(d);
  return 0;
}

Status doc_delete(DocWindow* d) {
  if ((d->flags & kDocFromFile) == 0) return core::NODATA;
  core::ArenaScope scope;
  if (!ask(core::message_text_c("0025"))) return core::CANCELLED;
  Status st = doc_event(d, kEvDelete);
  if (st != 0) return st;
  uint16_t hf = d->head.file;
  st = data::write_begin();
  if (st == 0) st = still_as_read(d);
  if (st == 0) st = remove_lines(*d);
  if (st == 0) st = data::buffer_restore(hf);
  if (st == 0) st = data::record_update(data::kRecDelete, hf, Text{}, Text{});
  st = data::write_end(st);
  if (st != 0) {
    tell(st);
    return st >= 128 ? st : Status{0};
  }
  doc_reset(d);
  return 0;
}

void doc_reset(DocWindow* d) {
  if (d->head.file != 0) static_cast<void>(data::buffer_clear(d->head.file));
  if (d->lines.file != 0) static_cast<void>(data::buffer_clear(d->lines.file));
  line_store_clear(&d->store);
  if (d->grid >= 0) grid_clear(d->grid);
  static_cast<void>(script::expr_status("_#('CLS')"_t));
  d->flags &= ~kDocFromFile;
  d->started = false;
  d->changed = false;
  d->key.clear();
  d->header_as_read.clear();
  d->lines_as_read.clear();
  fields_refresh(&d->head, kRefreshValues);
  fields_refresh(&d->lines, kRefreshValues);
  doc_enter_header(d);
}

}  // namespace ui::internal
