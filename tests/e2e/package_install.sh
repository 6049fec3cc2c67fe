#!/usr/bin/env bash
# The Debian package on a real machine, as root (CI): lintian finds no error; apt-get installs
# it; /usr/bin/vantaro, started by a throwaway user on a private X server, shows its main window
# and makes its settings file in that user's folder (the program folder is read-only for them);
# apt-get purge then leaves no path of the package, and the machine's packages, users and the
# folders the package touched are as before. Everything is undone on failure too.
# Usage: package_install.sh DEB_FILE
set -euo pipefail
deb=$(realpath "${1:?the package file}")
here=$(cd "$(dirname "$0")" && pwd)
[ "$(id -u)" -eq 0 ] || { echo "package_install.sh installs a package: run it as root" >&2; exit 2; }
if dpkg-query -W -f='${Status}' vantaro 2>/dev/null | grep -q "ok installed"; then
    echo "vantaro is installed on this machine already; this test would remove it" >&2
    exit 2
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/vantaro-package.XXXXXX")
chmod 755 "$work"
user=vantaro-test-$$
apt_options=(-y -qq -o DPkg::Lock::Timeout=300)
cleanup() {
    local status=$?
    pkill -KILL -u "$user" 2>/dev/null || true
    id "$user" >/dev/null 2>&1 && userdel -r -f "$user" 2>/dev/null
    if dpkg-query -W -f='${Status}' vantaro 2>/dev/null | grep -q "ok installed"; then
        DEBIAN_FRONTEND=noninteractive apt-get purge "${apt_options[@]}" vantaro >/dev/null || true
    fi
    rm -rf "$work"
    exit "$status"
}
trap cleanup EXIT
trap "exit 1" INT TERM
fail() {
    echo "FAIL: $*"
    exit 1
}

# What the package may change: the installed packages, the users, and the paths under the
# folders it installs into. The caches that the system's triggers rebuild (icons, menus) are
# the system's, not the package's.
touched=(/usr/bin /usr/lib/vantaro /usr/share/applications /usr/share/metainfo
    /usr/share/icons/hicolor /usr/share/man/man1 /usr/share/doc/vantaro)
snapshot() {
    dpkg-query -W -f='${Package} ${Version} ${Status}\n' >"$1.packages"
    getent passwd | cut -d: -f1 | sort >"$1.users"
    { find "${touched[@]}" 2>/dev/null || true; } |
        grep -v -e '/icon-theme\.cache$' -e '/mimeinfo\.cache$' | sort >"$1.paths"
}

echo "== lintian"
# Warnings and notes are shown; the README lists those left and why.
lintian --fail-on error "$deb" >"$work/lintian.log" 2>&1 || { cat "$work/lintian.log"; fail "lintian"; }
grep -v "running with root privileges" "$work/lintian.log" || true
[[ "$(dpkg-deb -f "$deb" Depends)" == *ffmpeg* ]] || fail "ffmpeg is not a dependency"
[[ "$(dpkg-deb -f "$deb" Depends)" == *libqt6widgets6* ]] || fail "the libraries are not dependencies"
[ "$(dpkg-deb -f "$deb" Section)" = video ] || fail "the section is not video"

snapshot "$work/before"
# The package's own paths: those of the package that are not on the machine before it.
dpkg-deb --fsys-tarfile "$deb" | tar -t | sed -e 's|^\./|/|' -e 's|/$||' | grep -v '^/\?$' |
    while IFS= read -r path; do [ -e "$path" ] || echo "$path"; done >"$work/own.paths"
echo "== apt-get install $deb"
DEBIAN_FRONTEND=noninteractive apt-get install "${apt_options[@]}" --no-install-recommends "$deb" \
    >"$work/apt.log" 2>&1 || { cat "$work/apt.log"; fail "apt-get install"; }
dpkg -L vantaro >"$work/package.paths"
grep -qx /usr/bin/vantaro "$work/package.paths" || fail "the package did not install /usr/bin/vantaro"
grep -qx /usr/bin/vantaro "$work/own.paths" || fail "/usr/bin/vantaro was there before the package"
grep -vxF -f "$work/package.paths" "$work/own.paths" && fail "dpkg -L misses the paths above"
appstreamcli validate --no-net /usr/share/metainfo/com.quorlin.Vantaro.metainfo.xml ||
    fail "appstreamcli rejects the installed AppStream file"
desktop-file-validate /usr/share/applications/com.quorlin.Vantaro.desktop ||
    fail "desktop-file-validate rejects the installed entry"
grep -qx "Exec=/usr/bin/vantaro %U" /usr/share/applications/com.quorlin.Vantaro.desktop ||
    fail "the menu entry does not start /usr/bin/vantaro"

echo "== /usr/bin/vantaro as $user on a private X server"
useradd --create-home --shell /bin/bash "$user"
home=$(getent passwd "$user" | cut -d: -f6)
cp "$here/../support/xvfb-run-here.sh" "$work/xvfb-run-here.sh"
cat >"$work/start.sh" <<'SCRIPT'
# Starts the installed command from /, waits for the main window, reports where it ran, closes it.
set -euo pipefail
(cd / && exec /usr/bin/vantaro) >"$HOME/vantaro.log" 2>&1 &
pid=$! title=""
for _ in $(seq 1 300); do
    title=$(xdotool search --all --pid "$pid" --name 'Vantaro' getwindowname 2>/dev/null | head -n 1 || true)
    [ -n "$title" ] && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
done
kill -0 "$pid" 2>/dev/null || { cat "$HOME/vantaro.log"; echo "the program ended early"; exit 1; }
echo "cwd=$(readlink "/proc/$pid/cwd")"
kill "$pid"
wait "$pid" 2>/dev/null || true
echo "title=$title"
SCRIPT
chmod 644 "$work/start.sh"
runuser -u "$user" -- env -i HOME="$home" USER="$user" PATH=/usr/bin:/bin LANG=C.UTF-8 \
    bash "$work/xvfb-run-here.sh" bash "$work/start.sh" >"$work/start.out" 2>&1 ||
    { cat "$work/start.out"; fail "the installed program did not start"; }
cat "$work/start.out"
grep -q '^title=Vantaro 2\.0' "$work/start.out" || fail "no main window appeared"
grep -qx "cwd=$home" "$work/start.out" || fail "the program did not run in the home folder"
[ -f "$home/.config/vantaro/applicationUserPreferences.ini" ] ||
    fail "no settings file in the user's ~/.config/vantaro"
[ -d "$home/Vantaro" ] || fail "no download folder ~/Vantaro"
find /usr/lib/vantaro -newer "$work/package.paths" -print | grep -q . &&
    fail "the program wrote into its folder"
userdel -r -f "$user" 2>/dev/null

echo "== apt-get purge vantaro"
DEBIAN_FRONTEND=noninteractive apt-get purge "${apt_options[@]}" vantaro >"$work/apt.log" 2>&1 ||
    { cat "$work/apt.log"; fail "apt-get purge"; }
left=""
while IFS= read -r path; do
    [ -e "$path" ] && left+=" $path"
done <"$work/own.paths"
[ -z "$left" ] || fail "purge left:$left"
snapshot "$work/after"
for part in packages users paths; do
    diff -u "$work/before.$part" "$work/after.$part" || fail "the machine's $part changed"
done
echo "purged: no path of the package left ($(wc -l <"$work/own.paths") paths), the machine as before"
