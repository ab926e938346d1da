#!/usr/bin/env bash
# Runs the end-to-end scenarios against the real program: a private X
# server, a private D-Bus session with the accessibility bus, and the driver
# script. Usage: tests/ui/e2e/run.sh NIMBRA NIMBRA_CLI [SCENARIO...]
# Exits 77 (skipped) when the machine lacks Xvfb, D-Bus or pyatspi.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
nimbra="$1"; cli="$2"; shift 2

skip() { echo "SKIPPED: $*" >&2; exit 77; }
command -v Xvfb >/dev/null || skip "Xvfb is not installed (package xvfb)"
command -v xdpyinfo >/dev/null || skip "xdpyinfo is not installed (package x11-utils)"
command -v xdotool >/dev/null || skip "xdotool is not installed (package xdotool)"
command -v dbus-run-session >/dev/null || skip "dbus-run-session is not installed (package dbus)"
/usr/bin/python3 -c 'import pyatspi' 2>/dev/null || skip "pyatspi is missing (package python3-pyatspi)"

work="$(mktemp -d)"
source "$here/xserver.sh"
trap 'kill "$xserver" 2>/dev/null || true; rm -rf "$work"' EXIT
# DISPLAY before the D-Bus session, or generated input does nothing.
start_private_x 1600x1200 || skip "Xvfb did not start"
mkdir -m 700 "$work/runtime"
export XDG_RUNTIME_DIR="$work/runtime"
export NIMBRA_E2E_WORK="$work"
status=0
dbus-run-session -- /usr/bin/python3 "$here/scenarios.py" "$nimbra" "$cli" "$@" || status=$?
exit $status
