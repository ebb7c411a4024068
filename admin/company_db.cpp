// A company's database: made with its tables and indexes from the loaded
// dictionary, then filled by its script.
#include <fstream>
#include <string>

#include "admin/server.h"
#include "admin/statements.h"
#include "core/arena.h"
#include "core/errors.h"
#include "core/messages.h"
#include "data/access.h"
#include "data/dictionary.h"
#include "data/session.h"
#include "ui/dialogs.h"

namespace admin {

namespace {

constexpr const char* kScriptEnd = "-->exec";

// The text of the failure just recorded, which is then cleared so that the
// next failure is recorded in its turn.
std::string failure_taken() {
  core::ArenaScope scope;
  std::string text = core::text_str(core::error_text(core::kNotFoundPos));
  core::error_clear();
  return text;
}

// A statement sent, and logged: itself when it succeeded, else its failure.
Status logged_exec(const std::string& sql, const std::string& log) {
  Status st = admin_exec(sql);
  if (st == 0) log_append(log, sql);
  return st;
}

// After a failed table or index: the failure logged, and (unless told not
// to ask) the user asked whether to go on. True to go on.
bool go_on_after(const std::string& log, int flags) {
  std::string failure = failure_taken();
  log_append(log, "------- " + failure);
  if ((flags & kGoOnAfterFailure) != 0) return true;
  core::ArenaScope scope;
  std::string question = std::string(core::text_bytes(core::message_text_c("0039"))) + "\n\n" + failure;
  return ui::ask(core::text_view(question));
}

// Connects to the company's database, making it first when it cannot be
// connected to. *created tells whether it was made here.
Status open_database(const CompanyRequest& r, bool* created) {
  Login login{r.host, r.user, r.password};
  *created = false;
  if (admin_connect(login, r.database) == 0) return 0;
  core::error_clear();
  Status st = admin_connect(login, {});
  if (st != 0) return st;
  core::ArenaScope scope;
  core::TextArray encodings = core::list_split(kEncodings, ',');
  for (uint16_t i = 1; i <= encodings.count && !*created; ++i) {
    st = logged_exec(sql_create_database(r.database, r.user, core::text_bytes(encodings.at(i))), r.log);
    if (st == 0) {
      *created = true;
    } else {
      log_append(r.log, "------- " + failure_taken());
    }
  }
  (void)data::session_close();
  if (!*created) {
    core::error_record(core::kRecord, core::Context::SQLCONNECT, core::NOVALUE, core::NOVALUE);
    return core::report_detail(core::NOVALUE, core::text_view(r.database), false);
  }
  st = admin_connect(login, r.database);
  return st == core::SQLERROR ? core::NOVALUE : st;
}

// The procedural language, only when the new database lacks it.
Status language_ensure(const std::string& log) {
  core::ArenaScope scope;
  if (data::sql_exec_number(core::text_view(sql_language_present())) == 1) return 0;
  return logged_exec(sql_create_language(), log);
}

}  // namespace

void log_append(const std::string& log, std::string_view text) {
  if (log.empty()) return;
  std::ofstream out(log, std::ios::binary | std::ios::app);
  out << text << "\r\n";
}

Status create_table(uint16_t file, std::string_view owner, const std::string& log) {
  std::string sql = sql_create_table(file);
  if (sql.empty()) return core::BADFILENUMBER;
  core::ArenaScope scope;
  Status st = logged_exec(sql, log);
  if (st == 0) st = logged_exec(sql_table_owner(core::text_bytes(data::dict_file_name(file)), owner), log);
  return st;
}

Status create_indexes(uint16_t file, const std::string& log) {
  data::FileItem item;
  if (Status st = data::dict_file_attr(file, &item); st != 0) return st;
  for (uint16_t key = 1; key <= item.key_count; ++key) {
    core::ArenaScope scope;
    core::Text sql = data::access_index_definition(file, key, key_unique(file, key));
    if (!sql.ok()) return core::text_error(sql);
    if (Status st = logged_exec(core::text_str(sql), log); st != 0) return st;
  }
  return 0;
}

int run_script(const std::string& path, const std::string& log) {
  std::ifstream in(path, std::ios::binary);
  int failures = 0;
  std::string statement;
  auto send = [&] {
    if (statement.find_first_not_of(" \t\r\n") != std::string::npos && logged_exec(statement, log) != 0) {
      log_append(log, "------- " + failure_taken());
      ++failures;
    }
    statement.clear();
  };
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.find(kScriptEnd) != std::string::npos) {
      send();
    } else if (line.empty() || line[0] != '-') {
      statement += line + "\r\n";
    }
  }
  send();
  return failures;
}

Status create_company_database(const CompanyRequest& r) {
  if (r.host.empty() || r.database.empty() || r.user.empty() || r.password.empty()) {
    core::error_record(core::kRecord, core::Context::SQLCONNECT, core::NOVALUE, core::NOVALUE);
    return core::report_detail(core::NOVALUE, "Servidor, Base, Usuario, Contrase\xF1" "a"_t, false);
  }
  if (!r.log.empty()) std::ofstream(r.log, std::ios::binary | std::ios::app);
  bool created = false;
  Status st = open_database(r, &created);
  if (st == 0 && created) st = language_ensure(r.log);
  bool failed = false;
  std::vector<uint16_t> made;
  for (uint16_t file = 1; st == 0 && file <= data::dict_file_count(); ++file) {
    if (create_table(file, r.user, r.log) == 0) {
      made.push_back(file);
    } else if (go_on_after(r.log, r.flags)) {
      failed = true;
    } else {
      st = core::SQLERROR;
    }
  }
  for (size_t i = 0; st == 0 && i < made.size(); ++i) {
    if (create_indexes(made[i], r.log) == 0) continue;
    if (go_on_after(r.log, r.flags)) failed = true;
    else st = core::SQLERROR;
  }
  if (st == 0 && !r.script.empty() && run_script(r.script, r.log) > 0) failed = true;
  if (data::session_connected()) (void)data::session_close();
  if (st == 0 && failed) st = core::UNDEFWARN;
  if ((r.flags & kNoResultBox) == 0) {
    if (st == 0) core::done_box(true, core::Text{});
    else core::error_box(st);
  }
  return st;
}

}  // namespace admin
