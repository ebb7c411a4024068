// The application environment: group 0 slots, command-line options,
// operating-system variables and the %NAME% token expander.
#include <string>

#include "core/arena.h"
#include "core/files.h"
#include "paths/os.h"
#include "paths/paths.h"

namespace paths {
namespace {

using core::ArenaScope;
using core::kNoPos;

uint8_t first_byte(Text s) { return s.at(0); }

// The name in the other case for the option retry: lower case, or upper case
// when the name starts with a lower-case letter.
Text other_case(Text name) {
  uint8_t c = first_byte(name);
  return core::text_case(name, (c >= 'a' && c <= 'z') ? core::Case::Upper : core::Case::Lower);
}

// Where a variable of the other platform is not set, what stands for it here.
std::string os_stand_in(const std::string& name) {
  std::string v;
  auto get = [&v](const char* n) { return os::get_variable(n, &v) && !v.empty(); };
  if (name == "TEMP") return get("TMPDIR") ? v : "/tmp";
  if (name == "USERPROFILE" || name == "HOMEPATH") return get("HOME") ? v : "";
  if (name == "APPDATA") {
    if (get("XDG_CONFIG_HOME")) return v;
    return get("HOME") ? v + "/.config" : "";
  }
  if (name == "ALLUSERSPROFILE") return "/var/lib";
  if (name == "ProgramFiles") return "/opt";
  if (name == "CommonProgramFiles") return "/usr/lib";
  if (name == "SystemRoot") return "/usr";
  return {};
}

}  // namespace

Status env_set_if_empty(uint16_t slot, Text text, bool force) {
  if (!force && core::slot_get(core::kGroupEnv, slot).len != 0) return 0;
  return core::slot_set(core::kGroupEnv, slot, text);
}

Status slot_shorten(uint16_t group, uint16_t slot, uint16_t length) {
  Text current = core::slot_get(group, slot);
  if (!current.ok()) return current.len;
  if (length > current.len) return core::INTERNAL;
  return core::slot_set(group, slot, core::text_sub(current, 0, length));
}

Text option_raw(Text line, Text name) {
  Text raw = core::param_find(line, name);
  if (raw.ok() || raw.len != core::NOVALUE || !name.ok()) return raw;
  ArenaScope scope;
  Text other = other_case(name);
  if (!other.ok() || core::text_equal(other, name)) return raw;
  // The value is a view into line, which outlives this scope.
  return core::param_find(line, other);
}

Text option_find(Text line, Text name) {
  Text raw = option_raw(line, name);
  if (!raw.ok()) return raw.len == core::NOVALUE ? Text{} : raw;
  return value_form(raw);
}

Text env_option_value(Text name) {
  return option_find(core::slot_get(core::kGroupEnv, core::kEnvCommandLine), name);
}

Status env_output_line(Text line) {
  if (!line.ok()) return line.len;
  ArenaScope scope;
  if (!option_raw(core::slot_get(core::kGroupEnv, core::kEnvCommandLine), "OUTPUT"_t).ok()) return 0;
  Text file = env_option_value("OUTPUT"_t);
  if (!file.ok()) return file.len;
  return core::file_append(file, core::text_concat(line, "\r\n"_t));
}

Text env_os_variable(Text name) {
  if (!name.ok()) return name;
  if (name.len == 0 || core::list_index(kOsVariableNames, ',', name) == 0) return Text{};
  std::string n = text_str(name);
  std::string value;
  if (!os::get_variable(n.c_str(), &value) || value.empty()) value = os_stand_in(n);
  return core::arena_text(value);
}

Text env_database_field(uint16_t field, uint16_t slot) {
  return value_form(core::list_field(core::slot_get(core::kGroupEnv, slot), ',', field));
}

Text env_token_value(Text name, bool* known) {
  if (known != nullptr) *known = true;
  if (!name.ok()) return name;
  if (uint16_t n = core::list_index(kAppPathNames, ',', name); n != 0) return path_app(n);
  if (core::list_index(kOsVariableNames, ',', name) != 0) return env_os_variable(name);
  if (uint16_t n = core::list_index(kRuntimeSlotNames, ',', name); n != 0) {
    Text value = core::slot_get(core::kGroupEnv, n);
    // APNAME stands for the application prefix: its first two characters.
    return n == core::kEnvApName ? core::text_sub(value, 0, 2) : value;
  }
  if (uint16_t n = core::list_index(kDatabaseNames, ',', name); n != 0)
    return env_database_field(n);
  if (core::list_index(kOptionTokenNames, ',', name) != 0) return env_option_value(name);
  if (known != nullptr) *known = false;
  return Text{};
}

Text env_expand(Text text) {
  if (!text.ok()) return text;
  ArenaScope scope;
  std::string out;
  uint32_t at = 0;
  for (;;) {
    if (at >= text.len) break;
    uint16_t open = core::text_find_char(text, '%', static_cast<uint16_t>(at), true);
    if (open == kNoPos) break;
    uint16_t close = core::text_find_char(text, '%', open + 1u, true);
    if (close == kNoPos || close == open + 1u) break;  // a lone "%", or "%%": the rest stays
    Text value =
        env_token_value(core::text_sub(text, open + 1, static_cast<uint16_t>(close - open - 1u)));
    if (!value.ok()) return scope.keep(value);
    out.append(text.ptr + at, open - at).append(text_str(value));
    at = close + 1u;
  }
  if (at < text.len) out.append(text.ptr + at, text.len - at);
  return scope.keep(core::arena_text(out));
}

}  // namespace paths
