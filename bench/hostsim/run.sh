#!/usr/bin/env bash
# Serving throughput of hostsim against vsftpd on loopback, with curl as the client:
# a 1 GiB save file (binary) and a member of 1,000,000 records in text mode.
# usage: bench/hostsim/run.sh path/to/hostsim
set -euo pipefail
HOSTSIM=$(readlink -f "$1")
work=$(mktemp -d /tmp/hostsim-bench-XXXXXX)
pids=()
cleanup() { for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; rm -rf "$work"; }
trap cleanup EXIT
cd "$work"

# A valid save-file image padded to about 1 GiB (a multiple of 528 bytes).
"$HOSTSIM" mksavf --tool-library BIGLIB small.savf
size=$(( 2033603 * 528 ))
cp small.savf big.savf
truncate -s "$size" big.savf

"$HOSTSIM" --listen 127.0.0.1:0 > hs.out 2>hs.err &
pids+=($!); hs=$!
for _ in $(seq 50); do grep -q '^listening' hs.out && break; sleep 0.1; done
addr=$(awk '{print $2; exit}' hs.out)
c() { curl -sS -u QSECOFR:QSECOFR --quote "SITE NAMEFMT 0" "$@"; }
hwm() { awk '/VmHWM/{print $2}' /proc/$hs/status; }

c --quote "RCMD CRTSAVF QGPL/BIG" -T big.savf "ftp://$addr/QGPL/BIG" -o /dev/null
mem0=$(hwm)
hs_rate=$(c "ftp://$addr/QGPL/BIG" -o /dev/null -w '%{speed_download}')
mem1=$(hwm)

# vsftpd serving the same bytes, anonymously, from a private root.
mkdir -p root empty
cp --reflink=auto big.savf root/big.savf 2>/dev/null || ln big.savf root/big.savf
vport=$(( 30000 + RANDOM % 20000 ))
cat > vsftpd.conf <<CONF
listen=YES
listen_address=127.0.0.1
listen_port=$vport
anonymous_enable=YES
local_enable=NO
anon_root=$work/root
no_anon_password=YES
secure_chroot_dir=$work/empty
run_as_launching_user=YES
pasv_enable=YES
seccomp_sandbox=NO
CONF
vsftpd vsftpd.conf &
pids+=($!)
sleep 0.5
vs_rate=$(curl -sS "ftp://127.0.0.1:$vport/big.savf" -o /dev/null -w '%{speed_download}')

# A member of 1,000,000 records of 80 bytes, served as text.
python3 -c "
import sys
w = sys.stdout.write
for i in range(1000000): w('%08d SOURCE LINE TEXT FOR THROUGHPUT %040d\n' % (i, i))
" > member.txt
c -B -T member.txt "ftp://$addr/QGPL/BIGF.BIGF"
mem2=$(hwm)
txt_rate=$(c -B "ftp://$addr/QGPL/BIGF.BIGF" -o /dev/null -w '%{speed_download}')
mem3=$(hwm)

awk -v h="$hs_rate" -v v="$vs_rate" -v t="$txt_rate" -v m0="$mem0" -v m1="$mem1" -v m2="$mem2" -v m3="$mem3" 'BEGIN {
  printf "save file 1 GiB  hostsim %.0f MB/s  vsftpd %.0f MB/s  ratio %.2f\n", h/1e6, v/1e6, h/v
  printf "peak RSS         before RETR %d KiB, after %d KiB\n", m0, m1
  printf "member 1M recs   text RETR %.0f MB/s; peak RSS after STOR %d KiB, after RETR %d KiB\n", t/1e6, m2, m3
}'
