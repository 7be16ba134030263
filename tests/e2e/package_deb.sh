#!/bin/bash
# The Debian package as its user meets it. Its control data declares SDL2's runtime
# library (not the development package) among its dependencies; it holds exactly the
# files it installs, none of which names the source or build tree; lintian, when there,
# reports no error. Installed into a scratch root (dpkg-deb -x), each command named by a
# desktop entry is run by an unprivileged user with the root's usr/bin on the PATH, on a
# private display: the frame of its picture (not a flat field), a key, exit code 0; the
# example palette-cycle, started the same way from its link on the PATH, finds its bitmap
# beside the installed program and cycles its colours (EXAMPLES-CHECKER is check-examples).
# Without a display, the same user's starts show what the per-user folder keeps.
#   package_deb.sh DEB PICTURES-DIR CHECKER SHOTS-DIR EXAMPLES-CHECKER
set -u
deb=$1 pictures=$(cd "$2" && pwd) checker=$3 shots=$4 examples_checker=$5
name=$(basename "$deb")
source "$(dirname "$0")/private_display.sh"
source "$(dirname "$0")/frame_check.sh"
tree=$(cd "$(dirname "$0")/../.." && pwd)
commands=(bump-paris:Paris.pcx bump-morph:Morph.pcx bump-morphose:morphose.pcx)

depends=$(dpkg-deb -I "$deb" | sed -n 's/^ Depends: //p')
[[ ", $depends," =~ ,\ libsdl2-2\.0-0[\ ,] ]] ||
  fail "SDL2's runtime library is not among the dependencies: $depends"
[[ "$depends" != *-dev* ]] || fail "depends on a development package: $depends"

expected=(usr/share/doc/bump/changelog.gz usr/share/doc/bump/copyright)
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
files=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {sub(/^\.\//, "", $6); print $6}' | sort)
[ "$files" = "$(printf '%s\n' "${expected[@]}" | sort)" ] ||
  fail "the package holds other files than it installs: $files"

if command -v lintian >/dev/null; then
  report=$(lintian --fail-on error "$deb" 2>/dev/null) || fail "lintian: $report"
fi

root="$dir/root" home="$dir/home"
dpkg-deb -x "$deb" "$root" || fail "dpkg-deb -x failed"
grep -rlF "$tree" "$root" && fail "files above name the source or build tree $tree"
mkdir -p "$home"
chmod 755 "$dir"
as_user=()
if [ "$(id -u)" -eq 0 ]; then
  chown nobody:nogroup "$home"
  as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
fi
# The user's own environment, clean but for the variables a command adds; commands run
# from the home folder, and what they print goes to $dir/output.
as_user+=(env -i HOME="$home" PATH="$root/usr/bin:/usr/bin:/bin")
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

# Without a display each start only starts up and shuts down. A relative XDG_DATA_HOME is
# not a place to keep data: the folder goes to its default.
own="$home/.local/share/bump"
run_as_user XDG_DATA_HOME=relative bump-paris || fail "first start: $(cat "$dir/output")"
[ ! -s "$dir/output" ] || fail "first start printed: $(cat "$dir/output")"
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

# A newer installed program replaces the user's copy at the next start.
printf 'newer' >>"$root/usr/lib/bump/bump-paris"
run_as_user bump-paris || fail "start after an upgrade: $(cat "$dir/output")"
cmp -s "$root/usr/lib/bump/bump-paris" "$own/bump-paris" || fail "the copy was not upgraded"
echo "ok: $name declares $depends; installs only its files; as $(stat -c %U "$home")" \
  "each command showed its picture's frame ($shots/*-deb.png) and ended with exit code 0" \
  "on a key, palette-cycle cycled its palette, and the folder keeps the user's picture and" \
  "follows an upgrade"
