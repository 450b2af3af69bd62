#!/usr/bin/env bash
# Installs, with apt-get, the Debian 12 packages that building and testing Brenvale need and
# that this machine lacks. Runs as root (or through sudo when it is there).
# Usage: scripts/install-deps.sh [--fuzz]   (--fuzz: only the compiler, runtime and symbolizer
# that the fuzz preset needs; Debian's default clang 14 cannot compile <source_location>).
set -euo pipefail

packages=(
    g++ cmake ninja-build pkg-config git tzdata
    libsqlite3-dev sqlite3 libssl-dev openssl libplist-dev zlib1g-dev libical-dev
    googletest libgtest-dev libgmock-dev libbenchmark-dev
    qt6-base-dev qt6-svg-dev qt6-multimedia-dev libgl-dev poppler-utils fonts-dejavu-core
    libheif-dev gstreamer1.0-plugins-base gstreamer1.0-plugins-good python3 python3-vobject
)
if [ "${1:-}" = "--fuzz" ]; then
    packages=(clang-16 libclang-rt-16-dev llvm-16)
fi

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$package")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

echo "Installing: ${missing[*]}"
run_root=()
if [ "$(id -u)" -ne 0 ] && command -v sudo >/dev/null; then
    run_root=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${run_root[@]}" apt-get update -qq
"${run_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
