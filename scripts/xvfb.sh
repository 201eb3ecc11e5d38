# Sourced: starts a private Xvfb (1280 x 1024, room for the file chooser) and points DISPLAY at it,
# whatever DISPLAY said before, so that nothing the tests do reaches the display of the person
# running them. GTK is kept on X11 for the same reason: on a Wayland session it would otherwise
# open its dialogs there. The server picks a free display number itself, so scripts running side
# by side never share one, and is stopped by its PID when the sourcing shell exits.
palvetta_xvfb_pid=""
palvetta_xvfb_number=$(mktemp)
Xvfb -displayfd 3 -screen 0 1280x1024x24 -noreset -nolisten tcp 3> "$palvetta_xvfb_number" \
  > /dev/null 2>&1 &
palvetta_xvfb_pid=$!
trap 'kill "$palvetta_xvfb_pid" 2>/dev/null || true' EXIT
# Xvfb writes its display number once it accepts connections.
for _ in $(seq 1 100); do
  grep -q '^[0-9]' "$palvetta_xvfb_number" && break
  kill -0 "$palvetta_xvfb_pid" 2>/dev/null || break
  sleep 0.1
done
if ! grep -q '^[0-9]' "$palvetta_xvfb_number"; then
  rm -f "$palvetta_xvfb_number"
  echo "could not start Xvfb" >&2
  exit 1
fi
export DISPLAY=":$(head -n 1 "$palvetta_xvfb_number")"
rm -f "$palvetta_xvfb_number"
unset WAYLAND_DISPLAY
export GDK_BACKEND=x11
