#!/usr/bin/env bash
# apprun on the sample application (examples/tienda) against the test
# cluster, from its menu: the customers' window finds a key, walks a run of
# equal keys forwards and backwards and saves an edited field; the delivery
# note lines window inserts two lines and deletes one after its question;
# the articles by family go to a text file chosen in the device selection.
# The rows, the totals the relational update keeps and the SQL of the
# application log are checked. With "qt" the same runs on Qt's offscreen
# platform and leaves pictures of the windows in <build>/screenshots.
#   sample.sh <apprun> headless|qt <build folder>
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
apprun=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
backend=$2
pictures=$(cd "$3" && pwd)/screenshots
. "$here/sample_setup.sh" sample_${backend}

export APP_UI=$backend QT_QPA_PLATFORM=offscreen APP_UI_TRANSCRIPT="$dir/transcript.txt"
# A sanitizer build of apprun checks for leaks; Qt's fontconfig keeps some.
. "$here/../sanitizers/lsan_qt.sh"

shot() { [ "$backend" = qt ] && echo "shot $pictures/$1" || true; }
mkdir -p "$pictures"
{
  shot main_window.png
  # Customers: index 3 is the city, which several share.
  echo "menu Clientes"
  echo "press [ 1 ]"
  echo "press [ 2 ]"
  echo "type Madrid"
  echo "key Enter"
  echo "key PageDown"
  echo "key PageDown"
  echo "key PageUp"
  shot maintenance_window.png
  # The record shown takes a new telephone number.
  echo "key Tab"
  echo "key Tab"
  echo "key Tab"
  echo "type 600111222"
  echo "press Grabar"
  # Saved, the window searches again: Esc with nothing typed closes it.
  echo "key Esc"
  # Delivery note lines: two new lines, then the first one deleted.
  echo "menu Lineas de albaran"
  echo "press Nuevo"
  for field in 5 1 010324 C00004 A0005 2 24; do echo "type $field"; echo "key Tab"; done
  echo "press Grabar"
  for field in 5 2 010324 C00004 A0001 1 12.5; do echo "type $field"; echo "key Tab"; done
  shot new_line.png
  echo "press Grabar"
  echo "key Esc"
  echo "type 5"
  echo "key Tab"
  echo "type 1"
  echo "key Enter"
  echo "press Borrar"
  echo "answer Yes"
  echo "key Esc"
  # The articles by family on the screen: the report window.
  echo "menu Articulos por familia"
  for _ in $(seq 1 "$(sql "SELECT count(*) FROM articulos;")"); do echo wait; done
  shot report_window.png
  echo "press Cancelar"
  # The articles by family to a text file chosen in the device selection:
  # TXT, not to be viewed, so its name is asked for.
  echo "menu Articulos por familia a elegir dispositivo"
  shot device_select.png
  echo "select 9"
  echo "click Mostrar"
  echo "key Backspace"
  echo "type N"
  shot device_select_txt.png
  echo "press Ok"
  echo "file $dir/elegido.txt"
  # The progress window takes one step of the script at each article.
  for _ in $(seq 1 "$(sql "SELECT count(*) FROM articulos;")"); do echo wait; done
  echo "close"
  echo "answer Yes"
} > tour.script

APP_UI_SCRIPT=tour.script "$apprun" "/DPATH:'$dir/app'" /TRACE:6 > out.txt 2>&1 || fail "apprun ended with $? ($(cat out.txt))"

# The rows and the totals the rules keep: line 5/1 came and went, 5/2 stays.
[ "$(sql "SELECT telefono FROM clientes WHERE codigo = (SELECT codigo FROM clientes WHERE telefono = '600111222');")" = 600111222 ] \
  || fail "no customer took the new telephone number"
[ "$(sql "SELECT ciudad FROM clientes WHERE telefono = '600111222';")" = Madrid ] || fail "the edited customer is not of Madrid"
[ "$(sql "SELECT count(*) FROM movimientos WHERE numero = 5 AND linea = 1;")" = 0 ] || fail "line 5/1 was not deleted"
[ "$(sql "SELECT cliente || ' ' || articulo || ' ' || cantidad || ' ' || importe FROM movimientos WHERE numero = 5;")" = \
  "C00004 A0001 1 12.50" ] || fail "line 5/2 is [$(sql "SELECT * FROM movimientos WHERE numero = 5;")]"
[ "$(sql "SELECT stock FROM articulos WHERE codigo = 'A0005';")" = 17 ] || fail "the stock of A0005 is not back at 17"
[ "$(sql "SELECT stock FROM articulos WHERE codigo = 'A0001';")" = 37 ] || fail "the stock of A0001 is not 37"
[ "$(sql "SELECT saldo FROM clientes WHERE codigo = 'C00004';")" = 12.50 ] || fail "the balance of C00004 is not 12.50"
tr -d '\r' < elegido.txt 2>/dev/null | grep -q "Total general" || fail "the report chosen in the device selection is not in elegido.txt"

# The application log holds the SQL sent (trace bits 2 and 4).
log=KAlog.txt
[ -f "$log" ] || fail "no application log"
grep -q "DECLARE curs_" "$log" || fail "no scroll cursor over the run of Madrid"
grep -q "FETCH " "$log" || fail "no fetch from the cursor"
# The customer was saved inside the run of Madrid: through the cursor.
grep -q "UPDATE clientes SET \"telefono\" = '600111222' WHERE CURRENT OF curs_" "$log" \
  || fail "no update of the telephone number through the cursor"
grep -q "INSERT INTO movimientos VALUES (5,1,'20240301','C00004','A0005',2,24.00,48.00);" "$log" || fail "no insert of line 5/1"
grep -q "UPDATE ONLY articulos SET \"stock\" = COALESCE(\"stock\", 0)-2\*-1 WHERE \"codigo\" = 'A0005';" "$log" \
  || fail "the delete did not give the stock back"
grep -q "DELETE FROM" "$log" || fail "no delete"

if [ "$backend" = headless ]; then
  grep -q "Anular Registro(s)?" transcript.txt || fail "the delete was not asked"
  grep -q "Busqueda \[AvPag - RePag\] - Clientes" transcript.txt || fail "no status line"
else
  for picture in main_window.png maintenance_window.png new_line.png device_select.png report_window.png; do
    [ -s "$pictures/$picture" ] || fail "no picture $picture"
  done
fi
echo "ok: $backend"
