#!/usr/bin/env bash
# Makes the Debian package and looks inside it: builds the `package` preset (shared library,
# folio and, when it is configured, the wizard; prefix /usr), runs `cpack --preset deb`,
# unpacks the package into a temporary root, lists its files, checks what it must hold and
# that every shared library its programs need is a declared dependency, then builds the
# outside-project test against the unpacked library and runs it.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=${JOBS:-$(nproc 2>/dev/null || echo 2)}
build=build/package

cmake --preset package >/dev/null
cmake --build --preset package -j "$jobs"
rm -f "$build"/folioworks_*.deb
cpack --preset deb >"$build/cpack.log" 2>&1 || { cat "$build/cpack.log" >&2; exit 1; }
debs=("$build"/folioworks_*.deb)
deb=${debs[0]}

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg-deb -x "$deb" "$root"
echo "--- $(basename "$deb")"
dpkg-deb -f "$deb" Package Version Architecture Depends
echo "--- files"
(cd "$root" && find . ! -type d | sed 's|^\.||' | sort)

status=0
fail() {
  echo "package: $*" >&2
  status=1
}

multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH)
lib=usr/lib/$multiarch
for path in usr/bin/folio "$lib/libfolioworks.so" "$lib/libfolioworks.so.1" \
  usr/include/folioworks/pdf/document/kvPDFDoc.h usr/include/folioworks/core/kvClasses.h \
  "$lib/cmake/Folioworks/FolioworksConfig.cmake" "$lib/cmake/Folioworks/FolioworksConfigVersion.cmake" \
  "$lib/pkgconfig/folioworks.pc"; do
  [ -e "$root/$path" ] || fail "missing /$path"
done
soname=$(objdump -p "$root/$lib/libfolioworks.so" | awk '$1 == "SONAME" {print $2}')
[ "$soname" = "libfolioworks.so.1" ] || fail "soname is '$soname', expected libfolioworks.so.1"
# The wizard goes in when the build made it.
if [ -x "$build/app/folioworks-demo" ]; then
  [ -x "$root/usr/bin/folioworks-demo" ] || fail "missing /usr/bin/folioworks-demo"
  compgen -G "$root/usr/share/applications/*.desktop" >/dev/null || fail "missing the wizard's .desktop file"
fi

# Every library an installed program or library needs comes from a declared dependency.
declared=$(dpkg-deb -f "$deb" Depends | tr ',|' '\n\n' | awk '{print $1}')
# The package owning a library file; with a merged /usr, dpkg may know it by either path.
owner_of() {
  local p
  for p in "$1" "$(readlink -f "$1")" "${1#/usr}" "/usr${1#/usr}"; do
    dpkg -S "$p" 2>/dev/null | awk -F: 'NR == 1 {print $1}' | grep . && return 0
  done
  return 0
}
while read -r elf; do
  for needed in $(objdump -p "$elf" | awk '$1 == "NEEDED" {print $2}'); do
    [ -e "$root/$lib/$needed" ] && continue
    # (No early exit in these pipelines: with pipefail a writer cut short fails the script.)
    path=$(ldconfig -p | awk -v n="$needed" '$1 == n && !found {print $NF; found = 1}')
    owner=""
    [ -n "$path" ] && owner=$(owner_of "$path")
    if [ -z "$owner" ]; then
      fail "${elf#"$root"} needs $needed, which no installed package provides"
    elif ! grep -qxF "$owner" <<<"$declared"; then
      fail "${elf#"$root"} needs $needed of $owner, which Depends does not name"
    fi
  done
done < <(find "$root" -type f \( -perm -u+x -o -name '*.so*' \) -exec sh -c 'head -c4 "$1" | grep -q ELF' _ {} \; -print)

# The declared dependencies resolve on this system, as `apt-get install ./folioworks_*.deb`
# would resolve them (a simulation: nothing is installed).
apt-get install -s -q "$PWD/$deb" >"$build/apt.log" 2>&1 || { cat "$build/apt.log" >&2; fail "apt-get cannot install it"; }

"$root/usr/bin/folio" --version || fail "the unpacked folio does not run"
bash tests/package/consume.sh --prefix "$root/usr" tests/data/gitmagic.pdf 58 || status=1

[ $status -eq 0 ] && echo "package: $(basename "$deb") holds what it must"
exit $status
