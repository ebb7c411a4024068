// Opening the session: connection lists, the parameter file, the
// command-line values, the log-in form and the remembered log-in files.
#include <iterator>
#include <string>

#include "core/arena.h"
#include "core/errors.h"
#include "core/files.h"
#include "core/messages.h"
#include "core/slots.h"
#include "data/internal/session.h"
#include "data/session.h"
#include "definitions/definitions.h"
#include "paths/paths.h"

namespace data {

using core::kOk;

namespace {

constexpr uint16_t kListFields = 4;  // a source with this many comma fields is a connection list

LoginHook g_login_hook = nullptr;

Text login_file(int flags) { return (flags & kOpenAdmin) != 0 ? kAdminLoginFile : kUserLoginFile; }

// A value of the connection list stored in group 0: quoted, so that it
// reads back with its case.
std::string list_value(Text value) {
  std::string_view v = core::text_bytes(value);
  if (v.find('\'') == std::string_view::npos) return "'" + std::string(v) + "'";
  if (v.find('"') == std::string_view::npos) return "\"" + std::string(v) + "\"";
  return std::string(v);
}

// Slot 11 of group 0, or 12 when 11 is taken.
Status remember_list(Text list) {
  uint16_t slot = core::slot_get(core::kGroupEnv, core::kEnvDatabase1).len == 0
                      ? core::kEnvDatabase1
                      : core::kEnvDatabase2;
  return core::slot_set(core::kGroupEnv, slot, list);
}

// Connects; once a connection is made (whatever the dictionary build then
// answers), the list it was made with is stored.
Status connect_and_store(Text host, Text database, Text user, Text password, int flags, Text list) {
  PGconn* before = internal::current_conn();
  Status code = sql_connect(host, database, user, password, flags);
  PGconn* after = internal::current_conn();
  if (after != nullptr && after != before) {
    Status stored = remember_list(list);
    if (code == kOk) code = stored;
  }
  return code;
}

Status connect_values(Text host, Text database, Text user, Text password, int flags) {
  core::ArenaScope scope;
  std::string list = list_value(host) + "," + list_value(database) + "," + list_value(user) + "," +
                     list_value(password);
  return connect_and_store(host, database, user, password, flags, core::arena_text(list));
}

// A key of the parameter file: trimmed, unquoted, its case kept; empty
// when absent.
Text param_key(Text params, Text key) {
  Text raw = core::param_find(params, key);
  if (!raw.ok()) return Text{};
  return core::text_unquote(core::text_trim(raw, core::kTrimBoth));
}

// A source with fewer than four fields: the command-line values or a
// parameter file.
Status open_from_params(Text name, int flags) {
  core::ArenaScope scope;
  Text host = paths::env_option_value("sqlhost"_t);
  if (host.len != 0)
    return connect_values(host, paths::env_option_value("database"_t),
                          paths::env_option_value("user"_t), paths::env_option_value("passw"_t),
                          flags);
  if (name.len == 0) name = kParamFileName;
  // The whole file as one section: every line, with or without a number.
  Text path = defs::def_file_find(name, 0);
  if (path.len == 0 || defs::def_section_load(path, 0, 0) != kOk) {
    core::error_record(core::kRecord, core::Context::SQLCONNECT, core::SQLERROR, 0);
    // A damaged file keeps the detail that names its line.
    if (core::error_place().line != 0) return core::SQLERROR;
    return core::report_detail(core::SQLERROR, name, false);
  }
  Text params = core::text_copy(defs::def_section_current());
  static_cast<void>(defs::def_section_release());
  return connect_values(param_key(params, "sqlhost"_t), param_key(params, "database"_t),
                        param_key(params, "user"_t), param_key(params, "passw"_t), flags);
}

// The values the log-in form starts with: those of the command line when
// it gives any (what the user asked for this time), else the remembered
// log-in of the file.
Text login_values(int flags) {
  core::ArenaScope scope;
  const Text names[] = {"sqlhost"_t, "database"_t, "user"_t, "passw"_t};
  std::string given;
  bool any = false;
  for (size_t i = 0; i < std::size(names); ++i) {
    Text value = paths::env_option_value(names[i]);
    any = any || value.len != 0;
    if (i != 0) given += ',';
    if (value.len != 0) given += list_value(value);
  }
  if (!any) return scope.keep(internal::login_file_read(login_file(flags)));
  return scope.keep(core::arena_text(given));
}

// A connection list: host, database, user, password and the remember flag.
Status open_from_list(Text list, int flags) {
  core::ArenaScope scope;
  Text flag = core::text_unquote(core::text_trim(core::list_field(list, ',', 5), core::kTrimBoth));
  if (core::text_to_int(flag) != 0) {
    Status code = internal::login_file_write(login_file(flags), list);
    if (code != kOk) {
      core::error_record(core::kRecord, core::Context::SQLCONNECT, code, 0);
      return core::report_detail(code, login_file(flags), false);
    }
  }
  auto field = [&](uint16_t n) { return core::text_unquote(core::list_field(list, ',', n)); };
  return connect_and_store(field(1), field(2), field(3), field(4), flags, list);
}

Status try_source(Text source, int flags) {
  if (core::list_count(source, ',') >= kListFields) return open_from_list(source, flags);
  return open_from_params(source, flags);
}

}  // namespace

namespace internal {

Text login_file_read(Text name) {
  Text content = core::file_load(name, 0, core::kToEnd);
  return content.ok() ? content : Text{};
}

}  // namespace internal

void login_hook_set(LoginHook hook) { g_login_hook = hook; }

void hooks_install(const Hooks& hooks) { login_hook_set(hooks.login); }

Text login_form_text(Text text, int flags) {
  if (!text.ok()) return text;
  core::ArenaScope scope;
  if ((flags & kFormReadFile) != 0) text = internal::login_file_read(text);
  Text values[4];
  for (uint16_t i = 0; i < 4; ++i) values[i] = core::list_field(text, ',', i + 1u);
  const char* number = nullptr;
  int count = 1;
  if ((flags & kFormLogin) != 0) {
    number = "0091";
    count = 4;
  } else if ((flags & kFormAdminDb) != 0) {
    number = "0092";
  } else if ((flags & kFormAdminServer) != 0) {
    number = "0093";
  }
  if (number == nullptr) return scope.keep(text);
  return scope.keep(core::message_fill(core::message_text_c(number), values, count));
}

Status session_open(Text source, int flags) {
  if (!source.ok()) return core::text_error(source);
  std::string current(core::text_bytes(source));
  std::string reason;
  Status result = core::SQLERROR;
  bool tried = false;
  for (;;) {
    if (!current.empty()) {
      core::ArenaScope scope;
      result = try_source(core::text_view(current.data(), current.size()), flags);
      if (result != core::SQLERROR) return result;
      tried = true;
      reason.assign(core::text_bytes(core::error_detail()));
    }
    LoginHook hook = g_login_hook;
    if (hook == nullptr) {
      if (!tried) {
        core::error_record(core::kRecord, core::Context::SQLCONNECT, core::SQLERROR, 0);
        core::report_detail(core::SQLERROR, "no connection values"_t, false);
      }
      return result;
    }
    core::ArenaScope scope;
    Text fields = login_form_text(login_values(flags), kFormLogin);
    LoginAnswer a =
        hook(core::message_text_c("0090"), fields, core::text_view(reason.data(), reason.size()));
    if (a.code != kOk) return a.code;
    if (!a.confirmed) return kOk;
    current.assign(core::text_bytes(a.values));
  }
}

Status session_phase_open() { return session_open(kParamFileName, kOpenColumns); }

}  // namespace data
