#!/usr/bin/env bash
# The listing workbook through automation under Wine: a stand-in server is
# registered as "Excel.Application" for the duration of the test; the member
# calls it records must equal the builder's calls, ending in the release.
# listing_automation.sh STATE WIN_BUILD
set -uo pipefail
STATE="$1"; WIN="$2"
HERE="$(cd "$(dirname "$0")" && pwd)"
source "$HERE/gui_env.sh"
winpath() { printf 'Z:%s' "${1//\//\\}"; }
work=$(mktemp -d /tmp/kv-automation.XXXXXX)
clsid='{6B1E9F3A-2C44-4E55-9A10-7D2C5B8E0A11}'
unregister() {
  wine reg delete 'HKCR\Excel.Application' /f > /dev/null 2>&1
  wine reg delete "HKCR\\CLSID\\$clsid" /f > /dev/null 2>&1
  rm -rf "$work"
}
trap unregister EXIT
wine reg add 'HKCR\Excel.Application\CLSID' /ve /d "$clsid" /f > /dev/null 2>&1 || exit 1
wine reg add "HKCR\\CLSID\\$clsid\\InprocServer32" /ve /d "$(winpath "$WIN/tests/gui/win32/fake_excel.dll")" /f > /dev/null 2>&1 || exit 1
wine reg add "HKCR\\CLSID\\$clsid\\InprocServer32" /v ThreadingModel /d Apartment /f > /dev/null 2>&1 || exit 1

KV_FAKE_EXCEL_LOG="$(winpath "$work/recorded.txt")" timeout -k 5 90 \
  wine "$WIN/tests/gui/win32/automation_probe.exe" "$(winpath "$work/expected.txt")" < /dev/null
rc=$?
[ "$rc" -eq 0 ] || { echo "automation_probe ended with $rc"; exit 1; }
if ! diff -u "$work/expected.txt" "$work/recorded.txt"; then
  echo "FAIL: the calls the application received differ from the builder's"
  exit 1
fi
[ "$(tail -n 1 "$work/recorded.txt")" = release ] || { echo "FAIL: the application was not released"; exit 1; }
grep -q 'Arrange(ArrangeStyle:=1)' "$work/recorded.txt" || { echo "FAIL: ArrangeStyle not passed by name"; exit 1; }
echo "automation: $(wc -l < "$work/recorded.txt") calls as the builder made them"
