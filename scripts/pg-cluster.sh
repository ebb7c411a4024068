#!/usr/bin/env bash
# A throwaway PostgreSQL cluster for tests and experiments, reached only
# through a Unix socket in its own folder (no TCP).
#
#   scripts/pg-cluster.sh start DIR PORT   fresh cluster in DIR (anything
#                                          there is stopped and removed first)
#   scripts/pg-cluster.sh stop DIR PORT    stops it and removes DIR
#   scripts/pg-cluster.sh halt DIR PORT    stops the server, keeping the cluster
#   scripts/pg-cluster.sh resume DIR PORT  starts a halted cluster again
#   scripts/pg-cluster.sh env DIR PORT     prints the client variables
#
# Clients connect with PGHOST=DIR/sock PGPORT=PORT PGUSER=postgres. The
# superuser "postgres" logs in without a password; every other role needs
# its password (scram-sha-256), so log-in tests see real refusals.
#
# As root the server runs as the user "postgres" (initdb refuses root); as
# any other user it runs as that user, who must be able to run initdb.
# PG_BINDIR overrides where initdb and pg_ctl are looked for.
set -euo pipefail

usage() { echo "usage: $0 start|stop|halt|resume|env DIR PORT" >&2; exit 2; }
[ $# -eq 3 ] || usage
action=$1 dir=$2 port=$3
case "$port" in ''|*[!0-9]*) usage ;; esac
case "$dir" in /*) ;; *) dir="$PWD/$dir" ;; esac

bindir=${PG_BINDIR:-}
if [ -z "$bindir" ]; then
  for candidate in $(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V -r); do
    [ -x "$candidate/initdb" ] && { bindir=$candidate; break; }
  done
fi
if [ -z "$bindir" ] && command -v initdb >/dev/null; then bindir=$(dirname "$(command -v initdb)"); fi
[ -n "$bindir" ] && [ -x "$bindir/initdb" ] || { echo "$0: initdb not found (set PG_BINDIR)" >&2; exit 1; }

# Runs a server program as the cluster's owner.
as_owner() {
  if [ "$(id -u)" -eq 0 ]; then runuser -u postgres -- "$@"; else "$@"; fi
}

start_server() {
  if ! as_owner "$bindir/pg_ctl" -D "$dir/data" -w -t 60 -l "$dir/log" \
    -o "-k $dir/sock -p $port -c listen_addresses='' -c fsync=off -c full_page_writes=off" \
    start >/dev/null; then
    cat "$dir/log" >&2
    exit 1
  fi
}

stop_cluster() {
  if [ -f "$dir/data/postmaster.pid" ]; then
    as_owner "$bindir/pg_ctl" -D "$dir/data" -m immediate -w stop >/dev/null 2>&1 || true
  fi
  rm -rf "$dir"
}

case "$action" in
  start)
    stop_cluster
    mkdir -p "$dir/sock"
    if [ "$(id -u)" -eq 0 ]; then chown -R postgres: "$dir"; fi
    as_owner "$bindir/initdb" -D "$dir/data" -U postgres --auth=trust -E UTF8 \
      --locale=C.UTF-8 -N >"$dir/initdb.log" 2>&1 || { cat "$dir/initdb.log" >&2; exit 1; }
    as_owner sh -c "printf '%s\n' 'local all postgres trust' 'local all all scram-sha-256' \
      >'$dir/data/pg_hba.conf'"
    start_server
    echo "PGHOST=$dir/sock PGPORT=$port PGUSER=postgres"
    ;;
  stop) stop_cluster ;;
  halt) as_owner "$bindir/pg_ctl" -D "$dir/data" -m fast -w stop >/dev/null ;;
  resume) start_server ;;
  env) echo "PGHOST=$dir/sock PGPORT=$port PGUSER=postgres" ;;
  *) usage ;;
esac
