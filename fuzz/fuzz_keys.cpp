// Fuzzes key lookup in a definition section, option lookup in a command
// line, command-line normalising, process names, %NAME% expansion and the
// path texts, checking each against the plain rules it is built from.
//
// Fuzzed texts are never evaluated as expressions (an expression may write
// files); only the fixed key names are, for the defaults of absent keys.
#include <cstdint>
#include <string>

#include "core/arena.h"
#include "core/context.h"
#include "core/errors.h"
#include "core/slots.h"
#include "fuzz/fuzz_common.h"
#include "script/variables.h"
#include "app/app.h"
#include "definitions/definitions.h"
#include "paths/paths.h"

using core::Text;

namespace {

void ensure_runtime() {
  fuzz::ensure_context();
  static script::ScriptContext* script = new script::ScriptContext();
  FUZZ_CHECK(script->status() == 0);
}

bool same(Text a, Text b) { return fuzz::str(a) == fuzz::str(b) && a.ok() == b.ok(); }

void check_keys(const std::string& section, uint16_t code, uint16_t field,
                const std::string& prefixes, int16_t selected) {
  core::ArenaScope scope;
  FUZZ_CHECK(core::slot_append(core::kGroupDefStack, fuzz::view(section)) == 0);
  if (core::slot_set(core::kGroupRuntime, core::kRtKeyPrefixes, fuzz::view(prefixes)) != 0)
    return;
  script::var_set_int(core::kSwAux, selected);
  const Text stored = defs::def_section_current();
  const Text base = defs::def_key_base_name(code);
  const Text name = defs::def_key_name(code);
  const Text prefix = defs::def_key_prefix();
  if (base.len == 0) FUZZ_CHECK(name.len == 0);
  if (prefix.len == 0) FUZZ_CHECK(same(name, base));
  if (prefix.len != 0 && base.len != 0)
    FUZZ_CHECK(fuzz::str(name) == fuzz::str(prefix) + "." + fuzz::str(base));

  const Text raw = core::param_find(stored, name);
  const Text value = defs::def_key_value(code);
  FUZZ_CHECK(value.ok() || core::text_error(value) == core::OUTOFMEMORY);
  if (value.ok()) FUZZ_CHECK(raw.ok() ? same(value, paths::value_form(raw)) : value.len == 0);

  const Text raw_value = defs::def_key_raw(code, 0);
  const Text fallback = raw.ok() ? raw : core::param_find(stored, base);
  if (raw_value.ok() && fallback.ok()) {
    Text expect = core::text_trim(fallback, core::kTrimBoth);
    if (base.at(base.len - 1u) != '%') expect = core::text_unquote(expect);
    FUZZ_CHECK(same(raw_value, expect));
    FUZZ_CHECK(same(defs::def_key_raw(code, field), core::list_field(raw_value, ',', field)) ||
               field == 0);
  } else if (raw_value.ok() && base.len != 0) {
    // The default: a variable of the key's name, never assigned here.
    const std::string v = fuzz::str(raw_value);
    FUZZ_CHECK(v.empty() || v == "0");
  }
  FUZZ_CHECK(defs::def_section_release() == 0);
}

void check_options(const std::string& line, const std::string& name) {
  core::ArenaScope scope;
  const Text l = fuzz::view(line);
  const Text n = fuzz::view(name);
  const Text raw = paths::option_raw(l, n);
  Text direct = core::param_find(l, n);
  if (!direct.ok() && !name.empty()) {
    const bool lower_first = name[0] >= 'a' && name[0] <= 'z';
    direct = core::param_find(
        l, core::text_case(n, lower_first ? core::Case::Upper : core::Case::Lower));
  }
  FUZZ_CHECK(same(raw, direct));
  const Text value = paths::option_find(l, n);
  if (raw.ok() && value.ok()) FUZZ_CHECK(same(value, paths::value_form(raw)));
  if (!raw.ok()) FUZZ_CHECK(value.ok() && value.len == 0);

  const Text once = app::command_line_normalise(l);
  if (once.ok()) {
    FUZZ_CHECK(once.len <= l.len);
    const Text twice = app::command_line_normalise(once);
    FUZZ_CHECK(same(once, twice));
    FUZZ_CHECK(once.at(0) != ' ' && once.at(0) != '\t');
  }
}

void check_process(std::string name) {
  core::ArenaScope scope;
  for (char& c : name) {
    if (c == '[') c = '(';  // no expressions: they could write files
  }
  Text argument;
  const uint32_t code = app::process_code(fuzz::view(name), &argument);
  const uint16_t kind = app::process_kind(code);
  FUZZ_CHECK(kind <= app::kPkFontSet);
  if (kind == 0) FUZZ_CHECK(app::process_status(code) == core::NOVALUE);
  if (kind != 0) FUZZ_CHECK(argument.ok());
}

void check_texts(const std::string& a, const std::string& b) {
  core::ArenaScope scope;
  auto fine = [](Text t) {
    return t.ok() || core::text_error(t) == core::STRINGTOOLONG ||
           core::text_error(t) == core::OUTOFMEMORY;
  };
  const Text ta = fuzz::view(a);
  const Text tb = fuzz::view(b);
  const Text expanded = paths::env_expand(ta);
  FUZZ_CHECK(fine(expanded));
  if (a.find('%') == std::string::npos) FUZZ_CHECK(same(expanded, ta));
  FUZZ_CHECK(fine(paths::path_join(ta, tb)));
  FUZZ_CHECK(fine(paths::path_resolve(ta, tb)));
  for (int parts = 0; parts <= paths::kPartAll; ++parts) {
    const Text s = paths::path_split(ta, parts);
    FUZZ_CHECK(fine(s));
    if (s.ok()) FUZZ_CHECK(s.len <= ta.len + 1);
  }
  (void)paths::path_wildcard_match(tb, ta);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ensure_runtime();
  FuzzedDataProvider in(data, size);
  const uint16_t base = core::arena_mark();
  const auto code = in.ConsumeIntegralInRange<uint16_t>(0, 130);
  const auto field = in.ConsumeIntegralInRange<uint16_t>(0, 5);
  const auto selected = in.ConsumeIntegralInRange<int16_t>(-1, 4);
  const std::string prefixes = in.ConsumeRandomLengthString(32);
  const std::string name = in.ConsumeRandomLengthString(16);
  const std::string other = in.ConsumeRandomLengthString(256);
  const std::string text = in.ConsumeRemainingBytesAsString().substr(0, 20000);
  fuzz::dump("prefixes", prefixes);
  fuzz::dump("name", name);
  fuzz::dump("other", other);
  fuzz::dump("text", text);
  check_keys(text, code, field, prefixes, selected);
  check_options(text, name);
  check_process(other);
  check_texts(other, name);
  check_texts(text, other);
  core::error_clear();
  FUZZ_CHECK(core::arena_mark() == base);
  return 0;
}
