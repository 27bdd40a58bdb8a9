#!/usr/bin/env bash
# Set up (install what is missing, build), then run every test: unit, window (headless) and
# command line. With CI=true, warnings are errors.
set -euo pipefail
cd "$(dirname "$0")/.."
werror=OFF
[ "${CI:-}" = "true" ] && werror=ON
bash scripts/setup.sh -DPAGEWRIGHT_WERROR=$werror
ctest --test-dir build --output-on-failure --timeout 600 -j "$(nproc)"
