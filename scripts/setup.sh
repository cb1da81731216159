#!/usr/bin/env bash
# Installs the Debian packages the project needs. Idempotent: does nothing
# when every package is already present.
set -euo pipefail

PACKAGES=(
    cmake ninja-build g++ pkg-config clang-format
    zlib1g-dev libunicorn-dev libcairo2-dev libgtest-dev
    gcc-arm-linux-gnueabi binutils-arm-linux-gnueabi
    makefs fdisk python3 gzip ccache
    libfontconfig-dev fonts-wine fonts-ipafont-gothic
)

missing=()
for p in "${PACKAGES[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -ne 0 ]; then
    echo "setup: installing ${missing[*]}"
    SUDO=""
    if [ "$(id -u)" -ne 0 ]; then SUDO=sudo; fi
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}"
fi
