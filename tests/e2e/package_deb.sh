#!/bin/bash
# The Debian package as its user meets it. Its control data declares SDL2's runtime
# library (not the development package) among its dependencies; it holds exactly the
# files it installs, none of which names the source or build tree; lintian, when there,
# reports no error. Installed into a scratch root (dpkg-deb -x), each command named by a
# desktop entry is run by an unprivileged user with the root's usr/bin on the PATH, on a
# private display: the frame of its picture (not a flat field), a key, exit code 0; the
# example palette-cycle, started the same way from its link on the PATH, finds its bitmap
# beside the installed program and cycles its colours (EXAMPLES-CHECKER is check-examples);
# every desktop entry shows the project's icon, installed in the icon theme.
# Without a display, the same user's starts show what the per-user folder keeps, that
# many starts at once all run, that a read-only home runs the installed program, and
# that a folder another user made is refused.
#   package_deb.sh DEB PICTURES-DIR CHECKER SHOTS-DIR EXAMPLES-CHECKER
set -u
deb=$1 pictures=$(cd "$2" && pwd) checker=$3 shots=$4 examples_checker=$5
name=$(basename "$deb")
source "$(dirname "$0")/private_display.sh"
source "$(dirname "$0")/frame_check.sh"
tree=$(cd "$(dirname "$0")/../.." && pwd)
ran=()
commands=(bump-paris:Paris.pcx bump-morph:Morph.pcx bump-morphose:morphose.pcx)

depends=$(dpkg-deb -I "$deb" | sed -n 's/^ Depends: //p')
[[ ", $depends," =~ ,\ libsdl2-2\.0-0[\ ,] ]] ||
  fail "SDL2's runtime library is not among the dependencies: $depends"
[[ "$depends" != *-dev* ]] || fail "depends on a development package: $depends"

expected=(usr/share/doc/bump/changelog.gz usr/share/doc/bump/copyright usr/bin/bump-picture
          usr/share/man/man1/bump-picture.1.gz)
for entry in "${commands[@]}"; do
  command=${entry%%:*} picture=${entry#*:}
  expected+=("usr/bin/$command" "usr/lib/bump/$command" "usr/lib/bump/$picture"
             "usr/share/applications/$command.desktop" "usr/share/man/man6/$command.6.gz")
done
for example in sprite-garden palette-cycle; do
  expected+=("usr/bin/$example" "usr/lib/bump/$example" "usr/share/applications/$example.desktop"
             "usr/share/man/man6/$example.6.gz")
done
for bitmap in flower.bmp bee.bmp ladybird.bmp cycle.bmp; do expected+=("usr/lib/bump/$bitmap"); done
for size in 16 32 48 256; do expected+=("usr/share/icons/hicolor/${size}x$size/apps/bump.png"); done
files=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {sub(/^\.\//, "", $6); print $6}' | sort)
[ "$files" = "$(printf '%s\n' "${expected[@]}" | sort)" ] ||
  fail "the package holds other files than it installs: $files"

if command -v lintian >/dev/null; then
  report=$(lintian --fail-on error "$deb" 2>/dev/null) || fail "lintian: $report"
fi

root="$dir/root" home="$dir/home"
dpkg-deb -x "$deb" "$root" || fail "dpkg-deb -x failed"
# Every menu entry shows the project's icon, the picture the Windows programs carry.
for desktop in "$root"/usr/share/applications/*.desktop; do
  [ "$(sed -n 's/^Icon=//p' "$desktop")" = bump ] || fail "$(basename "$desktop") has no Icon=bump"
done
for size in 16 32 48 256; do
  cmp -s "$root/usr/share/icons/hicolor/${size}x$size/apps/bump.png" "$tree/packaging/icons/bump-$size.png" ||
    fail "the ${size}-pixel icon is not the project's"
done
grep -rlF "$tree" "$root" && fail "files above name the source or build tree $tree"
mkdir -p "$home"
chmod 755 "$dir"
user=()
if [ "$(id -u)" -eq 0 ]; then
  chown nobody:nogroup "$home"
  user=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
fi
# The user's own environment, clean but for the variables a command adds; commands run
# from the home folder, and what they print goes to $dir/output.
as_user=("${user[@]}" env -i HOME="$home" PATH="$root/usr/bin:/usr/bin:/bin")
run_as_user() { (cd "$home" && exec "${as_user[@]}" "$@") >"$dir/output" 2>&1; }

for entry in "${commands[@]}"; do
  command=${entry%%:*} picture=${entry#*:}
  desktop="$root/usr/share/applications/$command.desktop"
  exec_line=$(sed -n 's/^Exec=//p' "$desktop")
  [ "$exec_line" = "$command" ] || fail "$command.desktop runs '$exec_line'"
  (cd "$home" && exec "${as_user[@]}" DISPLAY="$DISPLAY" XDG_DATA_HOME="$home/data" "$exec_line") \
    >"$dir/output" 2>&1 &
  program_pid=$!
  check_frame_and_key "$shots/$command-deb.png" "$pictures/$picture" "$checker"
  cmp -s "$pictures/$picture" "$home/data/bump/$picture" ||
    fail "$command did not leave its picture in $home/data/bump as installed"
done

# A picture of the user's own, made by bump-picture from a photograph (an image ImageMagick
# makes) and put in the place of the program's: the program shows it.
convert -size 640x400 plasma:fractal -seed 7 "$dir/photo.jpg" 2>/dev/null ||
  convert -size 640x400 gradient:navy-orange "$dir/photo.jpg" || fail "cannot make a photograph"
chmod 644 "$dir/photo.jpg"
run_as_user bump-picture "$dir/photo.jpg" "$home/data/bump/Paris.pcx" ||
  fail "bump-picture: $(cat "$dir/output")"
cmp -s "$pictures/Paris.pcx" "$home/data/bump/Paris.pcx" && fail "bump-picture left Paris.pcx as it was"
(cd "$home" && exec "${as_user[@]}" DISPLAY="$DISPLAY" XDG_DATA_HOME="$home/data" bump-paris) \
  >"$dir/output" 2>&1 &
program_pid=$!
check_frame_and_key "$shots/bump-paris-own-picture-deb.png" "$home/data/bump/Paris.pcx" "$checker"

# The example from its desktop entry: two screenshots apart, the palette has turned.
exec_line=$(sed -n 's/^Exec=//p' "$root/usr/share/applications/palette-cycle.desktop")
[ "$exec_line" = palette-cycle ] || fail "palette-cycle.desktop runs '$exec_line'"
(cd "$home" && exec "${as_user[@]}" DISPLAY="$DISPLAY" "$exec_line") >"$dir/output" 2>&1 &
program_pid=$!
sleep 2
for attempt in 1 2 3 4; do
  import -window root -depth 8 "rgb:$dir/one.rgb" && sleep 0.3 && import -window root -depth 8 "rgb:$dir/two.rgb"
  "$examples_checker" cycle "$dir/one.rgb" "$dir/two.rgb" "$tree/examples/cycle.bmp" && break
  [ $attempt -lt 4 ] || fail "palette-cycle from the package does not cycle cycle.bmp's colours"
done
press_space_and_wait 18
[ "$status" -eq 0 ] || fail "palette-cycle: exit code $status"
[ ! -s "$dir/output" ] || fail "palette-cycle printed: $(cat "$dir/output")"

# Without a display each start only starts up, says why it shows nothing, and shuts down.
# A relative XDG_DATA_HOME is not a place to keep data: the folder goes to its default.
own="$home/.local/share/bump"
no_display="bump-paris: no display: DISPLAY is not set"
run_as_user XDG_DATA_HOME=relative bump-paris || fail "first start: $(cat "$dir/output")"
[ "$(cat "$dir/output")" = "$no_display" ] || fail "first start printed: $(cat "$dir/output")"
[ ! -e "$home/relative" ] || fail "made a folder under a relative XDG_DATA_HOME"
cmp -s "$root/usr/lib/bump/bump-paris" "$own/bump-paris" || fail "no copy of bump-paris in $own"
cmp -s "$pictures/Paris.pcx" "$own/Paris.pcx" || fail "no copy of Paris.pcx in $own"
[ -z "$(find "$own" ! -user "$(stat -c %U "$home")")" ] || fail "$own holds files of another user"

run_as_user cp "$pictures/Morph.pcx" "$own/Paris.pcx"
run_as_user bump-paris || fail "start with the user's picture: $(cat "$dir/output")"
cmp -s "$pictures/Morph.pcx" "$own/Paris.pcx" || fail "the user's own picture was replaced"
: >"$own/Paris.pcx"
run_as_user bump-paris || fail "start with an empty picture: $(cat "$dir/output")"
cmp -s "$pictures/Paris.pcx" "$own/Paris.pcx" || fail "an empty picture was not replaced"

# Many starts at once, each a first start in a fresh folder, or the first after an
# upgrade: every one runs the program (which says it has no display) and ends with 0.
starts_at_once() {
  local data=$1 i pid failed=0 pids=()
  for i in $(seq 60); do
    (cd "$home" && exec "${as_user[@]}" XDG_DATA_HOME="$data" bump-paris) >"$dir/start$i" 2>&1 &
    pids+=($!)
  done
  for pid in "${pids[@]}"; do wait "$pid" || failed=$((failed + 1)); done
  for i in $(seq 60); do
    [ "$(cat "$dir/start$i")" = "$no_display" ] || fail "a start at once printed: $(cat "$dir/start$i")"
  done
  [ $failed -eq 0 ] || fail "$failed of 60 starts at once failed"
  cmp -s "$root/usr/lib/bump/bump-paris" "$data/bump/bump-paris" || fail "no whole copy in $data"
  cmp -s "$pictures/Paris.pcx" "$data/bump/Paris.pcx" || fail "no whole picture in $data"
  [ -z "$(find "$data/bump" -name '.*')" ] || fail "temporary files left in $data/bump"
}
for round in 1 2 3; do
  run_as_user mkdir "$home/data$round"
  starts_at_once "$home/data$round"
done

# A newer installed program replaces the user's copy at the next start, also when many
# starts come at once.
printf 'newer' >>"$root/usr/lib/bump/bump-paris"
run_as_user bump-paris || fail "start after an upgrade: $(cat "$dir/output")"
cmp -s "$root/usr/lib/bump/bump-paris" "$own/bump-paris" || fail "the copy was not upgraded"
printf 'newer' >>"$root/usr/lib/bump/bump-paris"
starts_at_once "$home/data1"

# Without a home (nor XDG_DATA_HOME), as without a writable one: the installed program
# runs, saying why, and ends with 0.
(cd "$home" && exec "${user[@]}" env -i "$root/usr/bin/bump-paris") \
  >"$dir/output" 2>&1 || fail "start without HOME: $(cat "$dir/output")"
grep -q "^bump-paris: HOME is not set; running the installed" "$dir/output" ||
  fail "without HOME: $(cat "$dir/output")"
grep -qx "$no_display" "$dir/output" || fail "without HOME the program did not run: $(cat "$dir/output")"
ran+=("one without a home runs the installed program")

if [ "$(id -u)" -eq 0 ]; then
  # A home that cannot be written: the installed program runs, saying why, and ends with 0.
  mkdir -p "$dir/readonly"
  (cd "$home" && exec "${as_user[@]}" HOME="$dir/readonly" bump-paris) >"$dir/output" 2>&1 ||
    fail "start with a read-only home: $(cat "$dir/output")"
  grep -q "^bump-paris: cannot make $dir/readonly/.local/share/bump; running the installed" \
    "$dir/output" || fail "a read-only home: $(cat "$dir/output")"
  grep -qx "$no_display" "$dir/output" || fail "the installed program did not run: $(cat "$dir/output")"
  ran+=("a read-only home runs the installed program")

  # A bump/ folder that another user made is not used, nor written through: here one
  # whose link leads to that user's program.
  mkdir -p "$dir/planted/bump" "$dir/theirs"
  printf '#!/bin/sh\necho ran their program\n' >"$dir/theirs/bump-paris"
  chmod 755 "$dir/theirs/bump-paris"
  ln -s "$dir/theirs/bump-paris" "$dir/planted/bump/bump-paris"
  chmod 777 "$dir/planted"
  (cd "$home" && exec "${as_user[@]}" XDG_DATA_HOME="$dir/planted" bump-paris) >"$dir/output" 2>&1
  status=$?
  [ $status -eq 1 ] || fail "a folder of another user: exit code $status: $(cat "$dir/output")"
  grep -q "^bump-paris: $dir/planted/bump is not private to you" "$dir/output" ||
    fail "a folder of another user: $(cat "$dir/output")"
  [ "$(cat "$dir/theirs/bump-paris")" = "$(printf '#!/bin/sh\necho ran their program')" ] ||
    fail "wrote through the link of another user"
  # Nor one of the user's own that others may write to.
  run_as_user mkdir -m 777 "$home/open" "$home/open/bump"
  (cd "$home" && exec "${as_user[@]}" XDG_DATA_HOME="$home/open" bump-paris) >"$dir/output" 2>&1
  [ $? -eq 1 ] || fail "a folder others may write to was used: $(cat "$dir/output")"
  ran+=("a folder of another user, or one others may write to, is refused")

  # Another user who may write to the folder above the user's own swaps that folder for a
  # link to a folder of theirs, again and again, while the user starts the program: no
  # start runs their program (a start that finds the swapped folder is refused).
  other=(setpriv --reuid=65533 --regid=65533 --clear-groups)
  mkdir -m 1777 "$dir/sticky"
  "${other[@]}" mkdir -m 777 "$dir/sticky/data"
  mkdir "$dir/sticky/theirs"
  cp "$dir/theirs/bump-paris" "$pictures/Paris.pcx" "$dir/sticky/theirs/"
  chown -R 65533:65533 "$dir/sticky/theirs"
  (cd "$home" && exec "${as_user[@]}" XDG_DATA_HOME="$dir/sticky/data" bump-paris) \
    >"$dir/output" 2>&1 || fail "first start under a shared folder: $(cat "$dir/output")"
  "${other[@]}" ln -s "$dir/sticky/theirs" "$dir/sticky/data/link"
  # renameat2(AT_FDCWD, "bump", AT_FDCWD, "link", RENAME_EXCHANGE), the link in place for
  # a millisecond every five: a start that checks the folder and then runs what the path
  # leads to ran their program in about 3 of 100 starts here.
  (cd "$dir/sticky/data" && exec "${other[@]}" /usr/bin/python3 -c '
import ctypes, time
libc = ctypes.CDLL(None)
while True:
    libc.renameat2(-100, b"bump", -100, b"link", 2)
    time.sleep(0.001)
    libc.renameat2(-100, b"bump", -100, b"link", 2)
    time.sleep(0.005)
') &
  swapper=$!
  ran_theirs=0 refused=0 started=0
  for _ in $(seq 200); do
    (cd "$home" && exec "${as_user[@]}" XDG_DATA_HOME="$dir/sticky/data" bump-paris) >"$dir/output" 2>&1
    if grep -q "ran their program" "$dir/output"; then
      ran_theirs=$((ran_theirs + 1))
    elif grep -q "is not private to you" "$dir/output"; then
      refused=$((refused + 1))
    elif grep -qx "$no_display" "$dir/output"; then
      started=$((started + 1))
    fi
  done
  kill "$swapper"
  wait "$swapper" 2>/dev/null
  [ $ran_theirs -eq 0 ] || fail "$ran_theirs of 200 starts ran the program of the user who swapped the folder"
  [ $((refused + started)) -eq 200 ] || fail "of 200 starts under a swapped folder, $((200 - refused - started)) did neither run nor refuse: $(cat "$dir/output")"
  ran+=("a folder swapped under the start by another user ran $started starts and refused $refused, none ran that user's program")
else
  echo "not run: a read-only home, a folder of another user and one swapped by another user (they need root to set up)"
fi
# Only what ran is named here.
summary=$(printf '; %s' "${ran[@]}")
echo "ok: $name declares $depends; installs only its files; as $(stat -c %U "$home")" \
  "each command showed its picture's frame ($shots/*-deb.png), bump-paris also one that" \
  "bump-picture made, and ended with exit code 0 on a key, palette-cycle cycled its" \
  "palette, and its folder keeps the user's picture and follows an upgrade; 60 starts at" \
  "once all ran$summary"
