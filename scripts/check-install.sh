#!/usr/bin/env bash
# Installs a build tree as a user gets it and checks the result:
#   scripts/check-install.sh BUILD_DIR [--apt]
# 1. `cmake --install` into a temporary prefix: every file in its place, the desktop entry and
#    the metainfo valid, the installed window starting offscreen with its help found, and a
#    second start handing over to the first instead of opening a second window.
# 2. The Debian package of the same tree (CPack): its files and dependencies. With --apt (CI, a
#    fresh machine), `apt-get install ./quillmere_*.deb`, the same start from /usr/bin, removal.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:?usage: $0 BUILD_DIR [--apt]}" && pwd)
apt=${2:-}
work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "check-install: $*" >&2; exit 1; }

# The window, started offscreen in a home of its own with --show-help; it must stay up, find its
# help pages, and take over a second start.
check_window() {  # check_window PROGRAM NAME
  local program=$1 home=$work/home-$2 pid
  mkdir -p "$home/Favorites" "$home/run"
  chmod 700 "$home/run"
  printf '[InternetShortcut]\r\nURL=http://example.org/\r\n' >"$home/Favorites/Example.url"
  local env=(env HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_STATE_HOME="$home/.state"
             XDG_DATA_HOME="$home/.local/share" XDG_RUNTIME_DIR="$home/run"
             QT_QPA_PLATFORM=offscreen DBUS_SESSION_BUS_ADDRESS=disabled:)
  "${env[@]}" "$program" --show-help >"$home/log" 2>&1 &
  pid=$!
  pids+=("$pid")
  for _ in $(seq 100); do
    [ -S "$home/.state/Quillmere/instance.socket" ] && break
    kill -0 "$pid" 2>/dev/null || fail "$program ended at start: $(cat "$home/log")"
    sleep 0.1
  done
  [ -S "$home/.state/Quillmere/instance.socket" ] || fail "$program did not come up"
  # A second start brings the first to the front and ends at once.
  "${env[@]}" timeout 20 "$program" >>"$home/log" 2>&1 || fail "a second start did not end: $?"
  kill -0 "$pid" 2>/dev/null || fail "$program ended: $(cat "$home/log")"
  if grep -q "cannot be found" "$home/log"; then fail "$program: $(cat "$home/log")"; fi
  kill "$pid"
  wait "$pid" 2>/dev/null || true
  echo "check-install: $program started, found its help and took over a second start"
}

prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null
files=(bin/Quillmere bin/quillmere share/quillmere/help/index.html
       share/applications/net.orlesk.Quillmere.desktop
       share/metainfo/net.orlesk.Quillmere.metainfo.xml
       share/man/man1/Quillmere.1 share/man/man1/quillmere.1
       share/icons/hicolor/scalable/apps/net.orlesk.Quillmere.svg)
for size in 16 22 24 32 48 64 128 256; do
  files+=("share/icons/hicolor/${size}x${size}/apps/net.orlesk.Quillmere.png")
done
for f in "${files[@]}"; do [ -f "$prefix/$f" ] || fail "not installed: $f"; done
desktop-file-validate "$prefix/share/applications/net.orlesk.Quillmere.desktop"
appstreamcli validate --no-net "$prefix/share/metainfo/net.orlesk.Quillmere.metainfo.xml" >/dev/null \
  || fail "the metainfo file is not valid"
if command -v man >/dev/null; then
  man -l "$prefix/share/man/man1/Quillmere.1" >/dev/null 2>&1 || fail "Quillmere.1 does not format"
fi
"$prefix/bin/quillmere" --help >/dev/null || fail "the installed quillmere does not run"
check_window "$prefix/bin/Quillmere" prefix

# The package.
(cd "$build" && cpack -G DEB -B "$work/package" >/dev/null)
deb=$(ls "$work"/package/quillmere_*.deb)
contents=$(dpkg-deb -c "$deb")
for f in "${files[@]}"; do
  grep -q " \./usr/$f\$" <<<"$contents" || fail "not in the package: /usr/$f"
done
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libqt6widgets6 libqt6printsupport6 libqt6dbus6 libcurl4; do
  grep -q "$lib" <<<"$depends" || fail "the package does not depend on $lib: $depends"
done
echo "check-install: $(basename "$deb") holds every file; Depends: $depends"
if [ "$apt" = --apt ]; then
  cp "$deb" "$work/"
  (cd "$work" && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq -o DPkg::Lock::Timeout=300 \
    "./$(basename "$deb")" >/dev/null)
  [ -f /usr/share/applications/net.orlesk.Quillmere.desktop ] || fail "no desktop entry in /usr"
  check_window /usr/bin/Quillmere package
  DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq -o DPkg::Lock::Timeout=300 quillmere >/dev/null
fi
