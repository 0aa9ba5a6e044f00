#!/usr/bin/env bash
# The Debian package as an agency's administrator meets it: made by CPack from this build,
# checked by lintian, installed into a scratch root, started from its launcher on an X server
# the way a new user starts it, and removed again.
# Usage: tst_package.sh BUILDFOLDER ACCESSFILE QTPLUGINFOLDER QTTRANSLATIONFOLDER
set -euo pipefail
build=$1 access=$2 plugins=$3 translations=$4
# shellcheck source=../../scripts/lib/xsession.sh
. "$(dirname "$0")/../../scripts/lib/xsession.sh"

work=$(mktemp -d)
program_pid=""
cleanup() {
  [ -z "$program_pid" ] || kill "$program_pid" 2>/dev/null || true
  xsession_stop
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*" >&2
  exit 1
}
step() { echo "-- $*"; }

step "The package, made in a folder of its own (the build folder's outputs stay as they are)"
cpack --config "$build/CPackConfig.cmake" -B "$work/package" >"$work/cpack.log" 2>&1 \
  || { cat "$work/cpack.log"; fail "cpack did not make the package"; }
debs=("$work"/package/quillonix_*.deb)
if [ ${#debs[@]} -ne 1 ] || [ ! -f "${debs[0]}" ]; then
  fail "expected one quillonix_*.deb, found: ${debs[*]}"
fi
deb=${debs[0]}
dpkg-deb --info "$deb"

step "Debian's own check: lintian finds no error and no warning"
# Informational tags are shown, and allowed: the package is made by CPack, not from a source package.
lintian --fail-on error,warning --display-info "$deb" || fail "lintian finds errors or warnings in the package"

step "Depends names the package of every file the program loads at run time"
depends=$(dpkg-deb --field "$deb" Depends | sed -E 's/\([^)]*\)//g; s/\|/,/g' | tr ',' '\n' | tr -d ' ')
font=$(fc-list 'WenQuanYi Micro Hei' file | sed 's/: *$//' | head -n 1)
[ -n "$font" ] || fail "the font WenQuanYi Micro Hei is not installed on this machine"
for file in "$plugins/sqldrivers/libqsqlite.so" "$plugins/platforms/libqxcb.so" \
  "$plugins/imageformats/libqjpeg.so" "$plugins/imageformats/libqgif.so" \
  "$plugins/imageformats/libqwebp.so" "$translations/qtbase_zh_CN.qm" "$font"; do
  owner=$(dpkg-query --search "$file" | cut -d: -f1)
  grep -qx "$owner" <<<"$depends" || fail "$file comes with $owner, which Depends does not name"
done
# Every dependency, with its version, is one that Debian's archive or this machine offers.
apt-get --simulate install "$deb" >"$work/apt.log" 2>&1 || { cat "$work/apt.log"; fail "apt-get cannot satisfy Depends"; }

step "Installed into a scratch root"
root="$work/root"
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates"
: >"$root/var/lib/dpkg/status"
install_log="$work/dpkg.log"
PATH="$PATH:/usr/sbin:/sbin" dpkg --root="$root" --force-depends --force-not-root --install "$deb" >"$install_log" 2>&1 \
  || { cat "$install_log"; fail "dpkg did not install the package"; }
for program in quillonix quillonix-import quillonix-demodb; do
  [ -x "$root/usr/bin/$program" ] || fail "/usr/bin/$program is not installed"
done

step "The launcher, its icon and the software centre's description"
desktop="$root/usr/share/applications/quillonix.desktop"
desktop-file-validate "$desktop" || fail "desktop-file-validate refuses the launcher"
grep -qx 'Name=房源查看' "$desktop" || fail "the launcher is not named 房源查看"
grep -qx 'Categories=Office;' "$desktop" || fail "the launcher is not in the Office category"
icon=$(sed -n 's/^Icon=//p' "$desktop")
[ -f "$root/usr/share/icons/hicolor/scalable/apps/$icon.svg" ] || fail "no scalable icon $icon"
for size in 16 22 24 32 48 64 128 256; do
  png="$root/usr/share/icons/hicolor/${size}x${size}/apps/$icon.png"
  [ -f "$png" ] || fail "no ${size}x$size icon $icon"
  # A PNG's width and height are the two big-endian words at byte 16.
  [ "$(od -An -tu1 -j16 -N8 "$png" | tr -s ' ')" = " 0 0 $((size / 256)) $((size % 256)) 0 0 $((size / 256)) $((size % 256))" ] \
    || fail "$png is not ${size}x$size"
done
metainfo=("$root"/usr/share/metainfo/*.metainfo.xml)
appstreamcli validate --no-net "${metainfo[@]}" || fail "appstreamcli refuses the metainfo"
grep -q '<launchable type="desktop-id">quillonix.desktop</launchable>' "${metainfo[@]}" \
  || fail "the metainfo does not name the launcher"

# The program runs as a user whose home lies in the scratch root, started by the launcher's
# command on an X server of its own.
home="$root/home/desk"
mkdir -p "$home" "$work/tmp" "$work/runtime"
chmod 700 "$work/runtime"
launcher_command=$(sed -n 's/^Exec=//p' "$desktop")
settings="$home/.config/quillonix/quillonix.conf"
xsession_start "$work"
start_program() {
  # shellcheck disable=SC2086  # the launcher's command is split into words as a desktop does
  HOME="$home" XDG_CONFIG_HOME="" XDG_RUNTIME_DIR="$work/runtime" TMPDIR="$work/tmp" \
    PATH="$root/usr/bin:$PATH" QT_QPA_PLATFORM=xcb $launcher_command >>"$work/program.log" 2>&1 &
  program_pid=$!
}
program_ended() {
  for _ in $(seq 100); do
    kill -0 "$program_pid" 2>/dev/null || break
    sleep 0.1
  done
  kill -0 "$program_pid" 2>/dev/null && fail "the program did not end"
  local status=0
  wait "$program_pid" || status=$?
  program_pid=""
  [ "$status" -eq 0 ] || { cat "$work/program.log"; fail "the program ended with status $status"; }
}
expect_window() {
  local id
  id=$(window_wait "$1" 30) || true
  [ -n "$id" ] || { cat "$work/program.log" >&2; fail "no window '$1' appeared"; }
  echo "$id"
}

step "First start, with no setting and no database: the question leads to the location dialog"
find "$root/usr" | sort >"$work/usr-before"
start_program
question=$(expect_window 连接数据库)
window_keys "$question" y
location=$(expect_window 数据库位置)
# The user makes the demo database in a folder of their own and chooses it in the folder
# picker, typing its name.
"$root/usr/bin/quillonix-demodb" "$home/房源数据" >/dev/null
window_click "$location" 297 48 # 更改
picker=$(expect_window '选择数据库路径：')
window_type "$picker" "$home/房源数据"
window_keys "$picker" Return
window_closed "$picker" || fail "the folder picker did not close"
window_click "$location" 226 84 # 保存
confirm=$(expect_window 更改数据库路径)
window_keys "$confirm" y
restart=$(expect_window 重新登录)
window_keys "$restart" Return
program_ended
grep -qx "quillonixDBPath=$home/房源数据" "$settings" || fail "the chosen folder is not stored: $(cat "$settings")"
find "$root/usr" | sort | diff "$work/usr-before" - || fail "the program wrote under /usr"

step "Next start: the demo database in the user's own folder, login, the main window, 退出"
start_program
login=$(expect_window 用户登录)
window_keys "$login" Tab
window_type "$login" 8888
window_keys "$login" Return
main=$(expect_window '- 查看房源 -')
window_click "$main" 718 510 # 退出
prompt=$(expect_window 检查权限)
window_type "$prompt" 8888
window_click "$prompt" 131 62 # 确定
program_ended

step "An Access database: the program reads it through the converter installed beside it"
access_folder="$home/access"
mkdir -p "$access_folder"
cp "$access" "$access_folder/itdb.mdb"
printf '[quillonixSave]\nquillonixDBPath=%s/\n' "$access_folder" >"$settings"
start_program
# The file has no user table, and the login reports that. Had the program not found the
# converter, the connection would have failed and it would ask to move the database.
first=$(expect_window '用户登录|连接数据库')
[ "$(window_title "$first")" = 用户登录 ] || fail "the Access file was not read: $(cat "$work/program.log")"
window_keys "$first" Return
window_closed "$first" || fail "the message did not close"
login=$(expect_window 用户登录)
window_keys "$login" Escape # 取消
program_ended
[ -z "$(ls -A "$work/tmp")" ] || fail "the program left files in the temporary folder: $(ls -A "$work/tmp")"
find "$root/usr" | sort | diff "$work/usr-before" - || fail "the program wrote under /usr"

step "Removed and purged: nothing is left but the user's own files"
PATH="$PATH:/usr/sbin:/sbin" dpkg --root="$root" --force-depends --force-not-root --purge quillonix >>"$install_log" 2>&1 \
  || { cat "$install_log"; fail "dpkg did not remove the package"; }
left=$(find "$root" -mindepth 1 -not -path "$root/home" -not -path "$root/home/*" \
  -not -path "$root/var" -not -path "$root/var/lib" -not -path "$root/var/lib/dpkg" -not -path "$root/var/lib/dpkg/*")
[ -z "$left" ] || fail "left behind after removal: $left"
[ -f "$settings" ] || fail "the user's settings went with the package"
echo "PASS"
