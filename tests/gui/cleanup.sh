#!/usr/bin/env bash
# Ends what setup.sh started: our wineserver (by its prefix) and our Xvfb (by pid).
STATE="$1"
HERE="$(cd "$(dirname "$0")" && pwd)"
source "$HERE/gui_env.sh"
if [ -d "$WINEPREFIX" ]; then timeout 20 wineserver -k 2>/dev/null || true; fi
if [ -f "$STATE/xvfb.pid" ]; then
  pid="$(cat "$STATE/xvfb.pid")"
  if [ -n "$pid" ] && [ "$(ps -o comm= -p "$pid" 2>/dev/null)" = "Xvfb" ]; then
    kill "$pid" 2>/dev/null || true
    for _ in $(seq 1 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$pid" 2>/dev/null || true
  fi
  rm -f "$STATE/xvfb.pid"
fi
exit 0
