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
exec "$top/build/tessix" "$@"
