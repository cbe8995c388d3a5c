#!/usr/bin/env bash
# Many operators at once against one hostsim: sessions per second and hostsim's
# peak resident memory, for 10 and for 50 sessions (each a kvxfer run with our
# FTP client, as in the e2e_fifty_sessions test), and the time one session
# takes alone as the peer to compare with.
# usage: bench/sessions/run.sh BUILD_DIR
set -euo pipefail
build=$(readlink -f "$1")
src=$(cd "$(dirname "$0")/../.." && pwd)
run() {
  python3 "$src/tests/e2e/sessions/fifty_sessions.py" --hostsim "$build/hostsim/hostsim" \
    --kvftp "$build/ftp/kvftp" --kvxfer "$build/cli/kvxfer" --sessions "$1" | tail -1
}
for n in 1 10 50; do run "$n"; done
