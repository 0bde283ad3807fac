#!/usr/bin/env bash
# install-package.sh BUILD_DIR SOURCE_DIR
# Packs the build, installs the package with apt-get, runs its programs as a throwaway normal
# user and removes package and user again. It changes the machine, so it runs only as root
# (CI) and skips (77) elsewhere; a lock keeps two checkouts on one machine from installing
# over each other.
set -euo pipefail
build=$(realpath "$1")
source=$(realpath "$2")
package=q7-upgrade-utility
user=q7pkgtest
skip() { echo "SKIPPED: $*"; exit 77; }

[ "$(id -u)" -eq 0 ] || skip "installing a package needs root"
for tool in apt-get dpkg-deb cpack runuser useradd xvfb-run xdotool desktop-file-validate; do
    command -v "$tool" >/dev/null || skip "$tool is not installed (scripts/setup installs it)"
done

exec 9>/run/lock/$package-package-test.lock
flock -w 600 9 || { echo "another package test held the lock for 10 minutes"; exit 1; }
if dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    skip "$package is installed on this machine; the test would remove it"
fi

work=$(mktemp -d)
chmod 0755 "$work"
cleanup() {
    apt-get remove -y -q -o DPkg::Lock::Timeout=300 "$package" >/dev/null 2>&1 || true
    userdel -r "$user" >/dev/null 2>&1 || true
    rm -rf "$work"
}
trap cleanup EXIT
userdel -r "$user" >/dev/null 2>&1 || true # left by a run that was killed
useradd -m -s /bin/sh "$user"
home=$(getent passwd "$user" | cut -d: -f6)
as_user() { runuser -u "$user" -- env -i HOME="$home" PATH=/usr/bin:/bin LC_ALL=C.UTF-8 "$@"; }
fail() { echo "FAIL: $*"; exit 1; }

echo "== pack"
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/pack" >"$work/cpack.log" || {
    cat "$work/cpack.log"
    fail "cpack"
}
deb=$(ls "$work"/pack/${package}_*.deb)
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for lib in libqt6core6 libqt6widgets6 libqt6serialport6 qt6-qpa-plugins; do
    grep -q "$lib" <<<"$depends" || fail "the package does not depend on $lib"
done

echo "== install"
apt-get install -y -q -o DPkg::Lock::Timeout=300 "$deb" >"$work/apt.log" 2>&1 || {
    cat "$work/apt.log"
    fail "apt-get install"
}
for f in /usr/bin/Q7UpgradeUtility /usr/bin/q7ctl /usr/bin/q7-board-sim /usr/bin/q7-demo \
    /usr/share/icons/hicolor/scalable/apps/Q7UpgradeUtility.svg \
    /usr/share/icons/hicolor/48x48/apps/Q7UpgradeUtility.png; do
    [ -f "$f" ] || fail "$f is not installed"
done
desktop-file-validate /usr/share/applications/Q7UpgradeUtility.desktop /usr/share/applications/q7-demo.desktop

echo "== q7ctl --help as $user"
help=$(as_user q7ctl --help 2>&1) || fail "q7ctl --help: $help"
grep -q '^usage: q7ctl COMMAND' <<<"$help" || fail "q7ctl --help printed: $help"

echo "== Q7UpgradeUtility offscreen as $user"
# Still up when the time-out ends it: it is waiting at the operator prompt.
rc=0
as_user QT_QPA_PLATFORM=offscreen timeout 10 Q7UpgradeUtility >"$work/offscreen.log" 2>&1 || rc=$?
[ "$rc" -eq 124 ] || { cat "$work/offscreen.log"; fail "it ended with $rc before the time-out"; }
[ -d "$home/.local/share/Q7UpgradeUtility/Data" ] || fail "no data folder in ~/.local/share"

echo "== Q7UpgradeUtility on a display as $user: name given, closed from the menu"
cp "$source/scripts/lib/main-window.sh" "$work/"
cat >"$work/session.sh" <<'SESSION'
set -euo pipefail
. "$1/main-window.sh"
Q7UpgradeUtility &
main=$(answer_operator_prompt 'Test Operator')
exit_from_file_menu "$main"
wait
SESSION
as_user timeout 120 xvfb-run -a bash "$work/session.sh" "$work" >"$work/session.log" 2>&1 || {
    cat "$work/session.log"
    fail "the session on a display"
}
ini=$home/.config/Q7UpgradeUtility/Q7UpgradeUtility.ini
grep -q 'OperatorName=Test Operator' "$ini" || fail "no operator name in $ini"
[ "$(stat -c %U "$ini")" = "$user" ] || fail "$ini is not the user's"
if ls /usr/bin/*.ini >/dev/null 2>&1; then fail "a settings file was written in /usr/bin"; fi

echo "== remove"
apt-get remove -y -q -o DPkg::Lock::Timeout=300 "$package" >"$work/apt.log" 2>&1 || {
    cat "$work/apt.log"
    fail "apt-get remove"
}
[ ! -e /usr/bin/Q7UpgradeUtility ] || fail "/usr/bin/Q7UpgradeUtility is still there"
echo "package built, installed, run by $user and removed"
