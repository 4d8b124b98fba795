#!/bin/sh
# The per-user launcher against a fake installed tree in a temporary directory.
# usage: launcher-test.sh PATH/TO/kestrel-launch   (TEST_SHELL=bash runs it under another shell)
set -u
export LC_ALL=C
[ $# -eq 1 ] || { echo "usage: $0 PATH/TO/kestrel-launch" >&2; exit 2; }
launcher=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
shell=${TEST_SHELL:-sh}
work=$(mktemp -d)
trap 'chmod -R u+rwx "$work"; rm -rf "$work"' EXIT
work=$(cd "$work" && pwd -P)
lib=$work/usr/lib/kestrel
share=$work/usr/share/kestrel
home=$work/home
failures=$work/failures
: >"$failures"

fail() { printf 'FAIL: %s\n' "$*" | tee -a "$failures" >&2; }
# check DESCRIPTION COMMAND...: a failed COMMAND is a failure.
check() {
  what=$1
  shift
  "$@" || fail "$what"
}
is_link() { [ -L "$1" ] && [ "$(readlink "$1")" = "$2" ]; }
has() { [ -f "$1" ] && [ ! -L "$1" ] && [ "$(cat "$1")" = "$2" ]; }
user_writable() { [ -n "$(find "$1" -prune -perm -u+w)" ]; }
starts() { case $1 in "$2"*) ;; *) echo "  no '$2' at the start of: $1" >&2; return 1 ;; esac; }
contains() { case $1 in *"$2"*) ;; *) echo "  no '$2' in: $1" >&2; return 1 ;; esac; }
one_line() { [ -n "$1" ] && [ "$(printf '%s\n' "$1" | wc -l)" -eq 1 ]; }
same() { [ "$1" = "$2" ] || { printf '  expected: %s\n  actual:   %s\n' "$2" "$1" >&2; return 1; }; }

# The fake programs say where they run, with what, and exit with FAKE_STATUS.
mkdir -p "$lib" "$share/logo" "$work/bin" "$work/cwd"
for prog in larkspurd handset-sim; do
  # shellcheck disable=SC2016 # the fake's own script, expanded when it runs
  printf '#!/bin/sh\npwd -P\nfor a; do echo "[$a]"; done\nexit "${FAKE_STATUS:-0}"\n' >"$lib/$prog"
  chmod 755 "$lib/$prog"
done
cp "$launcher" "$lib/kestrel-launch"
chmod 755 "$lib/kestrel-launch"
echo engine >"$lib/libKitecore.so"
echo plugin >"$lib/Call.so"
echo icon >"$share/logo/ring.bmp"
echo sound >"$share/ring.wav"
samples() {
  chmod u+w "$share/KestrelCFG.ini" "$share/KeyDefine.ini" 2>/dev/null || true
  echo "cfg $1" >"$share/KestrelCFG.ini"
  echo "keys $1" >"$share/KeyDefine.ini"
  chmod 444 "$share/KestrelCFG.ini" "$share/KeyDefine.ini"
}
samples v1

# run XDG_DATA_HOME|unset COMMAND [ARGS...]: COMMAND is a name under /usr/bin (a link to the
# launcher), run from $work/cwd; sets $out, $err and $status.
run() {
  xdg=$1
  name=$2
  shift 2
  ln -sfn "$launcher" "$work/bin/$name"
  status=0
  (
    cd "$work/cwd" || exit 99
    export HOME="$home" KESTREL_LIB_DIR="$lib" KESTREL_SHARE_DIR="$share"
    if [ "$xdg" = unset ]; then unset XDG_DATA_HOME; else export XDG_DATA_HOME="$xdg"; fi
    exec "$shell" "$work/bin/$name" "$@"
  ) >"$work/out" 2>"$work/err" || status=$?
  out=$(cat "$work/out")
  err=$(cat "$work/err")
}

start=$work/xdg/kestrel
check_links() {
  while read -r name dir; do
    is_link "$start/$name" "$dir/$name" ||
      fail "$1: $name should link to $dir/$name, is: $(ls -ld "$start/$name" 2>&1)"
  done
}
installed_links() {
  check_links "$1" <<EOF
larkspurd $lib
handset-sim $lib
libKitecore.so $lib
Call.so $lib
logo $share
ring.wav $share
EOF
}
# Only names of our own making here, so ls is fine.
# shellcheck disable=SC2012
entries() { (cd "${1:-$start}" && ls -A | tr '\n' ' '); }

# First run: links made, settings copied for the user to change, the program run in the start
# directory with its arguments (--help too), and its exit status passed on.
export FAKE_STATUS=3
run "$work/xdg" larkspurd -a "b c" --help
unset FAKE_STATUS
check "first run: status passed on" same "$status" 3
check "first run: program's output" same "$out" "$(printf '%s\n' "$start" "[-a]" "[b c]" "[--help]")"
check "first run: nothing on stderr" same "$err" ""
installed_links "first run"
for ini in "KestrelCFG.ini cfg" "KeyDefine.ini keys"; do
  check "first run: ${ini% *} copied" has "$start/${ini% *}" "${ini#* } v1"
  check "first run: ${ini% *} writable" user_writable "$start/${ini% *}"
done
expected="Call.so KestrelCFG.ini KeyDefine.ini handset-sim larkspurd libKitecore.so logo ring.wav "
check "first run: exactly the expected entries (no launcher, no temp files)" same "$(entries)" "$expected"

# Second run, under the launcher's own name: nothing added, the user's setting kept.
chmod u+w "$start/KestrelCFG.ini"
echo "cfg mine" >"$start/KestrelCFG.ini"
run "$work/xdg" kestrel-launch handset-sim x
check "second run: status" same "$status" 0
check "second run: program's output" same "$out" "$(printf '%s\n' "$start" "[x]")"
installed_links "second run"
check "second run: nothing duplicated" same "$(entries)" "$expected"
check "second run: changed setting kept" has "$start/KestrelCFG.ini" "cfg mine"

# Reinstall with other samples: settings are never overwritten, only copied when missing.
samples v2
rm "$start/KeyDefine.ini"
run "$work/xdg" larkspurd
check "reinstall: status" same "$status" 0
check "reinstall: changed setting kept" has "$start/KestrelCFG.ini" "cfg mine"
check "reinstall: missing settings copied anew" has "$start/KeyDefine.ini" "keys v2"

# Upgrade: a program added, a sound dropped, a plug-in moved, a link to another installed
# file made right; the user's own files stay.
cp "$lib/larkspurd" "$lib/scenario"
rm "$share/ring.wav"
mv "$lib/Call.so" "$share/Call.so"
echo "my notes" >"$start/notes.txt"
ln -s "$work/elsewhere/gone" "$start/mine"
rm "$start/handset-sim" "$start/logo"
echo "my handset-sim" >"$start/handset-sim"
mkdir "$work/mylogo"
ln -s "$work/mylogo" "$start/logo"
ln -sfn "$share/logo" "$start/larkspurd"
run "$work/xdg" scenario
check "upgrade: new program runs" same "$out" "$start"
check_links "upgrade" <<EOF
scenario $lib
Call.so $share
larkspurd $lib
libKitecore.so $lib
EOF
check "upgrade: dropped file's link removed" test ! -L "$start/ring.wav"
check "upgrade: user's file untouched" has "$start/notes.txt" "my notes"
check "upgrade: user's file in an installed name's place untouched" has "$start/handset-sim" "my handset-sim"
check "upgrade: user's link in an installed name's place untouched" is_link "$start/logo" "$work/mylogo"
check "upgrade: user's dangling link elsewhere untouched" is_link "$start/mine" "$work/elsewhere/gone"

# An XDG_DATA_HOME unset, empty or relative means $HOME/.local/share.
for xdg in unset "" relative; do
  rm -rf "$home"
  run "$xdg" larkspurd
  check "XDG_DATA_HOME '$xdg': status" same "$status" 0
  check "XDG_DATA_HOME '$xdg': start directory" same "$out" "$home/.local/share/kestrel"
  check "XDG_DATA_HOME '$xdg': settings there" has "$home/.local/share/kestrel/KeyDefine.ini" "keys v2"
  check "XDG_DATA_HOME '$xdg': nothing made relative to the current directory" \
    test ! -e "$work/cwd/relative"
done

# Start directories that cannot be used, even by root: one line naming it, status 1.
echo file >"$work/afile"
mkdir -p "$work/taken" "$work/locked"
echo file >"$work/taken/kestrel"
# Complete already, so that nothing but the settings pages would write there.
run "$work/closed" larkspurd
check "locked-start: made" same "$status" 0
chmod 500 "$work/locked" "$work/closed/kestrel"
while read -r case xdg reason; do
  if [ "$case" != "${case#locked}" ] && [ "$(id -u)" = 0 ]; then
    echo "SKIP: $case: root writes into a read-only directory"
    continue
  fi
  run "$xdg" larkspurd
  check "$case: status" same "$status" 1
  check "$case: program not run" same "$out" ""
  check "$case: message" same "$err" "larkspurd: cannot use the start directory $xdg/kestrel: $reason"
done <<EOF
parent-is-file $work/afile Not a directory
start-is-file $work/taken File exists
locked $work/locked Permission denied
locked-start $work/closed Permission denied
EOF

# A settings copy that fails leaves no half-made file behind.
mv "$share/KeyDefine.ini" "$work/KeyDefine.ini.away"
rm -rf "$home"
run unset larkspurd
check "missing sample: status" same "$status" 1
check "missing sample: one line" one_line "$err"
check "missing sample: message" starts "$err" "larkspurd: cannot copy the settings $share/KeyDefine.ini"
case $(entries "$home/.local/share/kestrel") in
  *KeyDefine*) fail "missing sample: a settings file or temporary left: $(entries "$home/.local/share/kestrel")" ;;
esac
mv "$work/KeyDefine.ini.away" "$share/KeyDefine.ini"

# Unknown programs: status 2, one line naming it, the start directory not even made.
while read -r name arg word; do
  [ "$arg" = - ] && arg=
  rm -rf "$home"
  run unset "$name" ${arg:+"$arg"}
  check "unknown '$name $arg': status" same "$status" 2
  check "unknown '$name $arg': one line" one_line "$err"
  check "unknown '$name $arg': message starts with the name" starts "$err" "$name: "
  check "unknown '$name $arg': message names the program" contains "${err#"$name: "}" "$word"
  check "unknown '$name $arg': nothing made" test ! -e "$home"
done <<EOF
nosuch - nosuch
kestrel-launch nosuch nosuch
kestrel-launch libKitecore.so libKitecore.so
kestrel-launch ../kestrel/larkspurd ../kestrel/larkspurd
kestrel-launch kestrel-launch "kestrel-launch"
kestrel-launch - PROGRAM
EOF

run unset kestrel-launch --help
check "own --help: usage" same "$status:${out%% *}" "0:usage:"

if [ -s "$failures" ]; then
  echo "$(wc -l <"$failures") check(s) failed" >&2
  exit 1
fi
echo "all launcher checks passed"
