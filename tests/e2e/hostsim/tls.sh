#!/usr/bin/env bash
# hostsim's FTP over TLS against curl (--ssl-reqd) and our own client: explicit
# (required, optional, off) and implicit, session reuse required, the
# self-signed certificate and its printed fingerprint.
# usage: tls.sh HOSTSIM_BINARY SEED_FILE KVFTP_BINARY
set -u
HOSTSIM=$1
SEED=$2
KVFTP=$3
here=$(cd "$(dirname "$0")" && pwd)
command -v openssl >/dev/null || { echo "openssl not installed"; exit 77; }
. "$here/../ftp/tls_certs.sh"
work=$(mktemp -d)
pid=""
stop() { if [ -n "$pid" ]; then kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; fi; pid=""; }
trap 'stop; [ -n "${KEEP:-}" ] || rm -rf "$work"' EXIT
cd "$work"
addr="127.$((RANDOM % 200 + 20)).$((RANDOM % 250 + 1)).$((RANDOM % 250 + 2))"
mkdir certs
make_test_certs certs "$addr" 127.254.254.253 || { echo "cannot make certificates"; exit 1; }

start() {  # start PORT ARGS... : hostsim on $addr:PORT
  stop
  local port=$1; shift
  "$HOSTSIM" --listen "$addr:$port" --seed "$SEED" "$@" > hostsim.out 2> hostsim.err &
  pid=$!
  for _ in $(seq 50); do grep -q '^listening ' hostsim.out 2>/dev/null && break; sleep 0.1; done
  grep -q '^listening ' hostsim.out || { echo "hostsim did not start: $(cat hostsim.err)"; exit 1; }
}
fails=0
check() { if "${@:2}"; then echo "ok   - $1"; else echo "FAIL - $1"; fails=$((fails + 1)); fi; }
c() { curl -sS --max-time 30 -u QSECOFR:QSECOFR --quote "SITE NAMEFMT 0" --ssl-reqd --cacert certs/ca.pem "$@"; }
printf 'HELLO WORLD\n     C  SETON  LR\n' > text.txt

# 1. Required explicit TLS with session reuse required: curl lists, uploads and downloads.
start 21 --tls=required --tls-reuse --tls-cert=certs/server.pem --tls-key=certs/server.key
url="ftp://$addr"
check "required: listing over TLS" c "$url/DEMOLIB/" -l -o list.txt
check "required: listing content" grep -q QRPGSRC list.txt
check "required: text upload" c -B -T text.txt "$url/QGPL/QRPGSRC.T1"
check "required: text download" c -B "$url/QGPL/QRPGSRC.T1" -o back.txt
check "required: text round trip" cmp -s text.txt back.txt
check "required: binary download" c "$url/DEMODTA/CUSTMAST.CUSTMAST" -o raw.bin
check "required: binary upload" c -T raw.bin "$url/DEMODTA/CUSTMAST.COPY"
check "required: binary download of the copy" c "$url/DEMODTA/CUSTMAST.COPY" -o raw2.bin
check "required: binary round trip" cmp -s raw.bin raw2.bin
check "required: three 41-byte records" test "$(stat -c %s raw.bin)" -eq 123
curl -sS --max-time 30 -v -u QSECOFR:QSECOFR "$url/QGPL/" -l > clear.out 2>&1
check "required: a clear-text logon is refused at USER" grep -q "530 Log on refused" clear.out
check "required: the password is not asked for" bash -c '! grep -q "PASS" clear.out'
curl -sS --max-time 30 -v -u QSECOFR:QSECOFR --ftp-ssl-control --cacert certs/ca.pem "$url/QGPL/" -l > clear-data.out 2>&1
check "required: clear data connections refused" grep -q "^< 534\|^< 521" clear-data.out

# Our client: explicit TLS through the settings of the command line.
printf '%s\r\n' "open $addr" QSECOFR QSECOFR "quote site namefmt 0" binary "get DEMODTA/CUSTMAST.CUSTMAST $work/kv.bin" \
  "put $work/kv.bin DEMODTA/CUSTMAST.KV" "get DEMODTA/CUSTMAST.KV $work/kv2.bin" quit > kv.ftp
"$KVFTP" --tls=explicit "--tls-trust=$work/certs/ca.pem" "-s:$work/kv.ftp" > kv.out 2>&1
check "kvftp explicit: exit 0" test $? -eq 0
check "kvftp explicit: byte-exact" cmp -s raw.bin kv.bin
check "kvftp explicit: round trip" cmp -s raw.bin kv2.bin

# An upload whose TLS data connection is cut without close_notify changes nothing.
python3 - "$addr" > cut.out 2>&1 <<'PY'
import socket, ssl, sys
addr = sys.argv[1]
ctx = ssl.SSLContext(ssl.PROTOCOL_TLS_CLIENT)
ctx.check_hostname = False
ctx.verify_mode = ssl.CERT_NONE
ctx.maximum_version = ssl.TLSVersion.TLSv1_2  # the session is cached at once, so the data connection can resume it
raw = socket.create_connection((addr, 21))
f = raw.makefile("rb")
def cmd(s, c, f):
    if c: s.sendall((c + "\r\n").encode())
    while True:
        line = f.readline().decode()
        if line[3:4] == " ": return line
print(cmd(raw, None, f), end="")
print(cmd(raw, "AUTH TLS", f), end="")
ctrl = ctx.wrap_socket(raw)
f = ctrl.makefile("rb")
for c in ("PBSZ 0", "PROT P", "USER QSECOFR", "PASS QSECOFR", "SITE NAMEFMT 0", "TYPE I"):
    print(cmd(ctrl, c, f), end="")
port = int(cmd(ctrl, "EPSV", f).split("(")[1].strip(").\r\n").strip("!|"))
print(cmd(ctrl, "STOR QGPL/QRPGSRC.T1", f), end="")
data = ctx.wrap_socket(socket.create_connection((addr, port)), session=ctrl.session)
data.sendall(b"CUT" * 1000)
import os; os.close(data.detach())  # no close_notify
print(cmd(ctrl, None, f), end="")
PY
check "cut upload: refused with 426" grep -q "^426" cut.out
check "cut upload: the member keeps its text" c -B "$url/QGPL/QRPGSRC.T1" -o back2.txt
check "cut upload: same text as before" cmp -s text.txt back2.txt

# 2. Implicit TLS.
start 990 --tls=implicit --tls-cert=certs/server.pem --tls-key=certs/server.key
check "implicit: curl ftps listing" curl -sS --max-time 30 -u QSECOFR:QSECOFR --quote "SITE NAMEFMT 0" \
  --cacert certs/ca.pem "ftps://$addr/DEMOLIB/" -l -o list2.txt
check "implicit: listing content" grep -q QRPGSRC list2.txt
"$KVFTP" --tls=implicit "--tls-trust=$work/certs/ca.pem" "-s:$work/kv.ftp" > kv-implicit.out 2>&1
check "kvftp implicit (port 990 by default): exit 0" test $? -eq 0

# 3. The self-signed certificate made at start: its fingerprint comes first.
start 21 --tls=required
printed=$(head -1 hostsim.out)
served=$(openssl s_client -connect "$addr:21" -starttls ftp </dev/null 2>/dev/null | openssl x509 -outform PEM > served.pem && fingerprint served.pem)
check "self-signed: fingerprint printed first" test "$printed" = "certificate $served"
"$KVFTP" --tls=explicit "--tls-trust=${printed#certificate }" "-s:$work/kv.ftp" > kv-pin.out 2>&1
check "self-signed: kvftp with the printed fingerprint" test $? -eq 0
"$KVFTP" --tls=explicit "-s:$work/kv.ftp" > kv-untrusted.out 2>&1
check "self-signed: kvftp without trust ends with 6" test $? -eq 6

# 4. Optional: clear text still works; off: AUTH is refused with 431.
start 21 --tls=optional --tls-cert=certs/server.pem --tls-key=certs/server.key
check "optional: clear-text listing" curl -sS --max-time 30 -u QSECOFR:QSECOFR --quote "SITE NAMEFMT 0" "ftp://$addr/DEMOLIB/" -l -o /dev/null
check "optional: TLS listing" c "$url/DEMOLIB/" -l -o /dev/null
start 21
curl -sS --max-time 30 -v --ssl-reqd -u QSECOFR:QSECOFR "ftp://$addr/DEMOLIB/" -l > off.out 2>&1
check "off: curl --ssl-reqd fails" test $? -ne 0
check "off: AUTH answered 431" grep -q "^< 431" off.out

echo "$fails failure(s)"
[ "$fails" -eq 0 ]
