#!/usr/bin/env bash
# The card is never written: a generated VRAN-3 card on a loop-mounted ext2 image (read-write,
# labelled "VRAN-3"), the real viewer started on one of its recordings, so that it finds the
# card, lists its folders and plays; afterwards the image must hold the same bytes as before.
# The primary superblock (bytes 1024-2047) is left out of the comparison: the kernel stamps
# mount time and state into it on every read-write mount. Mounted noatime, so that reading a
# file does not make the kernel update its access time, and noinit_itable, so that the
# kernel's background inode-table initialisation does not flag the block groups.
#
#   card_never_written.sh VIEWER RECGEN      exit 77 (skipped) where loop mounts are not allowed
set -euo pipefail
viewer=$(realpath "$1")
recgen=$(realpath "$2")
command -v mkfs.ext2 >/dev/null || { echo "mkfs.ext2 missing"; exit 77; }
work=$(mktemp -d /tmp/tavro-card-XXXXXX)
point=$work/media/VRAN-3
pid=
cleanup() {
  [ -n "$pid" ] && kill -9 "$pid" 2>/dev/null || true
  mountpoint -q "$point" && umount -l "$point" || true
  [ -n "${TAVRO_KEEP_CARD:-}" ] && echo "kept $work" || rm -rf "$work"
}
trap cleanup EXIT

"$recgen" card --model VRAN-3 "$work/tree" >/dev/null
mkfs.ext2 -q -L VRAN-3 -d "$work/tree" "$work/card.img" 64M >/dev/null
digest() { { head -c 1024 "$1"; tail -c +2049 "$1"; } | sha256sum | cut -d' ' -f1; }
before=$(digest "$work/card.img")
cp "$work/card.img" "$work/before.img"

mkdir -p "$point" "$work/run" "$work/runtime"
mount -o loop,noatime,noinit_itable "$work/card.img" "$point" 2>/dev/null || { echo "loop mounts are not permitted here"; exit 77; }
recording=$(find "$point/ory_rec" -name '*.mp4' | sort | head -n1)
[ -n "$recording" ] || { echo "the card holds no recording"; exit 1; }

( cd "$work/run" && XDG_RUNTIME_DIR=$work/runtime TAVRO_MESSAGE_BOX_STDERR=1 QT_QPA_PLATFORM=xcb \
    SDL_AUDIODRIVER=${SDL_AUDIODRIVER:-dummy} exec "$viewer" "$recording" ) >"$work/viewer.log" 2>&1 &
pid=$!
shown=0
for _ in $(seq 50); do
  if xdotool search --onlyvisible --pid "$pid" >/dev/null 2>&1; then shown=1; break; fi
  sleep 0.2
done
[ "$shown" = 1 ] || { echo "no viewer window"; cat "$work/viewer.log"; exit 1; }
sleep 6  # list the card and play
# It reads the card: the recording it plays is open from the mounted image.
if ! ls -l "/proc/$pid/fd" 2>/dev/null | grep -qF "$point/"; then
  echo "the viewer has no file of the card open"
  grep -v '^DROPQ' "$work/viewer.log" | tail -n 20
  exit 1
fi
kill -TERM "$pid"
for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.2; done
pid=

umount "$point"
after=$(digest "$work/card.img")
if [ "$before" != "$after" ]; then
  echo "the card image changed: $before before, $after after; changed bytes per 1 KiB block:"
  cmp -l "$work/before.img" "$work/card.img" | awk '{ print int(($1 - 1) / 1024) }' | uniq -c | head -n 20
  exit 1
fi
echo "card image unchanged ($after)"
