#!/bin/sh
# Renders every step of the application (backup list, categories, scanning, scan ended, the
# password window, the message boxes, the German texts, the results page with each kind of
# preview, a group chat among them, the call list, a long conversation at the default and a
# narrow preview width, the scanning header in both languages, a search with its count, the
# recovery window at its end, the report of a damaged database) to PNG files for
# review, by running the window tests on the offscreen platform with BRENVALE_SCREENSHOTS set.
# Usage: scripts/screenshots.sh [preset]   (default: dev); pictures go to build/<preset>/screenshots.
set -eu
preset="${1:-dev}"
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build/$preset"
out="$build/screenshots"
cmake --build "$build" -j2 --target PageFlowTest ScanPageTest MessageBoxTest ResultsPageTest \
    DamagedBackupTest BackupDiscoveryTest brenvale-cli
mkdir -p "$out"
export QT_QPA_PLATFORM=offscreen LANG=C.UTF-8 TZ=Pacific/Chatham BRENVALE_SCREENSHOTS="$out"
for test in PageFlowTest ScanPageTest MessageBoxTest ResultsPageTest DamagedBackupTest \
    BackupDiscoveryTest; do
    "$build/bin/$test" -silent >/dev/null 2>&1 || { echo "$test failed" >&2; exit 1; }
done
ls "$out"
