#!/usr/bin/env bash
# Renders every page and dialog of the wizard to PNG on Qt's offscreen platform (no display
# needed): all of them into OUTDIR (default build/release/screenshots), and the four the
# README shows into docs/. BUILD_DIR names another build folder than build/release.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build/release}
[ -f "$build/build.ninja" ] || cmake --preset release >/dev/null
cmake --build "$build" --target wizard_screenshots
out=${1:-$build/screenshots}
QT_QPA_PLATFORM=offscreen "$build/tests/app/wizard_screenshots" "$out" tests/data >/dev/null
mkdir -p docs
for name in wizard-start wizard-merge wizard-markings wizard-settings; do
  cp "$out/$name.png" docs/
done
echo "screenshots: every page and dialog in $out; the README's in docs/"
