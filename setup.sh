#!/usr/bin/env bash
# Sets up a Debian 12 machine for Vantoro and builds it into build/Vantoro (the program
# folder). Usage:
#   ./setup.sh          install what is missing and build
#   ./setup.sh run      ... then start the program on the default database
#   ./setup.sh test     ... then run every test
#   ./setup.sh sanitize install what is missing, then build and run every test with the
#                       address and undefined-behaviour sanitizers (build-sanitize/)
set -euo pipefail
cd "$(dirname "$0")"
here=$(pwd)
mode=${1:-build}

mapfile -t wanted < <(grep -v '^\s*#' packages.txt | sed '/^\s*$/d')
missing=()
for p in "${wanted[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if ((${#missing[@]})); then
  sudo=()
  if [ "$(id -u)" -ne 0 ]; then
    if ! command -v sudo >/dev/null; then
      echo "Missing packages: ${missing[*]}" >&2
      echo "Run this script as root once, or install sudo, to install them." >&2
      exit 1
    fi
    sudo=(sudo)
  fi
  echo "Installing: ${missing[*]}"
  # Through env: sudo drops the caller's environment, and a package that asks a question
  # (tshark does) would otherwise wait for an answer behind the silenced output.
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive \
    apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

if [ "$mode" = sanitize ]; then
  # The whole suite again, built with the address and undefined-behaviour sanitizers, in a
  # build folder of its own (its program folder is only for the tests).
  san="-fsanitize=address,undefined -fno-omit-frame-pointer"
  cmake -S "$here" -B "$here/build-sanitize" -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS="$san" \
    -DCMAKE_EXE_LINKER_FLAGS="$san" -DCMAKE_SHARED_LINKER_FLAGS="$san" -DCMAKE_MODULE_LINKER_FLAGS="$san" >/dev/null
  cmake --build "$here/build-sanitize" -j"$(nproc)"
  cd "$here/build-sanitize"
  # Qt keeps some allocations until exit; leaks are not what this run looks for.
  ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    exec ctest --output-on-failure -j"$(nproc)"
fi

cmake -S "$here" -B "$here/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$here/build" -j"$(nproc)"

case "$mode" in
  build) echo "Built into $here/build/Vantoro" ;;
  run) exec "$here/build/Vantoro/vantoro" ;;
  test) cd "$here/build" && ctest --output-on-failure -j"$(nproc)" ;;
  *) echo "usage: $0 [build|run|test|sanitize]" >&2; exit 2 ;;
esac
