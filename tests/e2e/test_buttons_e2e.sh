#!/bin/bash
# One run of the image-button example under Xvfb, driven by xdotool: a click
# on a button's shape reports it, a click on its cut-away corner does not,
# and a screenshot shows the buttons over the picture.
# Usage: test_buttons_e2e.sh PATH-TO-lumicore-buttons
set -u
example=${1:?path to the example}
for tool in Xvfb xdotool import convert; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done

work=$(mktemp -d)
xvfb_pid=
app_pid=
cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; echo "--- example output"; cat "$work/out"; echo "--- its errors"; cat "$work/err"; exit 1; }

display=
for n in $(seq 91 140); do
  [ -e "/tmp/.X$n-lock" ] && continue
  Xvfb ":$n" -screen 0 800x600x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
  xvfb_pid=$!
  sleep 1
  if kill -0 "$xvfb_pid" 2>/dev/null; then display=":$n"; break; fi
  xvfb_pid=
done
[ -n "$display" ] || { echo "SKIP: no Xvfb display could start"; exit 77; }
export DISPLAY=$display
unset SDL_VIDEODRIVER

"$example" >"$work/out" 2>"$work/err" &
app_pid=$!

# Waits until the output holds `count` lines matching `pattern`.
wait_lines() {
  local pattern=$1 count=$2
  for _ in $(seq 1 100); do
    [ "$(grep -c "$pattern" "$work/out")" -ge "$count" ] && return 0
    kill -0 "$app_pid" 2>/dev/null || return 1
    sleep 0.1
  done
  return 1
}
wait_lines '^button ' 3 || fail "the example did not report three buttons"

# The window is a pop-up at the screen origin: drawing-area and screen
# coordinates agree once it is mapped.
for _ in $(seq 1 50); do
  xdotool search --name "Lumicore image buttons" >/dev/null 2>&1 && break
  sleep 0.1
done
win=$(xdotool search --name "Lumicore image buttons" | head -n1)
[ -n "$win" ] || fail "no window"
eval "$(xdotool getwindowgeometry --shell "$win")"
origin_x=$X
origin_y=$Y
sleep 0.5

read -r _ id bx by bw bh < <(grep '^button ' "$work/out" | head -n1 | sed 's/ at / /')
cx=$((origin_x + bx + bw / 2))
cy=$((origin_y + by + bh / 2))

click_at() {
  xdotool mousemove "$1" "$2"
  sleep 0.3
  xdotool mousemove "$(($1 + 1))" "$2"
  sleep 0.3
  xdotool mousedown 1
  sleep 0.3
  xdotool mouseup 1
  sleep 0.5
}

click_at "$cx" "$cy"
wait_lines "^click $id\$" 1 || fail "a click on the shape of button $id was not reported"

clicks_before=$(grep -c '^click ' "$work/out")
click_at "$((origin_x + bx))" "$((origin_y + by))"
sleep 1
[ "$(grep -c '^click ' "$work/out")" -eq "$clicks_before" ] || fail "a click on the magenta corner was reported"

# Away from every button, so each shows its normal image.
xdotool mousemove "$((origin_x + 470))" "$((origin_y + 190))"
sleep 1
import -window root "$work/shot.png" || fail "no screenshot"
rgb() { convert "$work/shot.png" -format "%[fx:int(255*p{$1,$2}.r)] %[fx:int(255*p{$1,$2}.g)] %[fx:int(255*p{$1,$2}.b)]" info:; }

expect_color() {  # x y r g b what
  local got
  got=$(rgb "$1" "$2")
  [ "$got" = "$3 $4 $5" ] || fail "$6: expected $3 $4 $5 at $1,$2, found $got"
}
not_color() {
  local got
  got=$(rgb "$1" "$2")
  [ "$got" != "$3 $4 $5" ] || fail "$6: found $3 $4 $5 at $1,$2"
}
while read -r _ n x y w h; do
  case $n in
    101) r=224 g=128 b=32 ;;
    102) r=32 g=160 b=64 ;;
    103) r=192 g=192 b=192 ;;
    *) fail "unknown button $n" ;;
  esac
  expect_color "$((origin_x + x + w / 2))" "$((origin_y + y + h / 2))" $r $g $b "centre of button $n"
  not_color "$((origin_x + x))" "$((origin_y + y))" 255 0 255 "corner of button $n shows magenta"
  not_color "$((origin_x + x))" "$((origin_y + y))" $r $g $b "corner of button $n"
done < <(grep '^button ' "$work/out" | sed 's/ at / /')
# The picture itself is there between the buttons.
not_color "$((origin_x + 250))" "$((origin_y + 150))" 0 0 0 "the picture"

xdotool key Escape
for _ in $(seq 1 50); do
  kill -0 "$app_pid" 2>/dev/null || break
  sleep 0.1
done
if kill -0 "$app_pid" 2>/dev/null; then fail "Escape did not end the example"; fi
wait "$app_pid"
status=$?
app_pid=
[ "$status" -eq 0 ] || fail "the example ended with status $status"
echo "PASS"
