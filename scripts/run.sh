#!/usr/bin/env bash
# Installs what is missing, builds the program and starts it. Without a
# display it runs on Qt's offscreen platform.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)" --target pontavi pontavi-bind113
# Port 113 needs a capability: the port helper gets it, never the program.
# Asked for quietly, never with a password prompt.
helper=build/src/ui/pontavi-bind113
if [ "$(id -u)" -ne 0 ] && ! getcap "$helper" 2>/dev/null | grep -q cap_net_bind_service; then
    sudo -n setcap cap_net_bind_service=+ep "$helper" 2>/dev/null || true
fi
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
fi
exec ./build/src/ui/pontavi "$@"
