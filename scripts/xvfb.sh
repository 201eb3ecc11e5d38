# Sourced: when there is no display, starts a private Xvfb (1280 x 1024, room for the file chooser)
# and exports DISPLAY; the server is stopped by its PID when the sourcing shell exits.
palvetta_xvfb_pid=""
if [ -z "${DISPLAY:-}" ]; then
  for n in $(seq 90 140); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 1280x1024x24 -noreset -nolisten tcp > /dev/null 2>&1 &
    palvetta_xvfb_pid=$!
    for _ in $(seq 1 100); do
      xdpyinfo -display ":$n" > /dev/null 2>&1 && break
      sleep 0.1
    done
    if xdpyinfo -display ":$n" > /dev/null 2>&1; then
      export DISPLAY=":$n"
      trap 'kill "$palvetta_xvfb_pid" 2>/dev/null || true' EXIT
      break
    fi
    kill "$palvetta_xvfb_pid" 2>/dev/null || true
    palvetta_xvfb_pid=""
  done
  [ -n "${DISPLAY:-}" ] || { echo "could not start Xvfb" >&2; exit 1; }
fi
