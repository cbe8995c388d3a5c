#!/usr/bin/env bash
# The main job on the built-in simulated host: start a simulated IBM i, install
# the tool library on it through our FTP client (the restore script the
# installer runs), then download a source member with kvxfer, upload it as a new
# member and download that again, printing what an operator would see.
#
#   KV_DEMO_ADDRESS   loopback address for the host (default 127.0.0.2; port 21)
#   KV_DEMO_GUI=0     do not open hostxfer.exe: by default, when a display is
#                     available ($DISPLAY), the demo builds the Windows programs
#                     and opens the window under Wine on the same host at the end
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

bash scripts/install-packages.sh cmake ninja-build g++ libgtest-dev

echo "== building"
cmake -S . -B build/native -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/native --target hostsim kvftp kvxfer kvsetup-script >/dev/null
bin=$root/build/native

demo=$root/build/demo
mkdir -p "$demo/media" "$demo/pc"
export KV_DRIVE_C=$demo/drive_c
install_dir=$KV_DRIVE_C/KV-TRANSIT
mkdir -p "$install_dir"

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

echo "== installing the PC side: C:\\KV-TRANSIT with FTP.EXE and LIBNAME.ini"
cp "$bin/ftp/kvftp" "$install_dir/FTP.EXE"
printf 'TRIAL_KVU TRIAL_KVD\r\n' > "$install_dir/LIBNAME.ini"

echo "== installing the host libraries TRIAL_KVU and TRIAL_KVD through the FTP client"
"$bin/hostsim/hostsim" mksavf --tool-library TRIAL_KVU "$demo/media/TRIAL_KVU.SAVF"
"$bin/hostsim/hostsim" mksavf --data-library TRIAL_KVD "$demo/media/TRIAL_KVD.SAVF"
"$bin/setup/kvsetup-script" "$address" QSECOFR QSECOFR "Z:${demo//\//\\}\\media"
"$install_dir/FTP.EXE" '-s:c:\KV-TRANSIT\kvtrn.ini' | iconv -f CP932 -t UTF-8 | sed 's/^/   | /'

run() {
  echo "\$ kvxfer $*"
  set +e
  "$bin/cli/kvxfer" "$@" | sed 's/^/   /'
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
  echo "== building the Windows programs and opening hostxfer.exe under Wine (close its window to end the demo)"
  bash scripts/install-packages.sh g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix \
    binutils-mingw-w64-x86-64 wine wine64 fonts-ipafont-gothic fonts-wine
  cmake -S . -B build/win -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake >/dev/null
  cmake --build build/win --target hostxfer ftp_client >/dev/null
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
  wine_install=$WINEPREFIX/drive_c/KV-TRANSIT
  mkdir -p "$wine_install"
  cp "$root/build/win/ftp/FTP.EXE" "$wine_install/FTP.EXE"
  printf 'TRIAL_KVU TRIAL_KVD\r\n' > "$wine_install/LIBNAME.ini"
  printf '%s\r\nQSECOFR\r\nQSECOFR\r\n' "$address" > "$wine_install/kv3EV"
  LANG=ja_JP.UTF-8 wine "$root/build/win/client/window/win32/hostxfer.exe" || true
fi
echo "== done"
