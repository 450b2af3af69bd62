#!/usr/bin/env bash
# Installs what is missing, builds Brenvale, writes demo backups and opens them: the
# application when a display is present, otherwise the command-line listing, scan and export.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
cmake --workflow --preset release

bin=build/release/bin
demo=build/release/demo
rm -rf "$demo"
"$bin/brenvale-fixtures" demo "$demo" >/dev/null
export BRENVALE_APPDATA="$PWD/$demo/appdata"

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ -x "$bin/brenvale" ]; then
    echo "Starting Brenvale on the demo backups (the encrypted one's password is 0000)."
    exec "$bin/brenvale"
fi

backups="$BRENVALE_APPDATA/Apple Computer/MobileSync/backup"
echo "== The demo backups"
"$bin/brenvale-cli" list
echo
echo "== Scanning Ben's iPhone"
"$bin/brenvale-cli" scan "$backups/9d8c7b6a5f4e3d2c1b0a9f8e7d6c5b4a3f2e1d0c" --quiet
echo
echo "== Exporting Dana's iPhone (encrypted; password 0000) into $demo/export"
printf '0000\n' | "$bin/brenvale-cli" export "$backups/00008101-001A2B3C4D5E6F70" \
    --out "$demo/export" --password-stdin --quiet
