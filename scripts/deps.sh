#!/usr/bin/env bash
# The Debian packages of each job, and the routine that installs the missing ones.
# Sourced by run.sh, test.sh, scripts/fuzz.sh and the test of run.sh's list.

# Building and running the recorder, on X11 or Wayland; arecord probes the capture device.
# Never a sound server: the user's own stays as it is.
QB_RUN_PACKAGES=(build-essential cmake ninja-build pkg-config qt6-base-dev qt6-wayland libasound2-dev alsa-utils
    lame fonts-liberation2 fonts-dejavu-core)
# What only the tests need. pipewire and wireplumber install beside PulseAudio; ALSA's pipewire
# plugin conflicts with it, so the tests unpack that one into the build folder instead.
QB_TEST_PACKAGES=(libgtest-dev libgmock-dev xvfb xauth xdotool python3-mutagen desktop-file-utils appstream
    pulseaudio pulseaudio-utils libasound2-plugins pipewire pipewire-bin wireplumber weston)
# clang with libFuzzer and the sanitizer run-times.
QB_FUZZ_PACKAGES=(clang libclang-rt-14-dev)

# Installs those of the given packages that are missing, and says which. apt-get refuses rather
# than remove anything to make room (--no-remove): a conflict stops the script instead.
qb_install_deps() {
    local missing=()
    local pkg
    for pkg in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed'; then
            missing+=("$pkg")
        fi
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing these Debian packages (and what they depend on): ${missing[*]}"
    local sudo=()
    if [ "$(id -u)" -ne 0 ]; then
        sudo=(sudo)
    fi
    "${sudo[@]}" apt-get update -qq
    if ! DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-remove --no-install-recommends \
        "${missing[@]}"; then
        echo "apt-get refused: installing ${missing[*]} would remove packages of this machine." >&2
        return 1
    fi
}
