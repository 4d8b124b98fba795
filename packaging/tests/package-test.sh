#!/bin/sh
# The package on this machine, as a user would meet it: lintian finds no error; it installs
# with its dependencies; a new unprivileged user runs larkspurd through the launcher against
# the two simulators; a reinstall keeps the user's settings; removing and purging it leaves
# nothing of it but the user's own files. Changes the machine: for a throw-away one (CI).
#
#   packaging/tests/package-test.sh DEB
#
# Run as root. Exit status: 0 every check held; 1 a check failed; 2 bad usage.
set -eu
if [ $# -ne 1 ] || [ ! -f "$1" ]; then
    echo "usage: package-test.sh DEB (as root)" >&2
    exit 2
fi
deb=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
here=$(cd "$(dirname "$0")" && pwd)
user=kestrel-test
failures=0

fail() {
    echo "package-test: FAILED: $*" >&2
    failures=$((failures + 1))
}

# Runs a command as the test user, in a login-like environment of its own.
as_user() {
    runuser -u "$user" -- env -i HOME="/home/$user" PATH=/usr/bin:/bin LC_ALL=C.UTF-8 "$@"
}

echo "package-test: lintian"
lintian --fail-on error "$deb" || fail "lintian reports errors"

echo "package-test: install"
if ! dpkg -i "$deb"; then
    DEBIAN_FRONTEND=noninteractive apt-get -f install -y -qq || fail "dependencies not installed"
fi
dpkg-query -W -f='${Status}\n' kestrel | grep -q "install ok installed" || fail "not installed"
# What the package must hold; the programs a user starts are the launcher.
for path in /usr/lib/kestrel/libKitecore.so /usr/lib/kestrel/Call.so /usr/lib/kestrel/Retrace.so \
    /usr/lib/kestrel/Echobox.so /usr/lib/kestrel/kestrel-launch /usr/share/kestrel/KestrelCFG.ini \
    /usr/share/kestrel/KeyDefine.ini /usr/share/kestrel/logo/allok.ico \
    /usr/share/kestrel/default.wav /usr/lib/udev/rules.d/70-kestrel-handset.rules \
    /usr/share/applications/kestrel-larkspur.desktop /etc/xdg/autostart/Kestrel.desktop \
    /usr/share/icons/hicolor/scalable/apps/kestrel.svg /usr/lib/systemd/user/larkspurd.service \
    /usr/share/doc/kestrel/copyright; do
    [ -e "$path" ] || fail "$path is not installed"
done
for program in Larkspur larkspurd handset-sim phone-client-sim scenario kestrel-baresip; do
    [ "$(readlink -f "/usr/bin/$program")" = /usr/lib/kestrel/kestrel-launch ] ||
        fail "/usr/bin/$program is not the launcher"
    [ -x "/usr/lib/kestrel/$program" ] || fail "/usr/lib/kestrel/$program is not installed"
    [ -f "/usr/share/man/man1/$program.1.gz" ] || fail "no man page for $program"
done
# The user unit is there for a user without a desktop, not switched on for anyone.
[ ! -e /etc/systemd/user/default.target.wants/larkspurd.service ] ||
    fail "the user unit is enabled by default"
dpkg -L kestrel | sort >/tmp/kestrel-package-files

echo "package-test: a user's first run"
userdel -r "$user" 2>/dev/null || true
useradd --create-home --shell /bin/sh "$user"
start=/home/$user/.local/share/kestrel
cp "$here/installed.scn" "/home/$user/installed.scn"
# scenario starts the host it finds in its program directory: there, larkspurd is the launcher.
as_user mkdir "/home/$user/host"
as_user ln -s /usr/bin/larkspurd "/home/$user/host/larkspurd"
as_user scenario --program-dir "/home/$user/host" "/home/$user/installed.scn" ||
    fail "the scenario failed through the launcher"
[ "$(readlink "$start/larkspurd")" = /usr/lib/kestrel/larkspurd ] ||
    fail "the start directory has no link to larkspurd"
[ "$(readlink "$start/logo")" = /usr/share/kestrel/logo ] ||
    fail "the start directory has no link to the pictures"
for file in KestrelCFG.ini KeyDefine.ini; do
    [ -f "$start/$file" ] && [ ! -L "$start/$file" ] || fail "$file is not the user's own copy"
    [ "$(stat -c %U "$start/$file")" = "$user" ] || fail "$file does not belong to the user"
done
# larkspurd ran in the user's start directory: the Call mode kept its state there.
cmp -s "$start/KestrelCFG.ini" /usr/share/kestrel/KestrelCFG.ini &&
    fail "larkspurd did not write the user's settings"

echo "package-test: a changed setting survives a reinstall"
printf '[Test]\nkept=yes\n' | as_user tee -a "$start/KestrelCFG.ini" >/dev/null
dpkg -i "$deb" >/dev/null || fail "the reinstall failed"
as_user larkspurd --help >/dev/null || fail "larkspurd --help failed after the reinstall"
grep -q "^kept=yes" "$start/KestrelCFG.ini" || fail "the user's setting was lost"

echo "package-test: remove and purge"
dpkg -r kestrel >/dev/null || fail "dpkg -r failed"
[ ! -e /usr/bin/larkspurd ] && [ ! -e /usr/lib/kestrel ] || fail "dpkg -r left programs"
# Settings of the administrator's stay until the purge.
[ -e /etc/xdg/autostart/Kestrel.desktop ] || fail "dpkg -r removed the conffile"
dpkg --purge kestrel >/dev/null || fail "dpkg --purge failed"
while read -r path; do
    # Directories the package shares with others (/usr/bin ...) stay; its own are gone.
    if [ -d "$path" ] && [ "${path#*kestrel}" = "$path" ]; then
        continue
    fi
    [ ! -e "$path" ] && [ ! -L "$path" ] || fail "$path is left after the purge"
done </tmp/kestrel-package-files
rm -f /tmp/kestrel-package-files
[ -f "$start/KestrelCFG.ini" ] || fail "the purge removed the user's own settings"

userdel -r "$user" 2>/dev/null || true
if [ "$failures" -ne 0 ]; then
    echo "package-test: $failures check(s) failed" >&2
    exit 1
fi
echo "package-test: every check held"
