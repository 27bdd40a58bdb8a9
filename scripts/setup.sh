#!/usr/bin/env bash
# Installs what is missing (Debian/Ubuntu packages), then configures and builds into build/.
# Usage: scripts/setup.sh [extra cmake -D options]
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev libgl-dev libpcre2-dev libicu-dev libgtest-dev libcli11-dev nlohmann-json3-dev
    zlib1g-dev libxxhash-dev libxml2-dev libopencc-dev opencc
    epubcheck unzip parallel
    fonts-wqy-microhei
    qt6-translations-l10n
    help2man man-db
    clang libfuzzer-14-dev
)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    if [ "$(id -u)" -eq 0 ]; then sudo=(); else sudo=(sudo); fi
    export DEBIAN_FRONTEND=noninteractive
    "${sudo[@]}" apt-get update -qq
    "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# scripts/fuzz.sh wants the packages only, and builds its own way.
[ "${PAGEWRIGHT_INSTALL_ONLY:-}" = "1" ] && exit 0

build_dir=${PAGEWRIGHT_BUILD_DIR:-build}
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=${PAGEWRIGHT_BUILD_TYPE:-Release} "$@"
cmake --build "$build_dir" --parallel "$(nproc)"
