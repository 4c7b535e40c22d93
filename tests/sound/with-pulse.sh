#!/bin/sh
# Runs a command against a private PulseAudio server whose default sink is a null sink, then
# stops that server (only that one, by its process id). The command finds the server
# through PULSE_SERVER and can record what the sink plays from "null.monitor".
set -eu

dir=$(mktemp -d /tmp/mci-pulse.XXXXXX)
socket=$dir/native
cat >"$dir/default.pa" <<CONF
load-module module-native-protocol-unix socket=$socket auth-anonymous=1
load-module module-null-sink sink_name=null
set-default-sink null
CONF

export XDG_RUNTIME_DIR=$dir HOME=$dir PULSE_SERVER=unix:$socket
pulseaudio -n -F "$dir/default.pa" --daemonize=no --exit-idle-time=-1 --system=false \
  --log-target=file:"$dir/server.log" &
server=$!
cleanup() {
  kill "$server" 2>/dev/null || true
  wait "$server" 2>/dev/null || true
  rm -rf "$dir"
}
trap cleanup EXIT INT TERM

tries=0
until pactl info >/dev/null 2>&1; do
  tries=$((tries + 1))
  if [ "$tries" -gt 100 ] || ! kill -0 "$server" 2>/dev/null; then
    echo "with-pulse.sh: the PulseAudio server did not start" >&2
    cat "$dir/server.log" >&2 || true
    exit 1
  fi
  sleep 0.05
done

status=0
"$@" || status=$?
exit "$status"
