#!/usr/bin/env bash
# kvxfer.exe under Wine against the host that with_host.sh started: the Windows
# run-and-wait, the Winsock FTP client and the CP932 files on Windows.
# The tool library is installed through FTP.EXE under Wine, with the restore
# script written by kvsetup-script.exe.
# Usage: with_host.sh ... kvxfer_wine.sh STATE WIN_BUILD
set -uo pipefail
STATE="$1"; WIN="$2"
HERE="$(cd "$(dirname "$0")" && pwd)"
source "$HERE/gui_env.sh"
[ -n "${KV_GUI_HOST:-}" ] || { echo "run through with_host.sh"; exit 2; }

drive="$WINEPREFIX/drive_c"
install="$drive/KV-TRANSIT"
out="$drive/kvxfer"
rm -rf "$install" "$out"
mkdir -p "$install" "$out"
cp "$WIN/ftp/FTP.EXE" "$install/FTP.EXE"
printf 'TRIAL_KVU TRIAL_KVD\r\n' >"$install/LIBNAME.ini"

failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }
win() { timeout -k 5 60 wine "$@" </dev/null; }

win "$WIN/setup/kvsetup-script.exe" "$KV_GUI_HOST" QSECOFR QSECOFR "$KV_GUI_MEDIA" ||
  { echo "kvsetup-script.exe failed"; exit 1; }
if ! win 'C:\KV-TRANSIT\FTP.EXE' '-s:c:\KV-TRANSIT\kvtrn.ini' >"$out/install.log" 2>&1; then
  echo "installing the host libraries failed:"; iconv -f CP932 -t UTF-8 "$out/install.log"; exit 1
fi

logon=(--ip="$KV_GUI_HOST" --user=QSECOFR --password=QSECOFR --lib=E2ELIB --file=QRPGSRC)

# Padding to a number of CP932 bytes: the host keeps trailing blanks (site trim 0),
# and a line with kanji is two bytes shorter per kanji stretch (no shift bytes).
cp932_line() { printf '%s' "$1" | iconv -f UTF-8 -t CP932 | LC_ALL=C awk -v n="$2" '{ printf "%-" n "s\r\n", $0 }'; }
{
  cp932_line "     H DATEDIT(*YMD)" 80
  cp932_line "     C           'こんにちは'  DSPLY" 78
  cp932_line "     C* ｶﾀｶﾅ ﾃｷｽﾄ  漢字かな" 78
  cp932_line "     C                     SETON                     LR" 80
} >"$out/expected.txt"

# Success: exit 0, the result line only, the PC file as the member's source lines.
win "$WIN/cli/kvxfer.exe" source1 "${logon[@]}" --member=HELLO --pcfile='C:\kvxfer\HELLO.txt' >"$out/ok.out" 2>"$out/ok.err"
rc=$?
[ "$rc" -eq 0 ] || fail "download: exit status $rc (stderr: $(cat "$out/ok.err"))"
blanks="$(printf '%43s' '')"  # 挨拶プログラム is 7 characters of 50
printf 'label99\tHELLO:「挨拶プログラム%s」ダウンロード完了しました。\n' "$blanks" >"$out/ok.want"
cmp -s "$out/ok.out" "$out/ok.want" || { fail "download output"; diff "$out/ok.want" "$out/ok.out" | cat -A; }
cmp -s "$out/HELLO.txt" "$out/expected.txt" ||
  { fail "PC file bytes"; diff <(od -c "$out/expected.txt") <(od -c "$out/HELLO.txt" 2>&1) | head -20; }

# A member that does not exist: the box and the focus move, exit 1, and the
# earlier PC file of that name is left as it was.
win "$WIN/cli/kvxfer.exe" source1 "${logon[@]}" --member=NOSUCH --pcfile='C:\kvxfer\HELLO.txt' >"$out/bad.out" 2>"$out/bad.err"
rc=$?
[ "$rc" -eq 1 ] || fail "missing member: exit status $rc, expected 1"
printf 'message\tソースダウンロード\tメンバー名が間違っています確認してください。\texclamation\nfocus\tメンバー名\n' >"$out/bad.want"
cmp -s "$out/bad.out" "$out/bad.want" || { fail "missing member output"; diff "$out/bad.want" "$out/bad.out" | cat -A; }
cmp -s "$out/HELLO.txt" "$out/expected.txt" || fail "the failed download changed the earlier PC file"

# Upload of the file as a new member, then its download gives the same bytes.
win "$WIN/cli/kvxfer.exe" source2 "${logon[@]}" --member=HELLO4 --type=RPG --pcfile='C:\kvxfer\HELLO.txt' >"$out/up.out" 2>&1
rc=$?
[ "$rc" -eq 0 ] || fail "upload: exit status $rc: $(cat "$out/up.out")"
grep -q $'^label99\tソースメンバー「' "$out/up.out" || fail "upload output: $(cat "$out/up.out")"
win "$WIN/cli/kvxfer.exe" source1 "${logon[@]}" --member=HELLO4 --pcfile='C:\kvxfer\HELLO4.txt' >"$out/again.out" 2>&1
cmp -s "$out/HELLO4.txt" "$out/expected.txt" || fail "HELLO4 does not hold HELLO's source lines"

# A library download with its listing workbook, built by the Windows program
# from the real template: the workbook line, then the result line.
if [ -n "${KV_TEMPLATES_DIR:-}" ]; then
  cp "$KV_TEMPLATES_DIR/FTPLIB.xls" "$install/FTPLIB.xls"
  win "$WIN/cli/kvxfer.exe" lib1 --ip="$KV_GUI_HOST" --user=QSECOFR --password=QSECOFR --lib=OPSLIB \
    --release='*CURRENT' --pcfile='C:\kvxfer\OPSLIB.SAVF' --list=1 >"$out/list.out" 2>"$out/list.err"
  book="OPSLIB-$(date +%m-%d-%Y).xls"
  printf 'workbook\tc:\\kvxfer\\%s\nlabel99\tダウンロード完了しました。\n' "$book" >"$out/list.want"
  cmp -s "$out/list.out" "$out/list.want" || { fail "listing output"; diff "$out/list.want" "$out/list.out" | cat -A; }
  /usr/bin/python3 -c 'import sys, xlrd; s = xlrd.open_workbook(sys.argv[1], formatting_info=True).sheet_by_index(0); \
sys.exit(0 if s.cell_value(0, 2) == "OPSLIB" and s.cell_value(2, 1) and s.nrows == 109 else 1)' "$out/$book" ||
    fail "the listing workbook $book"
fi

if [ "$failures" -ne 0 ]; then echo "kvxfer under Wine: $failures failures"; exit 1; fi
echo "kvxfer under Wine: passed"
