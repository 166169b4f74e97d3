# Shared by the end-to-end scripts: a private X server and ways to wait on
# what a program shows there. Frames are slow on a software renderer, so
# every wait polls with a deadline instead of assuming a frame rate.

xsession_start() {
  local fdfile
  fdfile=$(mktemp)
  Xvfb -displayfd 3 -screen 0 "${1:-1280x1024x24}" -nolisten tcp 3>"$fdfile" >/dev/null 2>&1 &
  XVFB_PID=$!
  local n=0
  while [ ! -s "$fdfile" ] && [ $n -lt 100 ]; do sleep 0.1; n=$((n + 1)); done
  [ -s "$fdfile" ] || { echo "Xvfb did not start" >&2; return 1; }
  export DISPLAY=":$(head -n1 "$fdfile")"
  rm -f "$fdfile"
  trap 'xsession_stop' EXIT
}

# Programs started under the session (XSESSION_CHILDREN) go first, so that
# none is left behind waiting on a display that is gone.
xsession_stop() {
  local pid
  for pid in ${XSESSION_CHILDREN:-}; do kill "$pid" 2>/dev/null; done
  [ -n "${XVFB_PID:-}" ] && kill "$XVFB_PID" 2>/dev/null
  XVFB_PID=
}

# xsession_window TITLE [SECONDS]: prints the id of the window with that title.
xsession_window() {
  local deadline=$((SECONDS + ${2:-30})) id
  while [ $SECONDS -lt $deadline ]; do
    id=$(xwininfo -root -tree 2>/dev/null | grep -F "\"$1\"" | head -n1 | awk '{print $1}')
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.5
  done
  echo "no window \"$1\" appeared" >&2
  return 1
}

# xsession_gone ID [SECONDS]: waits until the window no longer exists.
xsession_gone() {
  local deadline=$((SECONDS + ${2:-30}))
  while [ $SECONDS -lt $deadline ]; do
    xwininfo -id "$1" >/dev/null 2>&1 || return 0
    sleep 0.5
  done
  return 1
}

# xsession_geometry ID: prints "WIDTHxHEIGHT+X+Y" of a window.
xsession_geometry() {
  xwininfo -id "$1" | awk '/Absolute upper-left X/{x=$4} /Absolute upper-left Y/{y=$4}
    /^ *Width:/{w=$2} /^ *Height:/{h=$2} END{print w "x" h "+" x "+" y}'
}

# xsession_shot ID FILE: a screenshot of the window.
xsession_shot() { import -window "$1" "$2" 2>/dev/null; }

# xsession_answer ID KEY: presses KEY in a dialog until the dialog goes away
# (a key sent before the dialog reads its input is lost). The key goes to
# the dialog alone, so a retry can never reach a window behind it.
xsession_answer() {
  local i
  for i in 1 2 3 4 5 6 7 8 9 10; do
    xwininfo -id "$1" >/dev/null 2>&1 || return 0
    xdotool key --window "$1" "$2" 2>/dev/null
    xsession_gone "$1" 5 && return 0
  done
  return 1
}
