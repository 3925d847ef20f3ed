#!/usr/bin/env bash
# A private desktop secret store for the tests: a D-Bus session bus of its own with
# gnome-keyring-daemon on it (its login collection made and unlocked), everything in DIR.
#   scripts/secret-service.sh start DIR   prints the bus address for DBUS_SESSION_BUS_ADDRESS
#   scripts/secret-service.sh stop DIR
# start exits 77 when dbus-daemon or gnome-keyring-daemon is missing. With
# QUILLMERE_SERVERS_OWNER set to a process id, both stop when that process ends (after 15
# minutes in any case).
set -uo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
action=${1:-}
dir=${2:-}
[ -n "$action" ] && [ -n "$dir" ] || { echo "usage: $0 start|stop DIR" >&2; exit 2; }

# shellcheck source=scripts/server-processes.sh
. "$here/scripts/server-processes.sh"

if [ "$action" = stop ]; then
  for name in watchdog keyring dbus; do
    [ -f "$dir/$name.pid" ] && stop_pid "$(cat "$dir/$name.pid")"
    rm -f "$dir/$name.pid"
  done
  exit 0
fi
[ "$action" = start ] || { echo "usage: $0 start|stop DIR" >&2; exit 2; }
for program in dbus-daemon gnome-keyring-daemon; do
  command -v "$program" >/dev/null || { echo "not installed: $program (scripts/setup.sh)" >&2; exit 77; }
done

mkdir -p "$dir/home/.local/share" "$dir/run"
chmod 700 "$dir/run"
bus=$dir/run/bus
# A bus of its own that starts no service on demand: a request that came before the daemon below
# is up must not start another one (with the user's real keyrings).
cat >"$dir/bus.conf" <<CONF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:path=$bus</listen>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
CONF
dbus-daemon --config-file="$dir/bus.conf" --nofork --nopidfile >"$dir/dbus.log" 2>&1 &
echo $! >"$dir/dbus.pid"
for _ in $(seq 100); do [ -S "$bus" ] && break; sleep 0.05; done
export DBUS_SESSION_BUS_ADDRESS="unix:path=$bus"
# --unlock reads the login password from standard input and makes the login collection, the
# default one, unlocked.
printf 'quillmere-test' | HOME="$dir/home" XDG_DATA_HOME="$dir/home/.local/share" \
  XDG_RUNTIME_DIR="$dir/run" gnome-keyring-daemon --foreground --unlock --components=secrets \
  >"$dir/keyring.log" 2>&1 &
echo $! >"$dir/keyring.pid"

watch_owner "$dir/watchdog.pid" "$here/scripts/secret-service.sh" stop "$dir"

# Up within 30 s: the service's name is on the bus and its default collection is there.
for _ in $(seq 300); do
  if dbus-send --session --print-reply --dest=org.freedesktop.secrets /org/freedesktop/secrets \
       org.freedesktop.Secret.Service.ReadAlias string:default 2>/dev/null | grep -q collection/; then
    echo "$DBUS_SESSION_BUS_ADDRESS"
    exit 0
  fi
  sleep 0.1
done
echo "the secret service did not come up; logs in $dir" >&2
"$0" stop "$dir"
exit 1
