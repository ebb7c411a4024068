#!/usr/bin/env bash
# apprun, headless, on damaged copies of the sample application (the same
# damages as check.sh) against a database of the sample: each time the user
# does what meets the damage (starts the program, opens the customers'
# window, runs a procedure from the menu, saves a delivery note line) and
# must get a box that names the file, and its line where there is one,
# while nothing is written half-way. The boxes are compared whole.
#   damaged.sh <apprun>
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
apprun=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
. "$here/sample_setup.sh" damaged
. "$here/damages.sh"
cp app/sqlparams.dat params.dat
export APP_UI=headless APP_UI_TRANSCRIPT="$dir/transcript.txt"

# The message boxes of the transcript but the question on closing, each as
# its caption in brackets and its lines, the copy's folder written APP.
boxes() {
  awk '
    /^\*\* message box "/ { inbox = 1; sub(/^\*\* message box "/, ""); sub(/" \[.*$/, ""); box = "[" $0 "]"; next }
    inbox && /^   -> / { inbox = 0; if (box !~ /Desea Cerrar la aplicacion/) print box; next }
    inbox && /^   / { sub(/^   /, ""); box = box "\n" $0 }
  ' transcript.txt | sed "s|$dir/app|APP|g"
}

# run DAMAGE EXPECTED-BOXES [apprun arguments]: the damage in a fresh copy,
# apprun on it with the steps of steps.script; its exit code in $code.
run() {
  damaged_copy "$1" "$dir/app"
  cp params.dat app/sqlparams.dat
  rm -f transcript.txt resumen.txt
  local expected=$2
  shift 2
  set +e
  APP_UI_SCRIPT=steps.script "$apprun" "/DPATH:'$dir/app'" "$@" > out.txt 2>&1
  code=$?
  set -e
  local got
  got=$(boxes)
  [ "$got" = "$expected" ] || fail "the boxes of \"$damage\" are:
$got
instead of:
$expected"
}
steps() { printf '%s\n' "$@" > steps.script; }
# The customers' window did not open / the menu is not on the main window.
no_window() { ! grep -q "Mantenimiento de Ficheros - Clientes" transcript.txt || fail "$damage: the customers' window opened"; }
has_menu() { grep -q "| Ficheros  Procesos  Ayuda" transcript.txt; }
fatal='[Alerta de Mensaje Fatal]'

damage="start menu missing"
steps
run "$damage" "[Mensaje Informativo]
Fichero no encontrado:DBMENU.PMT"
! has_menu || fail "$damage: a menu is shown"
[ "$code" -eq 0 ] || fail "$damage: apprun ended with $code"

damage="start menu garbage"
steps
run "$damage" "$fatal
Error SINTAXERROR(LOADFILESTR): APP/DBMENU.PMT, line 1: not a text file (byte 0x01)"
! has_menu || fail "$damage: a menu is shown"

damage="screen PAN garbage"
steps "menu Clientes"
run "$damage" "$fatal
Error SINTAXERROR(LOADFILESTR): CLIENTES.PAN, line 1: not a text file (byte 0x01)"
no_window

damage="screen PAN cut short"
steps "menu Clientes"
run "$damage" "[Mensaje Informativo]
CLIENTES.PAN, line 4: not a label or field line of screen 1: \"\""
no_window

damage="screen PPN garbage"
steps "menu Clientes"
run "$damage" "$fatal
Error SINTAXERROR(LOADFILESTR): CLIENTES.PPN, line 1: not a text file (byte 0x01)"
no_window

damage="screen PPN missing"
steps "menu Clientes"
run "$damage" "$fatal
Error Fichero no encontrado(Screen): CLIENTES.PPN"
no_window

# Cut inside its FD$ line, the parameters name the customers' first three
# fields only (and a "tel" that is none): the window opens without a word,
# and a name saved there leaves the fields it does not show as they were.
damage="screen PPN cut short"
before=$(sql "SELECT telefono || ' ' || saldo FROM clientes WHERE codigo = 'C00001';")
steps "menu Clientes" "type C00001" "key Enter" "key Tab" "type Ferreteria Alonso SL" "press Grabar"
run "$damage" ""
[ "$(sql "SELECT nombre FROM clientes WHERE codigo = 'C00001';")" = "Ferreteria Alonso SL" ] \
  || fail "$damage: the name was not saved"
[ "$(sql "SELECT telefono || ' ' || saldo FROM clientes WHERE codigo = 'C00001';")" = "$before" ] \
  || fail "$damage: the save changed the fields the window does not show"

# The dictionary is read at start: apprun cannot go on without it.
damage="dictionary cut short"
steps
run "$damage" "$fatal
Error FILEOUTBOUND(LOADFILESTR): KADICC.DAT, line 2: the last line has no line end: is the file cut short? \
(KAREL.DAT, line 4 names file 3; 0 files defined)"
[ "$code" -ne 0 ] || fail "$damage: apprun ended with 0"
! has_menu || fail "$damage: the main window opened"

# The stock summary from the menu: refused whole, resumen.txt not begun.
damage="procedure garbage"
steps "menu Resumen de stock"
run "$damage" "$fatal
Error SINTAXERROR(ExecCompiler): APP/RESUMEN.PRX, line 1: not a text file (byte 0x01)"
[ ! -e resumen.txt ] || fail "$damage: resumen.txt was written"

damage="stock summary cut before its LOOP"
steps "menu Resumen de stock"
run "$damage" "$fatal
Error SINTAXERROR(ExecCompiler): 
Conditional or loop of line 6 (+ remmarks) without its end (Loop, Endif...)
File: APP/RESUMEN.PRX, line 8"
[ ! -e resumen.txt ] || fail "$damage: resumen.txt was written"

damage="procedure cut before its LOOP"
steps
run "$damage" "$fatal
Error SINTAXERROR(ExecCompiler): 
Conditional or loop of line 2 (+ remmarks) without its end (Loop, Endif...)
File: APP/CORTADO.PRX, line 2" "/RUN:'PrcExec,CORTADO'"
[ "$code" -ne 0 ] || fail "$damage: apprun ended with 0"

# A delivery note line keeps the stock of its article and the balance of
# its customer by the rules of KARELUPSQL.DAT: with them unreadable the
# lines' window does not open, and nothing is saved.
new_line=("menu Lineas de albaran" "press Nuevo")
for field in 5 1 010324 C00004 A0005 2 24; do new_line+=("type $field" "key Tab"); done
new_line+=("press Grabar" "key Esc" "key Esc")
totals="SELECT (SELECT count(*) FROM movimientos WHERE numero = 5) || ' ' || \
(SELECT stock FROM articulos WHERE codigo = 'A0005') || ' ' || (SELECT saldo FROM clientes WHERE codigo = 'C00004');"
[ "$(sql "$totals")" = "0 17 0.00" ] || fail "the sample's data is not as this test expects: $(sql "$totals")"
damage="rule file garbage"
steps "${new_line[@]}"
run "$damage" "$fatal
Error SINTAXERROR(LOADFILESTR): KARELUPSQL.DAT, line 1: not a text file (byte 0x01)"
[ "$(sql "$totals")" = "0 17 0.00" ] || fail "$damage: the line or a total was saved: $(sql "$totals")"

# The same steps on an intact copy save the line and its totals, and the
# stock summary is written: the cases above met their damage.
damage="intact"
recipe[intact]=":"
steps "${new_line[@]}" "menu Resumen de stock"
run intact ""
[ "$(sql "$totals")" = "1 15 48.00" ] || fail "the intact copy did not save the line with its totals: $(sql "$totals")"
tr -d '\r' < resumen.txt | grep -q "^Articulos: " || fail "the intact copy wrote no stock summary"
echo "damaged: every damage is named in its box, nothing written half-way"
