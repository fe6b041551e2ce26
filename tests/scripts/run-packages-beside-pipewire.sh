#!/usr/bin/env bash
# run.sh's packages install beside the sound stack of a PipeWire desktop: apt, resolving as on a
# machine with nothing installed, finds no conflict between them and Debian's pipewire-audio.
#   tests/scripts/run-packages-beside-pipewire.sh <source folder>
set -euo pipefail
source "$1/scripts/deps.sh"
status=$(mktemp)
trap 'rm -f "$status"' EXIT
if ! said=$(apt-get install -s -q --no-remove --no-install-recommends -o Dir::State::status="$status" \
    "${QB_RUN_PACKAGES[@]}" pipewire-audio 2>&1); then
    echo "$said" | grep -v '^\(Inst\|Conf\) ' >&2
    exit 1
fi
