#!/usr/bin/env bash
# Installs the Debian packages the build, the program and the tests need.
# Sourced by run.sh and test.sh; does nothing when everything is there.

QB_PACKAGES=(build-essential cmake ninja-build pkg-config qt6-base-dev libasound2-dev alsa-utils lame
    libgtest-dev libgmock-dev fonts-liberation2 fonts-dejavu-core xvfb xauth python3-mutagen
    desktop-file-utils xdotool pulseaudio pulseaudio-utils libasound2-plugins)
# Added by scripts/fuzz.sh: clang with libFuzzer and the sanitizer run-times.
QB_FUZZ_PACKAGES=(clang libclang-rt-14-dev)

qb_install_deps() {
    local missing=()
    local pkg
    for pkg in "${QB_PACKAGES[@]}"; do
        if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed'; then
            missing+=("$pkg")
        fi
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing missing packages: ${missing[*]}"
    local sudo=()
    if [ "$(id -u)" -ne 0 ]; then
        sudo=(sudo)
    fi
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
}
