#!/usr/bin/env bash
# Checks a staged installation (cmake --install <build> --prefix STAGE):
# every file where the desktop and the program look for it, and run paths that
# keep the installed files self-contained.
#   check-install.sh STAGE BUILD
set -uo pipefail
stage=$1
build=$(cd "$2" && pwd)
fail=0
bad() { echo "install: $*" >&2; fail=1; }
need() { [[ -e "$stage/$1" ]] || bad "missing $1"; }

need bin/velmora-copier
need lib/velmora/twain_32.so
need share/applications/velmora-copier.desktop
need share/icons/hicolor/scalable/apps/velmora-copier.svg
need share/icons/hicolor/48x48/apps/velmora-copier.png
need share/icons/hicolor/256x256/apps/velmora-copier.png
need share/doc/velmora-copier/index.html
need lib/cmake/Velmora/VelmoraConfig.cmake
need include/velmora/components/parser/TVelParser.h
compgen -G "$stage/lib/velmora/*.ds" >/dev/null || bad "no data source (*.ds) in lib/velmora"
compgen -G "$stage/lib/velmora/libvel_*.so" >/dev/null || bad "no shared library in lib/velmora"
[[ -x "$stage/bin/velmora-copier" ]] || bad "bin/velmora-copier is not executable"

# The PNG sizes are what their folder says.
for png in "$stage"/share/icons/hicolor/*x*/apps/velmora-copier.png; do
    size=$(basename "$(dirname "$(dirname "$png")")")
    got=$(python3 -c 'import struct,sys; d=open(sys.argv[1],"rb").read(24); assert d[:8]==b"\x89PNG\r\n\x1a\n"; w,h=struct.unpack(">II",d[16:24]); print("%dx%d"%(w,h))' "$png" 2>/dev/null) \
        || { bad "$png is not a PNG"; continue; }
    [[ "$got" == "$size" ]] || bad "$png is $got, not $size"
done
grep -q '^Exec=velmora-copier' "$stage/share/applications/velmora-copier.desktop" || bad "desktop entry does not start velmora-copier"
if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$stage/share/applications/velmora-copier.desktop" || bad "desktop entry does not validate"
fi

# Run paths: the program finds lib/velmora beside bin/, everything in
# lib/velmora finds its neighbours; nothing points into the build tree.
runpath() { readelf -d "$1" 2>/dev/null | sed -n 's/.*(\(RUNPATH\|RPATH\)).*\[\(.*\)\]/\2/p'; }
rp=$(runpath "$stage/bin/velmora-copier")
[[ "$rp" == '$ORIGIN/../lib/velmora' ]] || bad "bin/velmora-copier run path is '$rp'"
for f in "$stage"/lib/velmora/*.so "$stage"/lib/velmora/*.ds; do
    [[ -e "$f" ]] || continue
    rp=$(runpath "$f")
    [[ -z "$rp" || "$rp" == '$ORIGIN' ]] || bad "$(basename "$f") run path is '$rp'"
done
while IFS= read -r -d '' f; do
    if file -b "$f" | grep -q '^ELF'; then
        runpath "$f" | grep -qF "$build" && bad "$f has a run path into the build tree"
        # Every library resolves, from the staged files and the system alone.
        missing=$(ldd "$f" 2>/dev/null | grep 'not found')
        [[ -z "$missing" ]] || bad "$f: $missing"
    fi
done < <(find "$stage/bin" "$stage/lib/velmora" -maxdepth 1 -type f -print0)
grep -rlF "$build" "$stage/lib/cmake" >/dev/null 2>&1 && bad "the CMake package configuration names the build tree"

((fail == 0)) && echo "install: layout and run paths of $stage are right"
exit $fail
