// The document as a whole: read by its header key with its lines, saved
// and deleted in one transaction each, started anew, and its events.
//
// A save of a document read from the file first checks, inside its
// transaction, that the header and the lines still are as they were read
// (status 7 when another user changed or deleted them); then the old lines
// go with their rules' effects taken away, the header is written (NUMCAB$
// records of it), and every line is written with its rules' effects. Any
// failure rolls all of it back, and the window still holds everything the
// user typed.
//
// The document's events run the entry of the window's own procedure named
// after the event, else PRCNAME$.
#include <algorithm>
#include <string>
#include <vector>

#include "core/arena.h"
#include "core/errors.h"
#include "core/messages.h"
#include "data/access.h"
#include "data/dictionary.h"
#include "data/records.h"
#include "data/script_hooks.h"
#include "data/relup.h"
#include "data/transaction.h"
#include "script/eval.h"
#include "script/numbers.h"
#include "script/procedures.h"
#include "script/variables.h"
#include "definitions/definitions.h"
#include "ui/dialogs.h"
#include "ui/internal/doc_state.h"
#include "ui/internal/state.h"

namespace ui::internal {

namespace {

constexpr Text kEvents = "INIT,LOAD,CHECK,SAVE,DELETE"_t;
constexpr Text kAlarm = "DOCALARM$"_t;

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
// NUMCAB$ beyond this is taken as this many header records.
constexpr int kMaxHeaders = 999;

// The records of a file whose key starts with the document's key, in that
// key's order: a document's lines, or the records of its header. 0 or an
// error.
Status read_run(uint16_t file, int key_no, Text key, std::vector<std::string>* out) {
  out->clear();
  Status st = data::access_find(file, key_no, key, 0);
  while (st == 0) {
    core::ArenaScope scope;
    Text found = data::key_value(file, static_cast<uint16_t>(key_no), data::Buffer::Current);
    if (!found.ok() || found.len < key.len || !core::text_equal(core::text_sub(found, 0, key.len), key)) break;
    out->push_back(std::string(core::text_bytes(data::buffer_get(file, data::Buffer::Current))));
    st = data::access_navigate(file, data::kNavNext);
  }
  return st >= 128 ? st : Status{0};
}

Status read_lines(const DocWindow& d, std::vector<std::string>* out) {
  return read_run(d.lines.file, d.line_key, core::text_view(d.key), out);
}

// The header's records as the file holds them now (the first one in the
// file's buffers afterwards). 0, 1 when there are none, or an error.
Status read_headers(DocWindow* d, std::vector<std::string>* out) {
  uint16_t hf = d->head.file;
  Text key = core::text_view(d->key);
  if (!d->header_run) {
    out->clear();
    Status st = data::access_find(hf, 1, key, 0);
    if (st == 0) out->push_back(std::string(core::text_bytes(data::buffer_get(hf, data::Buffer::Saved))));
    return st;
  }
  Status st = read_run(hf, 1, key, out);
  if (st != 0) return st;
  if (out->empty()) return data::kStatusNotFound;
  // Back on the first, as a find of the key leaves the file.
  return data::access_find(hf, 1, key, 0);
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
  std::vector<std::string> headers;
  Status st = read_headers(d, &headers);
  bool from_file = (d->flags & kDocFromFile) != 0;
  if (st >= 128) return st;
  if (!from_file) {
    st = st == 0 ? data::kStatusDuplicate : Status{0};
  } else if (st != 0 || headers != d->headers_as_read) {
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

// The rule list of the header's writes: WRITECABS$'s third entry when
// WRITECAB0$ is empty, else the file's own.
Text header_rules() {
  if (!defs::def_key_raw(defs::kKeyWriteCab0).empty()) return Text{};
  return core::text_unquote(defs::def_key_raw(defs::kKeyWriteCabs, 3));
}

// The header records the document had go, each with its rules' effects
// taken away. The typed header stays in the current buffer.
Status remove_headers(DocWindow* d, Text rules) {
  uint16_t hf = d->head.file;
  std::string typed(core::text_bytes(data::buffer_get(hf, data::Buffer::Current)));
  Status st = 0;
  for (const std::string& record : d->headers_as_read) {
    core::ArenaScope scope;
    Text key = data::key_value_of(hf, 1, core::text_view(record));
    st = key.ok() ? data::access_find(hf, 1, key, 0) : core::text_error(key);
    // Gone meanwhile: still_as_read has seen to that, so it is an error here.
    if (st > 0 && st < 128) st = core::INDEXCMDERROR;
    if (st == 0) st = data::record_update(data::kRecDelete, hf, rules, Text{});
    if (st != 0) break;
  }
  Status back = data::buffer_put(hf, data::Buffer::Current, core::text_view(typed));
  return st != 0 ? st : back;
}

// NUMCAB$: how many header records a save writes (1 when it is empty or
// gives less than 1); an error of its expression as *failed.
int header_count(const DocWindow& d, Status* failed) {
  *failed = 0;
  core::ArenaScope scope;
  Text text = defs::def_key_raw(defs::kKeyNumCab);
  if (core::text_trim(text, core::kTrimBoth).empty()) return 1;
  script::Value v;
  Status st = expr_in_file(text, d.head.file, &v);
  if (st >= 128) {
    *failed = st;
    return 0;
  }
  int64_t n = v.is_text() ? core::text_to_int(core::text_trim(v.text, core::kTrimBoth)) : script::number_to_int(v.number);
  if (n < 1) n = 1;
  // Records past the first need a key field the screen does not show to
  // tell them apart; without one each would be refused as the first's
  // key ("Clave incorrecta"), blaming the key the user typed. More than
  // kMaxHeaders is taken for a fault of the expression, not written.
  if ((n > 1 && !d.header_run) || n > kMaxHeaders) {
    core::report_detail(core::SINTAXERROR, core::text_concat("NUMCAB$="_t, core::int_to_text(static_cast<int32_t>(n))), false);
    *failed = core::error_record(core::kRecord, core::Context::Screen, core::SINTAXERROR, core::SINTAXERROR);
    return 0;
  }
  return static_cast<int>(n);
}

// The header's writes: NUMCAB$ records, each from the header as typed with
// _HNUM its number (from 1), through WRITECAB0$, else WRITECABS$'s entry
// for a new or a changed header, with WRITECABS$'s rule list. A header
// read from the file as one record is saved over it; a header that is a
// run of records is written anew, its old records gone first.
Status write_header(DocWindow* d, int count) {
  core::ArenaScope scope;
  bool from_file = (d->flags & kDocFromFile) != 0;
  Text assignment = defs::def_key_raw(defs::kKeyWriteCab0);
  Text rules = header_rules();
  if (assignment.empty()) assignment = core::text_unquote(defs::def_key_raw(defs::kKeyWriteCabs, from_file ? 2 : 1));
  uint16_t hf = d->head.file;
  Status st = 0;
  if (from_file && d->header_run) st = remove_headers(d, rules);
  std::string typed(core::text_bytes(data::buffer_get(hf, data::Buffer::Current)));
  for (int h = 1; st == 0 && h <= count; ++h) {
    script::var_set_int(core::kSwHNum, static_cast<int16_t>(h));
    if (h > 1) st = data::buffer_put(hf, data::Buffer::Current, core::text_view(typed));
    bool over = from_file && !d->header_run && h == 1;
    if (st == 0) st = data::record_update((over ? data::kRecSave : data::kRecInsert) | data::kRecAssign, hf, rules, assignment);
  }
  return st;
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

// The window's own procedure answers an event when it has an entry of the
// event's name: its run's status, *answered set.
Status own_handler(const DocWindow& d, Text event, bool* answered) {
  *answered = false;
  if (d.procedure < 0) return 0;
  const script::Procedure* own = script::proc_get(static_cast<uint16_t>(d.procedure));
  if (own == nullptr) return 0;
  std::string name = core::text_str(event);
  bool has = std::any_of(own->entries.begin(), own->entries.end(),
                         [&](const script::NamedIndex& e) { return e.name == name; });
  if (!has) return 0;
  *answered = true;
  return script::proc_call(event, Text{}, Text{}, false);
}

// PRCNAME$, when USR_COND$ holds (or is empty).
Status named_procedure() {
  Text procedure = core::text_trim(defs::def_key_raw(defs::kKeyPrcName), core::kTrimBoth);
  if (procedure.empty()) return 0;
  Text condition = defs::def_key_raw(defs::kKeyUsrCond);
  if (!condition.empty()) {
    Status holds = script::expr_cond(condition);
    if (holds >= 128) return holds;
    if (holds != 1) return 0;
  }
  return process_by_name(core::text_concat("PrcExec,"_t, procedure));
}

}  // namespace

void document_printer_set(DocumentPrinter printer) { g_printer = printer; }

Status doc_procedure_load(DocWindow* d) {
  d->procedure = -1;
  core::ArenaScope scope;
  Text typed = defs::def_name_with_type(core::text_view(d->head.args.screen), defs::kFtProcedure);
  Text path = typed.ok() ? defs::def_file_find(typed, defs::kFtProcedure) : Text{};
  if (!path.ok() || path.empty()) return 0;
  uint16_t number = 0;
  Status st = script::proc_load(path, &number);
  if (st != 0) {
    // Its entries would be passed over (a CHECK's refusals with them): the
    // window does not open without it.
    core::error_box(st);
    return st >= 128 ? st : core::CANCELLED;
  }
  d->procedure = number;
  return 0;
}

void doc_procedure_release(DocWindow* d) {
  if (d->procedure >= 0) static_cast<void>(script::proc_unload(static_cast<uint16_t>(d->procedure)));
  d->procedure = -1;
}

Status doc_event(DocWindow* d, int event) {
  core::ArenaScope scope;
  Text name = core::list_field(kEvents, ',', static_cast<uint16_t>(event));
  Status st = script::var_set("DOCEVENT$"_t, name);
  if (st == 0) st = script::var_set(kAlarm, Text{});
  bool answered = false;
  // The handler's variables stay, as a procedure's do. The header's and
  // the lines' files come back where they stood (the typed header, the
  // line shown), after an error in it as well: the window goes on with
  // what the user typed. Other files stay where the handler left them, as
  // after any procedure, so a lookup it made holds.
  data::local_call(true, false);
  if (st == 0) st = own_handler(*d, name, &answered);
  if (st == 0 && !answered) st = named_procedure();
  data::local_call_end_restoring({d->head.file, d->lines.file});
  if (st >= 128) {
    core::error_box(st);
    return core::CANCELLED;
  }
  if (st != 0) return st;
  // A handler refuses the operation by giving DOCALARM$ its reason.
  script::Value why;
  if (script::var_get_value(kAlarm, &why) == 0 && why.is_text() &&
      !core::text_trim(why.text, core::kTrimBoth).empty()) {
    message_box(why.text, Text{}, kBoxWarning);
    return core::CANCELLED;
  }
  return 0;
}

void doc_key_setup(DocWindow* d) {
  const MantWindow& m = d->head;
  d->key_width = 0;
  d->header_run = false;
  uint16_t fields[data::kMaxSegments] = {};
  int count = 0;
  if (m.file == 0 || data::dict_key_fields(m.file, 1, fields, &count) != 0) return;
  // The document's key: the leading key fields the screen holds.
  int held = 0;
  for (; held < count; ++held) {
    data::FieldItem item;
    if (data::dict_field_attr(m.file, fields[held], &item) != 0) return;
    bool shown = std::any_of(m.bind.begin(), m.bind.end(), [&](const FieldBinding& b) {
      return b.file == m.file && b.field == fields[held];
    });
    if (!shown) break;
    d->key_width += item.width;
  }
  // A header of several records (NUMCAB$) is a run of the records whose key
  // starts with the document's key, told apart by the key's last field
  // alone (a copy number WRITECAB0$ fills). Without NUMCAB$, a key field
  // the screen does not show (a series) tells documents apart, and with
  // more than the last one off the screen (a series, then a copy number) a
  // run would join the documents of every series: neither is a run. A key
  // none of whose fields the screen holds is the document's key as a whole.
  core::ArenaScope scope;
  bool several = !core::text_trim(defs::def_key_raw(defs::kKeyNumCab), core::kTrimBoth).empty();
  d->header_run = several && held > 0 && held == count - 1;
}

Status doc_load(DocWindow* d) {
  MantWindow& m = d->head;
  if (m.file == 0) return 0;
  bool any = false;
  std::string key = typed_key(&m, 1, &any);
  if (!any) return core::NODATA;
  if (d->header_run && key.size() > d->key_width) key.resize(d->key_width);
  core::ArenaScope scope;
  Status st = data::access_find(m.file, 1, core::text_view(key), 0);
  if (st >= 128) {
    core::error_box(st);
    return st;
  }
  line_store_clear(&d->store);
  d->lines_as_read.clear();
  d->headers_as_read.clear();
  if (st == 0) {
    d->flags |= kDocFromFile | kDocWasRead;
  } else {
    d->flags &= ~kDocFromFile;
    st = data::buffer_clear(m.file);
    if (st == 0) st = data::key_value_put(m.file, 1, core::text_view(key));
    if (st == 0) st = data::buffer_save(m.file);
    if (st != 0) return st;
  }
  std::string full(core::text_bytes(data::key_value(m.file, 1, data::Buffer::Current)));
  if (d->header_run && full.size() > d->key_width) full.resize(d->key_width);
  d->key = full;
  if ((d->flags & kDocFromFile) != 0) {
    st = read_headers(d, &d->headers_as_read);
    if (st != 0) {
      if (st >= 128) core::error_box(st);
      return st;
    }
  }
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
  }
  if ((d->flags & kDocFromFile) != 0 && doc_event(d, kEvLoad) != 0) {
    // Refused: the window starts a new document again.
    doc_reset(d);
    return core::CANCELLED;
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
  int headers = header_count(*d, &st);
  if (st != 0) {
    core::error_box(st);
    return st;
  }
  // Everything or nothing. The line writes move _LNUM; a failure puts the
  // user back on the line they were at.
  int at = line_current();
  st = data::write_begin();
  if (st == 0) st = still_as_read(d);
  if (st == 0) st = remove_lines(*d);
  if (st == 0) st = write_header(d, headers);
  if (st == 0) st = write_lines(d);
  st = data::write_end(st);
  if (st != 0) {
    tell(st);
    script::var_set_int(core::kSwLNum, static_cast<int16_t>(at));
    line_show(d, at);
    return st >= 128 ? st : Status{0};
  }
  st = expr_in_file(defs::def_key_raw(defs::kKeySaved), d->head.file);
  if (st >= 128) core::error_box(st);
  // A SAVE handler that answers non-zero keeps the document from printing.
  if (doc_event(d, kEvSave) == 0) print_saved(*d);
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
  if (d->header_run) {
    if (st == 0) st = remove_headers(d, header_rules());
  } else {
    if (st == 0) st = data::buffer_restore(hf);
    if (st == 0) st = data::record_update(data::kRecDelete, hf, header_rules(), Text{});
  }
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
  d->headers_as_read.clear();
  d->lines_as_read.clear();
  fields_refresh(&d->head, kRefreshValues);
  fields_refresh(&d->lines, kRefreshValues);
  doc_enter_header(d);
}

}  // namespace ui::internal
