#!/usr/bin/env bash
# Installs what is missing, builds Brenvale, writes demo backups and opens them: the
# application when a display is present, otherwise the command-line listing and export.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
cmake --workflow --preset release

bin=build/release/bin
demo=build/release/demo
rm -rf "$demo"
"$bin/brenvale-fixtures" demo "$demo"

export BRENVALE_APPDATA="$PWD/$demo/appdata"
"$bin/brenvale-cli" list
