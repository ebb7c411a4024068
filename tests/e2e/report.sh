#!/usr/bin/env bash
# apprun prints the sample's articles by family from its menu on the
# headless backend: to the screen (the report window, whose text the
# transcript shows) and to a text file, whose lines are checked.
#   report.sh <apprun>
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
apprun=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
. "$here/sample_setup.sh" report
articles=$(psql -X -A -t -q -d "$db" -c "SELECT count(*) FROM articulos;")

# The progress window takes one step of the script at each record it
# passes (a script may cancel there): one "wait" an article.
waits() { for _ in $(seq 1 "$articles"); do echo wait; done; }
{
  echo "menu Articulos por familia"
  waits
  echo "show"
  echo "press Cancelar"
  echo "menu Articulos por familia a fichero"
  waits
} > steps.script
APP_UI=headless APP_UI_SCRIPT=steps.script APP_UI_TRANSCRIPT="$dir/transcript.txt" \
  "$apprun" "/DPATH:'$dir/app'" || fail "apprun ended with $?"

grep -q -- "+- ReportWin" transcript.txt || fail "no report window"
grep -q "|Familia: PINT" transcript.txt || fail "the report window lacks a family"
grep -q "<Cancelar>" transcript.txt || fail "the report window has no button"
[ -f articulos.txt ] || fail "no articulos.txt"
ls -a | grep -q '^\.articulos' && fail "a temporary file was left"
expected=$(printf '%s\n' \
  "ARTICULOS POR FAMILIA                                          Pagina   1" \
  "Codigo   Descripcion                        Precio    Stock        Valor" \
  "---------------------------------------------------------------------------" \
  "" \
  "Familia: HERR" \
  "A0001    Martillo de carpintero              12,50    38       475,00" \
  "A0002    Destornillador plano                 4,20    50       210,00" \
  "                   Total familia HERR                 88       685,00" \
  "" \
  "Familia: PINT")
actual=$(tr -d '\r' < articulos.txt | sed 's/ *$//' | head -10)
[ "$actual" = "$expected" ] || { diff <(echo "$expected") <(echo "$actual"); fail "articulos.txt differs"; }
tr -d '\r' < articulos.txt | grep -q "Total general                     303     2.233,15" || fail "no grand total"
echo "report: ok"
