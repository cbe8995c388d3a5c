#!/bin/bash
# The workbook templates and listing workbooks built from the real template,
# read by independent readers: xlrd (structure, values, formats) and a real
# spreadsheet application (LibreOffice, headless: each file loads and converts).
# Arguments: the templates folder, the listing_sample program.
set -euo pipefail
templates=$1
sample=$2
work=$(mktemp -d /tmp/kv-xls-readers.XXXXXX)
trap 'rm -rf "$work"' EXIT
here=$(cd "$(dirname "$0")" && pwd)

ls "$templates"/*.xls > "$work/templates.txt"
[ "$(wc -l < "$work/templates.txt")" -eq 25 ] || { echo "expected 25 templates"; exit 1; }
"$sample" "$templates/FTPLIB.xls" "$work/listings" 0 1 107 250 > "$work/built.txt"
/usr/bin/python3 "$here/check_workbooks.py" $(cat "$work/templates.txt") "$work"/listings/*/*.xls
/usr/bin/python3 "$here/check_workbooks.py" --listing "$work"/listings/*

if ! command -v soffice > /dev/null; then
  echo "soffice not installed: spreadsheet application check skipped" >&2
  exit 77
fi
office() { soffice -env:UserInstallation=file://$work/profile --headless --norestore "$@" >> "$work/soffice.log" 2>&1 || true; }
# A template written by another program (the application saves ours anew,
# with its own records) must serve the builder just as well.
office --convert-to 'xls:MS Excel 97' --outdir "$work/foreign" "$templates/FTPLIB.xls"
"$sample" "$work/foreign/FTPLIB.xls" "$work/foreign-listings" 3 130 > /dev/null
/usr/bin/python3 "$here/check_workbooks.py" --listing "$work"/foreign-listings/*
mkdir -p "$work/csv"
office --convert-to 'csv:Text - txt - csv (StarCalc):44,34,76,1' --outdir "$work/csv" \
  $(cat "$work/templates.txt") "$work"/listings/*/*.xls "$work"/foreign-listings/*/*.xls
status=0
for f in $(cat "$work/templates.txt") "$work"/listings/*/*.xls "$work"/foreign-listings/*/*.xls; do
  csv="$work/csv/$(basename "${f%.xls}").csv"
  if [ ! -s "$csv" ]; then
    echo "FAIL: the spreadsheet application did not load $f"
    status=1
  fi
done
if grep -qi "error" "$work/soffice.log"; then cat "$work/soffice.log"; status=1; fi
# The values as the application shows them: Japanese text, leading zeros and blanks, dates, sizes.
csv250="$work/csv/S250-01-12-2010.csv"
grep -qF '"LIB3","03A","*FILE","PF-DTA","売上ファイル（3）","QSECOFR",2026/04/13,13:03:59,"5,632",3,3,"V7R5M0"' "$csv250" \
  || { echo "FAIL: object 3 in the application's view:"; sed -n 4,6p "$csv250"; status=1; }
grep -qF '"LIB0","00A","*PGM","CLP","  先頭に空白 0",' "$csv250" || { echo "FAIL: object 0"; sed -n 3p "$csv250"; status=1; }
exit $status
