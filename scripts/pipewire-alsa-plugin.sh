#!/usr/bin/env bash
# Unpacks ALSA's pipewire plugin from Debian's pipewire-alsa package into a folder and prints the
# folder that holds it. For the tests: installed, that package conflicts with PulseAudio, which other
# tests need, and it would change the machine's default sound device.
#   scripts/pipewire-alsa-plugin.sh <folder>
set -euo pipefail
dest=$1
# The plugin must match the PipeWire library it loads.
if ! version=$(dpkg-query -W -f='${Version}' libpipewire-0.3-0 2>/dev/null) || [ -z "$version" ]; then
    echo "PipeWire is not installed (./test.sh installs pipewire and wireplumber)." >&2
    exit 1
fi
unpacked="$dest/$version"
plugin=$(find "$unpacked" -name libasound_module_pcm_pipewire.so -print -quit 2>/dev/null || true)
if [ -z "$plugin" ]; then
    work=$(mktemp -d)
    trap 'rm -rf "$work"' EXIT
    if ! (cd "$work" && apt-get download -q "pipewire-alsa=$version") >&2; then
        echo "Could not download pipewire-alsa $version from the Debian mirrors." >&2
        exit 1
    fi
    dpkg-deb -x "$work"/pipewire-alsa_*.deb "$work/root"
    # Whole or not at all, also for a second test binary doing the same.
    mkdir -p "$dest"
    rm -rf "$unpacked"
    mv "$work/root" "$unpacked"
    plugin=$(find "$unpacked" -name libasound_module_pcm_pipewire.so -print -quit)
fi
dirname "$plugin"
