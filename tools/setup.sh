#!/bin/bash
# Installs what building, testing and running need on a Debian 12 machine (as root), and
# nothing when it is all there already.
#   tools/setup.sh          install what is missing
#   tools/setup.sh --check  install nothing: name what is missing and fail if anything is
set -euo pipefail

# Wine's X11 driver loads its X libraries at run time, 32-bit ones for 32-bit Wine and
# 64-bit ones for 64-bit Wine; Debian only recommends them, and without them Wine cannot
# change display modes (8 and 16 bits fail, 32 still works).
wine_x_libraries=()
for library in libxrandr2 libxrender1 libxcursor1 libxi6 libxinerama1 libxcomposite1 \
  libxfixes3 libxxf86vm1; do
  wine_x_libraries+=("$library" "$library:i386")
done
# Wine's DirectDraw draws through OpenGL where it finds it, which Debian only recommends
# too. Without it DirectDraw runs without 3D, and 32-bit Wine 8 then faults in its own
# presentation of a 32-bit screen (it reads a surface it has freed).
for library in libgl1 libgl1-mesa-dri; do
  wine_x_libraries+=("$library" "$library:i386")
done
packages=(
  cmake g++ make pkg-config
  dpkg-dev file unzip lintian
  clang libclang-rt-14-dev clang-format python3
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  libsdl2-dev libx11-dev
  mingw-w64 g++-mingw-w64-i686-posix binutils-mingw-w64-i686
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  wine wine64 wine32:i386 "${wine_x_libraries[@]}"
  xvfb xauth xdotool x11-utils imagemagick icoutils libstb-dev
  emscripten chromium
)
# The browser tests' node modules come from npm; Debian's npm only where no npm is there
# (a Node.js from elsewhere brings its own, and conflicts with Debian's).
command -v npm >/dev/null || packages+=(npm)

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
    missing+=("$package")
done
# The browser tests' node modules, as tests/web's lock file names them.
web_tests="$(dirname "$0")/../tests/web"
node_modules() {
  local name all=yes
  for name in $(sed -n '/"dependencies"/,/}/{/"dependencies"/d;s/^ *"\([^"]*\)": .*/\1/p}' "$web_tests/package.json"); do
    [ -f "$web_tests/node_modules/$name/package.json" ] || all=no
  done
  [ "$all" = yes ] && return 0
  if [ "${1:-}" = --check ]; then
    echo "setup: missing the browser tests' node modules (tools/setup.sh installs them)" >&2
    return 1
  fi
  echo "setup: installing the browser tests' node modules"
  npm ci --prefix "$web_tests" --no-audit --no-fund --loglevel=error >/dev/null
}
if [ ${#missing[@]} -eq 0 ]; then
  node_modules "${1:-}"
  exit
fi

if [ "${1:-}" = --check ]; then
  echo "setup: missing packages: ${missing[*]} (tools/setup.sh installs them)" >&2
  exit 1
fi

echo "setup: installing ${missing[*]}"
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
node_modules
