#!/usr/bin/env bash
# Set up (install what is missing, build), then open the window.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
exec build/bin/pagewright "$@"
