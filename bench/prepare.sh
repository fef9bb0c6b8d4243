#!/bin/sh
# prepare.sh TRASH TARGET [mkdir]: the step hyperfine runs before each timed run. It clears away an
# earlier TARGET, creates TARGET empty if asked, and writes dirty pages out, so that no run pays for the
# writeback or the deletions of the one before.
#
# The earlier output is moved into the folder TRASH and its files are emptied there rather than deleted.
# On ext4 without a journal an inode stays out of reuse for a minute after its file is deleted, and every
# file creation then scans past such inodes, so thousands of deletions would make each run slower than the
# one before; emptied files keep their inodes. Emptying frees the earlier output's pages at once (on tmpfs
# that is its memory), so that each run writes into memory that was in use a moment before: a virtual
# machine may hand freed memory back to its host, and then the first write into each page costs a fault
# in the host. On tmpfs, where deleting costs nothing later and every emptied inode would stay in memory,
# the earlier output is deleted instead. TRASH must lie in the same file system as TARGET.
set -eu
if [ $# -lt 2 ] || [ $# -gt 3 ] || { [ $# -eq 3 ] && [ "$3" != mkdir ]; }; then
  echo "usage: prepare.sh TRASH TARGET [mkdir]" >&2
  exit 2
fi
trash=$1 target=$2
[ -d "$trash" ] || { echo "prepare.sh: $trash is not a folder" >&2; exit 2; }
if [ -e "$target" ]; then
  trashed=$(mktemp -u -p "$trash")
  mv "$target" "$trashed"
  if [ "$(stat -f -c %T "$trash")" = tmpfs ]; then
    rm -rf "$trashed"
  else
    find "$trashed" -type f -exec truncate -s 0 {} +
  fi
fi
if [ "${3:-}" = mkdir ]; then mkdir "$target"; fi
sync -f "$(dirname "$target")"
