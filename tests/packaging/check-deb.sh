#!/usr/bin/env bash
# Installs the Debian package on this machine, makes one copy with the
# installed program (virtual scanner to the PDF file printer) under a virtual X
# server on a fresh prefix and home folder, and removes the package again.
#   check-deb.sh velmora-copier_<version>_<arch>.deb
set -uo pipefail
deb=$(realpath "$1")
here=$(cd "$(dirname "$0")" && pwd)
title="Velmora Copier 1.2"

sudo=""
if [[ $(id -u) -ne 0 ]]; then
    if sudo -n true 2>/dev/null; then
        sudo="sudo -n"
    else
        echo "deb: SKIPPED: installing a package needs root or password-less sudo"
        exit 0
    fi
fi
for tool in xvfb-run xdotool pdfinfo; do
    if ! command -v $tool >/dev/null; then
        echo "deb: $tool is missing (scripts/packages lists its package)" >&2
        exit 1
    fi
done
if dpkg-query -W -f='${Status}' velmora-copier 2>/dev/null | grep -q 'install ok installed'; then
    echo "deb: SKIPPED: velmora-copier is installed already; not replacing the machine's own copy"
    exit 0
fi

echo "deb: $(basename "$deb")"
dpkg-deb -f "$deb" Package Version Depends | sed 's/^/    /'
depends=$(dpkg-deb -f "$deb" Depends)
fail=0
for lib in libqt6widgets6 libc6 libsane1 libcups2; do
    [[ "$depends" == *"$lib"* ]] || { echo "deb: Depends lacks $lib" >&2; fail=1; }
done

work=$(mktemp -d /tmp/velmora-deb.XXXXXX)
cleanup() {
    DEBIAN_FRONTEND=noninteractive $sudo apt-get -o DPkg::Lock::Timeout=600 remove --purge -y -q velmora-copier >"$work/remove.log" 2>&1 \
        || { echo "deb: removing the package failed:" >&2; tail -5 "$work/remove.log" >&2; fail=1; }
    rm -rf "$work"
}
if ! DEBIAN_FRONTEND=noninteractive $sudo apt-get -o DPkg::Lock::Timeout=600 install -y -q --no-install-recommends "$deb" >"$work/install.log" 2>&1; then
    echo "deb: apt-get install failed:" >&2
    tail -20 "$work/install.log" >&2
    rm -rf "$work"
    exit 1
fi
trap cleanup EXIT
exe=$(dpkg -L velmora-copier | grep '/bin/velmora-copier$')
libdir=$(dirname "$(dirname "$exe")")/lib/velmora
echo "deb: installed $exe"

# Closing the window the way a window manager would needs a small X client.
xdelete=""
if cc -O -o "$work/xdelete" "$here/xdelete.c" -lX11 2>"$work/xdelete.log"; then
    xdelete=$work/xdelete
else
    echo "deb: cannot build the window-closing helper (libx11-dev); the window is destroyed instead"
fi
mkdir -m 0700 "$work/runtime"
mkdir "$work/home"
# Run the installed program the way a user would, with no print server: its
# PDF file printer writes into ~/Documents/Velmora Copier/.
if ! env -i PATH=/usr/bin:/bin HOME="$work/home" VELMORA_PREFIX="$work/prefix" XDG_RUNTIME_DIR="$work/runtime" \
        CUPS_SERVER=127.0.0.1:9 LANG=C.UTF-8 TITLE="$title" EXE="$exe" XDELETE="$xdelete" \
        timeout 180 xvfb-run -a -s "-screen 0 1280x1024x24" bash "$here/copy-on-x.sh" >"$work/run.log" 2>&1; then
    echo "deb: the copy with the installed program failed:" >&2
    cat "$work/run.log" >&2
    exit 1
fi
sed 's/^/    /' "$work/run.log"

pdf=$(find "$work/home/Documents/Velmora Copier" -name '*.pdf' -print -quit 2>/dev/null)
if [[ -z "$pdf" ]]; then
    echo "deb: no PDF in ~/Documents/Velmora Copier" >&2
    fail=1
else
    pages=$(pdfinfo "$pdf" 2>/dev/null | sed -n 's/^Pages: *//p')
    [[ "$pages" == 1 ]] || { echo "deb: $pdf has '${pages:-no}' pages, not 1" >&2; fail=1; }
    # The copy carries the scanned page as a picture.
    images=$(pdfimages -list "$pdf" 2>/dev/null | tail -n +3 | wc -l)
    ((images >= 1)) || { echo "deb: $pdf holds no scanned picture" >&2; fail=1; }
    echo "deb: printed $(basename "$pdf"), $pages page, $images picture(s)"
fi

# The prefix links the installed data sources, and nothing points into the
# build tree.
links=$(find "$work/prefix/windows/TWAIN_32" -mindepth 1 -maxdepth 2 -type l 2>/dev/null)
if [[ -z "$links" ]]; then
    echo "deb: no data source linked into the prefix's windows/TWAIN_32" >&2
    fail=1
fi
for link in $links; do
    target=$(readlink -f "$link")
    if [[ "$target" != "$libdir"/* ]]; then
        echo "deb: $link -> $target is not in $libdir" >&2
        fail=1
    fi
done
((fail == 0)) && echo "deb: the installed program made a copy; links: $(echo $links | wc -w) into $libdir"
exit $fail
