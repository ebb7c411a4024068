#!/usr/bin/env bash
# An installation set up from nothing with appcontrol, as an administrator
# would, on the backend named by $2 (headless or qt), against the test
# cluster: the first user (the four groups come with it), a second user
# moved to group colabor, a company made from the sample's dictionary and
# its script, a permission changed. Then apprun on that company as each
# user: the first browses and saves; the colabor user browses, and a save
# is refused by the server in the runtime's words with nothing written and
# the application still running. The second user is removed and its role
# is gone. No password appears in any file or log of the run.
#   appcontrol.sh <appcontrol> <apprun> headless|qt
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
appcontrol=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
apprun=$(cd "$(dirname "$2")" && pwd)/$(basename "$2")
backend=$3
dir=$(mktemp -d)
tag="$$_${backend}"
db="e2e_company_$tag"
first="jefa${$}${backend:0:1}" second="ayud${$}${backend:0:1}"
# Passwords that would break a statement pasted together.
pw1="Uno'1;\\x" pw2="dos2dos"
cleanup() {
  [ -n "${KEEP:-}" ] && return
  psql -q -d postgres -c "DROP DATABASE IF EXISTS \"$db\" WITH (FORCE);" >/dev/null 2>&1 || true
  for role in "$first" "$second"; do psql -q -d postgres -c "DROP ROLE IF EXISTS \"$role\";" >/dev/null 2>&1 || true; done
  rm -rf "$dir"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; for t in "$dir"/work/*.txt; do echo "== $t"; tail -80 "$t"; done; exit 1; }
sql() { psql -X -A -t -q -d "$db" -c "$1"; }

cp -r "$here/../../examples/tienda" "$dir/app"
mkdir "$dir/work"
cd "$dir/work"
export APP_UI=$backend QT_QPA_PLATFORM=offscreen
. "$here/../sanitizers/lsan_qt.sh"
admin() {  # admin <script> <transcript>
  APP_UI_SCRIPT=$1 APP_UI_TRANSCRIPT=$dir/work/$2 "$appcontrol" "/DPATH:'$dir/app'" /TRACE:6 \
    >"$dir/work/out.txt" 2>&1 || fail "appcontrol ended with $? ($(cat "$dir/work/out.txt"))"
}
# The log-in form's host field holds 30 characters: the socket folder is
# typed through a short link.
ln -s "$PGHOST" "$dir/s"
login() { printf 'type %s\nkey Tab\ntype postgres\nkey Tab\ntype admin-secret\nkey Enter\n' "$dir/s"; }

# 1. The users, the second one's group, the company and a permission.
{
  echo "activate"            # Nuevo Usuario: the administration log-in first
  login
  printf 'type %s\nkey Tab\ntype %s\nkey Tab\ntype %s\nkey Enter\n' "$first" "$pw1" "$pw1"
  printf 'type %s\nkey Tab\ntype %s\nkey Tab\ntype %s\nkey Enter\n' "$second" "$pw2" "$pw2"
  echo "key Esc"
  echo "select 3"            # the second user's data: group colabor
  echo "activate"
  echo "click Grupo [usuarios]:"
  echo "type colabor"
  echo "click Nombre:"
  echo "type Ayudante O'Neil"
  echo "press Ok"
  echo "press Seleccion de Empresa"
  echo "activate"            # Nueva Empresa
  printf 'key Tab\ntype %s\nkey Tab\nkey Tab\ntype admin-secret\nkey Enter\n' "$db"
  echo "show"
  echo "answer Ok"
  echo "select 2"            # the company selected
  echo "activate"
  echo "press Usuarios de Empresa"
  echo "select 3"            # the second user's permissions: articulos read only
  echo "activate"
  echo "click articulos(N/L/E):"
  echo "type x"
  echo "press Ok"
  echo "answer Ok"           # not a letter: the form again
  echo "click articulos(N/L/E):"
  echo "type l"
  echo "press Ok"
  echo "key Esc"
} > setup.script
admin setup.script setup.txt
# Each run starts its log afresh: the logs of the run are kept aside.
cp APlog.txt setup.log
grep -qF "PASSWORD 'SCRAM-SHA-256\$" setup.log || fail "the log does not show the passwords sent as verifiers"
[ "$backend" = qt ] || grep -q "Control de Aplication - $db" setup.txt || fail "the company was not selected"

[ "$(psql -X -A -t -d postgres -c "SELECT string_agg(rolname, ',' ORDER BY rolname) FROM pg_roles WHERE rolname IN ('usuarios','admins','colabor','externos');")" = \
  "admins,colabor,externos,usuarios" ] || fail "the four groups are not there"
[ "$(psql -X -A -t -d postgres -c "SELECT g.rolname FROM pg_auth_members m JOIN pg_roles g ON g.oid = m.roleid JOIN pg_roles u ON u.oid = m.member WHERE u.rolname = '$second';")" = colabor ] \
  || fail "the second user is not in group colabor alone"
[ "$(sql "SELECT count(*) FROM clientes;")" = 7 ] || fail "the company's script did not fill clientes"
[ "$(sql "SELECT tableowner FROM pg_tables WHERE tablename = 'clientes';")" = "$first" ] || fail "clientes is not the first user's"
[ "$(sql "SELECT string_agg(privilege_type, ',' ORDER BY privilege_type) FROM information_schema.table_privileges WHERE grantee = '$second' AND table_name = 'articulos';")" = SELECT ] \
  || fail "the second user's right on articulos is not SELECT alone"
data=$dir/data
[ "$(cat "$data/APUSRLIST.DAT")" = "$first,$second" ] || fail "the user list holds [$(cat "$data/APUSRLIST.DAT")]"
[ "$(cat "$data/APCOLIST.DAT")" = "$db" ] || fail "the company list holds [$(cat "$data/APCOLIST.DAT")]"
grep -q "^$second='E,L,E,E'" "$data/APUSRAUTH.$db.DAT" || fail "the permissions file holds [$(cat "$data/APUSRAUTH.$db.DAT")]"
grep -q "Ayudante O'Neil" "$data/APUSRDATA.$second.TXT" || fail "the user's data were not kept"
[ "$(stat -c %a sqladmprm.dat)" = 600 ] || fail "sqladmprm.dat is readable by others"

# 2. apprun on the company as each user.
shop() {  # shop <user> <password> <transcript> <telephone> <steps after the save>
  printf 'database=%s\r\nuser=%s\r\npassw="%s"\r\n' "$db" "$1" "$2" > "$dir/app/sqlparams.dat"
  { printf 'menu Clientes\ntype C00002\nkey Enter\nkey Tab\nkey Tab\nkey Tab\ntype %s\npress Grabar\n' "$4"
    printf '%s\n' "$5"
    # Still running: another customer is found and shown.
    printf 'type C00003\nkey Enter\nshow\nkey Esc\nkey Esc\nclose\nanswer Yes\n'; } > shop.script
  APP_UI_SCRIPT=shop.script APP_UI_TRANSCRIPT=$dir/work/$3 "$apprun" "/DPATH:'$dir/app'" /TRACE:6 >out.txt 2>&1 || true
}
phone() { sql "SELECT rtrim(telefono) FROM clientes WHERE codigo = 'C00002';"; }
shop "$first" "$pw1" first.txt 699000111 "key Esc"
cp KAlog.txt first.log
[ "$(phone)" = 699000111 ] || fail "the first user's save did not reach the table ($(phone))"
# The refused save: its box, then Esc leaves the record (after the question).
shop "$second" "$pw2" second.txt 699000222 $'show\nanswer Ok\nkey Esc\nanswer Yes'
cp KAlog.txt second.log
[ "$(phone)" = 699000111 ] || fail "the colabor user's save was written ($(phone))"
if [ "$backend" = headless ]; then
  grep -q "Error Permiso denegado" second.txt || fail "the refused save does not say Permiso denegado"
  grep -q "Suministros Garcia" second.txt || fail "apprun did not go on after the refused save"
fi

# 3. The second user removed: from the list, the company and the server.
{
  echo "select 3"
  echo "activate"
  echo "click Eliminar:"
  echo "type 1"
  echo "press Ok"
  login
  echo "key Esc"
} > remove.script
admin remove.script remove.txt
[ "$(psql -X -A -t -d postgres -c "SELECT count(*) FROM pg_roles WHERE rolname = '$second';")" = 0 ] || fail "the removed user's role is still there"
[ "$(cat "$data/APUSRLIST.DAT")" = "$first" ] || fail "the user list holds [$(cat "$data/APUSRLIST.DAT")] after the removal"

# 4. No password in any file of the run: logs, lists, transcripts.
for secret in "$pw1" "$pw2" admin-secret; do
  if grep -rlF -- "$secret" "$data" "$dir/work"/*.dat "$dir/work"/*.log "$dir/work"/*log.txt 2>/dev/null; then fail "a password is written in a file"; fi
done
echo "ok: $backend"
