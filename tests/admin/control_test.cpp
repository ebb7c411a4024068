// appcontrol's operations as a user meets them, over the headless backend:
// the new-user form refusing what it must, the data form never keeping a
// password, and damaged list files told about, with nothing done.
#include <gtest/gtest.h>

#include "admin/control.h"
#include "admin/lists.h"
#include "admin/statements.h"
#include "tests/admin/admin_fixture.h"

namespace {

using admintest::AdminTest;
using datatest::admin_sql;

class Control : public AdminTest {
 protected:
  std::string transcript() { return tk_->transcript(); }
  int roles_named(const std::string& name) {
    return std::stoi(admin_sql("postgres", "SELECT count(*) FROM pg_roles WHERE rolname = '" + name + "';"));
  }
};

// Empty and duplicate identifiers and a repetition that differs bring the
// form back with the reason; the good one is made and listed.
TEST_F(Control, NewUserRefusesWhatItMust) {
  std::string ana = role("ana"), bea = role("bea");
  write_data("APUSRLIST.DAT", ana);
  admin_sql("postgres", "CREATE ROLE \"" + ana + "\" LOGIN;");
  ASSERT_EQ(admin::admin_login({}), 0);
  ASSERT_EQ(admin::create_groups(), 0);
  (void)data::session_close();
  input("press Ok\nanswer Ok\n"  // empty identifier
        "type " + ana + "\nkey Tab\ntype a\nkey Tab\ntype a\npress Ok\nanswer Ok\n"  // listed already
        "type " + bea + "\nkey Tab\ntype uno\nkey Tab\ntype dos\npress Ok\nanswer Ok\n"  // repetition differs
        "type " + bea + "\nkey Tab\ntype uno\nkey Tab\ntype uno\npress Ok\n"
        "key Esc\n");
  size_t before = sent().size();
  EXPECT_EQ(admin::new_user(), 0) << transcript();
  EXPECT_NE(transcript().find("Identificador no valido"), std::string::npos);
  EXPECT_NE(transcript().find("El usuario ya existe: " + ana), std::string::npos);
  EXPECT_NE(transcript().find("Repeticion de contrase"), std::string::npos);
  EXPECT_EQ(data("APUSRLIST.DAT"), ana + "," + bea);
  EXPECT_TRUE(logs_in(bea, "uno"));
  // Not a new installation: the groups were not asked for again.
  EXPECT_EQ(sent().find("pg_roles", before), std::string::npos);
}

// A role the server refuses (it exists already) is not listed.
TEST_F(Control, ARefusedRoleIsNotListed) {
  std::string taken = role("taken");
  write_data("APUSRLIST.DAT", "someone");
  admin_sql("postgres", "CREATE ROLE \"" + taken + "\";");
  input("type " + taken + "\nkey Tab\ntype pw\nkey Tab\ntype pw\npress Ok\nanswer Ok\n");
  EXPECT_EQ(admin::new_user(), core::SQLERROR);
  EXPECT_NE(transcript().find("already exists"), std::string::npos) << transcript();
  EXPECT_EQ(data("APUSRLIST.DAT"), "someone");
}

// The data form changes the password and the group on the server, keeps
// every other value, and never stores a password.
TEST_F(Control, DataFormKeepsNoPassword) {
  std::string eva = role("eva");
  make_user(eva, "old");
  input("click Contrase\xC3\xB1" "a:\ntype new'pw\nkey Tab\ntype new'pw\n"
        "click Grupo [usuarios]:\ntype admins\nclick Nombre:\ntype Eva \"La\" O'Neil\npress Ok\n");
  ASSERT_EQ(admin::data_form(admin::user_data_form(eva), eva, true), 0) << transcript();
  std::string stored = data("APUSRDATA." + eva + ".TXT");
  EXPECT_EQ(stored.substr(0, eva.size() + 18), eva + "\r\n\r\n\r\nadmins\r\nEva ") << stored;
  EXPECT_NE(stored.find("Eva \"La\" O'Neil"), std::string::npos);
  EXPECT_EQ(stored.find("new'pw"), std::string::npos);
  EXPECT_TRUE(logs_in(eva, "new'pw"));
  EXPECT_EQ(admin_sql("postgres", "SELECT g.rolname FROM pg_auth_members m JOIN pg_roles g ON g.oid = m.roleid "
                                  "JOIN pg_roles u ON u.oid = m.member WHERE u.rolname = '" + eva + "';"),
            "admins");
  // Shown again, the form holds what was stored (a quote and all).
  input("show\nkey Esc\n");
  ASSERT_EQ(admin::data_form(admin::user_data_form(eva), eva, true), 0);
  EXPECT_NE(transcript().rfind("Eva \"La\" O'Neil"), std::string::npos);
}

// Removing a user from the installation takes its rights in every company
// first, then drops its role and takes it off the list.
TEST_F(Control, RemoveUserEverywhere) {
  std::string ivo = role("ivo");
  sql("CREATE TABLE art (a int);");
  make_user(ivo, "pw");
  ASSERT_EQ(admin::admin_login(db_), 0);
  ASSERT_EQ(admin::set_permission(ivo, "art", 'N', 'E'), 0);
  (void)data::session_close();
  write_data("APUSRLIST.DAT", "otro," + ivo);
  write_data("APCOLIST.DAT", db_);
  write_data("APUSRLIST." + db_ + ".DAT", ivo + ",otro");
  ASSERT_EQ(admin::remove_principal({}, ivo), 0) << transcript();
  EXPECT_EQ(roles_named(ivo), 0);
  EXPECT_EQ(data("APUSRLIST.DAT"), "otro");
  EXPECT_EQ(data("APUSRLIST." + db_ + ".DAT"), "otro");
  EXPECT_EQ(data("APUSRAUTH." + db_ + ".DAT"), ivo + "=''\r\n");
}

// A damaged list is told about (which file), and nothing is made.
TEST_F(Control, ABinaryUserListStopsANewUser) {
  write_data("APUSRLIST.DAT", std::string("an\0\xff\x01", 5));
  input("answer Ok\n");
  EXPECT_EQ(admin::new_user(), core::READERR);
  EXPECT_NE(transcript().find("APUSRLIST.DAT: not a list file"), std::string::npos) << transcript();
  EXPECT_EQ(sent().find("CREATE ROLE"), std::string::npos);
}

// A company's permissions: a letter that is none brings the form back.
TEST_F(Control, PermissionsAskAgainForABadLetter) {
  std::string ona = role("ona");
  sql("CREATE TABLE art (a int); CREATE TABLE cli (a int);");
  make_user(ona, "pw");
  input("type x\npress Ok\nanswer Ok\ntype l\nclick cli(N/L/E):\ntype n\npress Ok\n");
  ASSERT_EQ(admin::permissions(db_, ona), 0) << transcript();
  EXPECT_NE(transcript().find("N, L, E: art"), std::string::npos);
  EXPECT_EQ(data("APUSRAUTH." + db_ + ".DAT"), ona + "='L,N'\r\n") << transcript();
}

}  // namespace

namespace {

// A company made from every dictionary of the definition folder but the
// runtime's own (QV): one with errors is counted and logged, the others
// made; the tables are the first user's and the groups'.
TEST_F(Control, NewCompanyFromEveryDictionary) {
  std::string owner = role("own");
  make_user(owner, "pw");
  write_data("APUSRLIST.DAT", owner);
  std::string company = "co" + std::to_string(getpid()) + "n";
  databases_.push_back(company);
  for (const char* file : {"KADICC.DAT", "KADICC.SQL"})
    std::filesystem::copy_file(std::string(TEST_SOURCE_DIR) + "/../examples/tienda/" + file, root_ + "/app/" + file);
  // A key line of a file that is not defined, and the runtime's own prefix.
  folder_.write("app/ZZDICC.DAT", "01*  *00zz\r\n01       004 Acod\r\n35<0001004>\r\n");
  folder_.write("app/QVDICC.DAT", "not a dictionary\r\n");
  std::filesystem::create_directory_symlink(datatest::pg_host(), root_ + "/s");
  std::string form = "type " + root_ + "/s\nkey Tab\ntype " + company + "\nkey Tab\ntype postgres\nkey Tab\ntype x\npress Ok\n";
  input(form + "answer No\n");
  EXPECT_EQ(admin::new_company(), core::UNDEFWARN) << transcript();
  EXPECT_NE(transcript().find("Desea ver Incidencias"), std::string::npos);
  EXPECT_EQ(data("APCOLIST.DAT"), company);
  std::string log = data("APINCID.TXT");
  EXPECT_NE(log.find("------- ZZDICC.DAT\r\n------- Error FILEOUTBOUND"), std::string::npos) << log;
  EXPECT_EQ(log.find("QVDICC"), std::string::npos);
  EXPECT_EQ(admin_sql(company, "SELECT tableowner || ' ' || count(*) OVER () FROM pg_tables WHERE tablename = 'clientes';"),
            owner + " 1");
  EXPECT_EQ(admin_sql(company, "SELECT string_agg(grantee || ':' || privilege_type, ',' ORDER BY grantee, privilege_type) "
                               "FROM information_schema.table_privileges WHERE table_name = 'articulos' "
                               "AND grantee IN ('colabor', 'admins');"),
            "admins:DELETE,admins:INSERT,admins:SELECT,admins:UPDATE,colabor:SELECT");
  EXPECT_EQ(admin_sql(company, "SELECT count(*) FROM clientes;"), "7");
  // Made again: listed once, and said so.
  input(form + "answer No\n");
  EXPECT_EQ(admin::new_company(), core::UNDEFWARN);
  EXPECT_EQ(data("APCOLIST.DAT"), company);
}

}  // namespace

namespace {

// The views that need users or a selected company say so; a company's line
// selects it, and its data form keeps what is typed (and "Eliminar" takes
// it off the list).
TEST_F(Control, MainWindowViewsAndTheSelectedCompany) {
  input("press Seleccion de Empresa\nanswer Ok\n");
  ASSERT_EQ(admin::main_window_open(), 0);
  ui::main_loop();
  EXPECT_NE(transcript().find("Es necesario crear al menos un usuario (Administrador)"), std::string::npos)
      << transcript();
  ui::quit_reset();
  write_data("APUSRLIST.DAT", "ana");
  write_data("APCOLIST.DAT", "emp1,emp2");
  input("press Datos de Empresa\nanswer Ok\npress Seleccion de Empresa\nselect 3\nactivate\n"
        "press Datos de Empresa\nclick Empresa:\ntype Ferreteria O'Hara\npress Ok\n"
        "press Datos de Empresa\nclick Eliminar:\ntype 1\npress Ok\n");
  ASSERT_EQ(admin::main_window_open(), 0);
  ui::main_loop();
  EXPECT_NE(transcript().find("Por favor, Seleccione una Empresa"), std::string::npos) << transcript();
  EXPECT_NE(transcript().find("Control de Aplication - emp2"), std::string::npos);
  EXPECT_EQ(data("APCODATA.emp2.TXT").substr(0, 27), "emp2\r\nFerreteria O'Hara\r\n\r\n");
  EXPECT_EQ(data("APCOLIST.DAT"), "emp1");
  EXPECT_NE(transcript().find("Control de Aplication - Sin Seleccion"), std::string::npos);
}

}  // namespace
