#!/usr/bin/env bash
# 1 GiB binary get and put on loopback against vsftpd: our client and curl in the
# same run, several rounds, medians of throughput and of peak resident memory.
# With "tls" as the fourth argument both clients use explicit FTP over TLS (the
# server forces it for logon and data and requires session reuse; curl --ssl-reqd).
# Usage: bench/ftp/run.sh KVFTP [ROUNDS] [SIZE-MiB] [tls]   (as root; needs vsftpd, curl, GNU time)
set -euo pipefail
client=$(readlink -f "$1")
rounds=${2:-5}
mib=${3:-1024}
tls=${4:-}
[ "$(id -u)" -eq 0 ] || { echo "run as root (creates the user kvftpbench)"; exit 1; }

work=$(mktemp -d /tmp/kvftp-bench.XXXXXX)
chmod 755 "$work"
user=kvftpbench
password=bench-pw-1
vpid=""
cleanup() { [ -n "$vpid" ] && kill "$vpid" 2>/dev/null; wait 2>/dev/null; rm -rf "$work"; }
trap cleanup EXIT
id "$user" >/dev/null 2>&1 || useradd -M -d /nonexistent -s /bin/bash "$user"
# vsftpd enters the home folder before local_root: point it at this run's folder.
usermod -d "$work/srv" "$user"
echo "$user:$password" | chpasswd

mkdir -p "$work/empty" "$work/srv" "$work/drive_c"
addr=127.0.0.5
port=$((30000 + $$ % 20000))
cat > "$work/vsftpd.conf" <<CONF
listen=YES
listen_ipv6=NO
listen_address=$addr
listen_port=$port
background=NO
anonymous_enable=NO
local_enable=YES
write_enable=YES
pam_service_name=vsftpd
secure_chroot_dir=$work/empty
seccomp_sandbox=NO
local_root=$work/srv
userlist_enable=NO
xferlog_enable=NO
CONF
ours_tls=() curl_tls=()
if [ "$tls" = tls ]; then
  openssl req -x509 -newkey rsa:2048 -nodes -keyout "$work/cert.key" -out "$work/cert.pem" -days 2 -subj "/CN=bench" \
    -addext "subjectAltName=IP:$addr" 2>/dev/null
  printf '%s\n' ssl_enable=YES force_local_logins_ssl=YES force_local_data_ssl=YES require_ssl_reuse=YES \
    "rsa_cert_file=$work/cert.pem" "rsa_private_key_file=$work/cert.key" >> "$work/vsftpd.conf"
  ours_tls=(--tls=explicit "--tls-trust=$work/cert.pem")
  curl_tls=(--ssl-reqd --cacert "$work/cert.pem")
fi
head -c $((mib * 1024 * 1024)) /dev/urandom > "$work/srv/big.bin"
cp "$work/srv/big.bin" "$work/drive_c/up.bin"
chown -R "$user" "$work/srv"
vsftpd "$work/vsftpd.conf" > "$work/vsftpd.log" 2>&1 &
vpid=$!
sleep 0.5
export KV_DRIVE_C="$work/drive_c"

script() { printf '%s\r\n' "open $addr $port" "$user" "$password" "binary" "$1" "quit" > "$work/s.ini"; }
# measure LABEL COMMAND... : appends "seconds maxrss-KiB" to $work/LABEL
measure() {
  local label=$1; shift
  /usr/bin/time -f "%e %M" -o "$work/t" "$@" > "$work/out" 2>&1 || { echo "$label failed:"; cat "$work/out"; exit 1; }
  cat "$work/t" >> "$work/$label"
  rm -f "$work/srv/up-"* "$work/drive_c/got.bin" "$work/got-curl.bin"
}
url="ftp://$user:$password@$addr:$port"
for i in $(seq "$rounds"); do
  script "get big.bin C:\\got.bin";  measure ours-get "$client" "${ours_tls[@]}" "-s:$work/s.ini"
  measure curl-get curl -s "${curl_tls[@]}" -o "$work/got-curl.bin" "$url/big.bin"
  script "put C:\\up.bin up-ours.bin"; measure ours-put "$client" "${ours_tls[@]}" "-s:$work/s.ini"
  measure curl-put curl -s "${curl_tls[@]}" -T "$work/drive_c/up.bin" "$url/up-curl.bin"
done

median() { sort -n | awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR+1)/2] : (a[NR/2] + a[NR/2+1]) / 2}'; }
printf '%-9s %12s %12s %12s\n' run "median s" "MiB/s" "peak RSS MiB"
for label in ours-get curl-get ours-put curl-put; do
  s=$(cut -d' ' -f1 "$work/$label" | median)
  rss=$(cut -d' ' -f2 "$work/$label" | median)
  eval "${label//-/_}=$s"
  printf '%-9s %12.2f %12.1f %12.1f\n' "$label" "$s" "$(echo "$mib / $s" | bc -l)" "$(echo "$rss / 1024" | bc -l)"
done
printf 'throughput ours/curl: get %.2f, put %.2f\n' "$(echo "$curl_get / $ours_get" | bc -l)" \
  "$(echo "$curl_put / $ours_put" | bc -l)"
