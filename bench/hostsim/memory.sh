#!/usr/bin/env bash
# hostsim's peak resident memory (VmHWM) for large members and save files, each
# case on a fresh hostsim that keeps its state in a folder (--state):
#   put      a text upload of a member of 1,000,000 records
#   csvload  a CSV of 1,000,000 rows uploaded to QTEMP/CSVF and loaded by #FTPCSVP
#   csvget   #FTPCSVG2 of a member of 1,000,000 records and the download of the CSV
#   savf     a library holding 200 MB saved by #FTPLIB4V and downloaded, then sent
#            back into QTEMP/FTPSAVF and restored by #FTPLIB3
# Also prints the size of the state folder after each case, and vsftpd's peak
# memory serving the same bytes (with curl as the client) as the peer figure.
# usage: bench/hostsim/memory.sh path/to/hostsim [case...]
set -euo pipefail
HOSTSIM=$(readlink -f "$1"); shift
cases=("$@"); [ ${#cases[@]} -gt 0 ] || cases=(put csvload csvget savf)
work=$(mktemp -d /tmp/hostsim-mem-XXXXXX)
pids=()
cleanup() { for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; rm -rf "$work"; }
trap cleanup EXIT
cd "$work"
addr127="127.$(( RANDOM % 200 + 20 )).$(( RANDOM % 250 + 1 )).$(( RANDOM % 250 + 1 ))"

cat > host.seed <<'SEED'
USER QSECOFR PASSWORD('QSECOFR') TEXT('Security officer')
LIB QGPL TEXT('General')
LIB TRIAL_KVU TEXT('Tools')
PGM #FTPCSVG2 ROUTINE(FTPCSVG2) ATTR(CLP) TEXT('csv get')
PGM #FTPCSVP ROUTINE(FTPCSVP) ATTR(CLP) TEXT('csv put')
PGM #FTPLIB4V ROUTINE(FTPLIB4V) ATTR(CLP) TEXT('lib get')
PGM #FTPLIB3 ROUTINE(FTPLIB3) ATTR(CLP) TEXT('lib put')
LIB DATA TEXT('Data')
PF ITEMS CCSID(5035) TEXT('Items')
FIELD CODE TYPE(S) LEN(8 0)
FIELD NAME TYPE(A) LEN(40)
FIELD PRICE TYPE(S) LEN(9 2)
MBR ITEMS TEXT('Items')
LIB BIGL TEXT('Big library')
SEED

python3 - <<'PY'
import sys
with open("member.txt", "w") as f:
    for i in range(1000000): f.write('%08d SOURCE LINE TEXT FOR MEMORY BENCH %040d\n' % (i, i))
with open("items.csv", "w") as f:
    for i in range(1000000): f.write('%d,"ITEM NAME %d",%d.%02d\n' % (i, i, i % 10000, i % 100))
z = lambda s: bytes(0xF0 + int(c) for c in s)
with open("items.bin", "wb") as f:
    name = lambda i: ('ITEM NAME %d' % i).ljust(40).encode('cp500')
    for i in range(1000000): f.write(z('%08d' % i) + name(i) + z('%09d' % (i * 7 % 1000000000)))
PY
head -c 200000000 /dev/urandom > big.bin

start() {
  rm -rf state; mkdir state
  "$HOSTSIM" --listen "$addr127:0" --seed host.seed --state state > hs.out 2>hs.err &
  hs=$!; pids+=($hs)
  for _ in $(seq 100); do grep -q '^listening' hs.out && break; sleep 0.1; done
  addr=$(awk '/^listening/{print $2; exit}' hs.out)
}
stop() { kill "$hs"; wait "$hs" 2>/dev/null || true; }
hwm() { awk '/VmHWM/{print $2}' /proc/$hs/status; }
c() { curl -sS -u QSECOFR:QSECOFR --quote "SITE NAMEFMT 0" "$@"; }
report() { printf '%-8s %-44s peak %7d KiB  state %6d KiB\n' "$1" "$2" "$(hwm)" "$(du -sk state | cut -f1)"; }

for k in "${cases[@]}"; do
  case $k in
  put)
    start
    c -B -T member.txt "ftp://$addr/QGPL/BIGF.BIGF"
    report put "text STOR of 1,000,000 records"
    n=$(c -B "ftp://$addr/QGPL/BIGF.BIGF" | wc -l)
    report put "and its text RETR ($n lines)"
    stop ;;
  csvload)
    start
    c -B -T items.csv "ftp://$addr/QTEMP/CSVF.CSVF" -Q "-RCMD CALL PGM(TRIAL_KVU/#FTPCSVP) PARM('DATA' 'ITEMS' 'ITEMS')"
    report csvload "CSV of 1,000,000 rows loaded"
    n=$(c "ftp://$addr/DATA/ITEMS.ITEMS" | wc -c)
    echo "csvload  member holds $(( n / 57 )) records"
    stop ;;
  csvget)
    start
    c -T items.bin "ftp://$addr/DATA/ITEMS.ITEMS"
    report csvget "binary STOR of 1,000,000 records"
    n=$(c -B -Q "RCMD CALL PGM(TRIAL_KVU/#FTPCSVG2) PARM('DATA' 'ITEMS' 'ITEMS' 'PC' 'USER' 'N')" \
          "ftp://$addr/QTEMP/CSVF.CSVF" | wc -l)
    report csvget "CSV export and download ($n lines)"
    stop ;;
  savf)
    start
    c -T big.bin "ftp://$addr/BIGL/BIG.BIG"
    report savf "binary STOR of 200 MB"
    c -Q "RCMD CALL PGM(TRIAL_KVU/#FTPLIB4V) PARM('BIGL' '*CURRENT' 'PC' 'USER' 'ME')" \
      "ftp://$addr/QTEMP/FTPSAVF" -o lib.savf
    report savf "library saved and downloaded ($(( $(stat -c %s lib.savf) / 1000000 )) MB)"
    c -Q "RCMD CRTSAVF QTEMP/FTPSAVF" -Q "-RCMD CALL PGM(TRIAL_KVU/#FTPLIB3) PARM('BIGL' 'BIGR')" \
      -T lib.savf "ftp://$addr/QTEMP/FTPSAVF"
    report savf "sent back and restored"
    c "ftp://$addr/BIGR/BIG.BIG" -o back.bin; cmp back.bin big.bin && echo "savf     restored member matches"
    stop ;;
  esac
done

# The peer: vsftpd receiving and serving the 200 MB file, with curl.
mkdir -p root empty
vport=$(( 30000 + RANDOM % 20000 ))
cat > vsftpd.conf <<CONF
listen=YES
listen_address=127.0.0.1
listen_port=$vport
anonymous_enable=YES
anon_upload_enable=YES
write_enable=YES
anon_umask=022
local_enable=NO
anon_root=$work/root
no_anon_password=YES
secure_chroot_dir=$work/empty
run_as_launching_user=YES
pasv_enable=YES
seccomp_sandbox=NO
CONF
cp big.bin root/big.bin
# GNU time reports the largest peak among vsftpd and the session processes it forked.
/usr/bin/time -f %M -o vs.kib vsftpd vsftpd.conf & vs=$!; pids+=($vs)
sleep 0.5
curl -sS -T big.bin "ftp://127.0.0.1:$vport/up.bin"
cl_kib=$( { /usr/bin/time -f %M curl -sS "ftp://127.0.0.1:$vport/big.bin" -o /dev/null; } 2>&1 | tail -1)
kill "$(pgrep -P "$vs" -x vsftpd | head -1)"; wait "$vs" 2>/dev/null || true
vs_kib=$(tail -1 vs.kib)
printf 'peer     vsftpd serving 200 MB: peak %d KiB (largest process); curl: %d KiB\n' "$vs_kib" "$cl_kib"
