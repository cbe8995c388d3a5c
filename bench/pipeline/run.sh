#!/usr/bin/env bash
# The whole download pipeline against curl, on the simulated host:
#  1. a 100 MB member in binary: `kvxfer bin1` (engine + FTP client + hostsim,
#     including the reply call and fetch) against curl fetching the same member;
#  2. a one-record member: time from pressing 実行 to the result, and how much of
#     it the FTP client itself takes (the rest is the engine and the 50 ms wait loop).
# usage: sudo bench/pipeline/run.sh [build-dir] [rounds] [MiB]   (port 21 needs root)
set -euo pipefail
build=$(readlink -f "${1:-build/native}")
rounds=${2:-5}
mib=${3:-100}
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d /tmp/kv-bench-XXXXXX)
pids=()
cleanup() { for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; wait 2>/dev/null || true; rm -rf "$work"; }
trap cleanup EXIT

addr=127.$((20 + RANDOM % 200)).$((1 + RANDOM % 250)).$((2 + RANDOM % 250))
cat > "$work/bench.seed" <<'SEED'
USER QSECOFR PASSWORD('QSECOFR')
LIB QGPL
LIB BENCH TEXT('benchmark')
PF BIG RCDLEN(1024) CCSID(65535) TEXT('large member')
PF ONE RCDLEN(80) CCSID(5035) TEXT('one record')
MBR ONE TEXT('one record')
| a single record
SEED
"$build/hostsim/hostsim" --listen "$addr:21" --seed "$work/bench.seed" > "$work/hs.out" 2>"$work/hs.err" &
pids+=($!)
for _ in $(seq 50); do grep -qs "^listening" "$work/hs.out" && break; sleep 0.1; done
grep -q '^listening' "$work/hs.out" || { cat "$work/hs.err"; exit 1; }

export KV_DRIVE_C=$work/drive_c
install=$KV_DRIVE_C/KV-TRANSIT
mkdir -p "$install" "$work/media" "$work/pc"
cp "$build/ftp/kvftp" "$install/FTP.EXE"
printf 'TRIAL_KVU TRIAL_KVD\r\n' > "$install/LIBNAME.ini"
"$build/hostsim/hostsim" mksavf --tool-library TRIAL_KVU "$work/media/TRIAL_KVU.SAVF"
"$build/hostsim/hostsim" mksavf --data-library TRIAL_KVD "$work/media/TRIAL_KVD.SAVF"
"$build/setup/kvsetup-script" "$addr" QSECOFR QSECOFR "Z:${work//\//\\}\\media"
"$install/FTP.EXE" '-s:c:\KV-TRANSIT\kvtrn.ini' > /dev/null

# The large member, sent once in binary (whole 1024-byte records).
head -c $((mib * 1024 * 1024)) /dev/urandom > "$work/big.bin"
curl -sS -u QSECOFR:QSECOFR --quote "SITE NAMEFMT 0" -T "$work/big.bin" "ftp://$addr/BENCH/BIG.BIG"

median() { sort -n | awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR+1)/2] : (a[NR/2] + a[NR/2+1]) / 2}'; }
now() { date +%s.%N; }
logon=(--ip="$addr" --user=QSECOFR --password=QSECOFR)

ours=() theirs=()
for _ in $(seq "$rounds"); do
  t0=$(now)
  "$build/cli/kvxfer" bin1 "${logon[@]}" --lib=BENCH --file=BIG --member=BIG --pcfile="$work/pc/BIG.DTA" > /dev/null
  t1=$(now)
  curl -sS -u QSECOFR:QSECOFR --quote "SITE NAMEFMT 0" "ftp://$addr/BENCH/BIG.BIG" -o "$work/curl.bin"
  t2=$(now)
  cmp -s "$work/pc/BIG.DTA" "$work/big.bin" || { echo "kvxfer download differs" >&2; exit 1; }
  cmp -s "$work/curl.bin" "$work/big.bin" || { echo "curl download differs" >&2; exit 1; }
  ours+=("$(echo "$t1 - $t0" | bc -l)")
  theirs+=("$(echo "$t2 - $t1" | bc -l)")
done
o=$(printf '%s\n' "${ours[@]}" | median)
c=$(printf '%s\n' "${theirs[@]}" | median)
printf '%d MiB binary member, median of %d: kvxfer %.3f s, curl %.3f s, throughput ratio kvxfer/curl %.2f\n' \
  "$mib" "$rounds" "$o" "$c" "$(echo "$c / $o" | bc -l)"

# One record: the whole press of 実行 against the FTP client's own share, and
# against curl fetching the same member in one session of its own (the peer).
total=() client=() peer=()
for _ in $(seq "$rounds"); do
  t0=$(now)
  "$build/cli/kvxfer" source1 "${logon[@]}" --lib=BENCH --file=ONE --member=ONE --pcfile="$work/pc/ONE.txt" > /dev/null || true
  t1=$(now)
  "$install/FTP.EXE" '-s:c:\KV-TRANSIT\kvtrn.ini' > /dev/null || true
  t2=$(now)
  curl -sS -u QSECOFR:QSECOFR --quote "SITE NAMEFMT 0" "ftp://$addr/BENCH/ONE.ONE" -o "$work/curl.one"
  t3=$(now)
  total+=("$(echo "$t1 - $t0" | bc -l)")
  client+=("$(echo "$t2 - $t1" | bc -l)")
  peer+=("$(echo "$t3 - $t2" | bc -l)")
done
t=$(printf '%s\n' "${total[@]}" | median)
f=$(printf '%s\n' "${client[@]}" | median)
p=$(printf '%s\n' "${peer[@]}" | median)
printf 'one-record member, median of %d: 実行 to result %.3f s; the FTP client alone %.3f s; engine and wait %.3f s; curl fetching the member alone %.3f s (ratio 実行-to-result/curl %.2f)\n' \
  "$rounds" "$t" "$f" "$(echo "$t - $f" | bc -l)" "$p" "$(echo "$t / $p" | bc -l)"

# Where the time of the large download goes: the FTP client on the same script alone.
"$build/cli/kvxfer" bin1 "${logon[@]}" --lib=BENCH --file=BIG --member=BIG --pcfile="$work/pc/BIG.DTA" > /dev/null
alone=()
for _ in $(seq "$rounds"); do
  t0=$(now)
  "$install/FTP.EXE" '-s:c:\KV-TRANSIT\kvtrn.ini' > /dev/null
  t1=$(now)
  alone+=("$(echo "$t1 - $t0" | bc -l)")
done
a=$(printf '%s\n' "${alone[@]}" | median)
printf '%d MiB binary member: the FTP client alone on the same script %.3f s (ratio to curl %.2f)\n' \
  "$mib" "$a" "$(echo "$c / $a" | bc -l)"
