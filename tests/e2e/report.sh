#!/usr/bin/env bash
# apprun prints the sample's articles by family from its menu on the
# headless backend: to the screen (the report window, whose text the
# transcript shows), to a text file, whose lines are checked, and to a PDF,
# read back with poppler's tools; its pages are left as pictures in
# <build>/screenshots.
#   report.sh <apprun> [<build>]
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
  echo "menu Articulos por familia en PDF"
  waits
  # The customers between two codes: the limits form, the report window,
  # the form again until it is cancelled.
  echo "menu Clientes entre limites"
  echo "type C00002"
  echo "key Tab"
  echo "type C00005"
  echo "show"
  echo "press Ok"
  for _ in 1 2 3 4 5; do echo wait; done
  echo "show"
  echo "press Cancelar"
  echo "key Esc"
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

# The customer list: the codes from C00002 to C00005, their balances summed.
listed=$(sed -n '/LISTADO DE CLIENTES/,/Total/p' transcript.txt | grep -o "|C0000[0-9]" | tr -d '|' | sort -u | tr '\n' ' ' || true)
[ "$listed" = "C00002 C00003 C00004 C00005 " ] || fail "the customer list between limits shows [$listed]"
grep -q "Total  *136,50" transcript.txt || fail "the customer list has no total of 136,50"
grep -q "Captura de Limites de Informe" transcript.txt || fail "no limits form"

# The PDF: the text file's lines (pdftotext places them by the pitch of
# 10-point Courier, after the 80-point margin: 13 columns), Courier, the
# sample's header image on every page.
if command -v pdftotext >/dev/null; then
  [ -f articulos.pdf ] || fail "no articulos.pdf"
  ls -a | grep -q '^\.articulos' && fail "a temporary file was left"
  pages=$(pdfinfo articulos.pdf | awk '/^Pages:/ {print $2}')
  [ "$pages" -ge 1 ] || fail "articulos.pdf has no pages"
  pdffonts articulos.pdf | grep -q "Courier" || fail "articulos.pdf is not in Courier"
  headers=$(pdfimages -list articulos.pdf | awk 'NR > 2 && $4 == 360 && $5 == 56' | wc -l)
  [ "$headers" -eq "$pages" ] || fail "$headers header images on $pages pages"
  pdf_text=$(pdftotext -fixed 6 articulos.pdf - | tr -d '\f' | cut -c14- | sed 's/ *$//' | sed '/^$/d')
  txt_text=$(tr -d '\r' < articulos.txt | sed 's/ *$//' | sed '/^$/d')
  [ "$pdf_text" = "$txt_text" ] || { diff <(echo "$txt_text") <(echo "$pdf_text"); fail "articulos.pdf differs from articulos.txt"; }
  if [ $# -ge 2 ]; then
    mkdir -p "$2/screenshots"
    pdftoppm -png -r 72 articulos.pdf "$2/screenshots/articulos_pdf"
  fi
else
  echo "poppler's tools are not installed: the PDF is not read back"
fi
echo "report: ok"
