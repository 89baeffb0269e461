#!/usr/bin/env bash
# The system-wide install as a distribution packager and its users meet it: installed
# into a staging DESTDIR by a normal user (nobody), every installed file listed in the
# manifest, the desktop entries and the AppStream metainfo valid, the command line's
# information and error exits, and the installed program run under Xvfb with the
# simulated mouse against the read-only factory tree: Apply persists in the user's own
# folder, a second user's folder is separate, a failed save is named on standard
# error, and a reinstall keeps the first user's settings and macro groups.
set -euo pipefail
cd "$(dirname "$0")/../.."
source tests/support/deadline.sh
jobs=$(nproc)
user=nobody
as_user_cmd=(setpriv --reuid="$user" --regid="$(id -g "$user")" --clear-groups --)
as_user() { "${as_user_cmd[@]}" "$@"; }

work=$(mktemp -d /tmp/install-test.XXXXXX)
chmod 755 "$work"
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
  chmod -R u+w "$work" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

fail() { echo "install test: $*" >&2; exit 1; }

# The source and the build as the user can read them: build/install-test of the
# checkout, or a copy where the checkout is private.
src=$PWD
build=$PWD/build/install-test
if ! as_user test -r "$src/CMakeLists.txt"; then
  mkdir "$work/src"
  tar --exclude=./build --exclude=./.git -cf - . | tar -xf - -C "$work/src"
  chmod -R a+rX "$work/src"
  src=$work/src
  build=$work/build
fi
cmake -S "$src" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMC_BUILD_TESTS=OFF \
  -DMC_BUILD_BENCHMARKS=OFF -DCMAKE_INSTALL_PREFIX=/usr -DCMAKE_INSTALL_SYSCONFDIR=/etc >/dev/null
cmake --build "$build" -j "$jobs" >/dev/null
# The install writes its manifest into the build folder.
rm -f "$build/install_manifest.txt"
touch "$build/install_manifest.txt"
chown "$user" "$build/install_manifest.txt"

stage=$work/stage
mkdir "$stage" && chown "$user" "$stage"
install_staged() {
  chmod -R u+w "$stage"
  as_user env DESTDIR="$stage" cmake --install "$build" >/dev/null
  chmod -R a-w "$stage/usr"  # the factory tree is read only for the program's users
}
install_staged

echo "-- manifest"
manifest=$build/install_manifest.txt
[ -s "$manifest" ] || fail "no install manifest"
listed=$(sed "s|^|$stage|" "$manifest" | sort)
present=$(find "$stage" -type f -o -type l | sort)
if [ "$listed" != "$present" ]; then
  diff <(echo "$listed") <(echo "$present") >&2
  fail "manifest and staged files differ"
fi
for f in /usr/bin/ovk-dovaru /usr/share/ovk-dovaru/skins/config/configReset.ini \
         /usr/share/ovk-dovaru/skins/main_normal.jpg /usr/lib/udev/rules.d/70-ovk-dovaru-mouse.rules \
         /usr/share/applications/org.ovkdovaru.OVK_DOvaru.desktop /etc/xdg/autostart/org.ovkdovaru.OVK_DOvaru.desktop \
         /usr/share/metainfo/org.ovkdovaru.OVK_DOvaru.metainfo.xml /usr/share/man/man1/ovk-dovaru.1.gz \
         /usr/share/icons/hicolor/48x48/apps/org.ovkdovaru.OVK_DOvaru.png; do
  [ -e "$stage$f" ] || fail "$f not installed"
done
echo "$(wc -l <"$manifest") files"

echo "-- desktop entries and metainfo"
desktop-file-validate "$stage/usr/share/applications/org.ovkdovaru.OVK_DOvaru.desktop"
desktop-file-validate "$stage/etc/xdg/autostart/org.ovkdovaru.OVK_DOvaru.desktop"
grep -q '^Exec=ovk-dovaru -HIDE$' "$stage/etc/xdg/autostart/org.ovkdovaru.OVK_DOvaru.desktop" ||
  fail "autostart does not start hidden"
appstreamcli validate --no-net "$stage/usr/share/metainfo/org.ovkdovaru.OVK_DOvaru.metainfo.xml"

echo "-- command line"
prog=$stage/usr/bin/ovk-dovaru
home0=$work/home0 && mkdir "$home0" && chown "$user" "$home0"
run_cli() { as_user env -i HOME="$home0" PATH=/usr/bin:/bin "$prog" "$@"; }
out=$(run_cli --help) || fail "--help failed"
grep -q -- '--simulate' <<<"$out" || fail "--help does not describe --simulate"
grep -qxF "Settings: $home0/.config/ovk-dovaru/skins" <<<"$out" || fail "--help names another settings folder: $out"
out=$(run_cli --version) || fail "--version failed"
grep -q '^ovk-dovaru ' <<<"$out" || fail "--version printed: $out"
set +e
err=$(run_cli --simulat 2>&1 >/dev/null); code=$?
set -e
[ "$code" -eq 2 ] || fail "a bad option ended with $code, not 2"
grep -q "unknown option '--simulat'" <<<"$err" || fail "a bad option printed: $err"
[ -z "$(ls -A "$home0")" ] || fail "the information exits wrote into the home folder"

echo "-- the installed program, two users"
# A private desktop of the user's (tests/support/xdesktop.py), until the end of the test.
touch "$work/display" && chown "$user" "$work/display"
"${as_user_cmd[@]}" /usr/bin/python3 "$src/tests/support/xdesktop.py" run --no-tray --size 1280x800 -- \
  sh -c 'echo "$DISPLAY" >"$0"; exec sleep infinity' "$work/display" >"$work/desktop.log" 2>&1 &
pids+=($!)
desktop_up() {
  kill -0 "${pids[-1]}" 2>/dev/null || { cat "$work/desktop.log" >&2; fail "the desktop did not start"; }
  [ -s "$work/display" ]
}
wait_for 60 "the desktop" desktop_up || fail "no desktop"
display=$(cat "$work/display")
on_display() { DISPLAY=$display "$@"; }

# The simulated mouse logs every frame; a download ends with the control pulse.
pulses() { grep -c '^set 07 18 10 ' "$1" 2>/dev/null || true; }

# Starts the program for a home folder, presses "Profile 3" and Apply, waits until
# Apply's download has ended and its save has replaced config.ini or failed, and ends
# the program.
run_user() {
  local home=$1 log=$2
  local runtime=$home/runtime frames=$home/frames.log
  local config=$home/.config/ovk-dovaru/skins/config/config.ini
  as_user mkdir -p -m 700 "$runtime"
  as_user rm -f "$frames"
  # No session bus: nothing may be started for it that outlives the test.
  "${as_user_cmd[@]}" env -i HOME="$home" PATH=/usr/bin:/bin DISPLAY="$display" XDG_RUNTIME_DIR="$runtime" \
    DBUS_SESSION_BUS_ADDRESS=disabled: QT_QPA_PLATFORM=xcb OVK_DOVARU_SIM_FRAME_LOG="$frames" \
    "$prog" --simulate >"$log" 2>&1 &
  local pid=$!
  pids+=("$pid")
  started() {
    kill -0 "$pid" 2>/dev/null || { cat "$log" >&2; fail "the program ended at start"; }
    win=$(on_display xdotool search --onlyvisible --name 'OVK Gaming Mouse' 2>/dev/null | head -n1) || true
    [ -n "$win" ] && [ "$(pulses "$frames")" -ge 1 ]
  }
  wait_for 60 "the window and the start-up download" started || { cat "$log" >&2; fail "no window appeared"; }
  local x y _ before
  read -r x y _ < <(on_display python3 "$src/tests/support/xdesktop.py" geometry "$win")
  before=$(stat -c %i "$config" 2>/dev/null || echo none)
  on_display xdotool mousemove $((x + 75)) $((y + 346)) click 1
  on_display xdotool mousemove $((x + 1005)) $((y + 660)) click 1
  applied() {
    [ "$(pulses "$frames")" -ge 2 ] || return 1
    [ "$(stat -c %i "$config" 2>/dev/null || echo none)" != "$before" ] || grep -q "could not save" "$log"
  }
  wait_for 60 "Apply's download and save" applied || { cat "$log" >&2; fail "Apply did not end"; }
  kill "$pid" 2>/dev/null || { cat "$log" >&2; fail "the program ended before it was closed"; }
  wait "$pid" 2>/dev/null || true
}

home1=$work/home1 && mkdir "$home1" && chown "$user" "$home1"
home2=$work/home2 && mkdir "$home2" && chown "$user" "$home2"
settings1=$home1/.config/ovk-dovaru/skins
settings2=$home2/.config/ovk-dovaru/skins
run_user "$home1" "$work/run1.log"
grep -q '^CurConfig=2' "$settings1/config/config.ini" ||
  { cat "$work/run1.log" >&2; fail "Apply did not persist in the user's folder"; }
[ -f "$settings1/1_INI_EN/macro/macroGrp.ini" ] || fail "the macro library was not seeded"
[ ! -e "$settings1/main_normal.jpg" ] || fail "images were copied into the user's folder"

# The second user's folder is its own; its config folder cannot be written, and the
# failed save names the file on standard error.
as_user mkdir -p "$settings2/config"
for f in config.ini constMacro.dat; do
  as_user cp "$stage/usr/share/ovk-dovaru/skins/config/$f" "$settings2/config/$f"
  as_user chmod 644 "$settings2/config/$f"
done
as_user chmod 555 "$settings2/config"
run_user "$home2" "$work/run2.log"
grep -q '^CurConfig=0' "$settings2/config/config.ini" || fail "the second user's settings changed"
grep -q "could not save $settings2/config/config.ini" "$work/run2.log" ||
  { cat "$work/run2.log" >&2; fail "the failed save was not named"; }
grep -q '^CurConfig=2' "$settings1/config/config.ini" || fail "the second user changed the first user's settings"

# The first user's own macro group survives a reinstall and a new start.
list=$settings1/1_INI_EN/macro/macroGrp.ini
groups=$(sed -n 's/^macGrpNum=//p' "$list" | tr -d '\r')
as_user sed -i -e "s/^macGrpNum=.*/macGrpNum=$((groups + 1))/" -e "s/^$groups=.*/$groups=Mine/" "$list"
as_user sh -c "printf '[Init]\nDAT_VER=3\n[Macros]\nmacroNum=0\n' > '$settings1/1_INI_EN/macro/Mine.dat'"
before=$(cd "$settings1" && find . -type f ! -name '*.broken-*' -exec md5sum {} + | sort)
install_staged
run_user "$home1" "$work/run3.log"
[ -f "$settings1/1_INI_EN/macro/Mine.dat" ] || fail "the reinstall lost the user's macro group"
grep -q '^CurConfig=2' "$settings1/config/config.ini" || fail "the reinstall reset the user's settings"
after=$(cd "$settings1" && find . -type f ! -name '*.broken-*' -exec md5sum {} + | sort)
# Apply rewrote config.ini; every other file of the user is as it was.
[ "$(grep -v config.ini <<<"$before")" = "$(grep -v config.ini <<<"$after")" ] ||
  fail "the reinstall changed the user's files"
echo "install test: 1 passed, 0 failed"
