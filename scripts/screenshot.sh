#!/usr/bin/env bash
# Loads a model in the viewer through its own open-file dialog and saves the viewer's window as a
# PNG, the way a user would see it:
#   bash scripts/screenshot.sh MODEL.obj OUTPUT.png
# Needs the built viewer (build/app/palvetta) and the Debian packages xvfb, xdotool, xclip,
# x11-apps (xwd) and netpbm, which `bash scripts/install-deps.sh test` installs.
# Runs on an Xvfb of its own, whatever DISPLAY says; stops everything it started.
set -euo pipefail
cd "$(dirname "$0")/.."
model=$(realpath "$1")
output=$2
viewer=build/app/palvetta

scratch=$(mktemp -d)
viewer_pid=""
clip_pid=""
source scripts/xvfb.sh
cleanup() {
  [ -n "$clip_pid" ] && kill "$clip_pid" 2>/dev/null || true
  [ -n "$viewer_pid" ] && kill "$viewer_pid" 2>/dev/null || true
  [ -n "$palvetta_xvfb_pid" ] && kill "$palvetta_xvfb_pid" 2>/dev/null || true
  rm -rf "$scratch"
}
trap cleanup EXIT
# No desktop services; the dialog's recent files and settings go to the scratch folder.
export NO_AT_BRIDGE=1 DBUS_SESSION_BUS_ADDRESS=disabled: GSETTINGS_BACKEND=memory
export XDG_DATA_HOME=$scratch XDG_CONFIG_HOME=$scratch XDG_CACHE_HOME=$scratch

# Waits up to ten seconds for a window of that name; prints its id.
wait_for_window() {
  for _ in $(seq 1 100); do
    xdotool search --name "^$1\$" 2>/dev/null | head -n 1 | grep . && return 0
    sleep 0.1
  done
  echo "no window named $1" >&2
  return 1
}

"$viewer" &
viewer_pid=$!
window=$(wait_for_window Palvetta)
sleep 0.5
# Without a window manager, keys go to the window under the pointer.
xdotool mousemove --sync 320 320
xdotool key l
wait_for_window "Obj File" > /dev/null
# Typing races the chooser's completion; a pasted path does not.
printf "%s" "$model" | xclip -quiet -selection clipboard 2> /dev/null &
clip_pid=$!
sleep 0.3
# Held like a person holds them: a release within microseconds of the press reaches the location
# field before GTK has finished building it, and GTK complains.
xdotool keydown ctrl
sleep 0.1
xdotool keydown l
sleep 0.1
xdotool keyup l keyup ctrl
sleep 0.3
xdotool key ctrl+v
sleep 0.3
xdotool key Return
for _ in $(seq 1 100); do
  xdotool search --name '^Obj File$' > /dev/null 2>&1 || break
  sleep 0.1
done
sleep 1
xwd -id "$window" -silent | xwdtopnm 2> /dev/null | pnmtopng > "$output"
echo "wrote $output"
