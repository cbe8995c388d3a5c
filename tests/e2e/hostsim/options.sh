#!/usr/bin/env bash
# hostsim's command line as an operator gives it: loopback only unless allowed,
# fault switches by session, a session log and FTP client output without the password.
# usage: options.sh HOSTSIM_BINARY KVFTP_BINARY
set -euo pipefail
HOSTSIM=$1
KVFTP=$2
. "$(dirname "$0")/scratch.sh"

# Another address than loopback needs --allow-remote.
if "$HOSTSIM" --listen 0.0.0.0:0 > remote.out 2> remote.err; then fail "listened on 0.0.0.0 without --allow-remote"; fi
grep -q -- '--allow-remote' remote.err || fail "no hint at --allow-remote: $(cat remote.err)"
# A fault switch that does not exist is a usage error.
status=0
"$HOSTSIM" --listen 127.0.0.1:0 --fault NOSUCH > /dev/null 2> bad.err || status=$?
[ "$status" -eq 2 ] || fail "unknown fault: status $status"
grep -q 'unknown fault NOSUCH' bad.err || fail "unknown fault not named: $(cat bad.err)"

printf "USER KVOPER PASSWORD('Pw4Test9')\nLIB QGPL\n" > host.seed
"$HOSTSIM" --listen 127.0.0.1:0 --seed host.seed --fault greet421@1 --log session.log > hostsim.out 2> hostsim.err &
pid=$!
for _ in $(seq 50); do grep -q '^listening ' hostsim.out 2>/dev/null && break; sleep 0.1; done
addr=$(awk '/^listening /{print $2; exit}' hostsim.out)
[ -n "$addr" ] || fail "hostsim did not start: $(cat hostsim.err)"
ip=${addr%:*}; port=${addr#*:}

# Session 1 is greeted with 421; session 2 logs on.
printf 'open %s %s\nuser KVOPER Pw4Test9\nquit\n' "$ip" "$port" > script.txt
status=0
"$KVFTP" -n -d < script.txt > first.txt 2>&1 || status=$?
[ "$status" -ne 0 ] || fail "a 421 greeting passed for a connection: $(cat first.txt)"
grep -q '^421 ' first.txt || fail "the 421 was not shown: $(cat first.txt)"
"$KVFTP" -n -d < script.txt > second.txt 2>&1 || fail "logon in session 2: $(cat second.txt)"
grep -q '^230 ' second.txt || fail "no logon in session 2: $(cat second.txt)"
grep -q 'ftp> user KVOPER \*\*\*\*' second.txt || fail "script line not shown masked: $(cat second.txt)"
grep -q -- '---> PASS \*\*\*\*' second.txt || fail "PASS not shown masked: $(cat second.txt)"
for f in first.txt second.txt session.log; do
  if grep -qi 'Pw4Test9' "$f"; then fail "the password appears in $f"; fi
done
grep -q '^session 1 421 ' session.log || fail "session 1 not logged: $(cat session.log)"
grep -q '^session 2 < PASS \*\*\*\*$' session.log || fail "PASS not logged masked: $(cat session.log)"
echo "hostsim options: all checks passed"
