// The administration connection: its values, the log-in form and the
// remembered host.
#include <string>

#include "admin/forms.h"
#include "admin/server.h"
#include "core/arena.h"
#include "core/errors.h"
#include "core/messages.h"
#include "core/slots.h"
#include "data/session.h"

namespace admin {

namespace {

constexpr uint16_t kSlotHost = 1;
constexpr uint16_t kSlotUser = 3;
constexpr uint16_t kSlotPassword = 4;
// The database connected to when no company is named.
constexpr std::string_view kServerDatabase = "postgres";

std::string kept(uint16_t slot) {
  core::ArenaScope scope;
  return core::text_str(core::slot_get(core::kGroupAdminLogin, slot));
}

Status missing_values() {
  core::error_record(core::kRecord, core::Context::SQLCONNECT, core::NOVALUE, core::NOVALUE);
  return core::report_detail(core::NOVALUE, "Servidor, Usuario, Contrase\xF1" "a"_t, false);
}

}  // namespace

Login login_kept() { return Login{kept(kSlotHost), kept(kSlotUser), kept(kSlotPassword)}; }

Status login_keep(const Login& login) {
  Status st = core::slot_set(core::kGroupAdminLogin, kSlotHost, core::text_view(login.host));
  if (st == 0) st = core::slot_set(core::kGroupAdminLogin, kSlotUser, core::text_view(login.user));
  if (st == 0) st = core::slot_set(core::kGroupAdminLogin, kSlotPassword, core::text_view(login.password));
  return st;
}

void login_forget() { (void)login_keep(Login{}); }

Status admin_connect(const Login& login, std::string_view database) {
  if (login.host.empty() || login.user.empty() || login.password.empty()) return missing_values();
  core::ArenaScope scope;
  Status st = data::sql_connect(core::text_view(login.host),
                                core::text_view(database.empty() ? kServerDatabase : database),
                                core::text_view(login.user), core::text_view(login.password), 0);
  if (st != 0) return st;
  // Only the host is remembered: the file never holds a password.
  (void)data::login_file_save(data::kOpenAdmin, core::text_view(form_default(login.host)));
  return login_keep(login);
}

Status admin_login(std::string_view database) {
  Login login = login_kept();
  if (login.host.empty()) {
    core::ArenaScope scope;
    core::Text fields = data::login_form_text(data::kAdminLoginFile, data::kFormReadFile | data::kFormAdminServer);
    std::vector<std::string> values;
    Status st = form_ask(core::text_bytes(core::message_text_c("0090")), core::text_bytes(fields), &values);
    if (st != 0) return st;
    values.resize(3);
    login = Login{values[0], values[1], values[2]};
  }
  return admin_connect(login, database);
}

AdminSession::AdminSession(std::string_view database) : status_(admin_login(database)) {}

AdminSession::~AdminSession() {
  if (status_ == 0) (void)data::session_close();
}

Status admin_exec(const std::string& sql) {
  core::ArenaScope scope;
  return data::sql_exec_simple(core::text_view(sql));
}

std::vector<std::string> table_list() {
  core::ArenaScope scope;
  std::vector<std::string> out;
  core::TextArray tables = core::list_split(data::sql_table_list(), ',');
  for (uint16_t i = 1; i <= tables.count; ++i) out.push_back(core::text_str(core::text_unquote(tables.at(i))));
  return out;
}

}  // namespace admin
