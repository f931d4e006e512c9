# Sourced: start_xvfb starts an X server (Xvfb) on a free-looking display for pictures and
# benchmarks, waits up to 5 s for its socket, and sets DISPLAY and xvfb (its PID, for the caller's
# clean-up).
start_xvfb() {
  local display=:$((90 + RANDOM % 400))
  Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb=$!
  for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X${display#:}" ] && break; sleep 0.1; done
  export DISPLAY=$display
}
