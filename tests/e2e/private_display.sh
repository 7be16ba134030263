# Sourced by the end-to-end scripts, with $name set (or $executable, whose name it then
# is): a private X display of 800 x 600 in $DISPLAY and a fresh directory $dir.
# Everything started here, and the program once its pid is in $program_pid, goes when
# the script exits.
name=${name:-$(basename "$executable")}
fail() { echo "FAIL ($name): $*"; exit 1; }

dir=$(mktemp -d)
cleanup() {
  if [ -n "${program_pid:-}" ]; then
    kill "$program_pid" 2>/dev/null
    sleep 0.5
    kill -9 "$program_pid" 2>/dev/null
  fi
  [ -n "${xvfb_pid:-}" ] && kill "$xvfb_pid" 2>/dev/null
  rm -rf "$dir"
}
trap cleanup EXIT

# The server picks a free display number itself and tells it once it is ready. It does
# not reset when its last client leaves (xdpyinfo, below): a server resetting refuses a
# client that comes meanwhile, which under load was the program ("x11 not available").
Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp -noreset 3>"$dir/display" >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$dir/display" ] && break; sleep 0.1; done
[ -s "$dir/display" ] || fail "no X display"
export DISPLAY=":$(cat "$dir/display")"
unset XAUTHORITY WAYLAND_DISPLAY SDL_VIDEODRIVER
xdpyinfo >/dev/null 2>&1 || fail "no X display at $DISPLAY"

# Puts $executable and its picture $source into $dir, the picture under the name $picture.
place_program() {
  cp "$executable" "$source" "$dir/" || fail "cannot copy the program"
  [ "$(basename "$source")" = "$picture" ] || mv "$dir/$(basename "$source")" "$dir/$picture"
}

# Presses Space, held for a moment as a finger holds it (the keyboard is read once per
# frame), and waits up to $1 tenths of a second for the program to end; its exit code is
# then in $status.
press_space_and_wait() {
  xdotool keydown space
  sleep 0.2
  xdotool keyup space
  for _ in $(seq "$1"); do
    kill -0 "$program_pid" 2>/dev/null || break
    sleep 0.1
  done
  kill -0 "$program_pid" 2>/dev/null && fail "still running $(($1 / 10)).$(($1 % 10)) s after a key press"
  wait "$program_pid"
  status=$?
  program_pid=
}
