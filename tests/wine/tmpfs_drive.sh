#!/bin/sh
# Maps a small tmpfs into the Wine prefix as a drive (T: by default) for the tests that need
# a disk that really runs full, or one that cannot be written, and removes it again.
# Mounting needs root; without it the drive is not made and those tests skip themselves.
#   tmpfs_drive.sh up MOUNTPOINT [SIZE [LETTER [readonly]]]
#   tmpfs_drive.sh down MOUNTPOINT [LETTER]
# A read-only drive holds the empty folder Exists\App, made before it turns read-only:
# root writes anywhere on a writable file system, whatever the permissions say.
set -u
action=$1
mountpoint=$2
if [ "$action" = up ]; then
  size=${3:-4m}
  letter=${4:-t}
  mode=${5:-}
else
  letter=${3:-t}
fi
link="${WINEPREFIX:?WINEPREFIX is not set}/dosdevices/$letter:"

case $action in
  up)
    mkdir -p "$mountpoint"
    if ! mountpoint -q "$mountpoint" &&
       ! mount -t tmpfs -o "size=$size" nuvex-test-drive "$mountpoint" 2>/dev/null; then
      echo "tmpfs_drive: cannot mount a tmpfs at $mountpoint (not root?); the disk tests skip"
      rm -f "$link"
      exit 0
    fi
    if [ "$mode" = readonly ]; then
      mkdir -p "$mountpoint/Exists/App"
      if ! mount -o remount,ro "$mountpoint" 2>/dev/null; then
        echo "tmpfs_drive: cannot make $mountpoint read-only; the read-only tests skip"
        umount "$mountpoint"
        rm -f "$link"
        exit 0
      fi
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
    echo "usage: $0 up MOUNTPOINT [SIZE [LETTER [readonly]]] | down MOUNTPOINT [LETTER]" >&2
    exit 2
    ;;
esac
