// The system variables, the ScriptContext that owns the store, and the dot
// names of the expression language.
#include <array>
#include <string_view>

#include "core/arena.h"
#include "core/errors.h"
#include "core/messages.h"
#include "core/slots.h"
#include "formats/formats.h"
#include "script/internal/var_state.h"

namespace script {

using core::kOk;
using namespace internal;

namespace {

// The integer system variables in index order (status word n is entry n),
// then the text ones. An entry is a name or name=default.
constexpr std::string_view kSystemIntegerList =
    "_ERRCODE,_ERRFUNC,_CURFIL,_CUREDFLD,_DEVHIG=24,_DEVWID=80,_DEVLIN,_DEVPOS,"
    "_DEVPAG,_CURROW,_STAT,_LASTKEY=4,_SGN,_UPSTAT=1,_IER,_SYSCOMPAT,_SQLSTK,"
    "_COUNT,_HCOUNT,_ADMSTAT,_COMPAT,_SCRSTAT,_LMAX,_LNUM,_LLST,_HNUM,_SAFE,"
    "_LB=128,_AUX,_KEYMAP,_SERIAL,_TRACE=1,_PRECIS=2,_BYEAR=2000,_BKYEAR=80,_DX,"
    "_INHND,_OUTHND,_DATE,_USER01,_USER02,_USER03";
constexpr std::string_view kSystemTextList = "_ACUM$,_ACUMX$,_LTEXT$";

constexpr size_t count_entries(std::string_view list) {
  size_t n = 1;
  for (char c : list) n += c == ',' ? 1 : 0;
  return n;
}
static_assert(count_entries(kSystemIntegerList) == kSystemIntegers);

// The index of a name in the list, counted from 0.
constexpr size_t position(std::string_view list, std::string_view name) {
  size_t index = 0;
  while (!list.empty()) {
    size_t comma = list.find(',');
    std::string_view entry = list.substr(0, comma);
    if (entry.substr(0, entry.find('=')) == name) return index;
    if (comma == std::string_view::npos) break;
    list = list.substr(comma + 1);
    ++index;
  }
  return static_cast<size_t>(-1);
}
// The status words' names stand where the variables do.
static_assert(position(kSystemIntegerList, "_CURFIL") == core::kSwCurFil);
static_assert(position(kSystemIntegerList, "_STAT") == core::kSwStat);
static_assert(position(kSystemIntegerList, "_UPSTAT") == core::kSwUpStat);
static_assert(position(kSystemIntegerList, "_COMPAT") == core::kSwCompat);
static_assert(position(kSystemIntegerList, "_AUX") == core::kSwAux);
static_assert(position(kSystemIntegerList, "_TRACE") == core::kSwTrace);
static_assert(position(kSystemIntegerList, "_BYEAR") == core::kSwBYear);
static_assert(position(kSystemIntegerList, "_OUTHND") == core::kSwOutHnd);
static_assert(position(kSystemIntegerList, "_DATE") == core::kSwDate);
static_assert(position(kSystemIntegerList, "_USER03") == core::kSwUser03);

// Calls f(name, default) for each entry of a system list.
template <typename F>
Status for_each_entry(std::string_view list, F f) {
  while (!list.empty()) {
    size_t comma = list.find(',');
    std::string_view entry = list.substr(0, comma);
    list = comma == std::string_view::npos ? std::string_view{} : list.substr(comma + 1);
    size_t eq = entry.find('=');
    std::string_view name = entry.substr(0, eq);
    std::string_view value = eq == std::string_view::npos ? std::string_view{} : entry.substr(eq + 1);
    Status st = f(name, value);
    if (st != kOk) return st;
  }
  return kOk;
}


template <typename T>
void free_table(ValueTable<T>& t) {
  if (t.data != nullptr) static_cast<void>(core::block_free_pointer(core::kOwnerVariables, t.data));
  t = ValueTable<T>{};
}

struct DotName {
  std::string_view name;
  int32_t value;
};

constexpr DotName kDotNames[] = {
    {"envron", 0},    {"lang", 0},        {"cmdline", 1},   {"apname", 2},     {"apdesc", 3},
    {"langmodule", 4}, {"docpath", 5},    {"docroot", 5},   {"helppath", 7},   {"funclist", 8},
    {"maskparms", 10}, {"datem", 100},    {"datey", 10000}, {"envvar", 9},     {"maincond", 1},
    {"pdfhead", 3},   {"dialog", 7},      {"aux", 31},      {"scrbuf", 32},    {"butlabels", 9},
    {"fsel", 33},     {"wret", 34},       {"fnparm", 35},   {"usrfil", 36},    {"fileln", 37},
    {"usrfif", 38},   {"top", 36},        {"next", 16},     {"previous", 20},  {"bottom", 32},
};
static_assert(std::size(kDotNames) == 30);

}  // namespace

namespace internal {

int16_t system_default(uint16_t index) {
  static const std::array<int16_t, kSystemIntegers> table = [] {
    std::array<int16_t, kSystemIntegers> t{};
    uint16_t i = 0;
    static_cast<void>(for_each_entry(kSystemIntegerList, [&](std::string_view, std::string_view v) {
      int value = 0;
      for (char c : v) value = value * 10 + (c - '0');
      if (i < t.size()) t[i++] = static_cast<int16_t>(value);
      return kOk;
    }));
    return t;
  }();
  return index < table.size() ? table[index] : 0;
}

}  // namespace internal

ScriptContext::ScriptContext() : state_(std::make_unique<ScriptState>()), previous_(current()) {
  set_current(state_.get());
  // A fresh store: whatever an earlier one left in groups 12 and 13 goes, and
  // the four name lists exist from the start.
  status_ = core::slot_clear(core::kGroupVarNames);
  if (status_ == kOk) status_ = core::slot_clear(core::kGroupVarTexts);
  if (status_ == kOk) status_ = core::slot_set(core::kGroupVarNames, kListIndexed, Text{});
  auto create = [](std::string_view name, std::string_view value) {
    return var_set(core::text_view(name), core::text_view(value));
  };
  if (status_ == kOk) status_ = for_each_entry(kSystemIntegerList, create);
  if (status_ == kOk) status_ = for_each_entry(kSystemTextList, create);
}

ScriptContext::~ScriptContext() {
  free_table(state_->ints);
  free_table(state_->nums);
  arrays_free_all(*state_);
  set_current(previous_);
}

int32_t trace_switches() { return var_get_int(core::kSwTrace); }

int32_t status_word_value(uint16_t index) { return var_get_int(index); }

void locale_rebuild() { static_cast<void>(formats::locale_build()); }

bool dot_name_value(Text name, int32_t* value) {
  if (!name.ok() || name.len < 2 || name.ptr[0] != '.') return false;
  std::string_view word(name.ptr + 1, name.len - 1u);
  for (const DotName& d : kDotNames) {
    if (d.name != word) continue;
    if (value != nullptr) *value = d.value;
    return true;
  }
  return false;
}

}  // namespace script
