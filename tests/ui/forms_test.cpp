// Accept forms: the data-file cases of forms.test, and code for what they
// cannot show (the transcript, the last-values rule, limit fields, help,
// AcceptRun, process functions, generated lists).
#include "ui/forms.h"
#include "core/messages.h"
#include "script/eval.h"
#include "tests/runner/datafile.h"
#include "tests/ui/form_cases.h"
#include "tests/ui/ui_fixture.h"
#include "ui/dialogs.h"
#include "ui/screens.h"

namespace {

using namespace uitest;

std::string eval(const std::string& expr) {
  core::ArenaScope scope;
  core::Text v = script::expr_text(txt(expr));
  return v.ok() ? str(v) : "<error " + std::to_string(v.len) + ">";
}

std::string slot(uint16_t n) { return str(core::slot_get(core::kGroupRuntime, n)); }

TEST(FormsData, Cases) {
  const testrunner::Handler handler = [](const testrunner::DataCase& c) {
    struct Runtime : UiTest {
      void TestBody() override {}
      std::string run(const testrunner::DataCase& c) {
        std::string out = run_form_case(c, tk_);
        expect_script_ok();
        return out;
      }
    } runtime;
    return runtime.run(c);
  };
  testrunner::DataCommands commands(handler, {"form"});
  testrunner::datafile_run("ui/forms.test");
}

class Forms : public UiTest {
 protected:
  core::Status run(const std::string& list, const std::string& steps, ui::FormResult* r,
                   int flags = 0, std::vector<int> comparisons = {}) {
    input(steps);
    ui::FormRequest request;
    request.title = "Form"_t;
    request.fields = txt(list);
    request.flags = flags;
    request.comparisons = std::move(comparisons);
    return ui::form_run(request, r);
  }
};

TEST_F(Forms, TheLoginFormHasFiveFieldsAPasswordAndALogical) {
  ui::FieldList list;
  std::string text = login_list("'localhost'", "'ventas'", "'ana'", "'x'");
  ASSERT_EQ(ui::form_parse(txt(text), &list), 0);
  ASSERT_EQ(list.fields.size(), 5u);
  EXPECT_EQ(list.fields[0].label, "Servidor:");
  EXPECT_EQ(list.fields[0].type, 'A');
  EXPECT_EQ(list.fields[0].width, 30);
  EXPECT_EQ(list.fields[3].type, 'P');
  EXPECT_EQ(list.fields[4].type, 'L');
  EXPECT_EQ(list.fields[4].width, 1);
  EXPECT_EQ(list.fields[4].label, "Recordar (S/N):");
  EXPECT_EQ(ui::form_fd_complete(""_t, list.fields), "_SCRF1$,_SCRF2$,_SCRF3$,_SCRF4$,_SCRF5#");
  EXPECT_EQ(ui::form_fd_complete("A$,,C#"_t, list.fields), "A$,_SCRF2$,C#,_SCRF4$,_SCRF5#");
}

TEST_F(Forms, TheLoginFormShowsLabelsAlignedAndThePasswordHidden) {
  ui::FormResult r;
  std::string text = login_list("'localhost'", "'ventas'", "'ana'", "'secreto'");
  ASSERT_EQ(run(text, "show\npress Ok\n", &r), 0);
  const std::string& t = tk_->transcript();
  // The edits start one column after the widest label.
  EXPECT_NE(t.find("|  Servidor:      [localhost                     ]  |"), std::string::npos)
      << t;
  EXPECT_NE(t.find("|  Contraseña:    [*******                       ]  |"), std::string::npos)
      << t;
  EXPECT_EQ(t.find("secreto"), std::string::npos) << "the password is never shown";
  EXPECT_NE(t.find("|  Recordar (S/N):[ ]"), std::string::npos) << t;
  EXPECT_NE(t.find("<Ok>"), std::string::npos) << t;
  EXPECT_EQ(r.values, "'localhost','ventas','ana','secreto',''");
}

// The log-in asks for a Cancel button beside Ok: it ends the form as Esc
// does; a form that does not ask has none.
TEST_F(Forms, ACancelButtonBesideOkCancelsTheForm) {
  ui::FormResult r;
  std::string text = login_list("'localhost'", "'ventas'", "'ana'", "''");
  EXPECT_EQ(run(text, "show\npress Cancelar\n", &r, ui::kFormCancelButton), core::CANCELLED);
  EXPECT_EQ(r.form_code, ui::kFormEndEscape);
  const std::string& t = tk_->transcript();
  size_t ok = t.find("<Ok>");
  ASSERT_NE(ok, std::string::npos) << t;
  EXPECT_NE(t.find("<Cancelar>", ok), std::string::npos) << t;
  expect_script_ok();
  size_t before = t.size();
  ASSERT_EQ(run("'Nombre:':'A20'", "show\npress Ok\n", &r), 0);
  EXPECT_EQ(t.find("<Cancelar>", before), std::string::npos) << t;
}

TEST_F(Forms, TheSameListOffersItsLastValuesAndAnotherStartsEmpty) {
  ui::FormResult r;
  std::string list = "'Nombre:':'A20','Edad:':'N3'";
  ASSERT_EQ(run(list, "type Ana\nkey Tab\ntype 30\nkey Enter\n", &r), 0);
  EXPECT_EQ(slot(6), list);
  ASSERT_EQ(run(list, "press Ok\n", &r), 0);
  EXPECT_EQ(r.values, "'Ana','30'");
  // A cancelled form keeps the last values as they were.
  ASSERT_EQ(run(list, "type Otra\nkey Esc\n", &r), core::CANCELLED);
  EXPECT_EQ(slot(7), "'Ana','30'");
  ASSERT_EQ(run("'Nombre:':'A20'", "press Ok\n", &r), 0);
  EXPECT_EQ(r.values, "''");
  ASSERT_EQ(run(list, "press Ok\n", &r), 0);
  EXPECT_EQ(r.values, "'',''");
  expect_script_ok();
}

TEST_F(Forms, LimitFieldsBuildACondition) {
  ui::FormResult r;
  ASSERT_EQ(run("'Desde:':'N5':CODIGO#,'Nombre:':'A10':NOMBRE$,'Hasta:':'N5':CODIGO#",
                "type 10\nkey Tab\ntype Ana\nkey Tab\nkey Tab\n", &r, ui::kFormTargets, {3, 1, 0}),
            0);
  EXPECT_EQ(r.condition, "CODIGO#>=10&&NOMBRE$=='Ana'");
  EXPECT_EQ(slot(1), r.condition);
  // Limit fields are no targets of flag 2; the others are.
  EXPECT_EQ(eval("CODIGO#"), "0");
  EXPECT_EQ(eval("NOMBRE$"), "");
  expect_script_ok();
}

// A computed total is shown as soon as the field it follows is left, and
// F2 computes it again after a field was changed without being left.
TEST_F(Forms, AComputedTotalIsShownWhenAFieldIsLeftAndAtF2) {
  ui::FormResult r;
  std::string list =
      "'Cantidad:':'N5'::'2','Precio:':'26'::'3','Total:':'26' "
      "/ASSIGN$=',,_SCRF1#*_SCRF2#':NOEDIT$=_SCRF3#";
  ASSERT_EQ(run(list, "show\ntype 4\nkey Tab\nshow\ntype 2.5\nkey F2\nshow\nkey Esc\n", &r),
            core::CANCELLED);
  expect_script_ok();
  const std::string& t = tk_->transcript();
  size_t opened = t.find("Total:   [      ]");
  size_t left = t.find("Total:   [ 12.00]", opened);
  size_t f2 = t.find("Total:   [ 10.00]", left);
  EXPECT_NE(opened, std::string::npos) << t;
  EXPECT_NE(left, std::string::npos) << t;
  EXPECT_NE(f2, std::string::npos) << t;
  EXPECT_LT(t.find("> key F2"), f2) << t;
}

TEST_F(Forms, HelpGoesToTheRegisteredFunctionWithTheCurrentField) {
  static std::string asked;
  ui::process_function_set(ui::kProcessHelp, [](core::Text topic) -> core::Status {
    asked = str(topic);
    return 0;
  });
  ui::FormResult r;
  ASSERT_EQ(run("'Uno:':'A5','Dos:':'A5' /HELP$=AYUDA.HLP", "key Tab\nkey F1\npress Ok\n", &r), 0);
  EXPECT_EQ(asked, "AYUDA.HLP,2");
  ui::process_function_set(ui::kProcessHelp, nullptr);
}

TEST_F(Forms, TypedLettersAreNeverFunctionKeys) {
  // "p" and "q" have the key numbers of F1 and F2: typing them asks no help.
  static int asked = 0;
  ui::process_function_set(ui::kProcessHelp, [](core::Text) -> core::Status {
    ++asked;
    return 0;
  });
  ui::FormResult r;
  ASSERT_EQ(run("'Usuario:':'A20'", "type postgres pq\npress Ok\n", &r), 0);
  EXPECT_EQ(asked, 0);
  EXPECT_EQ(r.values, "'postgres pq'");
  ui::process_function_set(ui::kProcessHelp, nullptr);
}

TEST_F(Forms, HelpShowsATopicOfTheHelpFile) {
  write("KAHELP.HLP", "01 Ayuda de la ficha\n01 Escriba el nombre.\n02 Otra\n02 cosa\n");
  ui::FormResult r;
  ASSERT_EQ(run("'Uno:':'A5'", "key F1\nkey F1\npress Ok\n", &r), 0);
  const std::string& t = tk_->transcript();
  EXPECT_NE(t.find("\"Ayuda de la ficha\" [information; Ok]\n   Escriba el nombre."),
            std::string::npos)
      << t;
  // A missing topic is an error shown to the user.
  ASSERT_EQ(run("'Uno:':'A5' /HELP$=OTRO.HLP", "key F1\npress Ok\n", &r), 0);
  EXPECT_NE(tk_->transcript().find("Fichero no encontrado"), std::string::npos);
}

TEST_F(Forms, AFormTooWideForTheScreenIsNotShown) {
  ui::FormResult r;
  EXPECT_EQ(run("'{1,200}Texto:':'A10'", "", &r), core::NOGRAPHICS);
  EXPECT_EQ(str(core::error_detail()), "Soporte Grafico Insuficiente");
  EXPECT_EQ(ui::window_count(), 0);
  EXPECT_EQ(ui::screen_count(), 0);
  EXPECT_EQ(str(core::slot_last(31)), "") << "the form's section was released";
}

TEST_F(Forms, FormsNestAndGiveTheScreenBackWhenTheyClose) {
  // A form opened from inside another (its ON_CONFIRM$ runs a second one
  // through an expression hook of the test) sees its own fields.
  ui::FormResult r;
  ASSERT_EQ(run("'Uno:':'A5'", "type a\nshow\nkey Enter\n", &r), 0);
  EXPECT_EQ(ui::screen_count(), 0);
  EXPECT_EQ(ui::screen_window_current(), -1);
}

TEST_F(Forms, AcceptRunShowsTheSectionsFormAndCallsItsProcess) {
  write("FORMS.PPN",
        "01 ACBOUND$=\"'Nombre:':'A20','Saldo:':'N6'\":WINNAME$='Alta de cliente'\n"
        "01 ON_CONFIRM$='_ALTA$=_SCRF1$':ACCEPT_PRC%=5\n"
        "02 WINNAME$=Nada\n");
  static std::string got;
  ui::process_function_set(5, [](core::Text values) -> core::Status {
    got = str(values);
    return 0;
  });
  input("type Marta\nkey Tab\ntype 250\nkey Enter\n");
  ASSERT_EQ(ui::accept_run("FORMS,1"_t), 0);
  EXPECT_EQ(got, "'Marta','250'");
  EXPECT_EQ(eval("_ALTA$"), "Marta");
  EXPECT_NE(tk_->transcript().find("+- Alta de cliente"), std::string::npos) << tk_->transcript();
  EXPECT_EQ(str(core::slot_last(31)), "") << "the section was released";
  // A section without a field list.
  EXPECT_EQ(ui::accept_run("FORMS,2"_t), core::NOVALUE);
  EXPECT_EQ(str(core::error_detail()), "ACBOUND$");
  core::error_clear();
  EXPECT_EQ(ui::accept_run("NOFILE,1"_t), core::FILENOTFOUND);
  EXPECT_EQ(ui::window_count(), 0);
  ui::process_function_set(5, nullptr);
}

TEST_F(Forms, GeneratedListsEditVariables) {
  ASSERT_EQ(eval("NOMBRE$='Rosa'"), "Rosa");
  ASSERT_EQ(eval("EDAD=30"), "30");
  core::ArenaScope scope;
  core::Text list = ui::form_generate("NOMBRE$,EDAD"_t, 0);
  EXPECT_EQ(str(list), "\"NOMBRE$: \":\"A511\":NOMBRE$:[NOMBRE$],\"EDAD: \":\"A32\":EDAD:[EDAD]");
  EXPECT_EQ(str(ui::form_generate("X$"_t, 3)), "\"X$: \":\"A511\":X$:FN$PARM([X$];3)");
  ui::FormResult r;
  ASSERT_EQ(run(str(list), "key Tab\ntype 31\nkey Enter\n", &r, ui::kFormTargets), 0);
  EXPECT_EQ(r.values, "'Rosa','31'");
  EXPECT_EQ(eval("EDAD"), "31");
  EXPECT_EQ(eval("NOMBRE$"), "Rosa");
}

// A date field takes the whole text of a typed date, though it shows eight
// characters; a text that names no real day is refused with message 126 on
// leaving the field and on confirming, the field keeping the focus.
TEST_F(Forms, ADateFieldTakesAFourDigitYearAndRefusesADayThatDoesNotExist) {
  for (const char* lang : {"ES", "EN"}) {
    ASSERT_EQ(core::slot_set(core::kGroupEnv, core::kEnvLanguage, txt(lang)), 0);
    bool es = std::string(lang) == "ES";
    std::string good = es ? "28-02-26" : "02-28-26";
    ui::FormResult r;
    ASSERT_EQ(run("'Fecha:':'D8':F$,'Nota:':'A5'", "type 08/12/2026\nkey Tab\ntype x\nkey Enter\n",
                  &r, ui::kFormTargets),
              0);
    EXPECT_EQ(r.values, "'08/12/2026','x'");
    EXPECT_EQ(eval("F$"), "08/12/2026");
    for (const char* bad : {es ? "31-02-26" : "02-31-26", "08122026", "abc"}) {
      size_t start = tk_->transcript().size();
      ASSERT_EQ(run("'Fecha:':'D8':F$,'Nota:':'A5'",
                    std::string("type ") + bad +
                        "\nkey Tab\nanswer Ok\npress Ok\nanswer Ok\nshow\n"
                        "type " +
                        good + "\nkey Enter\nkey Enter\n",
                    &r),
                0)
          << tk_->transcript().substr(start);
      std::string t = tk_->transcript().substr(start);
      size_t first = t.find("Datos incorrectos");
      ASSERT_NE(first, std::string::npos) << t;
      EXPECT_NE(t.find("Datos incorrectos", t.find("> press Ok")), std::string::npos) << t;
      size_t shown = t.find("> type " + good);
      EXPECT_EQ(t.rfind("focus: #", shown), t.rfind("focus: #2000", shown)) << t;
      // Only the corrected date was stored.
      EXPECT_EQ(r.values, "'" + good + "','x'");
    }
    // A blank date field is no date to refuse.
    ASSERT_EQ(run("'Fecha:':'D8':F$", "key Backspace\nkey Enter\n", &r), 0);
  }
  expect_script_ok();
}

}  // namespace
