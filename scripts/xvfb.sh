# Sourced: start_xvfb starts an X server (Xvfb) on a display it finds free itself (-displayfd, so
# runs side by side never race for one), waits up to 10 s until it accepts clients, and sets
# DISPLAY and xvfb (its PID, for the caller's clean-up). Its output goes to $1 (default none).
# Returns 1 when the server did not come up.
start_xvfb() {
  local log=${1:-/dev/null} number
  number=$(mktemp)
  Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$number" >"$log" 2>&1 &
  xvfb=$!
  for _ in $(seq 100); do [ -s "$number" ] && break; sleep 0.1; done
  local n
  n=$(head -n 1 "$number")
  rm -f "$number"
  [ -n "$n" ] || return 1
  export DISPLAY=:$n
}
