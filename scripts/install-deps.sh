#!/usr/bin/env bash
# Installs the Debian 12 packages the build and the tests need, only those missing.
set -euo pipefail

packages=(
    build-essential cmake ninja-build clang libclang-rt-14-dev
    qt6-base-dev qt6-svg-dev libgl-dev libqt6sql6-sqlite sqlite3 libsqlite3-dev
    libgtest-dev libgmock-dev libbenchmark-dev libdragonbox-dev
    fonts-liberation2 poppler-utils
    dpkg-dev file desktop-file-utils appstream man-db groff-base bsdextrautils fontconfig
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
if [ "$(id -u)" -ne 0 ]; then
    if ! command -v sudo >/dev/null; then
        echo "install-deps.sh: these Debian packages are missing: ${missing[*]}" >&2
        echo "Installing them needs root, and sudo is not installed. Either run this script" >&2
        echo "as root (su -c scripts/install-deps.sh), or have root install them:" >&2
        echo "  apt-get install ${missing[*]}" >&2
        exit 1
    fi
    sudo="sudo"
fi
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
