# Sourced by scripts/run, scripts/test and scripts/screenshots.
# Installs the Debian packages the project needs when they are missing.
# qemu-system-x86 and python3 run the driver tests (tests/drivers), which
# fetch their kernel and busybox packages themselves without installing them.
PRINTUNE_PACKAGES="cmake ninja-build g++ pkg-config libgtest-dev libgmock-dev
  nlohmann-json3-dev libssl-dev qt6-base-dev qt6-tools-dev qt6-tools-dev-tools qt6-l10n-tools libgl-dev
  fonts-wqy-microhei socat iproute2 util-linux procps xdg-utils
  qemu-system-x86 python3 clang libclang-rt-14-dev
  rst2pdf librsvg2-bin desktop-file-utils appstream dpkg-dev file"

printune_missing_packages() {
    missing=""
    for p in $PRINTUNE_PACKAGES; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' ||
            missing="$missing $p"
    done
    echo "$missing"
}

printune_install_deps() {
    missing=$(printune_missing_packages)
    [ -z "$missing" ] && return 0
    if [ "$(id -u)" -ne 0 ]; then
        echo "Missing Debian packages:$missing" >&2
        echo "Install them with:" >&2
        echo "  sudo apt-get install -y$missing" >&2
        exit 1
    fi
    echo "Installing:$missing"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    # shellcheck disable=SC2086
    apt-get install -y -qq --no-install-recommends $missing
}
