#!/usr/bin/env bash
# The native media tree: every file of the layout is there, and its kvsetup
# installs the PC side from it into a fresh drive C: without a word, twice with
# the same result. Usage: linux_media_install.sh MEDIA_DIR TEMPLATE_COUNT
set -uo pipefail
MEDIA="$1"; TEMPLATES="$2"
failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }

for f in kvsetup "KV-Windows版/hostxfer.exe" setpg/FTP.EXE setpg/KV1.html TRIAL_KVU.SAVF TRIAL_KVD.SAVF; do
  [ -s "$MEDIA/$f" ] || fail "media: $f missing"
done
count=$(find "$MEDIA/setpg" -name '*.xls' | wc -l)
[ "$count" -eq "$TEMPLATES" ] || fail "media: $count templates, $TEMPLATES expected"

work="$(mktemp -d /tmp/kv-media-XXXXXX)"
trap 'rm -rf "$work"' EXIT
export KV_DRIVE_C="$work/drive_c"
mkdir -p "$KV_DRIVE_C/Programs"
for run in 1 2; do
  out="$("$MEDIA/kvsetup" --media="$MEDIA" --folder='C:\Programs' --pc-only 2>&1)"
  rc=$?
  [ "$rc" -eq 0 ] || fail "run $run: exit status $rc"
  [ "$out" = $'done\t完了！' ] || fail "run $run: output '$out'"
  cmp -s "$MEDIA/KV-Windows版/hostxfer.exe" "$KV_DRIVE_C/Programs/KV-Windows版/hostxfer.exe" || fail "run $run: client"
  cmp -s "$MEDIA/setpg/FTP.EXE" "$KV_DRIVE_C/KV-TRANSIT/FTP.EXE" || fail "run $run: FTP.EXE"
  [ -x "$KV_DRIVE_C/KV-TRANSIT/FTP.EXE" ] || fail "run $run: FTP.EXE cannot run"
  for t in "$MEDIA"/setpg/*; do
    cmp -s "$t" "$KV_DRIVE_C/KV-TRANSIT/$(basename "$t")" || fail "run $run: $(basename "$t")"
  done
  printf 'TRIAL_KVU TRIAL_KVD CCCCCCCCCCDDDDDDDDDDEEEEEEEEEE\r\n' | cmp -s - "$KV_DRIVE_C/KV-TRANSIT/LIBNAME.ini" ||
    fail "run $run: LIBNAME.ini"
  [ ! -e "$KV_DRIVE_C/KV-TRANSIT/kvtrn.ini" ] || fail "run $run: a script was written"
done
if [ "$failures" -ne 0 ]; then echo "$failures failures"; exit 1; fi
echo "native media install: passed"
