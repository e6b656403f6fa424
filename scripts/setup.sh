# Sourced by scripts/run and scripts/test: installs the Debian packages the
# build needs when any is missing (through sudo when not root).
set -euo pipefail

CCP_PACKAGES=(cmake g++ make pkgconf qt6-base-dev libgl-dev libgtest-dev libgmock-dev
              libbenchmark-dev libhidapi-dev libudev-dev xvfb xauth xdotool imagemagick openbox x11-utils
              libcli11-dev nlohmann-json3-dev libtoml11-dev libsqlite3-dev libpq-dev libssl-dev postgresql
              postgresql-common)

ccp_missing_packages() {
    local missing=()
    for p in "${CCP_PACKAGES[@]}"; do
        if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
            missing+=("$p")
        fi
    done
    echo "${missing[@]:-}"
}

ccp_setup() {
    local missing
    missing=$(ccp_missing_packages)
    [ -z "$missing" ] && return 0
    echo "Installing: $missing"
    local sudo=""
    if [ "$(id -u)" -ne 0 ]; then
        sudo="sudo"
    fi
    $sudo apt-get update -qq
    # shellcheck disable=SC2086
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends $missing
}

CCP_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
CCP_JOBS=${CCP_JOBS:-2}
