#!/bin/sh
# user_space_copy_test.sh USER-SPACE-COPY: the benchmark's plain copy copies every regular file byte for
# byte (the empty one, one larger than its buffer, a link to a file), leaves the rest out, and refuses
# bad arguments and existing files with a message.
# shellcheck disable=SC2016,SC2034  # each check is evaluated later, where its variables are set
set -eu
copy=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
check() { if ! eval "$1"; then echo "FAILED: $1" >&2; exit 1; fi; }

mkdir "$work/source" "$work/source/folder" "$work/target"
: >"$work/source/empty.wid"
head -c 300001 /dev/urandom >"$work/source/large.bmp"   # more than two 128 KiB buffers
printf 'x' >"$work/source/folder/inside.wid"
printf 'hidden' >"$work/source/.hidden"
ln -s large.bmp "$work/source/link.bmp"
mkfifo "$work/source/pipe"
"$copy" "$work/source" "$work/target"
check 'cmp "$work/source/large.bmp" "$work/target/large.bmp"'
check 'cmp "$work/source/large.bmp" "$work/target/link.bmp"'
check '[ -f "$work/target/empty.wid" ] && [ ! -s "$work/target/empty.wid" ]'
check '[ ! -L "$work/target/link.bmp" ]'
check '[ "$(ls -A "$work/target" | wc -l)" -eq 3 ]'   # no folder, dot-file or pipe

# An existing file is never overwritten: the copy stops with status 1 and names it.
printf 'keep' >"$work/existing"
mkdir "$work/again"
cp "$work/existing" "$work/again/large.bmp"
status=0
"$copy" "$work/source" "$work/again" 2>"$work/errors" || status=$?
check '[ $status -eq 1 ]'
check 'grep -q "large.bmp" "$work/errors"'
check 'cmp -s "$work/existing" "$work/again/large.bmp"'

# Bad arguments: status 2 with a usage line; a missing folder: status 1 naming it.
status=0; "$copy" "$work/source" 2>"$work/errors" || status=$?
check '[ $status -eq 2 ] && grep -q usage "$work/errors"'
status=0; "$copy" "$work/missing" "$work/target" 2>"$work/errors" || status=$?
check '[ $status -eq 1 ] && grep -q "$work/missing" "$work/errors"'
status=0; "$copy" "$work/source" "$work/source/large.bmp" 2>"$work/errors" || status=$?
check '[ $status -eq 1 ] && grep -q "large.bmp" "$work/errors"'
echo "user-space-copy: all checks passed"
