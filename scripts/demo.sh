#!/usr/bin/env bash
# The main job on the built-in simulated host: start a simulated IBM i, install
# with kvsetup from the native installation media (the client, the FTP client,
# the templates and LIBNAME.ini on the PC, the tool library restored on the host
# through our FTP client), then download a source member with kvxfer, upload it
# as a new member and download that again, printing what an operator would see.
#
#   KV_DEMO_ADDRESS   loopback address for the host (default 127.0.0.2; port 21)
#   KV_DEMO_GUI=0     do not open hostxfer.exe: by default, when a display is
#                     available ($DISPLAY), the demo builds the Windows programs
#                     and installs with setup.exe under Wine (the window asks for
#                     the address and password), then opens the installed
#                     hostxfer.exe on the same host
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

bash scripts/install-packages.sh cmake ninja-build g++ libgtest-dev

echo "== building"
cmake -S . -B build/native -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/native --target kv_media_linux >/dev/null
bin=$root/build/native
media=$bin/media/linux

demo=$root/build/demo
mkdir -p "$demo/pc"
export KV_DRIVE_C=$demo/drive_c
mkdir -p "$KV_DRIVE_C/Programs"

address=${KV_DEMO_ADDRESS:-127.0.0.2}
echo "== starting the simulated IBM i on $address:21 (state kept in build/demo/host-state)"
coproc HOST { exec "$bin/hostsim/hostsim" --listen "$address:21" --seed hostsim/seeds/demo.seed \
                   --state "$demo/host-state" 2>"$demo/hostsim.log"; }
host_pid=$HOST_PID
trap 'kill "$host_pid" 2>/dev/null || true; wait "$host_pid" 2>/dev/null || true' EXIT
if ! read -r -t 10 first <&"${HOST[0]}" || [[ $first != listening* ]]; then
  echo "hostsim could not listen on $address:21 (port 21 needs root; is another server there?)" >&2
  cat "$demo/hostsim.log" >&2
  exit 1
fi
echo "   $first"

echo "== installing from build/native/media/linux: the client below C:\\Programs, C:\\KV-TRANSIT on the PC,"
echo "   the libraries TRIAL_KVU and TRIAL_KVD on the host"
echo "\$ kvsetup --media=build/native/media/linux --folder='C:\\Programs' --ip=$address --password=QSECOFR"
set +e
"$media/kvsetup" --media="$media" --folder='C:\Programs' --ip="$address" --password=QSECOFR | sed 's/^/   /'
status=${PIPESTATUS[0]}
set -e
echo "   (exit status $status)"
[[ $status == 0 ]] || { echo "the installation did not succeed" >&2; exit 1; }

# The installed client: on the native media, kvxfer stands in the window's place.
client="$KV_DRIVE_C/Programs/KV-Windows版/hostxfer.exe"
run() {
  echo "\$ kvxfer $*"
  set +e
  "$client" "$@" | sed 's/^/   /'
  local status=${PIPESTATUS[0]}
  set -e
  echo "   (exit status $status)"
}
logon=(--ip="$address" --user=QSECOFR --password=QSECOFR)

echo "== source download: DEMOLIB/QRPGSRC.HELLO"
run source1 "${logon[@]}" --lib=DEMOLIB --file=QRPGSRC --member=HELLO --pcfile="$demo/pc/HELLO.txt"
echo "   PC file build/demo/pc/HELLO.txt:"
iconv -f CP932 -t UTF-8 "$demo/pc/HELLO.txt" | sed 's/ *\r$//; s/^/   | /'

echo "== source upload as DEMOLIB/QRPGSRC.HELLO2"
run source2 "${logon[@]}" --lib=DEMOLIB --file=QRPGSRC --member=HELLO2 --type=RPGLE --pcfile="$demo/pc/HELLO.txt"

echo "== download of the new member, compared with the first download"
run source1 "${logon[@]}" --lib=DEMOLIB --file=QRPGSRC --member=HELLO2 --pcfile="$demo/pc/HELLO2.txt"
if cmp -s "$demo/pc/HELLO.txt" "$demo/pc/HELLO2.txt"; then
  echo "   HELLO2 holds the same source lines as HELLO"
else
  echo "   HELLO2 differs from HELLO" >&2
  exit 1
fi

echo "== a member that does not exist"
run source1 "${logon[@]}" --lib=DEMOLIB --file=QRPGSRC --member=NOSUCH --pcfile="$demo/pc/NOSUCH.txt"

if [[ ${KV_DEMO_GUI:-1} != 0 && -n ${DISPLAY:-} ]]; then
  echo "== building the Windows programs and the Windows media, then setup.exe and hostxfer.exe under Wine"
  bash scripts/install-packages.sh g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix \
    binutils-mingw-w64-x86-64 wine wine64 fonts-ipafont-gothic fonts-wine
  cmake -S . -B build/win -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake >/dev/null
  cmake --build build/win --target hostxfer ftp_client setup >/dev/null
  cmake -S . -B build/native -DKV_WIN_BUILD_DIR="$root/build/win" >/dev/null
  cmake --build build/native --target kv_media_windows >/dev/null
  export WINEPREFIX=$demo/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree=d;mshtml=d"
  if [[ ! -d $WINEPREFIX ]]; then
    wineboot -i >/dev/null 2>&1 || true
    # The window's font, "ＭＳ Ｐゴシック", comes from the IPA fonts here; regedit
    # reads Japanese value names only from a UTF-16 file with a byte-order mark.
    { printf '\xff\xfe'; printf '%s\r\n' 'Windows Registry Editor Version 5.00' '' \
        '[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]' \
        '"ＭＳ Ｐゴシック"="IPAPGothic"' '"MS Shell Dlg"="IPAPGothic"' '"MS Shell Dlg 2"="IPAPGothic"' \
        | iconv -f UTF-8 -t UTF-16LE; } > "$demo/fonts.reg"
    wine regedit /S "Z:${demo//\//\\}\\fonts.reg" >/dev/null 2>&1 || true
  fi
  mkdir -p "$WINEPREFIX/drive_c/Programs"
  echo "   setup.exe: choose C:\\Programs, type the address $address and the password QSECOFR,"
  echo "   press インストール開始, then 完了！"
  (cd "$WINEPREFIX/drive_c/Programs" && LANG=ja_JP.UTF-8 wine "$root/build/native/media/windows/setup.exe") || true
  installed=$WINEPREFIX/drive_c/Programs/KV-Windows版/hostxfer.exe
  if [[ -f $installed ]]; then
    printf '%s\r\nQSECOFR\r\nQSECOFR\r\n' "$address" > "$WINEPREFIX/drive_c/KV-TRANSIT/kv3EV"
    echo "   hostxfer.exe from C:\\Programs\\KV-Windows版 (close its window to end the demo)"
    LANG=ja_JP.UTF-8 wine "$installed" || true
  else
    echo "   setup.exe did not install the client into C:\\Programs; hostxfer.exe is not opened"
  fi
fi
echo "== done"
