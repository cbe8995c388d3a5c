#!/usr/bin/env bash
# Installs what the build and the tests need, builds the native and the Windows
# configurations, and runs every test through ctest.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-packages.sh \
  cmake ninja-build g++ libgtest-dev pkg-config \
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 \
  wine wine64 xvfb xdotool x11-utils fonts-ipafont-gothic fonts-wine locales \
  vsftpd curl tnftp procps iproute2 python3-xlrd libreoffice-calc-nogui

jobs=$(nproc)
cmake -S . -B build/win -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake
cmake --build build/win -j "$jobs"
cmake -S . -B build/native -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKV_WIN_BUILD_DIR="$PWD/build/win"
cmake --build build/native -j "$jobs"
cd build/native
ctest --output-on-failure -j "$jobs" --timeout 600 "$@"
