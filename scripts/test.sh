#!/usr/bin/env bash
# Installs what is missing, builds and runs every test: the build without the GUI layer (which
# proves that the lower layers stand alone) and the whole program with AddressSanitizer and
# UndefinedBehaviorSanitizer, then the first's tests again under Valgrind, and the fuzz targets;
# the program as the demo builds it is installed into a temporary prefix and packaged.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

export QT_QPA_PLATFORM=offscreen
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d)}
chmod 700 "$XDG_RUNTIME_DIR"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0:strict_string_checks=1
export LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

status=0
phase() { echo "== $(date +%T) $*"; }
run() {  # run DIR [cmake options...]
  local dir=$1
  shift
  phase "build $dir"
  bash scripts/build.sh "$dir" "$@"
  phase "test $dir"
  (cd "$dir" && ctest --output-on-failure -j2 --timeout 900) || status=1
}
run build-core -DCMAKE_BUILD_TYPE=Debug -DQUILLMERE_GUI=OFF
run build-asan -DCMAKE_BUILD_TYPE=Debug -DQUILLMERE_SANITIZE=ON
phase "build build-release"
bash scripts/build.sh build-release -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLMERE_TESTS=OFF
phase "install and package build-release"
# On CI's fresh machine the package is installed with apt as a user would, then removed.
bash scripts/check-install.sh build-release $([ "${CI:-}" = true ] && echo --apt) || status=1
phase "memcheck build-core"
bash scripts/memcheck.sh build-core || status=1
phase "fuzz build-fuzz (8 s per target)"
bash scripts/fuzz.sh 8 || status=1
phase "done"
exit $status
