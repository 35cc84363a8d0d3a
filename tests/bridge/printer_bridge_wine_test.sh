#!/usr/bin/env bash
# Drives printer_bridge_wine_test under Wine: links COM8 to a pseudo-terminal, runs the program,
# and checks that the ticket it printed arrived on the port byte for byte.
set -uo pipefail
exe=$1
tools="$(cd "$(dirname "$0")/../../tools" && pwd)"
source "$tools/wine-env"
"$tools/wine-prefix" >/dev/null 2>&1 || true
work=$(mktemp -d)
port="$QUENBREL_WINE_PORTS/com8"
rm -f "$port"
socat -u "pty,raw,echo=0,link=$port" "OPEN:$work/received,creat,trunc" &
socat_pid=$!
cleanup() { kill "$socat_pid" 2>/dev/null; wait "$socat_pid" 2>/dev/null; rm -rf "$work"; }
trap cleanup EXIT
for _ in $(seq 100); do [ -e "$port" ] && break; sleep 0.05; done
[ -e "$port" ] || { echo "FAILED: socat did not make $port"; exit 1; }

timeout 90 "$tools/wine-run" "$exe"
status=$?
sleep 0.5

for i in $(seq 0 511); do printf "\\$(printf '%03o' $((i % 256)))"; done >"$work/expected"
if ! cmp -s "$work/expected" "$work/received"; then
  echo "FAILED: the port received $(stat -c %s "$work/received") bytes, not the 512-byte ticket"
  status=1
fi
exit $status
