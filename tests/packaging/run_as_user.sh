#!/usr/bin/env bash
# The desktop half of the package test, run as an ordinary user in that user's home: starts the
# installed torven the way its desktop entry says on a private Xvfb, checks that its window maps,
# opens «Настр.» → «Коммуникация», picks port 7 and presses OK.
#   run_as_user.sh EXEC_LINE
# Exits 0 when the dialog closed after OK; the caller checks where comm.set landed.
set -euo pipefail

exec_line=$1
work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

# Waits until the command succeeds, for at most $1 seconds.
wait_until() {
  local deadline=$((SECONDS + $1))
  shift
  until "$@"; do
    if ((SECONDS >= deadline)); then
      echo "run_as_user: timed out waiting for: $*" >&2
      return 1
    fi
    sleep 0.1
  done
}

Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
pids+=($!)
wait_until 20 test -s "$work/display"
export DISPLAY=":$(head -n1 "$work/display")"

# The desktop entry's Exec line, as a menu would start it: by name, through PATH.
read -r -a command <<<"$exec_line"
"${command[@]}" >"$work/torven.log" 2>&1 &
torven_pid=$!
pids+=("$torven_pid")

# A visible window of that name is one the X server has mapped.
main=$(timeout 20 xdotool search --sync --onlyvisible --name '^TORVEN$' | head -n1) || {
  echo "run_as_user: the main window never mapped; torven said:" >&2
  cat "$work/torven.log" >&2
  exit 1
}
exe=$(readlink "/proc/$torven_pid/exe")
if [ "$exe" != /usr/bin/torven ]; then
  echo "run_as_user: the desktop entry started $exe, not /usr/bin/torven" >&2
  exit 1
fi

# «Настр.» is the second item of the menu bar, 46 to 80 pixels from the left at 96 dpi;
# its only item, «Коммуникация», is the first of the menu.
xdotool mousemove --window "$main" 62 8 click 1
xdotool key Down Return
# Looked for again and again rather than with --sync: a search walks the windows while the menu's
# popup goes away, and xdotool gives up on the first window that vanished under it (BadWindow).
dialog_shown() {
  dialog=$(xdotool search --onlyvisible --name '^Параметры СОМ$' 2>/dev/null | head -n1) &&
    [ -n "$dialog" ]
}
wait_until 20 dialog_shown || {
  echo "run_as_user: the port dialog did not open" >&2
  exit 1
}

# The dialog's layout is fixed in twips: the port box Combo1 at (128, 40) and OK at (40, 96),
# 73 × 25 pixels.
xdotool mousemove --window "$dialog" 140 50 click 1
xdotool key ctrl+a
xdotool type 7
xdotool mousemove --window "$dialog" 76 108 click 1

# OK closes the dialog only once the number is stored; a failed save shows a warning instead.
dialog_gone() { ! xdotool search --onlyvisible --name '^Параметры СОМ$' >/dev/null; }
wait_until 20 dialog_gone || {
  echo "run_as_user: the dialog stayed open after OK (a save warning?)" >&2
  exit 1
}
