// New companies: a database per application dictionary of the definition
// folder, with its tables, indexes, script and rights.
#include <algorithm>
#include <filesystem>

#include "admin/control.h"
#include "admin/forms.h"
#include "admin/lists.h"
#include "admin/server.h"
#include "core/arena.h"
#include "core/errors.h"
#include "core/messages.h"
#include "data/dictionary.h"
#include "data/session.h"
#include "paths/paths.h"
#include "ui/dialogs.h"

namespace admin {

namespace {

constexpr const char* kIncidentLog = "APINCID.TXT";
constexpr size_t kShownLogLines = 40;

std::string upper(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return s;
}

}  // namespace

std::vector<std::string> dictionaries(const std::string& folder) {
  std::vector<std::string> found;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
    std::string name = entry.path().filename().string();
    std::string up = upper(name);
    if (up.size() == 10 && up.substr(2) == "DICC.DAT" && up.substr(0, 2) != "QV" && entry.is_regular_file(error))
      found.push_back(name);
  }
  std::sort(found.begin(), found.end());
  return found;
}

namespace {

// The dictionary's script: its name with ".SQL" for ".DAT", in any letter
// case; empty when there is none.
std::string script_of(const std::string& folder, const std::string& dictionary) {
  core::ArenaScope scope;
  std::string name = dictionary.substr(0, dictionary.size() - 4) + ".SQL";
  return core::text_str(paths::path_find_file(core::text_view(folder), core::text_view(name)));
}

// The last lines of the incident log, as a box shows them.
void show_incidents(const std::string& log) {
  std::vector<std::string> lines;
  (void)lines_read(log, &lines);
  size_t from = lines.size() > kShownLogLines ? lines.size() - kShownLogLines : 0;
  std::string text;
  for (size_t i = from; i < lines.size(); ++i) text += lines[i] + "\n";
  ui::info_box(core::text_view(log), core::text_view(text));
}

// One dictionary made into the company's database: 0, or its code.
Status company_from(const std::string& folder, const std::string& dictionary, const CompanyRequest& base) {
  core::ArenaScope scope;
  data::dict_clear();
  (void)ui::progress_text(core::text_view(dictionary));
  log_append(base.log, "------- " + dictionary);
  Status st = data::dict_load(core::text_view(dictionary.substr(0, 2)), core::text_view(folder), core::Text{});
  if (st == 0) {
    CompanyRequest request = base;
    request.script = script_of(folder, dictionary);
    st = create_company_database(request);
  }
  // What stopped it goes to the log, the next dictionary's failures after it.
  if (st >= 128) {
    log_append(base.log, "------- " + core::text_str(core::error_text(core::kNotFoundPos)));
    core::error_clear();
  }
  return st;
}

// The new company's tables owned by the first user and granted to the groups.
Status rights_of(const Login& login, const std::string& company) {
  std::vector<std::string> users;
  if (Status st = list_read(data_file(user_list_name({})), &users); st != 0) return st;
  if (users.empty()) {
    core::error_record(core::kRecord, core::Context::None, core::NOVALUE, core::NOVALUE);
    return core::report_detail(core::NOVALUE, "Es necesario crear al menos un usuario (Administrador)"_t, false);
  }
  if (Status st = admin_connect(login, company); st != 0) return st;
  Status st = company_rights(users.front());
  (void)data::session_close();
  return st;
}

Status listed(const std::string& company) {
  std::vector<std::string> companies;
  std::string path = data_file(kCompanyListName);
  if (Status st = list_read(path, &companies); st != 0) return st;
  if (list_has(companies, company)) return core::UNDEFWARN;
  companies.push_back(company);
  return list_write(path, companies);
}

}  // namespace

std::string incident_log_path() { return data_file(kIncidentLog); }

Status new_company() {
  core::ArenaScope scope;
  core::Text fields = data::login_form_text(data::kAdminLoginFile, data::kFormReadFile | data::kFormAdminDb);
  std::vector<std::string> values;
  Status st = form_ask(core::text_bytes(core::message_text_c("0090")), core::text_bytes(fields), &values);
  if (st != 0) return st;
  values.resize(4);
  CompanyRequest request{values[0], values[1], values[2], values[3], {}, incident_log_path(),
                         kGoOnAfterFailure | kNoResultBox};
  std::string folder = core::text_str(paths::path_app(paths::AppPath::Default));
  std::vector<std::string> found = dictionaries(folder);
  if (request.host.empty() || request.database.empty() || request.user.empty() || request.password.empty()) {
    core::error_record(core::kRecord, core::Context::None, core::NOVALUE, core::NOVALUE);
    st = core::report_detail(core::NOVALUE, "Servidor, Base, Usuario, Contrase\xF1" "a"_t, false);
  } else if ((st = name_check(request.database)) != 0) {
  } else if (found.empty()) {
    core::error_record(core::kRecord, core::Context::FileSystem, core::FILENOTFOUND, core::FILENOTFOUND);
    st = core::report_detail(core::FILENOTFOUND, core::text_view(folder + "/??DICC.DAT"), false);
  }
  if (st != 0) {
    core::error_box(st);
    return st;
  }
  std::error_code error;
  std::filesystem::remove(request.log, error);
  int failed = 0;
  for (const std::string& dictionary : found) {
    if (company_from(folder, dictionary, request) != 0) ++failed;
  }
  data::dict_clear();
  ui::progress_close();
  st = rights_of(Login{request.host, request.user, request.password}, request.database);
  if (st == 0) st = listed(request.database);
  if (failed != 0 || st != 0) {
    core::ArenaScope question;
    std::string text = std::string(core::text_bytes(core::message_text_c("0040"))) + "\n\n" +
                       std::string(core::text_bytes(core::error_text(st != 0 ? st : core::UNDEFWARN)));
    if (st >= 128) text += "\n" + core::text_str(core::error_detail());
    core::error_clear();
    if (ui::ask(core::text_view(text))) show_incidents(request.log);
    return st != 0 ? st : core::UNDEFWARN;
  }
  core::done_box(true, core::Text{});
  return 0;
}

}  // namespace admin
