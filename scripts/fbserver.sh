#!/usr/bin/env bash
# Start, stop or query the local Firebird server on 127.0.0.1:3050.
#   scripts/fbserver.sh start|stop|status
# On a machine without an init system the Debian package leaves the server
# stopped, so fbguard is started here as the firebird user. Start also
# makes sure the test user VARNEL_TEST (password "varnel", admin role)
# exists, so that tests need not read the package's SYSDBA password.
set -euo pipefail

FBGUARD=/usr/sbin/fbguard
FBSERVER=/usr/sbin/firebird
RUN_DIR=/var/run/firebird3.0
PIDFILE=$RUN_DIR/firebird.pid
PWFILE=/etc/firebird/3.0/SYSDBA.password
TEST_USER=VARNEL_TEST
TEST_PASSWORD=varnel

as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo -n "$@"; fi
}

listening() {
  (exec 3<>/dev/tcp/127.0.0.1/3050) 2>/dev/null
}

sysdba_password() {
  as_root sh -c ". $PWFILE; printf '%s' \"\$ISC_PASSWORD\""
}

ensure_test_user() {
  local pw
  pw=$(sysdba_password)
  # The security database takes no remote connections, so the user is
  # created through a scratch database of the server's own.
  local scratch=/var/lib/firebird/3.0/data/varnel_scratch.fdb
  as_root rm -f "$scratch"
  printf "CREATE DATABASE '127.0.0.1:%s' USER 'SYSDBA' PASSWORD '%s';\nCREATE OR ALTER USER %s PASSWORD '%s' GRANT ADMIN ROLE;\nCOMMIT;\nDROP DATABASE;\n" \
    "$scratch" "$pw" "$TEST_USER" "$TEST_PASSWORD" | isql-fb -q >/dev/null
}

start() {
  if listening; then
    ensure_test_user
    return 0
  fi
  as_root mkdir -p "$RUN_DIR"
  as_root chown firebird:firebird "$RUN_DIR"
  as_root chmod 0770 "$RUN_DIR"
  as_root rm -f "$PIDFILE"
  # Lock files left by an embedded engine run as another user would keep
  # the server (user firebird) out.
  if [ -d /tmp/firebird ]; then as_root chown -R firebird:firebird /tmp/firebird; fi
  if command -v start-stop-daemon >/dev/null 2>&1; then
    as_root start-stop-daemon --start --quiet --chuid firebird --pidfile "$PIDFILE" \
      --exec "$FBGUARD" -- -daemon -forever -pidfile "$PIDFILE" >/dev/null 2>&1 || true
  else
    as_root su -s /bin/sh firebird -c "$FBGUARD -daemon -forever -pidfile $PIDFILE" >/dev/null 2>&1 || true
  fi
  for _ in $(seq 1 100); do
    listening && break
    sleep 0.1
  done
  if ! listening; then
    echo "Firebird server did not start on 127.0.0.1:3050" >&2
    exit 1
  fi
  ensure_test_user
}

stop() {
  as_root pkill -x fbguard 2>/dev/null || true
  as_root pkill -x firebird 2>/dev/null || true
  for _ in $(seq 1 100); do
    listening || return 0
    sleep 0.1
  done
  as_root pkill -9 -x firebird 2>/dev/null || true
}

case "${1:-}" in
  start) start ;;
  stop) stop ;;
  status) if listening; then echo running; else echo stopped; exit 3; fi ;;
  *) echo "usage: $0 start|stop|status" >&2; exit 2 ;;
esac
