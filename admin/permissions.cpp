// The users of a company, the permissions of groups and users on its
// tables, and the removal of users and companies.
#include <algorithm>
#include <cctype>
#include <filesystem>

#include "admin/control.h"
#include "admin/forms.h"
#include "admin/lists.h"
#include "admin/server.h"
#include "admin/statements.h"
#include "core/arena.h"
#include "core/errors.h"
#include "core/messages.h"
#include "ui/dialogs.h"

namespace admin {

namespace {

void show(Status st) {
  if (st != 0 && st != core::CANCELLED) core::error_box(st);
}

std::vector<std::string> without(std::vector<std::string> items, std::string_view name) {
  items.erase(std::remove(items.begin(), items.end(), name), items.end());
  return items;
}

// The principal's line of the company's permissions set to `letters`.
Status store_letters(std::string_view company, std::string_view principal, const std::string& letters) {
  std::vector<Permission> lines;
  if (Status st = auth_read(company, &lines); st != 0) return st;
  auto it = std::find_if(lines.begin(), lines.end(), [&](const Permission& p) { return p.principal == principal; });
  if (it == lines.end()) it = lines.insert(lines.end(), Permission{std::string(principal), {}});
  it->letters = letters;
  return auth_write(company, lines);
}

// The principal taken out of a company on the connection already open to it.
Status remove_from_company(std::string_view company, std::string_view principal) {
  std::vector<std::string> users;
  Status st = company_users(company, &users);
  if (st == 0) st = remove_rights(principal);
  if (st == 0) st = store_letters(company, principal, {});
  if (st == 0 && list_has(users, principal)) st = list_write(data_file(user_list_name(company)), without(users, principal));
  return st;
}

// The permissions form: a letter field per table and "Eliminar".
std::string permission_fields(const std::vector<std::string>& tables, const std::string& letters,
                              std::string_view company, std::string_view principal) {
  std::string fields;
  for (size_t i = 0; i < tables.size(); ++i)
    fields += form_default(tables[i] + "(N/L/E):") + ":'A1'::" + form_default(std::string(1, letters[i])) + ",";
  return fields + form_default("Eliminar " + std::string(principal) + " de " + std::string(company) + ":") +
         ":'L1'::'0'";
}

// The first table whose answer is no letter of "ELN", or -1.
int bad_letter(std::vector<std::string>* answers, size_t tables) {
  for (size_t i = 0; i < tables; ++i) {
    std::string& a = (*answers)[i];
    std::transform(a.begin(), a.end(), a.begin(), [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    if (a.size() != 1 || (a[0] != kNone && a[0] != kRead && a[0] != kWrite)) return static_cast<int>(i);
  }
  return -1;
}

}  // namespace

Status add_user_to_company(std::string_view company) {
  std::vector<std::string> all, admitted, candidates;
  Status st = list_read(data_file(user_list_name({})), &all);
  if (st == 0) st = company_users(company, &admitted);
  if (st != 0) {
    show(st);
    return st;
  }
  for (const std::string& user : all)
    if (!list_has(admitted, user)) candidates.push_back(user);
  core::ArenaScope scope;
  if (candidates.empty()) {
    ui::info_box(core::Text{}, core::message_text_c("0007"));
    return 0;
  }
  int chosen = ui::selection_run("A\xF1" "adir Usuario"_t, core::text_view(list_join(candidates)),
                                 ui::kSelectOwnWindow | ui::kSelectListBox);
  if (chosen <= 0) return core::CANCELLED;
  admitted.push_back(candidates[static_cast<size_t>(chosen) - 1]);
  st = list_write(data_file(user_list_name(company)), admitted);
  show(st);
  return st;
}

Status permissions(std::string_view company, std::string_view principal) {
  AdminSession session(company);
  if (session.status() != 0) {
    show(session.status());
    return session.status();
  }
  std::vector<std::string> tables = table_list();
  std::vector<Permission> lines;
  Status st = auth_read(company, &lines);
  if (st != 0) {
    show(st);
    return st;
  }
  std::string was = letters_of(lines, principal, tables.size());
  std::string shown = was;
  std::string title = "Permisos de Usuarios - " + std::string(company) + " - " + std::string(principal);
  std::vector<std::string> answers;
  for (;;) {
    st = form_ask(title, permission_fields(tables, shown, company, principal), &answers);
    if (st != 0) return st == core::CANCELLED ? Status{0} : st;
    answers.resize(tables.size() + 1);
    int bad = bad_letter(&answers, tables.size());
    if (bad < 0) break;
    core::ArenaScope scope;
    ui::message_box(core::text_view("N, L, E: " + tables[static_cast<size_t>(bad)]), core::Text{}, ui::kBoxWarning);
    for (size_t i = 0; i < tables.size(); ++i)
      shown[i] = answers[i].size() == 1 ? answers[i][0] : was[i];
  }
  if (form_yes(answers[tables.size()])) {
    st = remove_from_company(company, principal);
    show(st);
    return st;
  }
  // Each letter is stored once the server has it: a failure half way keeps
  // the file in step with the grants that were made.
  std::string now = was;
  for (size_t i = 0; i < tables.size() && st == 0; ++i) {
    st = set_permission(principal, tables[i], was[i], answers[i][0]);
    if (st == 0) now[i] = answers[i][0];
  }
  Status stored = store_letters(company, principal, now);
  if (st == 0) st = stored;
  show(st);
  return st;
}

Status remove_principal(std::string_view company, std::string_view principal) {
  Status st = 0;
  if (!company.empty()) {
    AdminSession session(company);
    st = session.status();
    if (st == 0) st = remove_from_company(company, principal);
    show(st);
    return st;
  }
  // From every company first, so that the role holds no right anywhere
  // when it is dropped; it stays listed until the server has dropped it.
  std::vector<std::string> companies, users;
  st = list_read(data_file(kCompanyListName), &companies);
  for (size_t i = 0; st == 0 && i < companies.size(); ++i) {
    AdminSession session(companies[i]);
    st = session.status();
    if (st == 0) st = remove_from_company(companies[i], principal);
  }
  if (st == 0) {
    AdminSession session({});
    st = session.status();
    if (st == 0) st = drop_role(principal);
  }
  if (st == 0) st = list_read(data_file(user_list_name({})), &users);
  if (st == 0) st = list_write(data_file(user_list_name({})), without(users, principal));
  if (st == 0) {
    std::error_code error;
    std::filesystem::remove(data_file(user_data_name(principal)), error);
  }
  show(st);
  return st;
}

Status remove_company(std::string_view company) {
  std::vector<std::string> companies;
  std::string path = data_file(kCompanyListName);
  Status st = list_read(path, &companies);
  if (st == 0) st = list_write(path, without(companies, company));
  show(st);
  return st;
}

}  // namespace admin
