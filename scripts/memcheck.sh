#!/usr/bin/env bash
# Runs the test programs of a build without the GUI layer under Valgrind's memcheck, two at a
# time: scripts/memcheck.sh [BUILD_DIR, default build-core]
# A memory error or a definite leak in any program (or in a child it forks) fails the script; the
# logs stay in BUILD_DIR/memcheck/. The few cases that take minutes under Valgrind are left out:
# the plain and sanitizer builds run them.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-core}
slow=(
  FavoritesTree.ClearingAMillionDeepChainDoesNotRecurse
  BookmarksFile.ReadsAndWritesNestingOfAnyDepth
  BookmarksFile.ReadsFiftyThousandLinks
  TransferEndToEnd.TenMegabytesByFtp
)
export GTEST_FILTER="-$(IFS=:; echo "${slow[*]}")"
export MEMCHECK_LOGS=$PWD/$build/memcheck
rm -rf "$MEMCHECK_LOGS"
mkdir -p "$MEMCHECK_LOGS"

check() {  # check TEST_PROGRAM
  local name
  name=$(basename "$1")
  if (cd "$(dirname "$1")" && valgrind -q --error-exitcode=1 --leak-check=full \
    --show-leak-kinds=definite --errors-for-leak-kinds=definite "./$name") \
    >"$MEMCHECK_LOGS/$name.log" 2>&1; then
    printf '%-28s clean\n' "$name"
  else
    echo "== $name FAILED under memcheck; log $MEMCHECK_LOGS/$name.log"
    grep -E '^==[0-9]+==|FAILED' "$MEMCHECK_LOGS/$name.log" | head -n 60
    return 1
  fi
}
export -f check

mapfile -t programs < <(find "$build/tests" -maxdepth 1 -type f -executable -name '*Test' | sort)
if ((${#programs[@]} == 0)); then
  echo "no test programs in $build/tests"
  exit 1
fi
printf '%s\n' "${programs[@]}" | xargs -P 2 -I{} bash -c 'check "$1"' _ {}
