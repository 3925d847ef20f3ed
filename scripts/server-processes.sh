# Sourced by the scripts that start test servers: how they stop one, and how they make sure
# nothing outlives the test that asked for them.

stop_pid() {  # stop_pid PID: TERM, up to 5 s, then KILL
  local pid=$1
  kill -TERM "$pid" 2>/dev/null || return 0
  for _ in $(seq 50); do
    kill -0 "$pid" 2>/dev/null || return 0
    sleep 0.1
  done
  kill -KILL "$pid" 2>/dev/null || true
}

# watch_owner PIDFILE STOP_COMMAND...: with QUILLMERE_SERVERS_OWNER set to a process id, runs the
# stop command once that process is gone (a test that crashed), and after 15 minutes in any case.
watch_owner() {
  local pidfile=$1 owner=${QUILLMERE_SERVERS_OWNER:-}
  shift
  [ -n "$owner" ] || return 0
  (
    for _ in $(seq 900); do
      kill -0 "$owner" 2>/dev/null || break
      sleep 1
    done
    rm -f "$pidfile"
    "$@"
  ) </dev/null >/dev/null 2>&1 &
  echo $! >"$pidfile"
}
