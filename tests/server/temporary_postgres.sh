#!/usr/bin/env bash
# A throw-away PostgreSQL server for the score server's tests and benchmark,
# from Debian's postgresql package, reached only through a Unix socket in its
# own folder (no TCP port, so any number can run side by side).
#   temporary_postgres.sh start STATE   creates and starts a server in a fresh folder
#                                       under /tmp; writes its connection URL (line 1)
#                                       and its folder (line 2) to STATE
#   temporary_postgres.sh down STATE    stops it (a fast shutdown: open sessions are ended),
#                                       keeping its data
#   temporary_postgres.sh up STATE      starts it again
#   temporary_postgres.sh stop STATE    stops it and removes its folder and STATE
# PostgreSQL does not run as root: as root, the server runs as the user
# "postgres" (made by the package) or, without it, "nobody".
set -euo pipefail
command="${1:-}"
state="${2:-}"
[ -n "$command" ] && [ -n "$state" ] || { echo "usage: $0 start|down|up|stop STATE" >&2; exit 2; }

bindir="$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)"
[ -x "$bindir/initdb" ] || { echo "PostgreSQL's server programs are missing (apt-get install postgresql)" >&2; exit 1; }

owner=""
if [ "$(id -u)" -eq 0 ]; then
  owner=postgres
  id -u "$owner" >/dev/null 2>&1 || owner=nobody
fi
as_owner() {
  if [ -n "$owner" ]; then (cd / && runuser -u "$owner" -- "$@"); else "$@"; fi
}

pg_start() {
  as_owner "$bindir/pg_ctl" -D "$1/data" -l "$1/server.log" -w -t 60 \
    -o "-k $1 -c listen_addresses= -c max_connections=200" start >/dev/null
}

case "$command" in
  start)
    folder="$(mktemp -d /tmp/vortex-pg.XXXXXX)"
    chmod 755 "$folder"
    [ -n "$owner" ] && chown "$owner" "$folder"
    if ! as_owner "$bindir/initdb" -D "$folder/data" -U vortex --auth=trust -E UTF8 --locale=C --no-sync \
         >"$folder/initdb.log" 2>&1; then
      cat "$folder/initdb.log" >&2
      rm -rf "$folder"
      exit 1
    fi
    if ! pg_start "$folder"; then
      cat "$folder/server.log" >&2
      rm -rf "$folder"
      exit 1
    fi
    printf 'postgresql:///postgres?host=%s&user=vortex\n%s\n' "$folder" "$folder" > "$state"
    ;;
  down|up|stop)
    [ -f "$state" ] || { echo "no temporary PostgreSQL server recorded in $state" >&2; exit 1; }
    folder="$(sed -n 2p "$state")"
    case "$folder" in /tmp/vortex-pg.*) ;; *) echo "unexpected folder in $state: $folder" >&2; exit 1 ;; esac
    if [ "$command" = up ]; then
      pg_start "$folder"
    else
      # Removal needs no shutdown checkpoint: an immediate stop.
      mode=fast
      [ "$command" = stop ] && mode=immediate
      as_owner "$bindir/pg_ctl" -D "$folder/data" -m "$mode" -w -t 60 stop >/dev/null 2>&1 || true
    fi
    if [ "$command" = stop ]; then
      rm -rf "$folder" "$state"
    fi
    ;;
  *)
    echo "usage: $0 start|down|up|stop STATE" >&2
    exit 2
    ;;
esac
