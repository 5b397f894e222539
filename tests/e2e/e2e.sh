#!/usr/bin/env bash
# End-to-end checks of a clock program under Xvfb (1280x800x24) with openbox and xcompmgr.
#
#   e2e.sh CHECK PROGRAM SETTINGS_FILE PROBE
#
# CHECK is one of: appear, menu, drag_exit, sigterm, compositor_changes. PROGRAM runs with HOME and
# XDG_CONFIG_HOME in a fresh temp dir; SETTINGS_FILE is the name of the file it writes under
# $XDG_CONFIG_HOME/Brightfen/Horalux at exit. PROBE is hx_e2e_probe. Screenshots are kept in
# $HX_E2E_ARTIFACTS (default: the temp dir, which is kept when a check fails).
set -uo pipefail

check=$1 program=$2 settings_name=$3 probe=$4
work=$(mktemp -d "${TMPDIR:-/tmp}/hx-e2e-$check.XXXXXX")
artifacts=${HX_E2E_ARTIFACTS:-$work}
mkdir -p "$artifacts"
helpers=()
app_pid=""
failed=0

log() { echo "e2e[$check]: $*"; }

cleanup() {
  [ -n "$app_pid" ] && kill -KILL "$app_pid" 2>/dev/null
  for ((i = ${#helpers[@]} - 1; i >= 0; i--)); do kill "${helpers[$i]}" 2>/dev/null; done
  wait 2>/dev/null
  if [ $failed -eq 0 ] && [ "$artifacts" != "$work" ]; then rm -rf "$work"; fi
  if [ $failed -eq 0 ] && [ "$artifacts" = "$work" ] && [ -z "${HX_E2E_KEEP:-}" ]; then rm -rf "$work"; fi
}
trap cleanup EXIT

screenshot() { [ -n "${DISPLAY:-}" ] && import -display "$DISPLAY" -window root "$artifacts/$1.png" 2>/dev/null || true; }

fail() {
  failed=1
  log "FAIL: $*"
  screenshot failure
  log "windows:"; "$probe" windows 2>&1 | sed 's/^/  /'
  log "program output:"; sed 's/^/  /' "$work/program.out" 2>/dev/null | tail -n 40
  log "kept in $work"
  exit 1
}

# Polls a command until it succeeds; $1 is the limit in tenths of a second.
wait_for() {
  local tenths=$1
  shift
  for ((t = 0; t < tenths; t++)); do
    "$@" >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  return 1
}

start_desktop() {
  # A display number of our own. Xvfb's lock file decides who gets one: a server that loses
  # the race exits, and we try another. (-displayfd races under parallel starts here.)
  local n pid attempt
  unset DISPLAY
  for attempt in $(seq 1 20); do
    n=$((200 + RANDOM % 700))
    [ -e "/tmp/.X11-unix/X$n" ] && continue
    Xvfb ":$n" -screen 0 1280x800x24 -nolisten tcp -noreset >"$work/xvfb.log" 2>&1 &
    pid=$!
    for ((t = 0; t < 100; t++)); do
      kill -0 "$pid" 2>/dev/null || break
      xprop -display ":$n" -root >/dev/null 2>&1 && break
      sleep 0.05
    done
    if kill -0 "$pid" 2>/dev/null && xprop -display ":$n" -root >/dev/null 2>&1; then
      helpers+=("$pid")
      export DISPLAY=":$n"
      break
    fi
    kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
  done
  [ -n "${DISPLAY:-}" ] || fail "Xvfb did not start"
  HOME=$work openbox --sm-disable >"$work/openbox.log" 2>&1 &
  helpers+=($!)
  wait_for 100 sh -c 'xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"' || fail "openbox did not start"
  [ "${1:-}" = without_compositor ] || start_compositor
  # The work area as the window manager publishes it: "x, y, width, height" of desktop 0.
  read -r wa_x wa_y wa_w wa_h < <(xprop -root _NET_WORKAREA | sed 's/.*= //; s/,/ /g')
  [ -n "${wa_w:-}" ] || fail "no _NET_WORKAREA"
}

start_compositor() {
  xcompmgr >"$work/xcompmgr.log" 2>&1 &
  helpers+=($!)
  wait_for 100 "$probe" composited || fail "xcompmgr did not take the compositing selection"
}

# The width of the window's bounding shape (its whole width when it has none).
bounding_width() {
  xwininfo -shape -id "$1" | awk -v full="${2:-0}" '
    /Window shape extents:/ { split($4, g, "x"); w = g[1] }
    END { print (w == "" ? full : w) }'
}

start_program() {
  [ -x "$program" ] || fail "$program is not built"
  mkdir -p "$work/home" "$work/config"
  start_time=$(date +%s.%N)
  HOME=$work/home XDG_CONFIG_HOME=$work/config XDG_STATE_HOME=$work/state HORALUX_LOG=$work/horalux.log \
    HORALUX_TRACE_UI=1 GDK_BACKEND=x11 NO_AT_BRIDGE=1 "$program" >"$work/program.out" 2>&1 &
  app_pid=$!
}

# The program's window: "0xID x y w h" of the mapped window named Horalux that is not a menu.
clock_window() {
  "$probe" windows | awk '$7 == "Horalux" && $6 != "_NET_WM_WINDOW_TYPE_POPUP_MENU" { print $1, $2, $3, $4, $5; exit }'
}
menu_window() { "$probe" windows | awk '$6 == "_NET_WM_WINDOW_TYPE_POPUP_MENU" { print $1, $2, $3, $4, $5; exit }'; }

clock_visible() {
  kill -0 "$app_pid" 2>/dev/null || fail "the program ended early"
  local w
  w=$(clock_window) || return 1
  [ -n "$w" ] || return 1
  set -- $w
  [ "$("$probe" alpha "$1" 0 0 "$4" "$5")" -gt 0 ]
}

# Waits for the face and sets win, win_x, win_y, win_w, win_h and spot_x, spot_y (screen).
wait_for_clock() {
  wait_for 60 clock_visible || fail "no visible clock window within 6 s"
  read -r win win_x win_y win_w win_h < <(clock_window)
  local sx sy
  read -r sx sy < <("$probe" spot "$win" solid) || fail "no solid spot on the digits"
  spot_x=$((win_x + sx))
  spot_y=$((win_y + sy))
}

near() { local d=$(($1 - $2)); [ ${d#-} -le "$3" ]; }

# A DWORD value of the settings file ("Name"=dword:0000001e, names without regard to case, as
# the registry stand-in writes them), as a signed 32-bit number.
setting() {
  local hex v
  hex=$(grep -i -m 1 -E "^[[:space:]]*\"$1\"[[:space:]]*=[[:space:]]*dword:" "$settings_file" | sed -E 's/.*dword:[[:space:]]*([0-9a-fA-F]+).*/\1/')
  [ -n "$hex" ] || return 0
  v=$((16#$hex))
  ((v >= 2147483648)) && v=$((v - 4294967296))
  echo "$v"
}

expect_exit_and_settings() {
  local want_left=$1 want_top=$2
  local code=0
  for ((t = 0; t < 50; t++)); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.1; done
  kill -0 "$app_pid" 2>/dev/null && fail "the program did not exit within 5 s"
  wait "$app_pid" || code=$?
  app_pid=""
  [ "$code" -eq 0 ] || fail "the program exited with status $code"
  settings_file=$(find "$work/config" -type f -name "$settings_name" | head -n 1)
  [ -n "$settings_file" ] || fail "no $settings_name written under XDG_CONFIG_HOME"
  local top left
  top=$(setting Frmtop) left=$(setting FrmLeft)
  near "${left:-99999}" "$want_left" 2 || fail "FrmLeft is '${left:-}', expected $want_left ($(cat "$settings_file"))"
  near "${top:-99999}" "$want_top" 2 || fail "Frmtop is '${top:-}', expected $want_top"
  log "settings written: FrmLeft=$left Frmtop=$top"
}

open_menu() {
  xdotool mousemove "${1:-$spot_x}" "${2:-$spot_y}" click 3
  wait_for 30 sh -c "\"$probe\" windows | grep -q _NET_WM_WINDOW_TYPE_POPUP_MENU" || fail "no menu after a right click"
  read -r menu menu_x menu_y menu_w menu_h < <(menu_window)
}

command -v Xvfb >/dev/null || { echo "e2e: Xvfb missing (scripts/install-deps.sh installs it)"; exit 1; }
if [ "$check" = compositor_changes ]; then start_desktop without_compositor; else start_desktop; fi
start_program

case $check in
appear)
  wait_for_clock
  elapsed=$(awk -v a="$start_time" -v b="$(date +%s.%N)" 'BEGIN { printf "%.1f", b - a }')
  log "clock visible at $win_x,$win_y (${win_w}x$win_h) after ${elapsed}s"
  screenshot appear
  near "$win_x" $((wa_w - 280)) 2 || fail "left edge $win_x, expected $((wa_w - 280))"
  near "$win_y" 30 2 || fail "top edge $win_y, expected 30"
  state=$(xprop -id "$win" _NET_WM_STATE)
  for s in ABOVE SKIP_TASKBAR SKIP_PAGER; do
    echo "$state" | grep -q "_NET_WM_STATE_$s" || fail "window state lacks $s: $state"
  done
  ;;
menu)
  wait_for_clock
  # A faint halo pixel takes the mouse like the digits do: the input shape is alpha > 0.
  read -r fx fy < <("$probe" spot "$win" faint) || fail "no faint (halo) pixels on the face"
  open_menu $((win_x + fx)) $((win_y + fy))
  spot_x=$((win_x + fx)) spot_y=$((win_y + fy))
  screenshot menu
  log "menu at $menu_x,$menu_y (${menu_w}x$menu_h) after a click at $spot_x,$spot_y"
  near "$menu_x" "$spot_x" 40 || fail "menu left $menu_x is not at the pointer ($spot_x)"
  near "$menu_y" "$spot_y" 40 || fail "menu top $menu_y is not at the pointer ($spot_y)"
  [ "$menu_h" -ge $((7 * 16)) ] && [ "$menu_w" -ge 60 ] || fail "menu of ${menu_w}x$menu_h cannot hold seven items"
  wait_for 20 grep -q "menu: shown" "$work/horalux.log" || fail "the program did not log the menu it showed"
  shown=$(grep "menu: shown" "$work/horalux.log" | tail -n 1)
  want="显示天气 | 星座运势 | 黄历信息 | 定时任务 | 设置... | 查看更新 | 退出程序"
  [ "${shown#*shown: }" = "$want" ] || fail "menu items: '${shown#*shown: }', expected '$want'"
  xdotool key Escape
  wait_for 20 sh -c "! \"$probe\" windows | grep -q _NET_WM_WINDOW_TYPE_POPUP_MENU" || fail "Escape did not close the menu"
  kill -0 "$app_pid" 2>/dev/null || fail "the program ended after the menu closed"
  # Fully transparent pixels let the mouse through to the desktop.
  read -r cx cy < <("$probe" spot "$win" clear) || fail "no transparent strip on the face"
  shown_before=$(grep -c "menu: shown" "$work/horalux.log")
  xdotool mousemove $((win_x + cx)) $((win_y + cy)) click 3
  sleep 0.7
  [ "$(grep -c "menu: shown" "$work/horalux.log")" -eq "$shown_before" ] ||
    fail "a right click on a transparent pixel reached the clock"
  xdotool key Escape
  ;;
drag_exit)
  wait_for_clock
  x0=$win_x y0=$win_y
  xdotool mousemove "$spot_x" "$spot_y" mousedown 1
  sleep 0.2
  for step in 1 2 3 4 5; do
    xdotool mousemove $((spot_x - 40 * step)) $((spot_y + 30 * step))
    sleep 0.05
  done
  sleep 0.2
  xdotool mouseup 1
  wait_for 20 sh -c "[ \"\$(\"$probe\" windows | awk '\$1 == \"$win\" { print \$2 }')\" != $x0 ]" ||
    fail "the window did not move with the drag"
  sleep 0.3
  read -r win win_x win_y win_w win_h < <(clock_window)
  log "dragged from $x0,$y0 to $win_x,$win_y"
  # The window follows the pointer from the press, or from the first move with the button
  # held (then it misses the first step of 40,30).
  dx=$((win_x - x0)) dy=$((win_y - y0))
  ((dx <= -154 && dx >= -206)) || fail "dragged by $dx horizontally, expected -160..-200"
  ((dy >= 114 && dy <= 156)) || fail "dragged by $dy vertically, expected 120..150"
  screenshot dragged
  read -r sx sy < <("$probe" spot "$win" solid) || fail "no solid spot on the moved digits"
  spot_x=$((win_x + sx)) spot_y=$((win_y + sy))
  open_menu
  # From a fresh menu, Up selects the last item: "退出程序".
  xdotool key Up
  sleep 0.1
  xdotool key Return
  expect_exit_and_settings "$win_x" "$win_y"
  ;;
sigterm)
  wait_for_clock
  kill -TERM "$app_pid"
  expect_exit_and_settings "$win_x" "$win_y"
  ;;
compositor_changes)
  # Without a compositor an RGBA window shows black where it is transparent, so the bounding
  # shape cuts the face out; once a compositor runs the alpha channel does it instead.
  wait_for_clock
  shaped=$(bounding_width "$win" "$win_w")
  log "without a compositor: window ${win_w} wide, bounding shape ${shaped} wide"
  [ -n "$shaped" ] && [ "$shaped" -lt "$win_w" ] || fail "no bounding shape without a compositor"
  screenshot without_compositor
  start_compositor
  unshaped() { [ "$(bounding_width "$win" "$win_w")" = "$win_w" ]; }
  wait_for 30 unshaped || fail "the bounding shape stayed after the compositor started"
  log "with a compositor: bounding shape $(bounding_width "$win" "$win_w") wide"
  clock_visible || fail "the face is gone after the compositor started"
  ;;
*)
  fail "unknown check $check"
  ;;
esac
log "passed"
