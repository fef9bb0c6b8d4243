#!/usr/bin/python3
"""Writes a rows file (--rows) of COUNT rows: the given rows, spread from the first line to the last, and between
them rows whose names the generated scenarios never hold, of the same lengths and forms as the names they do hold.

    write_rows_file.py [--bytes] COUNT OUT FROM TO [FROM TO]...

So a run with these rows writes exactly what a run with the given rows alone writes, and every extra row is one
more name to look a field up among. With --bytes every name is written in byte form, each of its Shift-JIS bytes
as \\xNN (upper-case digits in FROM, lower-case in TO): the longest text a row can take for its names.
Standard library only.
"""

import sys


def unused_rows(count):
    """Rows naming nothing: "tilX_NNN.bmp" beside the generator's "tile_NNN.bmp", "背景NNN.jpg" (.jpx, .jpeg)
    beside its "背景NNN.bmp"."""
    letters = "abcdfghijklmnopqrstuvwxyz"  # no "e": "tile_NNN.bmp" is a name the scenarios hold
    rows = []
    for i in range(count):
        if i % 3 == 2:
            extension = (".jpg", ".jpx", ".jpeg")[i // 3000 % 3]
            rows.append(("背景%03d%s" % (i // 3 % 1000, extension), "新%05d.jpg" % i))
        else:
            rows.append(("til%s_%03d.bmp" % (letters[i // 1000 % len(letters)], i % 1000), "new_%05d.jpg" % i))
    # Each FROM once: a rows file refuses a FROM that stands twice.
    seen = set()
    unique = []
    for row in rows:
        if row[0] not in seen:
            seen.add(row[0])
            unique.append(row)
    return unique


def byte_form(name, digits):
    """Every byte of name in code page 932 as \\xNN."""
    return "".join("\\x" + format(b, digits) for b in name.encode("cp932"))


def rows_file(count, given, in_bytes=False):
    if count < len(given):
        raise ValueError("COUNT must be at least the number of rows given")
    extra = unused_rows(count * 2)[:count - len(given)]
    if len(extra) < count - len(given):
        raise ValueError("COUNT is larger than the unused names there are")
    lines = []
    # Given row k stands at line 1 + k * (count - 1) / (len(given) - 1): the first and the last line among them.
    slots = {}
    for k, row in enumerate(given):
        slots[0 if len(given) == 1 else k * (count - 1) // (len(given) - 1)] = row
    extra_iter = iter(extra)
    for line in range(count):
        lines.append(slots.get(line) or next(extra_iter))
    if in_bytes:
        lines = [(byte_form(row[0], "02X"), byte_form(row[1], "02x")) for row in lines]
    return "".join("%s\t%s\n" % row for row in lines)


def main(argv):
    in_bytes = len(argv) > 1 and argv[1] == "--bytes"
    if in_bytes:
        argv = argv[:1] + argv[2:]
    if len(argv) < 5 or len(argv) % 2 != 1:
        sys.stderr.write("usage: write_rows_file.py [--bytes] COUNT OUT FROM TO [FROM TO]...\n")
        return 2
    try:
        count = int(argv[1])
        given = [(argv[i], argv[i + 1]) for i in range(3, len(argv), 2)]
        text = rows_file(count, given, in_bytes)
        with open(argv[2], "w", encoding="utf-8") as f:
            f.write(text)
    except (ValueError, OSError) as error:
        sys.stderr.write("write_rows_file.py: %s\n" % error)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
