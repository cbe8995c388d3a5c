#!/usr/bin/env bash
# Installs what the build and the tests need, builds the native and the Windows
# configurations, and runs every test through ctest.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-packages.sh \
  cmake ninja-build g++ libgtest-dev pkg-config \
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 \
  wine wine64 xvfb xdotool x11-utils fonts-ipafont-gothic fonts-wine locales \
  vsftpd curl tnftp procps iproute2 libssl-dev libsqlite3-dev openssl python3 clang libclang-rt-14-dev python3-xlrd libreoffice-calc-nogui

jobs=$(nproc)
cmake -S . -B build/win -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake
cmake --build build/win -j "$jobs"
cmake -S . -B build/native -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKV_WIN_BUILD_DIR="$PWD/build/win"
cmake --build build/native -j "$jobs"
(cd build/native && ctest --output-on-failure -j "$jobs" --timeout 600 "$@")

# The unit and end-to-end tests again (not Wine's, nor the scenarios of a stalled
# data connection, which only wait), and each fuzz target for a few seconds, in
# one clang build with AddressSanitizer and UndefinedBehaviorSanitizer. Reports
# of every process, the programs the tests start included, go to one folder:
# any report fails the run.
CC=clang CXX=clang++ cmake -S . -B build/sanitize -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKV_SANITIZE=ON
cmake --build build/sanitize -j "$jobs"
reports="$PWD/build/sanitize/sanitizer-reports"
rm -rf "$reports" && mkdir -p "$reports"
export ASAN_OPTIONS="log_path=$reports/asan:detect_leaks=1:strict_string_checks=1:detect_stack_use_after_return=1"
export UBSAN_OPTIONS="log_path=$reports/ubsan:print_stacktrace=1:halt_on_error=1"
(cd build/sanitize && ctest --output-on-failure -j "$jobs" --timeout 600 -L 'unit|e2e|fuzz' -E '^scenario.datastall$' "$@")
if compgen -G "$reports/*" >/dev/null; then
  echo "sanitizer reports:" && cat "$reports"/*
  exit 1
fi
