#!/usr/bin/env bash
# The desktop install: installs into a fresh prefix, validates the menu entry, the AppStream file
# and the manual page, checks that a second install keeps the settings file, starts the
# installed command under a real X server (it must run from the home folder), does the same with
# the program folder read-only as a system-wide install leaves it, then uninstalls.
# Usage: desktop_install.sh SOURCE_DIR BUILD_DIR
set -euo pipefail
source_dir=${1:?source folder}
build=${2:?build folder}
here=$(cd "$(dirname "$0")" && pwd)

install_work=$(mktemp -d "${TMPDIR:-/tmp}/vantaro-install.XXXXXX")
chmod 755 "$install_work"
prefix=$install_work/prefix
mounted=""
cleanup() {
    [ -n "$mounted" ] && umount -l "$mounted" 2>/dev/null
    rm -rf "$install_work"
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*"
    exit 1
}

# An older install left the entry and the icon under their former names: they go.
mkdir -p "$prefix/share/applications" "$prefix/share/icons/hicolor/scalable/apps"
touch "$prefix/share/applications/vantaro.desktop" "$prefix/share/icons/hicolor/scalable/apps/vantaro.svg"
bash "$source_dir/scripts/desktop-install" install "$build" "$prefix"
id=com.quorlin.Vantaro
for file in bin/vantaro lib/vantaro/vantaro lib/vantaro/applicationUserPreferences.ini \
    lib/vantaro/QrlBin/utilitymff4 lib/vantaro/QrlBin/utilitymff3 lib/vantaro/QrlBin/utilitymffx \
    lib/vantaro/QrlBin/ffmpeg lib/vantaro/QrlBin/utilitymen2 share/applications/$id.desktop \
    share/icons/hicolor/scalable/apps/$id.svg share/metainfo/$id.metainfo.xml \
    share/man/man1/vantaro.1.gz; do
    [ -e "$prefix/$file" ] || fail "$file was not installed"
done
for file in share/applications/vantaro.desktop share/icons/hicolor/scalable/apps/vantaro.svg; do
    [ -e "$prefix/$file" ] && fail "the former $file is still there"
done
[ -d "$prefix/lib/vantaro/QrlMyDownloads" ] || fail "QrlMyDownloads was not installed"
[ -s "$prefix/lib/vantaro/applicationUserPreferences.ini" ] && fail "the settings file is not empty"
entry=$prefix/share/applications/$id.desktop
desktop-file-validate "$entry" || fail "desktop-file-validate rejects the entry"
grep -qx "Exec=$prefix/bin/vantaro %U" "$entry" || fail "the entry does not start the installed command"
grep -qx "Icon=$id" "$entry" || fail "the entry does not name the icon by the desktop id"
appstreamcli validate --no-net "$prefix/share/metainfo/$id.metainfo.xml" ||
    fail "appstreamcli rejects the AppStream file"
# The manual page as lintian reads it: any warning of the formatter fails.
warnings=$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z \
    "$prefix/share/man/man1/vantaro.1.gz" 2>&1 >/dev/null)
[ -z "$warnings" ] || fail "the manual page: $warnings"
# A second install keeps the user's settings.
printf '[Visual]\ndestinationFileName=kept\n' >"$prefix/lib/vantaro/applicationUserPreferences.ini"
bash "$source_dir/scripts/desktop-install" install "$build" "$prefix" >/dev/null
grep -qx "destinationFileName=kept" "$prefix/lib/vantaro/applicationUserPreferences.ini" ||
    fail "a second install replaced the settings file"
: >"$prefix/lib/vantaro/applicationUserPreferences.ini"
echo "installed and validated: $entry"

# Starts the installed command with the given home from an unrelated current folder, waits for
# the main window, checks that the program runs from the home folder, and closes it.
start_installed() {
    local home=$1 log=$install_work/vantaro.log
    mkdir -p "$home"
    (cd / && HOME=$home XDG_CONFIG_HOME= exec "$prefix/bin/vantaro") >"$log" 2>&1 &
    local pid=$! title=""
    for _ in $(seq 1 300); do
        title=$(xdotool search --all --pid "$pid" --name 'Vantaro' getwindowname 2>/dev/null |
            head -n 1 || true)
        [ -n "$title" ] && break
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    if ! kill -0 "$pid" 2>/dev/null; then
        cat "$log"
        fail "the installed program ended early"
    fi
    local cwd
    cwd=$(readlink "/proc/$pid/cwd")
    kill "$pid"
    wait "$pid" 2>/dev/null || true
    [ -n "$title" ] || fail "no main window appeared"
    [ "$cwd" = "$home" ] || fail "the program runs in $cwd instead of the home folder $home"
    echo "the installed program showed '$title' and ran in $cwd"
}
export -f start_installed fail
export prefix install_work

bash "$here/../support/xvfb-run-here.sh" bash -c 'start_installed "$install_work/home"'
# A program folder its user can write keeps the settings and downloads beside the program.
[ -e "$install_work/home/.config/vantaro" ] && fail "a writable install made per-user folders"
[ -e "$install_work/home/Vantaro" ] && fail "a writable install made ~/Vantaro"

# A system-wide install: the program folder cannot be written by its user. Root writes through
# permissions, so the folder is made read-only by a read-only bind mount.
program_dir=$prefix/lib/vantaro
if mount --bind "$program_dir" "$program_dir" 2>/dev/null; then
    mounted=$program_dir
    mount -o remount,bind,ro "$program_dir" || fail "cannot remount the program folder read-only"
    touch "$program_dir/probe" 2>/dev/null && fail "the program folder is still writable"
    bash "$here/../support/xvfb-run-here.sh" bash -c 'start_installed "$install_work/home-system-wide"'
    # The settings and the default download folder moved to the user's own folders.
    [ -f "$install_work/home-system-wide/.config/vantaro/applicationUserPreferences.ini" ] ||
        fail "no per-user settings file in ~/.config/vantaro"
    [ -d "$install_work/home-system-wide/Vantaro" ] || fail "no per-user download folder ~/Vantaro"
    echo "system-wide: settings in ~/.config/vantaro, downloads in ~/Vantaro"
    umount "$program_dir"
    mounted=""
else
    echo "skipped the read-only program folder: cannot bind-mount (needs root)"
fi

bash "$source_dir/scripts/desktop-install" uninstall "$build" "$prefix"
left=$(find "$prefix" -type f)
[ -z "$left" ] || fail "uninstall left: $left"
echo "uninstalled: no file left under the prefix"
