#!/usr/bin/env bash
# Runs a command against a Wine prefix of its own that keeps the default graphics driver (for the
# virtual display), then stops that prefix's wineserver before the display goes away.
# Usage: run_with_display_prefix.sh ROOT COMMAND...
set -uo pipefail
root=$1; shift
tools="$(cd "$(dirname "$0")/../../tools" && pwd)"
export QUENBREL_WINE_ROOT="$root" QUENBREL_WINE_GRAPHICS=default
"$tools/wine-prefix" || exit 1
"$@"
status=$?
source "$tools/wine-env"
wineserver -k 2>/dev/null
wineserver -w 2>/dev/null
exit $status
