#!/usr/bin/env bash
# The listing workbook of 10,000 objects built with the built-in spreadsheet
# (template copy, 120,000 cells, trailing rows, save) against python3-xlwt
# writing the same 120,000 cells into a new workbook, in the same run.
# usage: bench/listing/run.sh [build-dir] [rounds] [objects]
set -euo pipefail
build=$(readlink -f "${1:-build/native}")
rounds=${2:-5}
objects=${3:-10000}
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d /tmp/kv-bench-listing-XXXXXX)
trap 'rm -rf "$work"' EXIT

median() { sort -n | awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR+1)/2] : (a[NR/2] + a[NR/2+1]) / 2}'; }
ours=() theirs=()
for r in $(seq "$rounds"); do
  line=$("$build/tests/xls/listing_sample" --time "$build/media/templates/FTPLIB.xls" "$work/$r" "$objects")
  ours+=("${line%% *}")
  book=${line#* }
  theirs+=("$(/usr/bin/python3 "$here/xlwt_listing.py" "$work/$r/$objects/FTPLIBPC" "$work/xlwt.xls")")
done
o=$(printf '%s\n' "${ours[@]}" | median)
t=$(printf '%s\n' "${theirs[@]}" | median)
printf 'objects %d, rounds %d (medians)\n' "$objects" "$rounds"
printf 'built-in listing workbook: %.3f s, %d bytes\n' "$o" "$(stat -c %s "$book")"
printf 'python3-xlwt, same cells:  %.3f s, %d bytes\n' "$t" "$(stat -c %s "$work/xlwt.xls")"
printf 'ratio xlwt / built-in:     %.1fx\n' "$(echo "$t / $o" | bc -l)"
