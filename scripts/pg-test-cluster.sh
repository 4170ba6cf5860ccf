#!/usr/bin/env bash
# A throwaway PostgreSQL cluster for the tests: its own data folder, port and socket folder,
# run as an unprivileged user (initdb refuses root), never the system's cluster.
#
#   eval "$(scripts/pg-test-cluster.sh start DIR)"   # prints: export PRICETAG_TEST_PG=...
#   scripts/pg-test-cluster.sh stop DIR
#
# Exits 3 when the PostgreSQL server programs are not installed.
set -euo pipefail
cmd=${1:-}
dir=${2:-}
[ -n "$cmd" ] && [ -n "$dir" ] || { echo "usage: $0 start|stop DIR" >&2; exit 2; }

bindir=""
for d in /usr/lib/postgresql/*/bin; do
  [ -x "$d/initdb" ] && [ -x "$d/pg_ctl" ] && bindir=$d
done
[ -n "$bindir" ] || { echo "PostgreSQL server programs (initdb, pg_ctl) are not installed" >&2; exit 3; }

# Root hands the cluster to the postgres account (or nobody); anyone else runs it as themselves.
as_owner() {
  if [ "$(id -u)" -eq 0 ]; then
    local owner=postgres
    id -u "$owner" >/dev/null 2>&1 || owner=nobody
    runuser -u "$owner" -- "$@"
  else
    "$@"
  fi
}

case "$cmd" in
  start)
    mkdir -p "$dir"
    [ "$(id -u)" -eq 0 ] && { id -u postgres >/dev/null 2>&1 && chown postgres "$dir" || chown nobody "$dir"; }
    chmod 700 "$dir"
    port=${PRICETAG_PG_PORT:-$(( 20000 + ($$ % 20000) ))}
    as_owner "$bindir/initdb" -D "$dir/data" -U pricetag --auth=trust -E UTF8 --locale=C.UTF-8 >"$dir/initdb.log" 2>&1 ||
      { cat "$dir/initdb.log" >&2; exit 1; }
    # A test cluster needs no durability: its data dies with it.
    as_owner "$bindir/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 60 \
      -o "-p $port -k $dir -c listen_addresses='' -c fsync=off -c synchronous_commit=off -c full_page_writes=off -c max_connections=200" \
      start >/dev/null || { cat "$dir/server.log" >&2; exit 1; }
    sockdir=$(printf '%s' "$dir" | sed 's#/#%2F#g')
    echo "export PRICETAG_TEST_PG='postgresql://pricetag@${sockdir}:${port}/postgres'"
    ;;
  stop)
    if [ -d "$dir/data" ]; then
      as_owner "$bindir/pg_ctl" -D "$dir/data" -m immediate -w stop >/dev/null 2>&1 || true
    fi
    rm -rf "$dir"
    ;;
  *) echo "usage: $0 start|stop DIR" >&2; exit 2 ;;
esac
