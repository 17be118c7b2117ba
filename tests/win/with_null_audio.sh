#!/bin/sh
# Runs one Windows test program with an audio output device: a home folder whose ALSA
# configuration has a null sound card as the default output, which Wine's ALSA driver then offers
# as the default render device. Nothing is played anywhere.
#   with_null_audio.sh PROGRAM.exe [ARGS...]
set -u
home=$(mktemp -d)
cat > "$home/.asoundrc" <<'CONF'
pcm.!default {
  type null
  hint { show on description "null output" }
}
CONF
HOME="$home" QORV_EXPECT_AUDIO_DEVICE=1 wine "$@"; rc=$?
rm -rf "$home"
exit $rc
