#!/bin/sh
# Builds the .deb from the finished build, unpacks it into a scratch root
# with dpkg -x and runs the three programs from there.
set -eu
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cpack --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 || {
    cat "$work/cpack.log" >&2
    exit 1
}
deb=$(ls "$work"/out/*.deb)
dpkg-deb --field "$deb" Depends | grep -q 'libc6' || {
    echo "no computed dependencies" >&2
    exit 1
}
dpkg -x "$deb" "$work/root"
bin="$work/root/usr/bin"
"$bin/printune-cli" --help | grep -q doctor
"$bin/printune-sim" --help >/dev/null
if [ -x "$bin/printune" ]; then
    dpkg-deb --field "$deb" Depends | grep -q 'libqt6widgets6' || {
        echo "Qt runtime not among the dependencies" >&2
        exit 1
    }
    version=$(QT_QPA_PLATFORM=offscreen "$bin/printune" --version)
    [ "$version" = "printune $(dpkg-deb --field "$deb" Version)" ] || {
        echo "version mismatch: $version" >&2
        exit 1
    }
fi
echo "package ok: $(basename "$deb")"
