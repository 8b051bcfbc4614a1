#!/usr/bin/env bash
# Installs every Debian package the project needs to build, run and test.
# Idempotent: does nothing when all of them are present.
set -euo pipefail

packages=(
    build-essential cmake ninja-build git pkg-config
    clang libclang-rt-14-dev clang-format
    libgtest-dev libgmock-dev googletest libbenchmark-dev
    qt6-base-dev qt6-base-dev-tools libgl-dev
    xvfb xauth xclip x11-utils xdotool
    iproute2 netcat-openbsd util-linux procps psmisc libcap2-bin fonts-dejavu-core
    libnet-ident-perl oidentd
    libglib2.0-dev openbsd-inetd dbus-daemon python3-dbus python3-gi
    liblnk-dev libbfio-dev libcanberra-dev
    libssl-dev openssl
    dovecot-pop3d fetchmail
    lintian desktop-file-utils appstream
    libnm-dev network-manager python3-dbusmock
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
if [ "$(id -u)" -ne 0 ]; then
    sudo="sudo"
fi
echo "setup: installing ${missing[*]}"
$sudo apt-get update -qq
# Packages with services (dovecot, oidentd) must not start a system instance:
# the tests start their own on loopback. Without a policy of the machine's
# own, one that refuses every start is in place while installing.
policy=/usr/sbin/policy-rc.d
own_policy=""
if [ ! -e "$policy" ]; then
    printf '#!/bin/sh\nexit 101\n' | $sudo tee "$policy" >/dev/null
    $sudo chmod 755 "$policy"
    own_policy=1
fi
status=0
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" ||
    status=$?
if [ -n "$own_policy" ]; then
    $sudo rm -f "$policy"
fi
# NetworkManager is only a test peer here, started by the tests in their own
# namespaces: installed by this script, it must not take over the machine's
# networking at the next boot either.
if [[ " ${missing[*]} " == *" network-manager "* ]] && command -v systemctl >/dev/null; then
    $sudo systemctl disable --no-reload NetworkManager.service NetworkManager-wait-online.service \
        NetworkManager-dispatcher.service >/dev/null 2>&1 || true
fi
exit "$status"
