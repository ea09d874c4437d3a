#!/bin/sh
# Maps a small tmpfs into the Wine prefix as drive T: for the tests that need a disk that
# really runs full, and removes it again. Mounting needs root; without it the drive is not
# made and those tests skip themselves.
#   tmpfs_drive.sh up|down MOUNTPOINT [SIZE]
set -u
action=$1
mountpoint=$2
size=${3:-4m}
link="${WINEPREFIX:?WINEPREFIX is not set}/dosdevices/t:"

case $action in
  up)
    mkdir -p "$mountpoint"
    if ! mountpoint -q "$mountpoint" &&
       ! mount -t tmpfs -o "size=$size" nuvex-test-drive "$mountpoint" 2>/dev/null; then
      echo "tmpfs_drive: cannot mount a tmpfs at $mountpoint (not root?); the disk tests skip"
      rm -f "$link"
      exit 0
    fi
    ln -sfn "$mountpoint" "$link"
    ;;
  down)
    rm -f "$link"
    if mountpoint -q "$mountpoint"; then
      umount "$mountpoint"
    fi
    rmdir "$mountpoint" 2>/dev/null
    exit 0
    ;;
  *)
    echo "usage: $0 up|down MOUNTPOINT [SIZE]" >&2
    exit 2
    ;;
esac
