#!/usr/bin/env bash
# The FTP server of the built-in test account, for the demo: 127.0.0.1 port 21, the account
# compiled into the build (its CMake cache names it), with its "Quillmere" folder.
#   scripts/demo-server.sh start [BUILD_DIR]   (default build)
#   scripts/demo-server.sh stop
# Files live in ${XDG_STATE_HOME:-~/.local/state}/quillmere-demo-ftp, so uploads survive restarts.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
state=${XDG_STATE_HOME:-$HOME/.local/state}/quillmere-demo-ftp
pidfile=$state/ftp.pid

case ${1:-} in
  start)
    cache=${2:-$here/build}/CMakeCache.txt
    value() { sed -n "s/^$1:STRING=//p" "$cache"; }
    host=$(value QUILLMERE_TEST_HOST) user=$(value QUILLMERE_TEST_USER) pass=$(value QUILLMERE_TEST_PASS)
    [ -n "$user" ] && [ -n "$pass" ] || { echo "demo server: no test account in $cache" >&2; exit 1; }
    mkdir -p "$state"
    if [ -f "$pidfile" ] && kill -0 "$(cat "$pidfile")" 2>/dev/null; then exit 0; fi
    /usr/bin/python3 "$here/tests/servers/ftp_server.py" 21 "$state/root" "$state/ftp.log" \
      "$user:$pass:Quillmere" >/dev/null 2>&1 &
    echo $! >"$pidfile"
    # Up within a second or two; if port 21 is taken (another FTP server), say so and go on.
    for _ in $(seq 30); do
      if (exec 3<>"/dev/tcp/${host:-127.0.0.1}/21") 2>/dev/null; then exit 0; fi
      kill -0 "$(cat "$pidfile")" 2>/dev/null || break
      sleep 0.1
    done
    echo "demo server: could not serve the test account on ${host:-127.0.0.1}:21 (see $state/ftp.log)" >&2
    ;;
  stop)
    [ -f "$pidfile" ] || exit 0
    pid=$(cat "$pidfile")
    kill -TERM "$pid" 2>/dev/null || true
    for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -KILL "$pid" 2>/dev/null || true
    rm -f "$pidfile"
    ;;
  *)
    echo "usage: $0 start [BUILD_DIR] | stop" >&2
    exit 2
    ;;
esac
