#!/usr/bin/env bash
# The Debian package from a built tree, checked the way a user meets it:
# lintian (no errors), desktop-file-validate and appstreamcli on what it
# holds; then installed with apt-get, the installed /usr/bin/pontavi asked for
# its version, the installed-program check run on the installed files (GUI
# binary without capability, helper with it, port 113 answered for an
# unprivileged user), and removed again, leaving no file of it behind.
#
# usage: scripts/package_check.sh BUILD_DIR
# Exit 0 pass, 1 fail, 77 when not root (installing needs it) or when the
# package is installed already.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
build=${1:?usage: $0 BUILD_DIR}

[ "$(id -u)" -eq 0 ] || { echo "package: SKIP (installing needs root)"; exit 77; }
if dpkg-query -W -f='${Status}' pontavi 2>/dev/null | grep -q 'install ok installed'; then
    # Installed by its user: neither replaced nor removed by a test.
    echo "package: SKIP (pontavi is installed on this machine)"
    exit 77
fi

work=$(mktemp -d)
installed=""
cleanup() {
    # Never leave the package on the machine: other test runs share /usr.
    [ -n "$installed" ] && DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq pontavi >/dev/null 2>&1
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "package: FAIL: $*" >&2
    exit 1
}

bash scripts/package.sh "$build" >"$work/package.log" 2>&1 ||
    { tail -20 "$work/package.log" >&2; fail "scripts/package.sh failed"; }
deb=$(ls "$root"/pontavi_*.deb)

# ---- what the package holds
lintian --no-tag-display-limit "$deb" >"$work/lintian.log" 2>&1
grep -E '^E: ' "$work/lintian.log" >&2 && fail "lintian reports errors"
grep -E '^W: ' "$work/lintian.log" || true
dpkg-deb -x "$deb" "$work/root"
desktop-file-validate "$work"/root/usr/share/applications/*.desktop || fail "desktop-file-validate"
appstreamcli validate --no-net "$work"/root/usr/share/metainfo/*.metainfo.xml >"$work/as.log" 2>&1 ||
    { cat "$work/as.log" >&2; fail "appstreamcli validate"; }

# ---- installed
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$deb" >"$work/install.log" 2>&1 ||
    { tail -20 "$work/install.log" >&2; fail "apt-get install"; }
installed=1
dpkg -L pontavi >"$work/files"
version=$(/usr/bin/pontavi --version) || fail "the installed pontavi --version ended with $?"
[[ $version =~ ^pontavi\ [0-9] ]] || fail "the installed pontavi --version printed [$version]"
PONTAVI_INSTALLED_PREFIX=/usr bash tests/integration/program_edges.sh "$build" ||
    fail "the installed-program check"

# ---- removed: nothing of it is left
DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq pontavi >"$work/remove.log" 2>&1 ||
    { tail -20 "$work/remove.log" >&2; fail "apt-get remove"; }
installed=""
left=$(while IFS= read -r f; do
    [ -e "$f" ] && [ ! -d "$f" ] && echo "$f"
done <"$work/files")
for d in /usr/libexec/pontavi /usr/share/pontavi /usr/share/doc/pontavi; do
    [ -e "$d" ] && left+=" $d"
done
[ -z "$left" ] || fail "files left after removal:$left"
dpkg-query -W pontavi >/dev/null 2>&1 && fail "dpkg still lists pontavi after removal"
rm -f "$deb"
echo "package: ok ($(basename "$deb"), $version)"
