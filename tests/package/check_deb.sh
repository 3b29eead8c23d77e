#!/usr/bin/env bash
# The Debian package: its control fields and dependencies, its files unpacked into a temporary
# root, and the unpacked till started on a display of its own up to its first window, once as
# a shop starts it today (in a fresh demo folder) and once as the desktop menu does (a new,
# empty data folder), as a user who may not write the program's files. Both first windows are
# the form for the first user.
#   tests/package/check_deb.sh BUILD_FOLDER   builds the package from a build folder (cpack)
#   tests/package/check_deb.sh tavlo_*.deb    checks a package made before
# Exits 77 (skipped) when a tool it needs is missing.
set -euo pipefail

# The title of the till's first window, the first-user form (the log-in when users exist).
readonly FIRST_WINDOW="Tavlo v5 | Main"
readonly WAIT_SECONDS=60

fail() { echo "FAIL: $*" >&2; exit 1; }

# Under the display: starts a program in a folder and waits until its first window shows.
if [ "${1:-}" = "--first-window" ]; then
  folder=$2 log=$3
  shift 3
  (cd "$folder" && exec env -u QT_QPA_PLATFORM "$@") >"$log" 2>&1 &
  pid=$!
  shown=no
  deadline=$((SECONDS + WAIT_SECONDS))
  while [ $SECONDS -lt $deadline ] && kill -0 "$pid" 2>/dev/null; do
    if xwininfo -name "$FIRST_WINDOW" 2>/dev/null | grep "Map State: IsViewable" >/dev/null; then
      shown=yes
      break
    fi
    sleep 0.2
  done
  windows=$(xwininfo -root -tree 2>/dev/null | grep -o '^ *0x[0-9a-f]* "[^"]*"' | sed 's/^ *0x[0-9a-f]* //' | sort -u | tr '\n' ' ' || true)
  if kill -0 "$pid" 2>/dev/null; then
    kill "$pid"
    ended="still running"
  else
    ended="ended by itself"
  fi
  wait "$pid" 2>/dev/null || true
  if [ $shown != yes ]; then
    echo "The window \"$FIRST_WINDOW\" did not show within ${WAIT_SECONDS}s (the program $ended)." >&2
    echo "Windows seen: $windows" >&2
    echo "Its output:" >&2
    cat "$log" >&2
    exit 1
  fi
  exit 0
fi

for tool in dpkg-deb dpkg-query xvfb-run xwininfo; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is missing (scripts/install-deps.sh installs it)"; exit 77; }
done
[ $# -eq 1 ] || { echo "usage: $0 BUILD_FOLDER | PACKAGE.deb" >&2; exit 2; }
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
self=$(cd "$(dirname "$0")" && pwd)/$(basename "$0")
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

if [ -d "$1" ]; then
  command -v cpack >/dev/null || { echo "SKIP: cpack is missing"; exit 77; }
  cpack --config "$1/CPackConfig.cmake" -B "$tmp/cpack" >"$tmp/cpack.log" 2>&1 ||
    { cat "$tmp/cpack.log" >&2; fail "cpack could not build the package"; }
  debs=("$tmp"/cpack/*.deb)
  [ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "cpack made no single .deb: ${debs[*]}"
  deb=${debs[0]}
else
  deb=$1
fi
echo "Package: $(basename "$deb"), $(du -k "$deb" | cut -f1) KiB"

# ---- Control fields ---------------------------------------------------------------------------
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = tavlo ] || fail "Package is '$(field Package)'"
[ "$(field Architecture)" = "$(dpkg --print-architecture)" ] || fail "Architecture is '$(field Architecture)'"
for f in Version Maintainer Section Priority Description; do
  [ -n "$(field "$f")" ] || fail "the control field $f is empty"
done
[ "$(field Description | wc -l)" -ge 2 ] || fail "the Description has no long text"

depends=$(field Depends)
echo "Depends: $depends"
# Each a package the till needs at run time: the Qt face, the storage, PDF, archives, passwords,
# and the fonts the reports load from their files.
for needed in libqt6widgets6 libqt6gui6 libqt6printsupport6 libsqlite3-0 libhpdf libzip libsodium fonts-liberation; do
  echo "$depends" | tr ',|' '\n\n' | sed 's/^ *//' | grep "^$needed" >/dev/null || fail "Depends does not name $needed"
done
# Every dependency names a real package: each is installed here (the till runs against them
# below), or one of its alternatives is.
IFS=',' read -ra clauses <<<"$depends"
for clause in "${clauses[@]}"; do
  ok=no
  IFS='|' read -ra alternatives <<<"$clause"
  for alternative in "${alternatives[@]}"; do
    name=$(echo "$alternative" | sed 's/(.*)//; s/ //g')
    dpkg-query -W -f='${Status}' "$name" 2>/dev/null | grep "install ok installed" >/dev/null && ok=yes
  done
  [ $ok = yes ] || fail "no package of '$clause' is installed here"
done

# ---- Files ------------------------------------------------------------------------------------
outside=$(dpkg-deb -c "$deb" | awk '{print $6}' | grep -v '^\./usr/' | grep -v '^\./$' || true)
[ -z "$outside" ] || fail "files outside /usr: $outside"
root=$tmp/root
dpkg-deb -x "$deb" "$root"
for program in tavlo tavlo-desktop tavlo_demo_data tavlo_lang tavlo_zip; do
  link=$root/usr/bin/$program
  [ -L "$link" ] || fail "usr/bin/$program is not a link"
  [ "$(readlink -f "$link")" = "$root/usr/lib/tavlo/$program" ] || fail "usr/bin/$program leads to $(readlink -f "$link")"
  [ -x "$root/usr/lib/tavlo/$program" ] || fail "usr/lib/tavlo/$program is not a program"
done
# The language store beside the program, readable by the shipped tool.
languages=$("$root/usr/bin/tavlo_lang" dump "$root/usr/lib/tavlo/POSlan.tps")
grep -q "^language 2 Afrikaans" <<<"$languages" ||
  fail "usr/lib/tavlo/POSlan.tps does not hold the Afrikaans language"
desktop=$root/usr/share/applications/tavlo.desktop
[ -f "$desktop" ] || fail "no desktop entry"
if command -v desktop-file-validate >/dev/null; then desktop-file-validate "$desktop" || fail "the desktop entry is not valid"; fi
exec_line=$(sed -n 's/^Exec=//p' "$desktop")
icon=$(sed -n 's/^Icon=//p' "$desktop")
[ -L "$root/usr/bin/$exec_line" ] || fail "the desktop entry starts '$exec_line', which the package does not have"
[ -f "$root/usr/share/icons/hicolor/scalable/apps/$icon.svg" ] || fail "no icon '$icon'"
if [ -d "$source_dir/docs/guide" ]; then
  [ -d "$root/usr/share/doc/tavlo/guide" ] || fail "the user guide is not in usr/share/doc/tavlo/guide"
  # Its pages show their windows' pictures, in both languages.
  for lang in en af; do
    [ -f "$root/usr/share/doc/tavlo/guide/$lang/img/till.png" ] || fail "the user guide's $lang/img/till.png is not in the package"
  done
fi

# ---- Starting the unpacked till ---------------------------------------------------------------
# As an installed till runs: its own files are not the user's to write. Run as root (CI), the
# unpacked files stay root's and the till runs as nobody, on a display that lets nobody in.
home=$tmp/home
mkdir "$home"
as_user=()
if [ "$(id -u)" -eq 0 ]; then
  chmod 755 "$tmp"
  as_user=(setpriv --reuid=nobody --regid="$(id -g nobody)" --clear-groups)
fi
start() {
  local folder=$1 log=$2
  shift 2
  xvfb-run -a -s "-ac -screen 0 1280x1024x24" \
    "$self" --first-window "$folder" "$log" "${as_user[@]}" env HOME="$home" "$@"
}
# A fresh demo folder, as scripts/run.sh makes it: the demo's tables and a request for the
# first user. The till starts in it, as a shop starts it today.
demo=$home/demo
mkdir "$demo"
"$root/usr/bin/tavlo_demo_data" "$demo" >/dev/null
touch "$demo/TavloUsers.reset"
[ ${#as_user[@]} -eq 0 ] || chown -R nobody "$home"
start "$demo" "$tmp/demo.log" "$root/usr/bin/tavlo" ||
  fail "the till did not show its first window on the demo folder"
# From the desktop menu on a new shop: the starter makes the data folder it is given.
start "$home" "$tmp/desktop.log" TAVLO_DATA="$home/new shop" "$root/usr/bin/$exec_line" ||
  fail "the desktop entry did not start the till on a new shop"
[ -f "$home/new shop/Tavlo.Ini" ] && [ ! -e "$home/Tavlo.Ini" ] ||
  fail "the till did not work in the folder TAVLO_DATA names"
echo "The package is sound: $(basename "$deb")"
