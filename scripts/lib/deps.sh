# Installs the Debian packages Quillet needs that are not on the machine yet.
# Sourced by scripts/run, scripts/test and scripts/bench.

QUILLET_BUILD_PACKAGES=(cmake make g++ pkg-config googletest libgtest-dev libbenchmark-dev
    qt6-base-dev qt6-base-dev-tools qt6-tools-dev qt6-l10n-tools qt6-translations-l10n libgl-dev
    fonts-wqy-microhei fonts-symbola libssl-dev)
QUILLET_TEST_PACKAGES=(clang libclang-rt-14-dev xvfb xauth iproute2 dpkg-dev openssl
    desktop-file-utils appstream lintian)
# scripts/run without a display: a virtual display, its authority cookie, a VNC server.
QUILLET_HEADLESS_PACKAGES=(xvfb xauth x11vnc util-linux iproute2)
# libxcb1-dev: bench_program watches the real program's window on Xvfb through libxcb.
QUILLET_BENCH_PACKAGES=(ncat valgrind xvfb openssl libxcb1-dev)

quillet_missing_packages() {
    # One dpkg-query for all: a start with everything installed stays quick.
    local installed p missing=()
    installed=" $(dpkg-query -W -f='${db:Status-Abbrev}|${Package}\n' "$@" 2>/dev/null |
        sed -n 's/^ii *|//p' | tr '\n' ' ') "
    for p in "$@"; do
        [[ "$installed" == *" $p "* ]] || missing+=("$p")
    done
    echo "${missing[@]}"
}

quillet_install() {
    local missing
    missing=$(quillet_missing_packages "$@")
    [ -z "$missing" ] && return 0
    echo "Installing: $missing"
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo apt-get update -q
    # shellcheck disable=SC2086
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends $missing
}
