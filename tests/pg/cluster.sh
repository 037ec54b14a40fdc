#!/usr/bin/env bash
# A throwaway PostgreSQL cluster for the tests: cluster.sh start|stop DIR.
# The cluster lives in DIR and listens only on a Unix socket in DIR (no TCP
# port), trusts local users, and skips fsync. Under root it runs as nobody,
# since the server refuses to run as root. "start" first stops and removes
# a cluster a crashed run left behind; "stop" stops it and removes DIR.
# "pause" stops the server and keeps DIR; "resume" starts it again on the same
# data (tests of a server that goes away under a running program).
set -euo pipefail
action=${1:?usage: cluster.sh start|stop DIR}
dir=${2:?usage: cluster.sh start|stop DIR}

bindir=""
if command -v pg_config >/dev/null && [ -x "$(pg_config --bindir)/initdb" ]; then bindir=$(pg_config --bindir); fi
if [ -z "$bindir" ]; then
  for d in /usr/lib/postgresql/*/bin; do [ -x "$d/initdb" ] && bindir=$d; done
fi
if [ -z "$bindir" ]; then echo "cluster.sh: initdb not found (install postgresql)" >&2; exit 1; fi

as_owner() {
  if [ "$(id -u)" -eq 0 ]; then runuser -u nobody -- "$@"; else "$@"; fi
}

stop() {
  if [ -f "$dir/data/postmaster.pid" ]; then
    as_owner "$bindir/pg_ctl" -D "$dir/data" -m immediate -w stop >/dev/null 2>&1 || true
  fi
  rm -rf "$dir"
}

run_server() {
  as_owner "$bindir/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 60 \
    -o "-k $dir -c listen_addresses= -c fsync=off -c synchronous_commit=off -c full_page_writes=off -c max_connections=200" \
    start >/dev/null || { cat "$dir/server.log" >&2; exit 1; }
}

case "$action" in
  start)
    stop
    mkdir -p "$dir"
    chmod 755 "$dir"
    [ "$(id -u)" -eq 0 ] && chown nobody "$dir"
    as_owner "$bindir/initdb" -D "$dir/data" -U postgres -A trust -E UTF8 --locale=C --no-sync >"$dir/initdb.log" 2>&1 ||
      { cat "$dir/initdb.log" >&2; exit 1; }
    run_server
    echo "postgresql://postgres@/postgres?host=$dir"
    ;;
  stop) stop ;;
  pause) as_owner "$bindir/pg_ctl" -D "$dir/data" -m fast -w stop >/dev/null ;;
  resume) run_server ;;
  *) echo "usage: cluster.sh start|stop|pause|resume DIR" >&2; exit 2 ;;
esac
