#!/usr/bin/env bash
# Runs a command with a simulated IBM i of its own: hostsim (native) on port 21
# of a random loopback address with the seed given, and the save files of the
# two host libraries in a media folder. The command sees KV_GUI_HOST (the
# address) and KV_GUI_MEDIA (the media folder as Windows programs see it).
# hostsim is ended by its pid when the command ends, whatever the outcome.
# KV_GUI_HOST_ARGS, when set, is added to hostsim's command line (fault switches).
# Usage: with_host.sh STATE HOSTSIM SEED COMMAND [ARGS...]
set -uo pipefail
STATE="$1"; HOSTSIM="$2"; SEED="$3"; shift 3
if [ "$(id -u)" -ne 0 ]; then echo "SKIPPED: hostsim needs port 21 (root)"; exit 77; fi
mkdir -p "$STATE"
work="$(mktemp -d "$STATE/host.XXXXXX")"
pid=""
stop_host() {
  if [ -n "$pid" ]; then
    kill "$pid" 2>/dev/null
    for _ in $(seq 1 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
    pid=""
  fi
}
trap 'stop_host; rm -rf "$work"' EXIT
trap 'exit 143' TERM INT HUP

# hostsim runs under a time limit of its own, so it cannot outlive a test that
# is killed before this script's trap runs.
for _ in $(seq 1 20); do
  address="127.$((20 + RANDOM % 200)).$((1 + RANDOM % 250)).$((2 + RANDOM % 250))"
  # shellcheck disable=SC2086  # the extra arguments are words on purpose
  timeout -k 5 150 "$HOSTSIM" --listen "$address:21" --seed "$SEED" ${KV_GUI_HOST_ARGS:-} >"$work/hostsim.out" 2>"$work/hostsim.err" </dev/null &
  pid=$!
  for _ in $(seq 1 100); do
    grep -q '^listening ' "$work/hostsim.out" && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.05
  done
  grep -q '^listening ' "$work/hostsim.out" && break
  stop_host
done
if [ -z "$pid" ]; then
  echo "hostsim did not listen"; cat "$work/hostsim.err"; exit 1
fi
echo "hostsim: $(head -n1 "$work/hostsim.out")"

mkdir -p "$work/media"
"$HOSTSIM" mksavf --tool-library TRIAL_KVU "$work/media/TRIAL_KVU.SAVF" >/dev/null &&
  "$HOSTSIM" mksavf --data-library TRIAL_KVD "$work/media/TRIAL_KVD.SAVF" >/dev/null ||
  { echo "hostsim mksavf failed"; exit 1; }

export KV_GUI_HOST="$address"
export KV_GUI_MEDIA="Z:${work//\//\\}\\media"
"$@"
rc=$?
if [ "$rc" -ne 0 ] && [ "$rc" -ne 77 ]; then
  echo "--- hostsim's log"; tail -n 40 "$work/hostsim.err"
fi
exit "$rc"
