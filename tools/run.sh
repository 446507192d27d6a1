#!/usr/bin/env bash
# Starts the unit on this machine in folders of its own under run/.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
run="$top/run"
export TESSIX_CWD="${TESSIX_CWD:-$run/tessix}"
export TESSIX_HOST_ROOT="${TESSIX_HOST_ROOT:-$run/root}"
mkdir -p "$TESSIX_CWD" "$TESSIX_HOST_ROOT/dev/input" "$TESSIX_HOST_ROOT/tmp/tessix" \
         "$TESSIX_HOST_ROOT/mnt/mmc0" "$TESSIX_HOST_ROOT/mnt/mmc1"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  export TESSIX_SCREEN_DIR="${TESSIX_SCREEN_DIR:-$run/screen}"
  mkdir -p "$TESSIX_SCREEN_DIR"
  echo "headless: the screen is written to $TESSIX_SCREEN_DIR"
fi
# The sound files made by the build, in the unit's fixed sound folder.
mkdir -p "$TESSIX_HOST_ROOT/usr/tessix/sounds"
cp "$top"/build/sounds/*.wav "$TESSIX_HOST_ROOT/usr/tessix/sounds/"
# The sonar simulator's recording made by the build, at its fixed path.
if [ -f "$top/build/SONARSIM/DIREV2.SON" ]; then
  mkdir -p "$TESSIX_HOST_ROOT/usr/tessix/SONARSIM"
  cp "$top"/build/SONARSIM/DIREV2.IDX "$top"/build/SONARSIM/DIREV2.SON "$TESSIX_HOST_ROOT/usr/tessix/SONARSIM/"
fi
# The board's device files: card hosts, backlight brightness, video-out
# detection and the paddle-wheel counter (four bytes, the running count).
mkdir -p "$TESSIX_HOST_ROOT/sys/class/mmc_host/mmc1" "$TESSIX_HOST_ROOT/sys/class/mmc_host/mmc2" \
         "$TESSIX_HOST_ROOT/sys/devices/platform/omapdss/generic-bl/backlight/omap3evm-bklight" \
         "$TESSIX_HOST_ROOT/sys/devices/platform/omapdss/display2"
touch "$TESSIX_HOST_ROOT/sys/devices/platform/omapdss/generic-bl/backlight/omap3evm-bklight/brightness"
[ -f "$TESSIX_HOST_ROOT/sys/devices/platform/omapdss/display2/venc_tv_detect" ] ||
  echo 0 > "$TESSIX_HOST_ROOT/sys/devices/platform/omapdss/display2/venc_tv_detect"
[ -f "$TESSIX_HOST_ROOT/dev/pwheel0" ] || head -c 4 /dev/zero > "$TESSIX_HOST_ROOT/dev/pwheel0"
[ -p "$TESSIX_HOST_ROOT/dev/input/event0" ] || { rm -f "$TESSIX_HOST_ROOT/dev/input/event0"; mkfifo "$TESSIX_HOST_ROOT/dev/input/event0"; }
# The sonar coprocessor stand-in on $TESSIX_HOST_ROOT/dev/sonar0 (TESSIX_SONAR=0
# leaves it out: the unit then finds no transducer), driven by the scenario
# file in TESSIX_SONAR_SCENARIO when set; its log is run/sonar_standin.log.
sonar=1
if [ "${TESSIX_SONAR:-1}" = 0 ] || [ ! -x "$top/build/tools/sonar_standin" ]; then sonar=0; fi
# A person starting the unit picks the simulator: MENU opens the start-up
# options (the simulator is preselected without a transducer, normal
# operation with one: then the south cursor moves to the simulator), the
# right cursor takes it, EXIT acknowledges the chart disclaimer and a second
# EXIT closes the quick setup of a first start. Set
# TESSIX_RUN_NO_KEYS=1 to start without these keys.
if [ -z "${TESSIX_RUN_NO_KEYS:-}" ]; then
  python3 - "$TESSIX_HOST_ROOT/dev/input/event0" "$sonar" <<'KEYS' &
import struct, sys, time
def key(f, code):
    for value in (1, 0):
        f.write(struct.pack("llHHi", 0, 0, 1, code, value) + struct.pack("llHHi", 0, 0, 0, 0, 0))
        f.flush()
        time.sleep(0.15)
time.sleep(2.0)
codes = (50, 108, 49, 30, 30) if sys.argv[2] == "1" else (50, 49, 30, 30)  # menu, [south,] east, exit, exit
with open(sys.argv[1], "wb", buffering=0) as f:
    for i, code in enumerate(codes):
        if i == len(codes) - 1:
            time.sleep(4.0)  # the quick setup comes up once the disclaimer is gone
        key(f, code)
        time.sleep(0.6)
KEYS
fi
if [ "$sonar" = 0 ]; then
  exec "$top/build/tessix" "$@"
fi
mkdir -p "$TESSIX_HOST_ROOT/dev" "$run"
standin_args=(--log "$run/sonar_standin.log")
[ -n "${TESSIX_SONAR_SCENARIO:-}" ] && standin_args+=(--scenario "$TESSIX_SONAR_SCENARIO")
"$top/build/tools/sonar_standin" "${standin_args[@]}" &
standin=$!
for _ in $(seq 200); do [ -S "$TESSIX_HOST_ROOT/dev/sonar0" ] && break; sleep 0.01; done
"$top/build/tessix" "$@" &
unit=$!
trap 'kill -TERM "$unit" 2>/dev/null || true' INT TERM
status=0
while kill -0 "$unit" 2>/dev/null; do wait "$unit" && status=0 || status=$?; done
kill "$standin" 2>/dev/null || true
wait "$standin" 2>/dev/null || true
exit "$status"
