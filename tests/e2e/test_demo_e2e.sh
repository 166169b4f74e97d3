#!/usr/bin/env bash
# The real demo under Xvfb, driven as a person would with xdotool: answer the
# start-up question, change the shadow strength, drag the view, Escape.
# usage: test_demo_e2e.sh DIR   (DIR holds umbrafield, umbrafield-shot and the textures)
set -u
dir=$(cd "$1" && pwd)
for tool in Xvfb xdotool xwininfo import convert; do
  command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed"; exit 77; }
done
. "$(dirname "$0")/xsession.sh"
work=$(mktemp -d)
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
give_up() { fail "$*"; cat "$work"/*.log; exit 1; }
# Fraction of the picture that is not black.
lit() { convert "$1" -colorspace gray -threshold 3% -format '%[fx:mean]' info:; }
mask() { convert "$1" -colorspace gray -threshold 3% "$2"; }
# Overlap of two pictures' non-black parts: |A and B| / |A or B|.
iou() {
  mask "$1" "$work/ma.png"; mask "$2" "$work/mb.png"
  local both any
  both=$(convert "$work/ma.png" "$work/mb.png" -compose multiply -composite -format '%[fx:mean]' info:)
  any=$(convert "$work/ma.png" "$work/mb.png" -compose lighten -composite -format '%[fx:mean]' info:)
  awk -v a="$both" -v b="$any" 'BEGIN { printf "%.4f", (b > 0) ? a / b : 0 }'
}
gt() { awk -v a="$1" -v b="$2" 'BEGIN { exit !(a > b) }'; }

# wait_until SECONDS CMD...: shoots the window until CMD (given the shot) succeeds.
wait_until() {
  local deadline=$((SECONDS + $1)); shift
  while [ $SECONDS -lt $deadline ]; do
    xsession_shot "$win" "$work/now.png" && "$@" "$work/now.png" && return 0
    sleep 0.5
  done
  return 1
}

# launch KEY LOG EXPECTED-GEOMETRY: starts the demo, answers the start-up
# question with KEY and checks where its window lands (sets demo and win).
launch() {
  ./umbrafield >"$work/$2" 2>&1 &
  demo=$!
  XSESSION_CHILDREN="$demo"
  box=$(xsession_window "Video!" 60) || give_up "no start-up question"
  xsession_answer "$box" "$1" || give_up "the question did not take $1"
  win=$(xsession_window "Creazione di ombre tramite texture") || give_up "no demo window after $1"
  geometry=$(xsession_geometry "$win")
  [ "$geometry" = "$3" ] || fail "after $1 the window's geometry is $geometry, not $3"
}

xsession_start 1280x1024x24 || exit 1
cd "$dir"

# Windowed: the question answered No with its Escape-key default.
launch Escape demo.log 800x600+0+0
xdotool windowfocus --sync "$win"

# The first frames take a while; wait for a picture.
wait_until 60 sh -c 'test "$(convert "$1" -format "%[fx:mean>0.02]" info:)" = 1' _ || fail "nothing drawn"
xsession_shot "$win" "$work/soft.png"
soft=$(lit "$work/soft.png")

# Key 3 blackens the shadows, key 1 brings the soft ones back.
xdotool key 3
darker() { gt "$(awk -v s="$soft" 'BEGIN { print s - 0.05 }')" "$(lit "$1")"; }
wait_until 30 darker || fail "key 3 did not darken the shadows (lit fraction $soft)"
dark=$(lit "$work/now.png")
xdotool key 1
lighter() { gt "$(lit "$1")" "$(awk -v d="$dark" 'BEGIN { print d + 0.05 }')"; }
wait_until 30 lighter || fail "key 1 did not bring the soft shadows back (dark $dark)"

# A right drag 50 pixels down brings the view 10 units nearer, a left drag
# 30 pixels right turns it 30 degrees: compare with the picture program's.
./umbrafield-shot --frame 3 --depth -10 --yrot 30 --out "$work/ref.png" >/dev/null || fail "umbrafield-shot failed"
before=$(iou "$work/soft.png" "$work/ref.png")
xdotool mousemove --window "$win" 400 300 mousedown 3
for y in 310 320 330 340 350; do xdotool mousemove --window "$win" 400 $y; sleep 0.1; done
xdotool mouseup 3
sleep 0.5
xdotool mousemove --window "$win" 400 300 mousedown 1
for x in 410 420 430; do xdotool mousemove --window "$win" $x 300; sleep 0.1; done
xdotool mouseup 1
matches() { gt "$(iou "$1" "$work/ref.png")" 0.97; }
wait_until 40 matches || fail "the dragged view does not match (overlap $(iou "$work/now.png" "$work/ref.png"), before the drags $before)"
gt 0.9 "$before" || fail "the check cannot tell the views apart (overlap before the drags $before)"

xdotool key Escape
wait "$demo"
status=$?
[ $status -eq 0 ] || fail "Escape ended the demo with status $status"

# Full screen: the question answered Yes with its Return-key default; the
# window covers the desktop at its resolution.
launch Return full.log 1280x1024+0+0
xdotool windowfocus --sync "$win" key Escape
wait "$demo"
status=$?
[ $status -eq 0 ] || fail "Escape ended the full-screen demo with status $status"

if [ $failures -ne 0 ]; then
  cp "$work"/*.png "${E2E_ARTIFACTS:-/tmp}/" 2>/dev/null
  cat "$work/demo.log"
  exit 1
fi
echo "demo end-to-end: all checks passed"
