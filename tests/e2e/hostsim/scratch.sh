# Sourced by the hostsim end-to-end scripts: a scratch folder to work in, left
# with the hostsim the script started (its process id in $pid) stopped and the
# folder removed, whatever way the script ends; and fail, which ends it.
work=$(mktemp -d)
pid=""
cleanup() {
  if [ -n "$pid" ]; then kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT
cd "$work"
fail() { echo "FAIL: $*" >&2; exit 1; }
