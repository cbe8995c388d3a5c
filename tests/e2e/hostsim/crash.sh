#!/usr/bin/env bash
# hostsim killed (SIGKILL) in the middle of an upload and started again on its
# state folder: the member or save file being replaced is exactly as before,
# what the session committed before the upload is kept, the database is sound
# and the next session works.
# usage: crash.sh HOSTSIM_BINARY
set -euo pipefail
HOSTSIM=$(readlink -f "$1")
. "$(dirname "$0")/scratch.sh"
ip="127.$(( RANDOM % 200 + 20 )).$(( RANDOM % 250 + 1 )).$(( RANDOM % 250 + 1 ))"

cat > host.seed <<'SEED'
USER QSECOFR PASSWORD('QSECOFR')
LIB QGPL
SRCPF QCLSRC RCDLEN(92) CCSID(5035)
MBR KEEP TYPE(CLP) TEXT('kept')
| PGM
| SNDMSG MSG('日本語のテキスト') TOUSR(QSYSOPR)
| ENDPGM
LIB DATA
PF ITEMS RCDLEN(20) CCSID(5035)
MBR ITEMS
| A0001 first item
SEED

start() {   # start [fault...]
  local args=()
  for f in "$@"; do args+=(--fault "$f"); done
  : > hs.out
  "$HOSTSIM" --listen "$ip:0" --seed host.seed --state state "${args[@]}" > hs.out 2>> hs.err &
  pid=$!
  for _ in $(seq 100); do grep -q '^listening ' hs.out && break; sleep 0.1; done
  addr=$(awk '/^listening /{print $2; exit}' hs.out)
  [ -n "$addr" ] || fail "hostsim did not start: $(cat hs.err)"
}
crash() { kill -KILL "$pid"; wait "$pid" 2>/dev/null || true; pid=""; }
c() { curl -sS --max-time 60 --ftp-method nocwd -u QSECOFR:QSECOFR --quote "SITE NAMEFMT 0" "$@"; }
# Every member and save file as it is now, byte for byte.
snapshot() {
  mkdir -p "$1"
  c "ftp://$addr/QGPL/QCLSRC.KEEP" -o "$1/keep.bin"
  c "ftp://$addr/QGPL/BIGF.BIGF" -o "$1/big.bin"
  c "ftp://$addr/QGPL/S1" -o "$1/s1.savf"
  c "ftp://$addr/DATA/ITEMS.ITEMS" -o "$1/items.bin"
}
# Starts an upload that moves slowly and kills hostsim while it runs.
kill_during() {   # kill_during LABEL curl-args...
  local label=$1; shift
  ls state/blobs > known.txt
  c "$@" > "slow-$label.out" 2>&1 &
  local client=$!
  # The upload is under way once its bytes start arriving in a new file of the state folder.
  arriving() { find state/blobs -type f -size +8k -printf '%f\n' | grep -v -x -F -f known.txt; }
  for _ in $(seq 100); do
    [ -n "$(arriving)" ] && break
    sleep 0.1
  done
  [ -n "$(arriving)" ] || { kill "$client"; fail "$label: the upload did not start"; }
  crash
  wait "$client" 2>/dev/null || true   # its connection is gone with the host
}
check_sound() {   # check_sound LABEL
  python3 - state/host.db <<'PY' || fail "$1: the database is damaged"
import sqlite3, sys
db = sqlite3.connect(sys.argv[1])
sys.exit(0 if db.execute("PRAGMA integrity_check").fetchone()[0] == "ok" else 1)
PY
}

head -c $(( 5860 * 512 )) /dev/urandom > big.bin
head -c $(( 3907 * 512 )) /dev/urandom > other.bin
python3 -c "
for i in range(40000): print('NEW LINE %06d' % i)" > long.txt
printf 'A0002 second item\r\n' > small.txt

start
# A large member (kept in the database in pieces) and a save file.
c -Q "RCMD CRTSAVF QGPL/S1" -Q "RCMD SAVLIB LIB(DATA) DEV(*SAVF) SAVF(QGPL/S1)" -T big.bin "ftp://$addr/QGPL/BIGF.BIGF"
snapshot before
cmp before/big.bin big.bin || fail "the large member did not load"
[ -s before/s1.savf ] || fail "the save file is empty"

# 1. A binary upload replacing the large member; the same session first
#    replaced DATA/ITEMS, which must survive the crash.
crash; start DATARATE=40000
kill_during binary -T small.txt -B "ftp://$addr/DATA/ITEMS.ITEMS" -T other.bin "ftp://$addr/QGPL/BIGF.BIGF"
start
check_sound binary
snapshot after1
cmp after1/big.bin before/big.bin || fail "binary: the large member changed"
cmp after1/keep.bin before/keep.bin || fail "binary: the source member changed"
cmp after1/s1.savf before/s1.savf || fail "binary: the save file changed"
c -B "ftp://$addr/DATA/ITEMS.ITEMS" | grep -q '^A0002 second item' || fail "binary: the change committed before the crash was lost"
[ -z "$(ls state/blobs | grep -v -x -F -f <(python3 - state/host.db <<'PY'
import re, sqlite3, sys
db = sqlite3.connect(sys.argv[1])
for (t,) in db.execute("SELECT text FROM catalog"):
    for m in re.finditer(r"BLOB\('([^']*)'\)", t): print(m.group(1))
PY
))" ] || fail "binary: the unfinished upload was left in the state folder: $(ls state/blobs)"
cp after1/items.bin before/items.bin

# 2. A text upload into the source member.
crash; start DATARATE=40000
kill_during text -B -T long.txt "ftp://$addr/QGPL/QCLSRC.KEEP"
start
check_sound text
snapshot after2
for f in keep.bin big.bin s1.savf items.bin; do cmp "after2/$f" "before/$f" || fail "text: $f changed"; done

# 3. An upload into the save file.
crash; start DATARATE=40000
kill_during savf -T other.bin "ftp://$addr/QGPL/S1"
start
check_sound savf
snapshot after3
for f in keep.bin big.bin s1.savf items.bin; do cmp "after3/$f" "before/$f" || fail "savf: $f changed"; done

# The store works on, and what a reply reported is kept even when the host dies
# the moment after: a new upload replacing the large member, a library made by RCMD.
c -T other.bin "ftp://$addr/QGPL/BIGF.BIGF" -Q "-RCMD CRTLIB NEWLIB"
crash; start
c "ftp://$addr/QGPL/BIGF.BIGF" -o again.bin
cmp again.bin other.bin || fail "an upload after the crashes was not kept"
c -Q "RCMD CRTSAVF NEWLIB/PROBE" "ftp://$addr/QGPL/QCLSRC.KEEP" -o /dev/null || fail "the library made just before the crash was lost"
echo "hostsim crash safety: all checks passed"
