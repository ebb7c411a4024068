// New users of the installation.
#include "admin/control.h"
#include "admin/forms.h"
#include "admin/lists.h"
#include "admin/server.h"
#include "core/errors.h"
#include "core/text.h"

namespace admin {

namespace {

constexpr std::string_view kTitle = "Datos de Usuario";
constexpr std::string_view kFields =
    "'Identificador:':'A15'::'','Contrase\xF1" "a:':'P30'::'','Repeticion de contrase\xF1" "a:':'P30'::''";

// A value the user must type again: the error is shown and the form comes back.
void refused(Status code, std::string_view detail) {
  core::error_record(core::kRecord, core::Context::None, code, code);
  core::report_detail(code, core::text_view(detail), false);
  core::error_box(code);
}

}  // namespace

Status new_user() {
  AdminSession session({});
  if (session.status() != 0) {
    if (session.status() != core::CANCELLED) core::error_box(session.status());
    return session.status();
  }
  std::string list = data_file(user_list_name({}));
  std::vector<std::string> users;
  Status st = list_read(list, &users);
  if (st == 0 && users.empty()) st = create_groups();
  while (st == 0) {
    std::vector<std::string> values;
    if (form_ask(kTitle, kFields, &values) != 0) break;
    values.resize(3);
    const std::string& user = values[0];
    if (Status bad = name_check(user); bad != 0) {
      core::error_box(bad);
    } else if (list_has(users, user)) {
      refused(core::NOVALUE, "El usuario ya existe: " + user);
    } else if (values[1].empty() || values[1] != values[2]) {
      refused(core::NOVALUE, "Repeticion de contrase\xF1" "a");
    } else {
      // The role first: a user is listed only once the server has it, and
      // a list that cannot be written takes the role back.
      st = create_user(user, values[1]);
      if (st != 0) break;
      users.push_back(user);
      st = list_write(list, users);
      if (st != 0) {
        // The list's failure stays the one recorded and shown.
        users.pop_back();
        (void)drop_role(user);
      }
    }
  }
  if (st != 0) core::error_box(st);
  return st;
}

}  // namespace admin
