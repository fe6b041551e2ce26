#!/usr/bin/env bash
# Installs what building and running need (never a sound server nor a test tool), builds, and
# starts the recorder.
# Without a capture device it records a generated test tone through ALSA's file plugin.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/deps.sh
qb_install_deps "${QB_RUN_PACKAGES[@]}"

# Without the tests, whose tools run.sh does not install.
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQB_BUILD_TESTS=OFF >/dev/null
cmake --build build -j2 --target quernbell tonegen

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
    echo "No display is available, so the recorder's window cannot be shown." >&2
    echo "Start it on a desktop, or under a virtual display: xvfb-run -a ./run.sh" >&2
    exit 1
fi

if timeout 5 arecord -q -D default -f S16_LE -c 2 -r 44100 -s 441 -t raw /dev/null 2>/dev/null; then
    echo "Recording from the capture device ALSA calls \"default\"."
else
    demo_dir="${XDG_RUNTIME_DIR:-/tmp}/quernbell-demo"
    mkdir -p "$demo_dir"
    tone="$demo_dir/tone.raw"
    [ -s "$tone" ] || build/tonegen "$tone" 600 440 660 0.5 0.25
    cat >"$demo_dir/asound.conf" <<CONF
pcm.!default { type file; slave.pcm "null"; file "/dev/null"; infile "$tone"; format "raw" }
CONF
    export ALSA_CONFIG_PATH="/usr/share/alsa/alsa.conf:$demo_dir/asound.conf"
    # The file plugin has no clock of its own; pace it like a sound card.
    export QUERNBELL_PACE_CAPTURE=1
    echo "No capture device found: recording a generated test tone (440 Hz left, 660 Hz right, 10 minutes)"
    echo "through ALSA's file plugin instead of a microphone."
fi

exec build/quernbell
