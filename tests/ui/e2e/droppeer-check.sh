#!/usr/bin/env bash
# The drop peer on its own, under a private X server: one peer drags a file
# and a folder into another peer, which records the text/uri-list and
# copies both; then the same with Shift held, which a drag of the desktop
# reads as a move. The later drag scenarios with Nimbra rest on this peer
# and on this mouse sequence. Usage: droppeer-check.sh DROPPEER
# Exits 77 (skipped) without Xvfb or xdotool.
set -euo pipefail
peer="$1"

skip() { echo "SKIPPED: $*" >&2; exit 77; }
command -v Xvfb >/dev/null || skip "Xvfb is not installed (package xvfb)"
command -v xdotool >/dev/null || skip "xdotool is not installed (package xdotool)"
command -v xdpyinfo >/dev/null || skip "xdpyinfo is not installed (package x11-utils)"

work="$(mktemp -d)"
pids=()
source "$(dirname "$0")/xserver.sh"
trap 'kill "${pids[@]}" "$xserver" 2>/dev/null || true; rm -rf "$work"' EXIT
start_private_x 1280x1024 || skip "Xvfb did not start"
mkdir -m 700 "$work/runtime"
export XDG_RUNTIME_DIR="$work/runtime"
# The peers must reach this server, whatever platform the caller's tests use.
export QT_QPA_PLATFORM=xcb

fail() { echo "FAIL: $*" >&2; exit 1; }

# Press over the source, move in 20 steps 30 ms apart, rest, release: XDND
# needs the moves (the first ones start the drag, the last ones make the
# target answer) before the release.
drag() {
    local sx=$1 sy=$2 dx=$3 dy=$4
    xdotool mousemove "$sx" "$sy"; sleep 0.2
    xdotool mousedown 1; sleep 0.1
    for i in $(seq 1 20); do
        xdotool mousemove $((sx + (dx - sx) * i / 20)) $((sy + (dy - sy) * i / 20)); sleep 0.03
    done
    sleep 0.2
    xdotool mouseup 1
}

centre() {
    local id
    id=$(timeout 10 xdotool search --sync --onlyvisible --name "^$1\$" | head -n1)
    [ -n "$id" ] || fail "no window $1"
    eval "$(xdotool getwindowgeometry --shell "$id")"
    echo "$((X + WIDTH / 2)) $((Y + HEIGHT / 2))"
}

# Waits until `file` holds `count` lines.
wait_lines() {
    for _ in $(seq 100); do
        [ -f "$1" ] && [ "$(wc -l < "$1")" -ge "$2" ] && return 0
        sleep 0.1
    done
    fail "$1 did not reach $2 lines"
}

printf 'hello\n' > "$work/a b.txt"
mkdir -p "$work/folder/inner"
printf 'deep\n' > "$work/folder/inner/c.txt"
mkdir "$work/into"
"$peer" --title source --pos 40,40 --drag "$work/a b.txt" --drag "$work/folder" --result "$work/result" \
    > "$work/source.out" 2>&1 &
pids+=($!)
"$peer" --title target --pos 500,40 --record "$work/record" --into "$work/into" > "$work/target.out" 2>&1 &
pids+=($!)
source_at=$(centre source) || exit 1
target_at=$(centre target) || exit 1
read -r sx sy <<<"$source_at"
read -r tx ty <<<"$target_at"

drag "$sx" "$sy" "$tx" "$ty"
wait_lines "$work/result" 1
for _ in $(seq 50); do grep -q '^dropped' "$work/target.out" && break; sleep 0.1; done
[ "$(cat "$work/result")" = copy ] || fail "a plain drag ended as $(cat "$work/result")"
expected="file://$work/a%20b.txt"$'\r\n'"file://$work/folder"$'\r\n'
[ "$(cat "$work/record")" = "$(printf '%s' "$expected")" ] || fail "the uri-list: $(od -c "$work/record" | head)"
cmp "$work/a b.txt" "$work/into/a b.txt" || fail "file not copied"
cmp "$work/folder/inner/c.txt" "$work/into/folder/inner/c.txt" || fail "folder not copied"

xdotool keydown shift
drag "$sx" "$sy" "$tx" "$ty"
xdotool keyup shift
wait_lines "$work/result" 2
[ "$(tail -n1 "$work/result")" = move ] || fail "a Shift drag ended as $(tail -n1 "$work/result")"
echo "1 passed, 0 failed"
