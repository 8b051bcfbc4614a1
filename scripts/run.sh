#!/usr/bin/env bash
# Installs what is missing, builds the program and starts it. Without a
# display it runs on Qt's offscreen platform.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)" --target pontavi
# Port 113 needs a capability; ask for it quietly, never for a password.
if [ "$(id -u)" -ne 0 ] && ! getcap build/src/ui/pontavi 2>/dev/null | grep -q cap_net_bind_service; then
    sudo -n setcap cap_net_bind_service=+ep build/src/ui/pontavi 2>/dev/null || true
fi
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
fi
exec ./build/src/ui/pontavi "$@"
