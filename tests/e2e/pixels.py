#!/usr/bin/env python3
"""Measures a screenshot (binary PPM, as `import -window ID ppm:FILE` writes it) for the window test.

  pixels.py run IMAGE X Y            the length of the run of pixels of the colour at (X, Y), going right
  pixels.py count IMAGE R G B TOL    how many pixels lie within TOL of the colour in each channel
"""
import sys


def read_ppm(path):
    with open(path, "rb") as f:
        data = f.read()
    fields = []
    pos = 0
    while len(fields) < 4:
        while data[pos:pos + 1].isspace():
            pos += 1
        if data[pos:pos + 1] == b"#":
            pos = data.index(b"\n", pos) + 1
            continue
        end = pos
        while not data[end:end + 1].isspace():
            end += 1
        fields.append(data[pos:end])
        pos = end
    if fields[0] != b"P6" or int(fields[3]) != 255:
        raise SystemExit(f"pixels.py: {path} is no 8-bit binary PPM")
    width, height = int(fields[1]), int(fields[2])
    return width, height, data[pos + 1:pos + 1 + width * height * 3]


def pixel(image, x, y):
    width, _, data = image
    at = (y * width + x) * 3
    return tuple(data[at:at + 3])


def main(argv):
    if len(argv) == 5 and argv[1] == "run":
        image = read_ppm(argv[2])
        x, y = int(argv[3]), int(argv[4])
        colour = pixel(image, x, y)
        end = x
        while end < image[0] and pixel(image, end, y) == colour:
            end += 1
        print(end - x)
    elif len(argv) == 7 and argv[1] == "count":
        width, height, data = read_ppm(argv[2])
        r, g, b, tol = (int(v) for v in argv[3:7])
        count = 0
        for at in range(0, width * height * 3, 3):
            if abs(data[at] - r) <= tol and abs(data[at + 1] - g) <= tol and abs(data[at + 2] - b) <= tol:
                count += 1
        print(count)
    else:
        raise SystemExit(__doc__)


if __name__ == "__main__":
    main(sys.argv)
