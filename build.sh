#!/usr/bin/env bash
# Sets up, builds and checks both targets of the file-system module.
#
#   ./build.sh main   the main job: build both targets and, on each (the
#                     Win32 one under Wine), have the orv tool create, fill,
#                     save, reopen and walk a container and read it back
#   ./build.sh test   build both targets and run every test of both: Linux
#                     with AddressSanitizer and UndefinedBehaviorSanitizer,
#                     Win32 under Wine
#
# Both install what is missing first (Debian 12, as root; nothing is
# installed when everything is there) and can be run again and again: an
# up-to-date build does nothing. Build folders lie under build/ unless
# ORV_BUILD_ROOT (or ORV_BUILD_LINUX, ORV_BUILD_ASAN, ORV_BUILD_WIN) say
# otherwise; Wine runs in its own prefix, ORV_WINEPREFIX (default
# build/wineprefix), and its server is stopped when the script ends, however
# it ends.
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
BUILD_ROOT=${ORV_BUILD_ROOT:-$ROOT/build}
LINUX_DIR=${ORV_BUILD_LINUX:-$BUILD_ROOT/linux}
ASAN_DIR=${ORV_BUILD_ASAN:-$BUILD_ROOT/linux-asan}
WIN_DIR=${ORV_BUILD_WIN:-$BUILD_ROOT/win32}
export ORV_WINEPREFIX=${ORV_WINEPREFIX:-$BUILD_ROOT/wineprefix}
JOBS=2  # the machines have two cores

PACKAGES=(
  cmake ninja-build g++ clang libclang-rt-14-dev zlib1g-dev
  googletest libbenchmark-dev
  g++-mingw-w64-i686 binutils-mingw-w64-i686 libz-mingw-w64-dev
  wine wine32:i386
)

say() { printf '\n== %s\n' "$*"; }

install_packages() {
  local missing=() package
  for package in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null |
      grep -q 'install ok installed' || missing+=("$package")
  done
  [ ${#missing[@]} -eq 0 ] && return
  say "Installing ${missing[*]}"
  if [ "$(id -u)" -ne 0 ]; then
    echo "build.sh: run as root to install the missing packages" >&2
    exit 1
  fi
  dpkg --print-foreign-architectures | grep -qx i386 ||
    dpkg --add-architecture i386
  apt-get update
  DEBIAN_FRONTEND=noninteractive apt-get install -y "${missing[@]}"
}

# configure <build dir> <cmake arguments>...
configure() {
  local dir=$1
  shift
  cmake -S "$ROOT" -B "$dir" -G Ninja "$@" >/dev/null
}

build_linux() {
  say "Linux x86-64 (g++): $LINUX_DIR"
  configure "$LINUX_DIR"
  cmake --build "$LINUX_DIR" -j "$JOBS"
}

# The sanitized build also carries the fuzz corpus replays and benchmark
# smoke runs, once fuzz/ and bench/ exist: they register them as CTest
# tests, so the one ctest run below covers them.
build_asan() {
  say "Linux x86-64 (clang, ASan+UBSan): $ASAN_DIR"
  local extra=()
  [ -f "$ROOT/fuzz/CMakeLists.txt" ] && extra+=(-DORV_BUILD_FUZZERS=ON)
  [ -f "$ROOT/bench/CMakeLists.txt" ] && extra+=(-DORV_BUILD_BENCHMARKS=ON)
  CC=clang CXX=clang++ configure "$ASAN_DIR" -DORV_SANITIZE=ON \
    ${extra[@]+"${extra[@]}"}
  cmake --build "$ASAN_DIR" -j "$JOBS"
}

build_win() {
  say "Win32 i686 (mingw-w64): $WIN_DIR"
  configure "$WIN_DIR" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-i686.cmake"
  cmake --build "$WIN_DIR" -j "$JOBS"
}

wine_env() {
  export WINEPREFIX="$ORV_WINEPREFIX" WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml="
}

# Makes the prefix on first use, so that no test pays for it, and keeps one
# Wine server up until stop_wine, so that no program pays for starting it.
start_wine() {
  mkdir -p "$ORV_WINEPREFIX"
  # -p fails when a server of this prefix runs already; that one serves.
  (wine_env && { wineserver -p >/dev/null 2>&1 || true; } &&
    wineboot --init >/dev/null 2>&1)
}

stop_wine() {
  if command -v wineserver >/dev/null; then
    (wine_env && wineserver -k >/dev/null 2>&1) || true
  fi
}

# run_tests <build dir>: every test of one build. Fails when any fails.
run_tests() {
  ctest --test-dir "$1" -j "$JOBS" --timeout 900 --output-on-failure
}

# probe <orv command>... <file>: exit 1 means "not a container", an answer.
probe() {
  local code=0
  "$@" || code=$?
  [ $code -le 1 ]
}

# same <file> <orv command>...: the command's output is exactly <file>.
same() {
  local file=$1
  shift
  "$@" >read-back.bin
  cmp read-back.bin "$file"
  echo "read back byte for byte: $file ($(wc -c <"$file") bytes)"
}

# orv <argument>...: runs the tool of the session (ORV_COMMAND, an array),
# showing the command line first (on standard error, which keeps standard
# output for the command's own bytes).
orv() {
  printf '$ orv %s\n' "$*" >&2
  "${ORV_COMMAND[@]}" "$@"
}

# session <binary> <orv command>...: a host's round trip with the real
# commands, each one a new process that reopens what the one before saved:
# create a container, fill it with a text file and a binary, save with a
# backup, walk it, read the payloads back, rename, remove, walk again.
session() {
  local binary=$1 box=demo.orv
  shift
  ORV_COMMAND=("$@")
  rm -f "$box" demo.bak demo.tmp read-back.bin
  orv info
  orv create "$box"
  probe orv probe "$box"
  orv mkdir "$box" docs/drafts
  orv put "$box" docs/README.md README.md
  orv --backup put "$box" bin/module "$binary"
  orv tree "$box"
  orv ls "$box"
  orv ls "$box" docs
  same README.md orv cat "$box" docs/README.md
  same "$binary" orv cat "$box" bin/module
  orv mv "$box" docs/README.md read-me
  orv rm "$box" bin
  orv tree "$box"
  same README.md orv cat "$box" docs/read-me
  probe orv probe README.md
}

cmd_main() {
  build_linux
  build_win
  local samples=$BUILD_ROOT/samples
  mkdir -p "$samples"
  cp "$ROOT/README.md" "$samples/README.md"
  cp "$LINUX_DIR/bin/liborvfs.so" "$samples/liborvfs.so"
  cp "$WIN_DIR/bin/orvfs.dll" "$samples/orvfs.dll"
  cd "$samples"

  say "orv on Linux"
  session liborvfs.so "$LINUX_DIR/bin/orv"

  say "orv.exe on Win32 (under Wine)"
  start_wine
  session orvfs.dll "$ROOT/cmake/wine-run.sh" "$WIN_DIR/bin/orv.exe"
}

cmd_test() {
  build_asan
  build_win
  local failed=()
  say "Tests: Linux, ASan+UBSan"
  UBSAN_OPTIONS=print_stacktrace=1 run_tests "$ASAN_DIR" || failed+=(linux)
  say "Tests: Win32 under Wine"
  start_wine
  run_tests "$WIN_DIR" || failed+=(win32)
  if [ ${#failed[@]} -ne 0 ]; then
    say "FAILED: ${failed[*]}"
    return 1
  fi
  say "All tests of both targets passed"
}

case ${1:-} in
  main | test)
    trap stop_wine EXIT
    install_packages
    "cmd_$1"
    ;;
  *)
    echo "usage: $0 main|test" >&2
    exit 2
    ;;
esac
