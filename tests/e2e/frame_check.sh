# Sourced after private_display.sh, once the program runs on that display with its pid in
# $program_pid and its output going to $dir/output. wait_for_frame [AREA LIT] waits for the
# program's first frame: until AREA of the screen (ImageMagick's geometry, the shaded area
# unless told; "" for the whole screen) holds a pixel for which the fx expression LIT (a
# lit red, unless told) holds. check_frame_and_key SHOT PICTURE CHECKER waits for it, then
# $SCREENSHOT_DELAY seconds (ten unless told), saves a screenshot as SHOT and checks it
# with CHECKER against our own shading of PICTURE, presses a real key and requires the
# program to end within two seconds with exit code 0, having printed nothing.
wait_for_frame() {
  local area=${1-318x198+241+151} lit=${2:-maxima.r>0} shown=
  local crop=()
  [ -n "$area" ] && crop=(-crop "$area")
  for _ in $(seq 300); do
    kill -0 "$program_pid" 2>/dev/null || fail "ended before showing a frame: $(cat "$dir/output")"
    if import -window root "$dir/shot.png" 2>/dev/null &&
       [ "$(convert "$dir/shot.png" "${crop[@]}" -format "%[fx:$lit]" info:)" = 1 ]; then
      shown=yes
      break
    fi
    sleep 0.1
  done
  [ -n "$shown" ] || fail "showed no frame: $(cat "$dir/output")"
}

check_frame_and_key() {
  local shot=$1 picture=$2 checker=$3 attempt
  mkdir -p "$(dirname "$shot")"
  wait_for_frame
  # Ten seconds on, the relief has settled at 1.0 and the light reaches far. A screenshot
  # taken while a frame is being presented may hold parts of two; another is taken then.
  sleep "${SCREENSHOT_DELAY:-10}"
  for attempt in 1 2 3 4; do
    import -window root "$dir/shot.png" 2>/dev/null
    convert "$dir/shot.png" -depth 8 "rgb:$dir/shot.rgb" || fail "no screenshot"
    cp "$dir/shot.png" "$shot"
    [ "$(identify -format '%wx%h' "$shot")" = 800x600 ] || fail "screenshot is not 800 x 600"
    "$checker" "$dir/shot.rgb" "$picture" && break
    [ $attempt -lt 4 ] || fail "screenshot $shot does not show the frame"
    sleep 1
  done

  press_space_and_wait 18
  [ "$status" -eq 0 ] || fail "exit code $status"
  if [ -s "$dir/output" ]; then fail "printed: $(cat "$dir/output")"; fi
}
