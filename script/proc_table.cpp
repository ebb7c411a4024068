// The table of loaded procedures, calls by entry name, the execute hook and
// the context that owns the procedure layer's state.
#include <algorithm>

#include "core/arena.h"
#include "core/errors.h"
#include "core/files.h"
#include "core/slots.h"
#include "script/functions.h"
#include "script/internal/proc_state.h"
#include "script/numbers.h"

namespace script {
namespace {

using core::Context;
using core::operator""_t;
using internal::ProcState;

ProcState* g_state = nullptr;

constexpr uint16_t kNoProcedure = 0xFFFF;

std::string to_string(Text t) { return t.ok() ? std::string(t.ptr, t.len) : std::string(); }
Status load_error(Status code, Text detail) {
  core::report_detail(code, detail, false);
  return core::error_record(core::kRecord, Context::ExecCompiler, code, code);
}

Status read_lines(Text file, std::vector<std::string>* lines) {
  core::ArenaScope scope;
  Text path = definition_file_find(file);
  if (path.len == 0) return load_error(core::FILENOTFOUND, file);
  Status number = core::file_open(path, core::kModeReadOnly | core::kModeQuiet);
  if (number >= 128) return load_error(core::FILENOTFOUND, file);
  Status st = 0;
  for (uint32_t at = 1;; ++at) {
    core::ArenaScope line_scope;
    Text line = core::file_read_line(number);
    if (!line.ok()) {
      // The end of the file reads as DISKIO; a line too long for the arena is
      // skipped by the file layer, which would silently drop a statement.
      if (line.len != core::DISKIO) st = load_error(line.len, file);
      break;
    }
    // A file that is not text (damaged, or another kind of file under the
    // name) is refused whole, before any of it is taken for statements.
    if (uint16_t bad = core::text_binary_at(line); bad != core::kNoPos) {
      core::error_place_set(file, at);
      st = load_error(core::SINTAXERROR, core::text_format(512, "%s, line %u: not a text file (byte 0x%02X)",
                                                            core::text_cstr(file), at, line.at(bad)));
      break;
    }
    lines->emplace_back(line.ptr, line.len);
  }
  (void)core::file_close(number);
  return st;
}

// The newest procedure whose entry table holds the name, and the entry's
// statement index.
uint16_t find_entry(const ProcState& s, const std::string& name, uint16_t* start) {
  uint16_t found = kNoProcedure;
  uint32_t newest = 0;
  for (size_t n = 0; n < s.table.size(); ++n) {
    const Procedure* p = s.table[n].get();
    if (p == nullptr || (found != kNoProcedure && p->load_order < newest)) continue;
    for (const NamedIndex& e : p->entries) {
      if (e.name != name) continue;
      found = static_cast<uint16_t>(n);
      newest = p->load_order;
      *start = e.index;
      break;
    }
  }
  return found;
}

Status run_entry(ProcState& s, const std::string& entry, const std::string& file) {
  uint16_t loaded = kNoProcedure;
  if (!file.empty()) {
    Status st = proc_load(core::text_view(file), &loaded);
    if (st != 0) return st;
  }
  uint16_t number = loaded;
  uint16_t start = 0;
  if (!entry.empty() || loaded == kNoProcedure) number = find_entry(s, entry, &start);
  Status st = 0;
  if (number == kNoProcedure) {
    core::report_detail(core::SINTAXERROR, core::text_view(entry), false);
    st = core::error_record(core::kRecord, Context::ExecRunTime, core::SINTAXERROR, core::SINTAXERROR);
  } else {
    st = proc_run(number, start);
  }
  if (loaded != kNoProcedure) (void)proc_unload(loaded);
  return st;
}

}  // namespace

// EXEC$ of a procedure: "entry,file,local" or a file name, with the call's
// arguments. The run's status is EXEC$'s number; an error fails it.
Status procedure_execute(Text target, Text arguments, Value* out) {
  *out = Value::num(0);
  if (!target.ok()) return target.len;
  std::string entry;
  std::string file = to_string(core::text_trim(target, core::kTrimBoth));
  bool local = true;
  if (core::text_find_char(target, ',', 0, false) != core::kNoPos) {
    auto field = [&](uint16_t n) { return core::text_trim(core::list_field(target, ',', n), core::kTrimBoth); };
    entry = to_string(field(1));
    file = to_string(field(2));
    Text flag = field(3);
    if (flag.len > 0) local = core::text_to_int(flag) != 0;
  }
  Status st = proc_call(core::text_view(entry), core::text_view(file), arguments, local);
  *out = Value::num(number_from_int(st));
  return st >= 128 ? st : Status{0};
}

namespace internal {
ProcState* proc_state() { return g_state; }
}  // namespace internal

ProcContext::ProcContext() : state_(std::make_unique<ProcState>()), previous_(g_state) { g_state = state_.get(); }

ProcContext::~ProcContext() { g_state = previous_; }

Status proc_load(Text file, uint16_t* number) {
  ProcState* s = internal::proc_state();
  if (s == nullptr) return core::INTERNAL;
  if (!file.ok()) return file.len;
  auto p = std::make_shared<Procedure>();
  p->file = to_string(file);
  std::vector<std::string> lines;
  core::error_place_set(Text{}, 0);
  Status st = read_lines(file, &lines);
  if (st == 0) {
    st = proc_compile(lines, p.get());
    // A procedure that does not compile names its file, and the file's line
    // where the compiler knew it (its messages count statements, not lines).
    if (st != 0 && core::error_last().code == st) {
      core::ArenaScope scope;
      uint32_t line = core::error_place().line;
      Text named = line == 0 ? core::text_concat("File: "_t, file)
                             : core::text_format(1024, "File: %s, line %u", core::text_cstr(file), line);
      static_cast<void>(core::report_detail(st, named, true));
    }
  }
  if (st != 0) return st;
  auto free_slot = std::find(s->table.begin(), s->table.end(), nullptr);
  if (free_slot == s->table.end()) {
    if (s->table.size() >= kMaxLoadedProcedures) return load_error(core::OUTOFMEMORY, file);
    free_slot = s->table.insert(s->table.end(), nullptr);
  }
  p->load_order = ++s->load_counter;
  *free_slot = std::move(p);
  if (number != nullptr) *number = static_cast<uint16_t>(free_slot - s->table.begin());
  return 0;
}

Status proc_unload(uint16_t number) {
  ProcState* s = internal::proc_state();
  if (s == nullptr) return core::INTERNAL;
  if (number >= s->table.size() || s->table[number] == nullptr) return core::BADFILENUMBER;
  s->table[number].reset();
  while (!s->table.empty() && s->table.back() == nullptr) s->table.pop_back();
  return 0;
}

const Procedure* proc_get(uint16_t number) {
  ProcState* s = internal::proc_state();
  if (s == nullptr || number >= s->table.size()) return nullptr;
  return s->table[number].get();
}

uint16_t proc_loaded_count() {
  ProcState* s = internal::proc_state();
  if (s == nullptr) return 0;
  return static_cast<uint16_t>(std::count_if(s->table.begin(), s->table.end(),
                                             [](const auto& p) { return p != nullptr; }));
}

Status proc_call(Text entry, Text file, Text arguments, bool local) {
  ProcState* s = internal::proc_state();
  if (s == nullptr) return core::INTERNAL;
  for (Text t : {entry, file, arguments})
    if (!t.ok()) return t.len;
  // Copies first: the names may be views into the slot store or the arena,
  // which pushing the arguments changes.
  std::string entry_name = to_string(core::text_trim(entry, core::kTrimBoth));
  std::string file_name = to_string(core::text_trim(file, core::kTrimBoth));
  const uint16_t base = core::slot_count(core::kGroupArguments);
  Status st = internal::push_arguments(arguments);
  if (st != 0) return st;

  VarSnapshot snapshot = var_snapshot();
  if (local && s->local_hook != nullptr) s->local_hook(true, false);
  const uint16_t floor = s->argument_floor;
  s->argument_floor = base;
  st = run_entry(*s, entry_name, file_name);
  s->argument_floor = floor;

  if (st == 0 && core::slot_count(core::kGroupArguments) != base) {
    core::report_detail(core::SINTAXERROR, "LOCALVARS"_t, false);
    st = core::error_record(core::kRecord, Context::ExecRunTime, core::SINTAXERROR, core::SINTAXERROR);
  }
  internal::cut_arguments(base);
  if (local) {
    var_restore(snapshot);
    if (s->local_hook != nullptr) s->local_hook(false, st < 128);
  }
  return st;
}


namespace internal {
bool pump_cancelled() {
  ProcState* s = proc_state();
  return s != nullptr && s->pump != nullptr && s->pump();
}
}  // namespace internal

void proc_pump_hook_set(PumpHook hook) {
  if (ProcState* s = internal::proc_state()) s->pump = hook;
}

void proc_local_hook_set(LocalCallHook hook) {
  if (ProcState* s = internal::proc_state()) s->local_hook = hook;
}

}  // namespace script
