#!/usr/bin/env bash
# Our FTP client against vsftpd on a loopback address: logon success and failure,
# cd, binary and text get/put (CR LF, Japanese names and content), a missing
# remote file, quote, active mode. Usage: vsftpd_interop.sh CLIENT [WINE-CLIENT]
# CLIENT is the native kvftp; with WINE-CLIENT (FTP.EXE) the main case runs under Wine too.
set -u
client=$1
wineclient=${2:-}
SKIP=77
command -v vsftpd >/dev/null || { echo "vsftpd not installed"; exit $SKIP; }
[ "$(id -u)" -eq 0 ] || { echo "needs root to create the test user"; exit $SKIP; }

work=$(mktemp -d /tmp/kvftp-vsftpd.XXXXXX)
chmod 755 "$work"
user=kvftptest
password='Pw-7 secret'
vpid=""
cleanup() {
  [ -n "$vpid" ] && kill "$vpid" 2>/dev/null && wait "$vpid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

id "$user" >/dev/null 2>&1 || useradd -M -d /nonexistent -s /bin/bash "$user" || exit 1
# vsftpd enters the home folder before local_root: point it at this run's folder.
usermod -d "$work/srv" "$user"
echo "$user:$password" | chpasswd || exit 1

mkdir -p "$work/empty" "$work/srv/sub" "$work/drive_c/KV-TRANSIT" "$work/drive_c/work dir"
port=$((20000 + $$ % 20000))
addr=127.0.0.3
cat > "$work/vsftpd.conf" <<CONF
listen=YES
listen_ipv6=NO
listen_address=$addr
listen_port=$port
background=NO
anonymous_enable=NO
local_enable=YES
write_enable=YES
local_umask=022
pam_service_name=vsftpd
secure_chroot_dir=$work/empty
seccomp_sandbox=NO
local_root=$work/srv
userlist_enable=NO
xferlog_enable=NO
pasv_enable=YES
port_enable=YES
connect_from_port_20=NO
CONF

cp932() { printf '%s' "$1" | iconv -f UTF-8 -t CP932; }
# A script: UTF-8 lines given here, written as code page 932 with CR LF.
script() { local f=$1; shift; printf '%s\r\n' "$@" | iconv -f UTF-8 -t CP932 > "$f"; }

fails=0
check() {  # check DESCRIPTION COMMAND...
  if "${@:2}"; then echo "ok   - $1"; else echo "FAIL - $1"; fails=$((fails + 1)); fi
}
contains() { grep -qF -- "$2" "$1"; }
lacks() { ! grep -qF -- "$2" "$1"; }

# Server-side files: a text file with LF line ends and Japanese content under a
# code page 932 name, and a binary file with every byte value.
jname=$(cp932 'テキスト.txt')
printf '%s\n%s\r\n%s\n' "$(cp932 '一行目 ｶﾅ')" "$(cp932 '二行目')" "last" > "$work/srv/sub/$jname"
head -c 3000000 /dev/urandom > "$work/srv/sub/random.bin"
for i in $(seq 0 255); do printf "\\x$(printf %02x "$i")"; done >> "$work/srv/sub/random.bin"
chown -R "$user" "$work/srv"

vsftpd "$work/vsftpd.conf" > "$work/vsftpd.log" 2>&1 &
vpid=$!
for _ in $(seq 50); do (exec 3<>"/dev/tcp/$addr/$port") 2>/dev/null && break; sleep 0.1; done

export KV_DRIVE_C="$work/drive_c"
C='C:\KV-TRANSIT'

# Local files for the uploads: mixed line ends, Japanese content and name (local
# names are UTF-8 on this side, as Wine keeps them).
printf '%s\n%s\r\nend' "$(cp932 '日本語の行')" "second" > "$work/drive_c/work dir/送信.txt"
head -c 2000000 /dev/urandom > "$work/drive_c/up.bin"
echo "old reply" > "$work/drive_c/KV-TRANSIT/FTPTEXT.DAT"

run() {  # run NAME CLIENT-ARGS... : runs the script $work/NAME.ini, output in $work/NAME.out, status in $status
  local name=$1; shift
  timeout 120 "$@" "-s:$work/$name.ini" > "$work/$name.out" 2>&1
  status=$?
  echo "--- $name (exit $status)"; cat "$work/$name.out" | iconv -f UTF-8 -t UTF-8 -c | sed 's/^/    /'
}

# 1. The main case: logon, cd, text and binary transfers, quote.
script "$work/main.ini" "open $addr $port" "$user" "$password" "pwd" "cd sub" \
  "get テキスト.txt \"C:\\work dir\\text.txt\"" \
  "binary" "get テキスト.txt C:\\work\\ dir\\bin.txt" \
  "get random.bin C:\\random.bin" "put C:\\up.bin up.bin" \
  "ascii" "put \"C:\\work dir\\送信.txt\" 受信.txt" \
  "quote TYPE I" "get テキスト.txt \"C:\\work dir\\quote-i.txt\"" \
  "quote TYPE A" "get テキスト.txt \"C:\\work dir\\quote-a.txt\"" \
  "quote SITE HELP" "quit"
# "C:\work\ dir\bin.txt" is not how scripts quote; use the quoted form for the binary get.
sed -i 's/C:\\work\\ dir\\bin.txt/"C:\\work dir\\bin.txt"/' "$work/main.ini"
run main "$client"
check "main: exit 0" test "$status" -eq 0
check "main: password never printed" lacks "$work/main.out" "$password"
check "main: logon shown" contains "$work/main.out" "230 Login successful."
check "main: quote reply shown" contains "$work/main.out" "214"
check "main: statistics line" contains "$work/main.out" "bytes received in"
expect_text=$(printf '%s\r\n%s\r\n%s\r\n' "$(cp932 '一行目 ｶﾅ')" "$(cp932 '二行目')" "last" | od -An -tx1)
check "text get: CR LF line ends, content kept" test "$(od -An -tx1 < "$work/drive_c/work dir/text.txt")" = "$expect_text"
check "binary get: bytes unchanged" cmp -s "$work/srv/sub/$jname" "$work/drive_c/work dir/bin.txt"
check "binary get: large file unchanged" cmp -s "$work/srv/sub/random.bin" "$work/drive_c/random.bin"
check "binary put: bytes unchanged" cmp -s "$work/drive_c/up.bin" "$work/srv/sub/up.bin"
expect_put=$(printf '%s\r\n%s\r\nend' "$(cp932 '日本語の行')" "second" | od -An -tx1)
check "text put: Japanese name, lone LF sent as CR LF" \
  test "$(od -An -tx1 < "$work/srv/sub/$(cp932 '受信.txt')" 2>/dev/null)" = "$expect_put"
check "quote TYPE I: later get is binary" cmp -s "$work/srv/sub/$jname" "$work/drive_c/work dir/quote-i.txt"
check "quote TYPE A: later get is text" test "$(od -An -tx1 < "$work/drive_c/work dir/quote-a.txt")" = "$expect_text"
check "no temporary files left" test -z "$(find "$work/drive_c" -name '*.kvpart-*')"

# 2. Logon refused: later commands fail, the earlier reply file survives.
script "$work/badpw.ini" "open $addr $port" "$user" "wrong-password-xyz" "quote TYPE C 943" \
  "get sub/random.bin $C\\FTPTEXT.DAT" "quit"
run badpw "$client"
check "bad password: exit 2" test "$status" -eq 2
check "bad password: Login failed." contains "$work/badpw.out" "Login failed."
check "bad password: password never printed" lacks "$work/badpw.out" "wrong-password-xyz"
check "bad password: earlier local file kept" test "$(cat "$work/drive_c/KV-TRANSIT/FTPTEXT.DAT")" = "old reply"

# 3. A missing remote file: 550, exit 1, the earlier local file kept, no temporary file.
script "$work/missing.ini" "open $addr $port" "$user" "$password" "get sub/no-such-file $C\\FTPTEXT.DAT" "quit"
run missing "$client"
check "missing file: exit 1" test "$status" -eq 1
check "missing file: 550 shown" contains "$work/missing.out" "550"
check "missing file: earlier local file kept" test "$(cat "$work/drive_c/KV-TRANSIT/FTPTEXT.DAT")" = "old reply"
check "missing file: no temporary file" test -z "$(find "$work/drive_c" -name '*.kvpart-*')"

# 4. Active mode and a get that replaces an existing file.
script "$work/active.ini" "open $addr $port" "$user" "$password" "binary" "get sub/random.bin $C\\FTPTEXT.DAT" "quit"
run active "$client" --active
check "active: exit 0" test "$status" -eq 0
check "active: PORT used" contains "$work/active.out" "200 PORT command successful"
check "active: existing file replaced" cmp -s "$work/srv/sub/random.bin" "$work/drive_c/KV-TRANSIT/FTPTEXT.DAT"

# 5. The Windows program under Wine, on the main case.
if [ -n "$wineclient" ] && [ -f "$wineclient" ] && command -v wine >/dev/null; then
  export WINEDEBUG=-all WINEPREFIX="$work/wineprefix"
  sed -e "s#C:\\\\work dir#Z:${work//\//\\\\}\\\\drive_c\\\\work dir#g" -e "s#C:\\\\#Z:${work//\//\\\\}\\\\drive_c\\\\#g" \
    "$work/main.ini" > "$work/wine.ini"
  rm -f "$work/drive_c/work dir/text.txt" "$work/drive_c/random.bin"
  timeout 300 wine "$wineclient" "-s:Z:${work//\//\\}\\wine.ini" > "$work/wine.out" 2>&1
  status=$?
  echo "--- wine (exit $status)"; iconv -f CP932 -t UTF-8 -c < "$work/wine.out" | sed 's/^/    /'
  check "wine: exit 0" test "$status" -eq 0
  check "wine: text get CR LF" test "$(od -An -tx1 < "$work/drive_c/work dir/text.txt")" = "$expect_text"
  check "wine: binary get unchanged" cmp -s "$work/srv/sub/random.bin" "$work/drive_c/random.bin"
fi

echo "$fails failure(s)"
[ "$fails" -eq 0 ]
