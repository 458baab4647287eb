#!/usr/bin/env python3
"""The pictures tools/make-art draws, read back as Windows reads them: each toolbar strip holds
eleven square pictures of its display scale, the larger strips show the same pictures as the
100 % one, and each icon file holds every size a 100 %, 150 % or 200 % display asks for."""
import os
import struct
import subprocess
import sys
import tempfile
import unittest

MAKE_ART = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', '..', 'tools', 'make-art')


def read_bmp(path):
    """Rows of (r, g, b), top row first, from a 24-bit bottom-up BMP."""
    with open(path, 'rb') as f:
        data = f.read()
    offset, = struct.unpack_from('<I', data, 10)
    width, height = struct.unpack_from('<ii', data, 18)
    stride = (width * 3 + 3) & ~3
    rows = [data[offset + y * stride: offset + y * stride + width * 3] for y in range(height - 1, -1, -1)]
    return [[tuple(row[x * 3: x * 3 + 3][::-1]) for x in range(width)] for row in rows]


class MakeArtTest(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.TemporaryDirectory()
        subprocess.run([sys.executable, MAKE_ART, self.folder.name], check=True)

    def tearDown(self):
        self.folder.cleanup()

    def test_strips_show_the_same_pictures_at_each_scale(self):
        strip_100 = read_bmp(os.path.join(self.folder.name, 'toolbar.bmp'))
        for name, size in [('toolbar.bmp', 20), ('toolbar-150.bmp', 30), ('toolbar-200.bmp', 40)]:
            with self.subTest(name):
                strip = read_bmp(os.path.join(self.folder.name, name))
                self.assertEqual((len(strip[0]), len(strip)), (11 * size, size))
                # Each pixel of the 100 % strip, looked up at its centre in the larger strip.
                scale = size / 20
                same = sum(strip[int((y + 0.5) * scale)][int((x + 0.5) * scale)] == colour
                           for y, row in enumerate(strip_100) for x, colour in enumerate(row))
                self.assertGreater(same / (20 * 20 * 11), 0.9)

    def test_icons_hold_the_sizes_of_each_scale(self):
        for name in ['drovane.ico', 'viewer.ico']:
            with self.subTest(name), open(os.path.join(self.folder.name, name), 'rb') as f:
                data = f.read()
                count, = struct.unpack_from('<H', data, 4)
                sizes = sorted(data[6 + 16 * i] for i in range(count))
                self.assertEqual(sizes, [16, 24, 32, 48, 64])


if __name__ == '__main__':
    unittest.main()
