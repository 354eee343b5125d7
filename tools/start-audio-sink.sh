#!/usr/bin/env bash
# Starts a PulseAudio server with one null sink (sound goes nowhere, but is
# played in real time and can be recorded back from the sink's monitor), for
# the sound tests: Qt Multimedia plays through libpulse, and on a machine
# without sound hardware it would find no audio device at all. Works as root
# on a fresh machine without a D-Bus session: the server loads no modules but
# its own socket and the sink, and never exits for idleness.
#
# Prints the variables the tests need as shell commands; after
#
#   eval "$(bash tools/start-audio-sink.sh)"
#
# `ctest` run by hand in the same shell finds the sink, and the sound tests
# fail (instead of skipping) when Qt finds no audio device. Running it again
# reuses a server that answers. `bash tools/start-audio-sink.sh --stop`
# stops it. An optional last argument names the run (tools/run-tests.sh
# passes its build directory), so separate runs on one machine get separate
# servers.
set -euo pipefail

stop=0
if [ "${1:-}" = --stop ]; then
  stop=1
  shift
fi
name=${1:-default}
if [ -d "$name" ]; then
  name=$(cd "$name" && pwd -P)
fi
# A short path: a socket's path is limited to about 100 characters.
dir=${TMPDIR:-/tmp}/kolvista-audio-$(id -u)-$(printf '%s' "$name" | cksum | cut -d' ' -f1)
socket=$dir/native
pidfile=$dir/pulse/pid
keeperpid=$dir/keeper.pid
log=$dir/pulseaudio.log

answers() {
  PULSE_SERVER=unix:$socket timeout 5 pactl info >/dev/null 2>&1
}

stop_pid() {
  local pid
  pid=$(cat "$1" 2>/dev/null) || return 0
  if [ -n "$pid" ] && kill "$pid" 2>/dev/null; then
    for _ in $(seq 50); do
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.1
    done
  fi
}

stop_server() {
  stop_pid "$keeperpid"
  stop_pid "$pidfile"
  rm -rf "$dir"
}

if [ "$stop" = 1 ]; then
  stop_server
  exit 0
fi

for tool in pulseaudio pactl pacat; do
  if ! command -v "$tool" >/dev/null; then
    echo "start-audio-sink: $tool is missing (tools/install-deps.sh installs it)" >&2
    exit 1
  fi
done

if ! answers; then
  stop_server # a server left from an earlier run that no longer answers
  mkdir -p "$dir/pulse"
  chmod 700 "$dir" "$dir/pulse"
  # HOME and XDG_RUNTIME_DIR for the server only: its cookie, pid file and
  # state stay in $dir. Anonymous clients are allowed on the socket.
  HOME=$dir XDG_RUNTIME_DIR=$dir XDG_CONFIG_HOME=$dir/config \
    pulseaudio -n --daemonize=yes --use-pid-file=yes --exit-idle-time=-1 \
    --disable-shm=yes --log-target="file:$log" -F /dev/null \
    -L "module-native-protocol-unix socket=$socket auth-anonymous=1" \
    -L "module-null-sink sink_name=kolvista_null rate=48000 channels=2" \
    2>>"$log" || true
  for _ in $(seq 100); do
    answers && break
    sleep 0.1
  done
  if ! answers; then
    echo "start-audio-sink: the PulseAudio server did not start; its log:" >&2
    cat "$log" >&2 || true
    exit 1
  fi
  # A silent stream at a short latency keeps the sink running as a sound
  # card does. An idle null sink renders in blocks of up to 2 s: the first
  # stream after idling would be held back for about a second.
  PULSE_SERVER=unix:$socket setsid pacat --raw --format=s16le --rate=8000 --channels=1 \
    --latency-msec=20 --stream-name=kolvista-keeper /dev/zero </dev/null >/dev/null 2>&1 &
  echo $! >"$keeperpid"
  echo "start-audio-sink: null sink kolvista_null at unix:$socket" >&2
fi

echo "export PULSE_SERVER=unix:$socket"
echo "export KOLVISTA_AUDIO_SINK=1"
