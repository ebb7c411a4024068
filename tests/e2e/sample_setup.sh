# Sourced by the end-to-end scripts that run apprun on the sample
# application: a working folder of its own (the current folder from here
# on) holding a copy of examples/tienda as app/, and a database of its own
# with the sample's tables and data, named in app/sqlparams.dat. Both go
# when the script ends. Defines fail (says why and shows the transcript)
# and sql (one statement's rows, unaligned).
#   . sample_setup.sh NAME      (with $here the folder of the scripts)
sample=$here/../../examples/tienda
dir=$(mktemp -d)
db="e2e_${1}_$$"
cleanup() {
  psql -q -d postgres -c "DROP DATABASE IF EXISTS $db WITH (FORCE);" >/dev/null 2>&1 || true
  rm -rf "$dir"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; [ -f "$dir/transcript.txt" ] && cat "$dir/transcript.txt"; exit 1; }
sql() { psql -X -A -t -q -d "$db" -c "$1"; }

cp -r "$sample" "$dir/app"
cd "$dir"
psql -q -d postgres -c "CREATE DATABASE $db;"
psql -q -X -v ON_ERROR_STOP=1 -d "$db" -f app/tienda.sql >/dev/null 2>&1 || fail "tienda.sql did not load"
printf "database=%s\r\nuser=postgres\r\n" "$db" > app/sqlparams.dat
