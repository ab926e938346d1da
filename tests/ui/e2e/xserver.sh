# Sourced by the end-to-end scripts: starts a private X server and exports
# DISPLAY. Usage: start_private_x WIDTHxHEIGHT; the server's process id is
# then in $xserver (the caller kills it on exit, with $work removed).
xserver=
start_private_x() {
  local size="$1" number=""
  # -noreset: the server would otherwise restart each time its last client
  # leaves (our own probe below, a test program between two scenarios), and
  # a program connecting meanwhile fails with "could not connect".
  Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp -noreset 3>"$work/display" >/dev/null 2>&1 &
  xserver=$!
  for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
  [ -s "$work/display" ] || return 1
  number="$(head -n1 "$work/display")"
  # The server names its display before it always answers: wait until it does.
  for _ in $(seq 50); do
    if xdpyinfo -display ":$number" >/dev/null 2>&1; then
      export DISPLAY=":$number"
      return 0
    fi
    sleep 0.1
  done
  return 1
}
