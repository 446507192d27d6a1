#!/usr/bin/env bash
# Puts a folder into a card slot of the unit running on this machine, or
# takes it out, as the kernel would: the card's entry under
# /sys/class/mmc_host and its device nodes under /dev in the host root (the
# unit watches /dev). The unit's mount then maps /mnt/mmc0 or /mnt/mmc1 to
# the folder. A folder without write permission (chmod a-w) is a
# write-protected card.
#   tools/sdcard.sh insert SLOT FOLDER [--raw] [--cid HEX32] [--type TEXT]
#   tools/sdcard.sh remove SLOT
# SLOT is 0 or 1; --raw gives a card without a partition table.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
root="${TESSIX_HOST_ROOT:-$top/run/root}"
usage() { sed -n '7,9p' "$0" | sed 's/^# *//'; exit 1; }
[ $# -ge 2 ] || usage
action=$1 slot=$2
case "$slot" in 0|1) ;; *) usage ;; esac
n=$((slot + 1))
sys="$root/sys/class/mmc_host/mmc$n/mmc$n:0001"
case "$action" in
  insert)
    [ $# -ge 3 ] || usage
    folder=$(realpath "$3"); shift 3
    raw=0 cid=035344535530344780000000010000e1 type=SD
    while [ $# -gt 0 ]; do
      case "$1" in
        --raw) raw=1; shift ;;
        --cid) cid=$2; shift 2 ;;
        --type) type=$2; shift 2 ;;
        *) usage ;;
      esac
    done
    [ -d "$folder" ] || { echo "no folder $folder" >&2; exit 1; }
    mkdir -p "$sys/block/mmcblk$n" "$root/dev"
    echo "$cid" > "$sys/cid"
    echo "$type" > "$sys/type"
    ln -s "$folder" "$root/dev/mmcblk$n"
    [ "$raw" = 1 ] || ln -s "$folder" "$root/dev/mmcblk${n}p1"
    ;;
  remove)
    rm -f "$root/dev/mmcblk${n}p1" "$root/dev/mmcblk$n"
    rm -rf "$sys"
    ;;
  *) usage ;;
esac
