#!/usr/bin/env bash
# The service as packaged: systemd-analyze finds nothing to say about the
# unit, and the unit's command, built from the shipped settings file, starts
# the server (on a free port and a scratch root instead of the service's).
#   attachd-unit.sh PACKAGING_DIR SERVER
set -euo pipefail
packaging=$1 server=$2
work=$(mktemp -d)
pid=
trap '[[ -z $pid ]] || kill "$pid" 2>/dev/null || true; rm -rf "$work"' EXIT
fail() { echo "attachd-unit: $*" >&2; exit 1; }

# verify warns about unknown keys and bad assignments without failing, so
# any word from it is a failure; the executable must exist, so the unit's
# points at the build tree's server.
sed "s#^ExecStart=/usr/bin/vellum-attachd #ExecStart=$server #" \
  "$packaging/systemd/vellum-attachd.service" >"$work/vellum-attachd.service"
said=$(systemd-analyze verify --man=no "$work/vellum-attachd.service" 2>&1) || fail "verify failed: $said"
[[ -z $said ]] || fail "verify says: $said"

bash "$packaging/systemd/run-unit-command" --program "$server" \
  "$packaging/systemd/vellum-attachd.service" "$packaging/attachd.conf" \
  ATTACHD_PORT=0 ATTACHD_ROOT="$work/root" >"$work/out" 2>"$work/err" &
pid=$!
for _ in $(seq 100); do
  grep -q '^listening on http://127.0.0.1:' "$work/out" && break
  kill -0 "$pid" 2>/dev/null || fail "the unit's command stopped: $(cat "$work/err")"
  sleep 0.05
done
grep -q '^listening on http://127.0.0.1:' "$work/out" || fail "the unit's command did not listen"
kill "$pid"
wait "$pid" || fail "the server did not stop cleanly"
pid=
echo "attachd-unit: the unit verifies and its command serves"
