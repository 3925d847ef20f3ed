#!/usr/bin/env bash
# Installs what is missing, builds Quillmere and starts it. A local FTP server for the built-in
# test account runs on 127.0.0.1:21 while the program is open, so uploads and downloads work with
# "Get a temporary test account" and no server of your own. Without a display, the program runs
# on a virtual one (Xvfb).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh build-release -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLMERE_TESTS=OFF

# A first run on a machine without a Favorites folder gets a small sample one to look at.
if [ ! -e "$HOME/Favorites" ]; then
  bash scripts/sample-favorites.sh "$HOME/Favorites"
  echo "Made a sample Favorites folder in $HOME/Favorites"
fi
bash scripts/demo-server.sh start build-release
trap 'bash scripts/demo-server.sh stop' EXIT
if [ -z "${XDG_RUNTIME_DIR:-}" ]; then
  export XDG_RUNTIME_DIR
  XDG_RUNTIME_DIR=$(mktemp -d)
fi
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  exec_prefix=(xvfb-run -a -s "-screen 0 1280x1024x24")
else
  exec_prefix=()
fi
"${exec_prefix[@]}" ./build-release/app/Quillmere
