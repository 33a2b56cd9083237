#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine (as root), builds the release build and starts the
# wizard (or, with arguments, folio with those arguments).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake --preset release >/dev/null
cmake --build --preset release
if [ $# -gt 0 ]; then
  exec ./build/release/cli/folio "$@"
fi
# Without arguments: the wizard when there is a display to show it on, else how to start it.
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec ./build/release/app/folioworks-demo
fi
echo "No display here: start the wizard on a desktop with ./build/release/app/folioworks-demo"
echo "(or install it: cmake --install build/release). The command-line tool:"
echo
exec ./build/release/cli/folio --help
