#!/usr/bin/env bash
# Takes the user guide's pictures again: builds the GUI tests, runs the one that opens each
# window the guide has a page for (in English and Afrikaans) on a virtual X display, and copies
# its pictures into docs/guide/<en|af>/img/. Commit the changed pictures with the change that
# made them differ. The guide's viewer is tried on the same display; its picture on the till's
# page and the audit report's stay in BUILD_FOLDER/screenshots/.
#   scripts/guide-shots.sh [BUILD_FOLDER]   (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
export TZ=UTC LC_ALL=C.UTF-8

[ -f "$build/build.ninja" ] || [ -f "$build/Makefile" ] ||
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTAVLO_BENCH=OFF >/dev/null
cmake --build "$build" --target test_gui
shots="$build/screenshots/guide"
rm -rf "$shots"

run=("$build/tests/test_gui" --gtest_filter='Languages/GuideScreens.*:Languages/GuideViewerGui.*')
if command -v xvfb-run >/dev/null; then
  (unset QT_QPA_PLATFORM; xvfb-run -a -s "-screen 0 1280x1024x24" "${run[@]}")
else
  echo "xvfb-run is missing: the pictures are taken on the offscreen platform." >&2
  QT_QPA_PLATFORM=offscreen "${run[@]}"
fi

for lang in en af; do
  ls "$shots/$lang"/*.png >/dev/null
  mkdir -p "docs/guide/$lang/img"
  cp "$shots/$lang"/*.png "docs/guide/$lang/img/"
done
echo "Pictures copied into docs/guide/en/img and docs/guide/af/img:"
git status --short docs/guide
