#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine (as root), builds the release build and starts folio.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake --preset release >/dev/null
cmake --build --preset release
exec ./build/release/cli/folio "${@:---help}"
