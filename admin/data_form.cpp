// The data forms of users and companies.
#include "admin/control.h"
#include "admin/forms.h"
#include "admin/lists.h"
#include "admin/server.h"
#include "admin/statements.h"
#include "core/arena.h"
#include "core/errors.h"
#include "core/text.h"

namespace admin {

namespace {

constexpr const char* kUserLabels = ",,,,Nombre:,Direccion:, ,Telefonos:,Correos Electronicos:,Otros:, , , ";
constexpr const char* kCompanyLabels =
    "Identificacion:,Empresa:,Direccion:, ,Telefonos:,Correos Electronicos:,Contactos:, ,Otros:, , ,Configuracion:, , , ";

std::vector<std::string> split_labels(const std::string& labels) {
  std::vector<std::string> out;
  size_t start = 0;
  for (;;) {
    size_t comma = labels.find(',', start);
    out.push_back(labels.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
    if (comma == std::string::npos) return out;
    start = comma + 1;
  }
}

// The field list: the given specifications with the current values as
// defaults, a text field of 80 for every other label, "Eliminar", and the
// options (help, the identifier not editable).
std::string field_list(const DataForm& form, const std::vector<std::string>& values) {
  std::vector<std::string> labels = split_labels(form.labels);
  std::string fields;
  for (size_t i = 0; i < labels.size(); ++i) {
    std::string value = form_default(i < values.size() ? values[i] : std::string());
    std::string field = i < form.specs.size() ? form.specs[i] + "::" + value
                                               : form_default(labels[i]) + ":'A80'::" + value;
    fields += (fields.empty() ? "" : ",") + field;
  }
  if (form.remove_option) fields += ",'Eliminar:':'L1'::'0'";
  fields += " /HELP$=" + form_default(form.help) + ":NOEDIT$=_SCRF1$";
  return fields;
}

Status save_changes(const DataForm& form, std::string_view name, std::vector<std::string>* values,
                    const std::string& stored_group) {
  size_t pw = static_cast<size_t>(form.password_field);
  size_t group = static_cast<size_t>(form.group_field);
  bool password = pw != 0 && !(*values)[pw - 1].empty();
  bool regroup = group != 0 && (*values)[group - 1] != stored_group;
  if (regroup && group_position((*values)[group - 1]) == 0) {
    core::error_record(core::kRecord, core::Context::None, core::NOVALUE, core::NOVALUE);
    return core::report_detail(core::NOVALUE, core::text_view("Grupo no valido: " + (*values)[group - 1]), false);
  }
  if (password || regroup) {
    AdminSession session({});
    if (session.status() != 0) return session.status();
    if (password) {
      if (Status st = change_password(name, (*values)[pw - 1], (*values)[pw]); st != 0) return st;
    }
    if (regroup) {
      if (Status st = change_group(name, stored_group, (*values)[group - 1]); st != 0) return st;
    }
  }
  // The password is never stored.
  if (pw != 0) {
    (*values)[pw - 1].clear();
    (*values)[pw].clear();
  }
  return lines_write(data_file(form.file), *values);
}

}  // namespace

DataForm user_data_form(std::string_view user) {
  DataForm f;
  f.file = user_data_name(user);
  f.labels = kUserLabels;
  f.title = "Datos de Usuario";
  f.specs = {"'Identificador:':'A15'", "'Contrase\xF1" "a:':'P30'", "'Repeticion de contrase\xF1" "a:':'P30'",
             "'Grupo [usuarios]:':'A20'"};
  f.help = "apUSER.hlp";
  f.password_field = 2;
  f.group_field = 4;
  return f;
}

DataForm company_data_form(std::string_view company) {
  DataForm f;
  f.file = company_data_name(company);
  f.labels = kCompanyLabels;
  f.title = "Datos de Empresa";
  f.help = "apCO.hlp";
  return f;
}

Status data_form(const DataForm& form, std::string_view name, bool is_user) {
  size_t count = split_labels(form.labels).size();
  std::vector<std::string> values;
  Status st = lines_read(data_file(form.file), &values);
  if (st != 0) {
    core::error_box(st);
    return st;
  }
  values.resize(count);
  values[0] = std::string(name);
  std::string stored_group;
  if (form.group_field != 0) {
    std::string& group = values[static_cast<size_t>(form.group_field) - 1];
    if (group.empty()) group = group_name(1);
    stored_group = group;
  }
  for (;;) {
    std::vector<std::string> answer;
    st = form_ask(form.title, field_list(form, values), &answer);
    if (st != 0) return st == core::CANCELLED ? Status{0} : st;
    answer.resize(count + (form.remove_option ? 1 : 0));
    answer[0] = std::string(name);
    if (form.remove_option && form_yes(answer[count])) {
      st = is_user ? remove_principal({}, name) : remove_company(name);
      return st == 0 ? core::UNDEFWARN : st;
    }
    answer.resize(count);
    st = save_changes(form, name, &answer, stored_group);
    if (st != core::NOVALUE) break;
    // A value to type again (a repetition that differs, a group that is none).
    core::error_box(st);
    values = answer;
    if (size_t pw = static_cast<size_t>(form.password_field); pw != 0) {
      values[pw - 1].clear();
      values[pw].clear();
    }
  }
  if (st != 0 && st != core::CANCELLED) core::error_box(st);
  return st;
}

}  // namespace admin
