#!/usr/bin/env bash
# hostsim against FTP clients nobody here wrote: curl and tnftp.
# usage: interop.sh HOSTSIM_BINARY SEED_FILE
set -euo pipefail
HOSTSIM=$1
SEED=$2
. "$(dirname "$0")/scratch.sh"

"$HOSTSIM" --listen 127.0.0.1:0 --seed "$SEED" > hostsim.out 2> hostsim.err &
pid=$!
for _ in $(seq 50); do grep -q '^listening ' hostsim.out 2>/dev/null && break; sleep 0.1; done
addr=$(awk '/^listening /{print $2; exit}' hostsim.out)
[ -n "$addr" ] || fail "hostsim did not start: $(cat hostsim.err)"
ip=${addr%:*}; port=${addr#*:}
url="ftp://$addr"
c() { curl -sS --max-time 30 -u QSECOFR:QSECOFR --quote "SITE NAMEFMT 0" "$@"; }

# Logon and listing of a library.
c "$url/DEMOLIB/" -l > list.txt || fail "curl listing"
grep -q 'QRPGSRC' list.txt || fail "listing lacks QRPGSRC"
# A wrong password is refused.
if curl -sS --max-time 30 -u QSECOFR:WRONG "$url/" -l >/dev/null 2>&1; then fail "wrong password accepted"; fi

# Text (TYPE A) upload into a new member of a source file and back (curl turns
# LF into CR LF on the wire and back).
printf 'HELLO WORLD\n     C  SETON  LR\n' > text.txt
c -B -T text.txt "$url/QGPL/QRPGSRC.T1" || fail "curl text STOR"
c -B "$url/QGPL/QRPGSRC.T1" -o back.txt || fail "curl text RETR"
cmp -s text.txt back.txt || fail "text round trip differs"

# Binary: raw records of a data member with packed fields, uploaded to a new member.
c "$url/DEMODTA/CUSTMAST.CUSTMAST" -o raw.bin || fail "curl binary RETR"
c -T raw.bin "$url/DEMODTA/CUSTMAST.COPY" || fail "curl binary STOR"
c "$url/DEMODTA/CUSTMAST.COPY" -o raw2.bin || fail "curl binary RETR of the copy"
cmp -s raw.bin raw2.bin || fail "binary round trip differs"
[ "$(stat -c %s raw.bin)" -eq 123 ] || fail "expected three 41-byte records"
[ $(( $(stat -c %s raw.bin) % 41 )) -eq 0 ] || fail "records are not 41 bytes"

# RCMD through curl's quote: a good command and a refused one.
c --quote "RCMD CRTLIB LIB(CURLLIB)" "$url/QGPL/" -l > /dev/null || fail "RCMD CRTLIB"
if c --quote "RCMD FROBNICATE" "$url/QGPL/" -l > /dev/null 2>&1; then fail "unknown command accepted"; fi

# tnftp: the installer's restore script, then a Japanese text download and a tool program.
"$HOSTSIM" mksavf --tool-library TRIAL_KVU TRIAL_KVU.SAVF
"$HOSTSIM" mksavf --data-library TRIAL_KVD TRIAL_KVD.SAVF
cat > script.txt <<SCRIPT
user QSECOFR QSECOFR
cd /qsys.lib/
quote site namefmt 0
binary
quote rcmd CHGJOB LOG(4 40 *NOLIST) 
quote rcmd CRTSAVF FILE(QTEMP/FTPSAVF)
put TRIAL_KVU.SAVF QTEMP/FTPSAVF
quote rcmd RSTLIB SAVLIB(TRIAL_KVU) DEV(*SAVF) SAVF(QTEMP/FTPSAVF) MBROPT(*ALL) ALWOBJDIF(*ALL) RSTLIB(TRIAL_KVU)
put TRIAL_KVD.SAVF QTEMP/FTPSAVF
quote rcmd RSTLIB SAVLIB(TRIAL_KVD) DEV(*SAVF) SAVF(QTEMP/FTPSAVF) MBROPT(*ALL) ALWOBJDIF(*ALL)  RSTLIB(TRIAL_KVD)
quote rcmd ADDLIBLE TRIAL_KVU
ascii
quote TYPE C 943
quote site trim 0
get DEMOLIB/QRPGSRC.HELLO hello.txt
quote RCMD CALL TRIAL_KVU/#RTVMBR4 PARM('DEMOLIB' 'QRPGSRC' 'HELLO' '' '127.0.0.1' 'pc01')
get QTEMP/FTPTEXT FTPTEXT.DAT
quit
SCRIPT
timeout 60 tnftp -n -v "$ip" "$port" < script.txt > tnftp.log 2>&1 || fail "tnftp: $(cat tnftp.log)"
grep -q '^250 Command RSTLIB SAVLIB(TRIAL_KVU)' tnftp.log || fail "RSTLIB of TRIAL_KVU: $(cat tnftp.log)"
grep -q '^250 Command RSTLIB SAVLIB(TRIAL_KVD)' tnftp.log || fail "RSTLIB of TRIAL_KVD"
iconv -f CP932 -t UTF-8 hello.txt | grep -q 'こんにちは、世界' || fail "kanji did not survive TYPE C 943"
line=$(head -1 FTPTEXT.DAT | iconv -f CP932 -t UTF-8)
[ "${line:30:6}" = "OK    " ] || fail "reply status: '$line'"
[ "${line:40:12}" = "挨拶を表示するプログラム" ] || fail "reply detail: '$line'"

kill -0 "$pid" || fail "hostsim died"
echo "interop: all checks passed"
