#!/usr/bin/env bash
# A private PostgreSQL server for tests and benchmarks: a fresh cluster in a
# temporary folder, listening on loopback on a free port, owned by an unprivileged
# user (the server refuses to run as root). Source this file, then:
#   pg_start    sets HUMRS_PG_URL (postgresql://humrs@127.0.0.1:PORT, no database)
#   pg_stop     stops the server and removes its folder
# Durability is off (fsync, synchronous commit): the data is thrown away anyway;
# HUMRS_PG_DURABLE=1 keeps it on, for timings that compare with a real installation.

PG_BIN=${PG_BIN:-/usr/lib/postgresql/15/bin}

pg__as_owner() {
  if [ "$(id -u)" = 0 ]; then runuser -u postgres -- "$@"; else "$@"; fi
}

pg__port_free() {
  ! (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null
}

pg_start() {
  HUMRS_PG_DIR=$(mktemp -d /tmp/humrs-pg.XXXXXX)
  if [ "$(id -u)" = 0 ]; then
    id postgres >/dev/null 2>&1 || useradd --system --home-dir /var/lib/postgresql --shell /bin/false postgres
    chown postgres "$HUMRS_PG_DIR"
  fi
  pg__as_owner "$PG_BIN/initdb" -D "$HUMRS_PG_DIR/data" -U humrs --auth=trust -E UTF8 --locale=C.UTF-8 >"$HUMRS_PG_DIR/initdb.log" 2>&1 \
    || { cat "$HUMRS_PG_DIR/initdb.log"; return 1; }
  local port tries=0 fast="-c fsync=off -c synchronous_commit=off -c full_page_writes=off"
  [ "${HUMRS_PG_DURABLE:-0}" = 1 ] && fast=""
  while :; do
    port=$(( 20000 + RANDOM % 20000 ))
    if pg__port_free "$port" && pg__as_owner "$PG_BIN/pg_ctl" -D "$HUMRS_PG_DIR/data" -l "$HUMRS_PG_DIR/server.log" -w -t 60 \
        -o "-c listen_addresses=127.0.0.1 -c port=$port -c unix_socket_directories=$HUMRS_PG_DIR -c max_connections=100 $fast" \
        start >/dev/null; then
      break
    fi
    tries=$((tries + 1))
    if [ "$tries" -ge 5 ]; then cat "$HUMRS_PG_DIR/server.log" >&2; return 1; fi
  done
  export HUMRS_PG_DIR
  export HUMRS_PG_URL="postgresql://humrs@127.0.0.1:$port"
}

pg_stop() {
  if [ -n "${HUMRS_PG_DIR:-}" ] && [ -d "$HUMRS_PG_DIR" ]; then
    pg__as_owner "$PG_BIN/pg_ctl" -D "$HUMRS_PG_DIR/data" -m immediate -w stop >/dev/null 2>&1 || true
    rm -rf "$HUMRS_PG_DIR"
  fi
  HUMRS_PG_DIR=
}
