#!/usr/bin/env bash
# The core's unit tests once more, built with AddressSanitizer and UndefinedBehaviorSanitizer.
# The two largest books are left to the ordinary run: epubcheck, not our code, takes their minutes.
set -euo pipefail
cd "$(dirname "$0")/.."
PAGEWRIGHT_BUILD_DIR=build-asan PAGEWRIGHT_BUILD_TYPE=Debug bash scripts/setup.sh \
    -DPAGEWRIGHT_GUI=OFF -DPAGEWRIGHT_SANITIZE=ON -DPAGEWRIGHT_WERROR=ON
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --test-dir build-asan --output-on-failure --timeout 900 -j "$(nproc)" -L unit \
        -E "Epub\.(TenThousand|AChapterOfFive)"
