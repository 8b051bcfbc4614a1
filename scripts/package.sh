#!/usr/bin/env bash
# Builds the Debian package pontavi_<version>_<arch>.deb into the source
# folder, to install with: sudo apt install ./pontavi_*.deb
#
# usage: scripts/package.sh [BUILD_DIR]
# Without BUILD_DIR it builds the program alone in build-package/ (for /usr,
# no tests); with one, it packages what that build tree holds (the tests use
# their own build this way rather than compiling everything again).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
bash scripts/setup.sh

build=${1:-build-package}
if [ $# -eq 0 ]; then
    # Debian's hardening flags (fortified functions, full RELRO) on top.
    export DEB_BUILD_MAINT_OPTIONS=hardening=+all
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX=/usr \
        -DPONTAVI_TESTS=OFF -DPONTAVI_BENCH=OFF \
        -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)" \
        -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" >/dev/null
fi
[ -f "$build/CPackConfig.cmake" ] || { echo "package: $build is not a configured build tree" >&2; exit 1; }
build=$(cd "$build" && pwd)
cmake --build "$build" -j "$(nproc)"
rm -f "$root"/pontavi_*.deb
(cd "$build" && cpack -G DEB -B "$build/package" >/dev/null)
mv "$build"/package/pontavi_*.deb "$root/"
ls "$root"/pontavi_*.deb
