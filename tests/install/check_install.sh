#!/bin/sh
# Installs the build into a scratch prefix and checks that every file lands
# where the conventions put it.
set -eu
build=$1
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
cmake --install "$build" --prefix "$root/usr" >/dev/null

missing=0
expect() {
    if [ ! -e "$root/usr/$1" ]; then
        echo "missing: usr/$1" >&2
        missing=1
    fi
}
expect bin/printune-cli
expect bin/printune-sim
expect share/man/man1/printune-cli.1
expect share/man/man1/printune-sim.1
expect lib/udev/rules.d/70-printune.rules
expect share/printune/70-printune.rules
expect share/icons/hicolor/scalable/apps/com.vortan.Printune.svg
if [ -x "$build/bin/printune" ]; then
    expect bin/printune
    expect share/man/man1/printune.1
    expect share/applications/com.vortan.Printune.desktop
    expect share/metainfo/com.vortan.Printune.metainfo.xml
fi
if [ -d "$build/data/icons" ]; then
    for size in 16 22 24 32 48 64 128 256; do
        expect "share/icons/hicolor/${size}x${size}/apps/com.vortan.Printune.png"
    done
fi
if [ -d "$build/share/printune/help" ]; then
    for model in KP-520 KP-740 KP-500 HT-740 HT-750; do
        expect "share/printune/help/${model}Printune Help File.pdf"
    done
    for model in "Label Printer(200DPI)" "Label Printer(300DPI)" HT-740 HT-760; do
        expect "share/printune/help/${model}Printune 帮助文件.pdf"
    done
fi
# Nothing outside the prefix's usual folders.
stray=$(cd "$root/usr" && find . -mindepth 1 -maxdepth 1 ! -name bin ! -name share ! -name lib)
if [ -n "$stray" ]; then
    echo "unexpected: $stray" >&2
    missing=1
fi
exit $missing
