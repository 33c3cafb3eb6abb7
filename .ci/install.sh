#!/usr/bin/env bash
# Installs what building and testing Tollivane needs on Debian 12.
# Idempotent: packages already present are skipped.
set -euo pipefail

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"

# The i386 packages below need the architecture; apt-get update, run below
# whenever something is missing, then fetches its lists.
dpkg --print-foreign-architectures | grep -qx i386 || $SUDO dpkg --add-architecture i386

# Debian ships Wine's own fonts (fonts-wine) apart, as a mere recommendation:
# without their Marlett every caption button is drawn as the letters "0 1 r".
PKGS=(
    cmake make g++ googletest libbenchmark-dev clang libclang-rt-14-dev clang-tidy clang-format cppcheck
    g++-mingw-w64-x86-64-win32 g++-mingw-w64-i686-win32
    wine wine64 wine32:i386 fonts-wine
    xvfb xauth xdotool imagemagick x11-apps x11-utils
    libx11-6 libxext6 libxrender1 libxi6 libxrandr2 libxcursor1 libxfixes3 libxinerama1 libxcomposite1
    libx11-6:i386 libxext6:i386 libxrender1:i386 libxi6:i386 libxrandr2:i386 libxcursor1:i386
    libxfixes3:i386 libxinerama1:i386 libxcomposite1:i386
    fonts-liberation zip unzip python3
)

missing=()
for p in "${PKGS[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    echo "install: all ${#PKGS[@]} packages present"
    exit 0
fi

echo "install: ${#missing[@]} packages missing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q
$SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
