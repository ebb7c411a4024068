#!/usr/bin/env bash
# apprun on the sample application's delivery notes (examples/tienda, the
# document window of ALBARAN), from its menu, in three runs; after each the
# rows, the stock of the articles and the balance of the customer are
# checked in the database:
#   1. a new note with three lines; the first line edited from the grid's
#      menu, a line inserted between, one deleted with the Delete key; saved
#      and printed (Modo Impr.) into a file through its print template
#   2. the note read back, a quantity changed (a double click on its row);
#      saved again: the old lines' effects taken away, the new ones applied
#   3. the note found with the fast find and deleted
#   4. a new note that takes another note's lines by itself (AUTO_IMPORT$,
#      with the import's note set by the note's own procedure)
# With "qt" the same runs on Qt's offscreen platform and leaves a picture of
# the document window in <build>/screenshots.
#   documents.sh <apprun> headless|qt <build folder>
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
apprun=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
backend=$2
pictures=$(cd "$3" && pwd)/screenshots
. "$here/sample_setup.sh" documents_${backend}

export APP_UI=$backend QT_QPA_PLATFORM=offscreen APP_UI_TRANSCRIPT="$dir/transcript.txt"
. "$here/../sanitizers/lsan_qt.sh"
mkdir -p "$pictures"
shot() { [ "$backend" = qt ] && echo "shot $pictures/$1" || true; }

run() {
  APP_UI_SCRIPT=$1 "$apprun" "/DPATH:'$dir/app'" /TRACE:6 > out.txt 2>&1 || fail "apprun ended with $? ($(cat out.txt))"
  if [ -f transcript.txt ] && grep -q "^!! " transcript.txt; then fail "a step named nothing: $(grep "^!! " transcript.txt)"; fi
}
# The note's number, then Tab past the date and the customer as read.
read_back() { echo "type 7"; echo "key Tab"; echo "key Tab"; echo "key Tab"; }
line() { for field in "$@"; do echo "type $field"; echo "key Tab"; done; }
expect() { [ "$(sql "$1")" = "$2" ] || fail "$3: [$(sql "$1")], expected [$2]"; }
lines() { sql "SELECT string_agg(linea || ' ' || articulo || ' ' || cantidad || ' ' || importe, ', ' ORDER BY linea) FROM movimientos WHERE numero = 7;"; }
stock() { sql "SELECT string_agg(codigo || '=' || stock, ' ' ORDER BY codigo) FROM articulos;"; }
balance() { sql "SELECT saldo FROM clientes WHERE codigo = 'C00004';"; }

# 1. A new note: the header, three lines; printed after its save.
{
  echo "menu Albaranes"
  echo "press Modo Impr."
  line 7 010324 C00004
  line A0001 2 12.50
  line A0003 5 6.75
  line A0005 1 24
  # The first line from the grid's menu (Enter): its quantity becomes 3.
  echo "click #3200"
  echo "select 1"
  echo "key Enter"
  echo "menu Visualizar"
  echo "key Tab"
  echo "type 3"
  echo "key Tab"
  echo "key Tab"
  # Line 2 is shown now: a line inserted before it.
  echo "press Insertar"
  line A0002 4 4.20
  # The third line (A0003) deleted from the grid.
  echo "click #3200"
  echo "select 3"
  echo "key Delete"
  shot document_window.png
  echo "press Grabar"
  echo "key Esc"
  echo "close"
  echo "answer Yes"
} > new.script
run new.script
expect "SELECT numero || ' ' || fecha || ' ' || cliente || ' ' || total FROM albaranes WHERE numero = 7;" \
  "7 20240301 C00004 78.30" "the header of note 7"
[ "$(lines)" = "1 A0001 3 37.50, 2 A0002 4 16.80, 3 A0005 1 24.00" ] || fail "the lines of note 7 are [$(lines)]"
[ "$(stock)" = "A0001=35 A0002=46 A0003=95 A0004=76 A0005=16 A0006=27" ] || fail "stock after the new note: $(stock)"
[ "$(balance)" = 78.30 ] || fail "the balance of C00004 is $(balance)"
# The print template ALBDOC onto the PDF document of DOC$ (its text read
# back with poppler's pdftotext).
[ -f albaran.pdf ] || fail "the saved note was not printed"
pdftotext -layout albaran.pdf albaran.txt
grep -Eq "ALBARAN +7 +Fecha: +20240301 +Cliente: +C00004" albaran.txt || fail "no header printed: $(cat albaran.txt)"
grep -Eq "3 +A0005 +1 +24,00 +24,00" albaran.txt || fail "no line 3 printed: $(cat albaran.txt)"
grep -Eq "Total: +78,30" albaran.txt || fail "no total printed: $(cat albaran.txt)"
[ "$(pdfimages -list albaran.pdf | tail -n +3 | wc -l)" -ge 1 ] || fail "the note has no header picture"

# 2. Read back; the quantity of line 3 becomes 6. Printed again, with DOC$
# naming only the report: the device is chosen in the device selection (a
# text file, named in the save dialog), and DOCSETS$ leaves line 2 out.
sed -i "s|^01 DOC\$='albaran.pdf,ALBDOC'|01 DOC\$=ALBDOC\r\n01 DOCSETS\$=',,,linea{movimientos}<>2'|" "$dir/app/ALBARAN.PPN"
grep -q "DOCSETS" "$dir/app/ALBARAN.PPN" || fail "the copy of ALBARAN.PPN was not changed"
{
  echo "menu Albaranes"
  read_back
  echo "press Modo Impr."
  echo "click #3200"
  echo "select 3"
  echo "activate"
  echo "key Tab"
  echo "type 6"
  echo "key Tab"
  echo "key Tab"
  echo "press Grabar"
  echo "select 9"
  echo "click Mostrar"
  echo "key Backspace"
  echo "type N"
  echo "press Ok"
  echo "file $dir/reimpreso.txt"
  echo "key Esc"
  echo "close"
  echo "answer Yes"
} > edit.script
run edit.script
[ -f reimpreso.txt ] || fail "the note printed again is not in the file chosen: $(tail -40 transcript.txt 2>/dev/null)"
grep -Eq "^ +1 +A0001" reimpreso.txt || fail "line 1 is not printed: $(cat reimpreso.txt)"
grep -Eq "^ +3 +A0005 +6" reimpreso.txt || fail "line 3 is not printed with its new quantity: $(cat reimpreso.txt)"
! grep -Eq "^ +2 +A0002" reimpreso.txt || fail "DOCSETS\$ did not leave line 2 out: $(cat reimpreso.txt)"
if [ "$backend" = headless ]; then
  grep -q "Albaranes - Impresión Desact. - Modificación" transcript.txt || fail "the note was not read as a changed document"
fi
[ "$(lines)" = "1 A0001 3 37.50, 2 A0002 4 16.80, 3 A0005 6 144.00" ] || fail "the lines after the edit are [$(lines)]"
expect "SELECT total FROM albaranes WHERE numero = 7;" 198.30 "the total after the edit"
[ "$(stock)" = "A0001=35 A0002=46 A0003=95 A0004=76 A0005=11 A0006=27" ] || fail "stock after the edit: $(stock)"
[ "$(balance)" = 198.30 ] || fail "the balance after the edit is $(balance)"

# 3. Found with the fast find (F6: the notes' window opens at the number
# typed; Esc twice leaves it on that note) and deleted: everything as it
# was before the note.
{
  echo "menu Albaranes"
  echo "type 7"
  echo "key F6"
  echo "key Esc"
  echo "key Esc"
  echo "key Tab"
  echo "key Tab"
  echo "key Tab"
  echo "press Anular Doc."
  echo "answer Yes"
  echo "key Esc"
  echo "close"
  echo "answer Yes"
} > delete.script
run delete.script
if [ "$backend" = headless ]; then
  grep -q "+- Mantenimiento de Ficheros - Albaranes" transcript.txt || fail "the fast find opened no window of the notes"
fi
expect "SELECT count(*) FROM albaranes WHERE numero = 7;" 0 "the header of note 7 after the delete"
expect "SELECT count(*) FROM movimientos WHERE numero = 7;" 0 "the lines of note 7 after the delete"
[ "$(stock)" = "A0001=38 A0002=50 A0003=95 A0004=76 A0005=17 A0006=27" ] || fail "stock after the delete: $(stock)"
[ "$(balance)" = 0.00 ] || fail "the balance after the delete is $(balance)"

# 4. The note's own procedure and the automatic import: ALBARAN.PRX's INIT
# entry says which note's lines a new note takes (AUTO_IMPORT$, the import
# set of Importar run by itself when the lines are first entered).
printf 'DEF_FN INIT\r\nIMPNUM#=2\r\nEND\r\n' > "$dir/app/ALBARAN.PRX"
sed -i "s|^01 LOAD_IMPORT\$='ALBARAN,3'|01 LOAD_IMPORT\$='ALBARAN,3'\r\n01 AUTO_IMPORT\$=1|" "$dir/app/ALBARAN.PPN"
grep -q "AUTO_IMPORT" "$dir/app/ALBARAN.PPN" || fail "the copy of ALBARAN.PPN was not changed"
{
  echo "menu Albaranes"
  line 8 010324 C00004
  echo "press Grabar"
  echo "key Esc"
  echo "close"
  echo "answer Yes"
} > import.script
run import.script
expect "SELECT string_agg(linea || ' ' || articulo || ' ' || cantidad, ', ' ORDER BY linea) FROM movimientos WHERE numero = 8;" \
  "1 A0005 3, 2 A0006 3" "the lines note 8 took from note 2"
expect "SELECT total FROM albaranes WHERE numero = 8;" 94.50 "the total of note 8"
[ "$(balance)" = 94.50 ] || fail "the balance after the imported note is $(balance)"

if [ "$backend" = qt ]; then
  [ -s "$pictures/document_window.png" ] || fail "no picture of the document window"
fi
echo "ok: $backend"
