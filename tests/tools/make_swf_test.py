#!/usr/bin/env python3
"""Reads the movies tools/make-swf writes with a parser of its own, down to every bit field, so
that a movie the demo site serves is one a player can read: the lengths add up, every shape
outline closes, and every placed shape stays on the stage in every frame."""
import lzma
import math
import os
import struct
import subprocess
import sys
import tempfile
import types
import unittest
import zlib

MAKE_SWF = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', '..', 'tools', 'make-swf')


class Bits:
    def __init__(self, data):
        self.data, self.pos = data, 0  # pos counts bits

    def unsigned(self, count):
        value = 0
        for _ in range(count):
            byte = self.data[self.pos >> 3]  # IndexError: a field ran past its tag
            value = (value << 1) | ((byte >> (7 - (self.pos & 7))) & 1)
            self.pos += 1
        return value

    def signed(self, count):
        value = self.unsigned(count)
        return value - (1 << count) if count and value >> (count - 1) else value

    def fixed(self, count):
        return self.signed(count) / 65536.0

    def align(self):
        self.pos = (self.pos + 7) & ~7
        return self.pos >> 3


def read_rect(bits):
    n = bits.unsigned(5)
    return tuple(bits.signed(n) for _ in range(4))  # xmin, xmax, ymin, ymax


def read_matrix(bits):
    sx = sy = 1.0
    r0 = r1 = 0.0
    if bits.unsigned(1):
        n = bits.unsigned(5)
        sx, sy = bits.fixed(n), bits.fixed(n)
    if bits.unsigned(1):
        n = bits.unsigned(5)
        r0, r1 = bits.fixed(n), bits.fixed(n)
    n = bits.unsigned(5)
    tx, ty = bits.signed(n), bits.signed(n)
    return lambda x, y: (x * sx + y * r1 + tx, x * r0 + y * sy + ty)


def read_shape(body):
    """Returns (id, bounds, fill colours, outlines as lists of points)."""
    shape_id = struct.unpack_from('<H', body)[0]
    bits = Bits(body[2:])
    bounds = read_rect(bits)
    pos = 2 + bits.align()
    fills = []
    for _ in range(body[pos]):
        assert body[pos + 1] == 0x00, "only solid fills are written"
        fills.append(tuple(body[pos + 2:pos + 5]))
        pos += 4
    pos += 1
    line_count = body[pos]
    pos += 1 + 5 * line_count
    bits = Bits(body[pos:])
    fill_bits, line_bits = bits.unsigned(4), bits.unsigned(4)
    outlines, x, y = [], 0, 0
    while True:
        if bits.unsigned(1) == 0:
            flags = bits.unsigned(5)
            if flags == 0:
                break
            assert not flags & 0x10, "no new styles are written"
            if flags & 0x01:
                n = bits.unsigned(5)
                x, y = bits.signed(n), bits.signed(n)
                outlines.append([(x, y)])
            for flag, count in ((0x02, fill_bits), (0x04, fill_bits), (0x08, line_bits)):
                if flags & flag:
                    bits.unsigned(count)
        else:
            assert bits.unsigned(1) == 1, "only straight edges are written"
            n = bits.unsigned(4) + 2
            if bits.unsigned(1):
                x += bits.signed(n)
                y += bits.signed(n)
            elif bits.unsigned(1):
                y += bits.signed(n)
            else:
                x += bits.signed(n)
            outlines[-1].append((x, y))
    used = pos + bits.align()
    return shape_id, bounds, fills, outlines, used


class Movie:
    def __init__(self, data):
        self.data = data
        assert data[:3] == b'FWS', data[:3]
        self.version = data[3]
        self.length = struct.unpack_from('<I', data, 4)[0]
        bits = Bits(data[8:])
        self.stage = read_rect(bits)
        pos = 8 + bits.align()
        rate, self.frame_count = struct.unpack_from('<HH', data, pos)
        self.rate = rate / 256.0
        self.tags = []
        pos += 4
        while True:
            head = struct.unpack_from('<H', data, pos)[0]
            code, length = head >> 6, head & 0x3F
            pos += 2
            if length == 0x3F:
                length = struct.unpack_from('<I', data, pos)[0]
                pos += 4
            self.tags.append((code, data[pos:pos + length]))
            assert pos + length <= len(data), f"tag {code} runs past the end of the file"
            pos += length
            if code == 0:
                break
        self.end = pos


def make(*args):
    with tempfile.TemporaryDirectory() as folder:
        path = os.path.join(folder, 'movie.swf')
        subprocess.run([sys.executable, MAKE_SWF, path, *args], check=True)
        with open(path, 'rb') as f:
            return f.read()


def frames(movie):
    """The display list after every frame: depth -> (character, transform)."""
    shapes, display, result = {}, {}, []
    for code, body in movie.tags:
        if code == 2:
            shape_id, bounds, fills, outlines, used = read_shape(body)
            shapes[shape_id] = (bounds, fills, outlines)
        elif code == 26:
            flags, depth = body[0], struct.unpack_from('<H', body, 1)[0]
            pos = 3
            if flags & 0x02:
                character = struct.unpack_from('<H', body, pos)[0]
                assert character in shapes, f"character {character} placed before it is defined"
                pos += 2
            else:
                assert flags & 0x01 and depth in display, f"move of empty depth {depth}"
                character = display[depth][0]
            assert flags & 0x04, "every placement carries a matrix"
            bits = Bits(body[pos:])
            transform = read_matrix(bits)
            assert pos + bits.align() == len(body), "PlaceObject2 length does not match its fields"
            display[depth] = (character, transform)
        elif code == 1:
            result.append(dict(display))
    return shapes, result


class HeaderAndTags(unittest.TestCase):
    def test_lengths_add_up_for_every_size_and_frame_count(self):
        cases = [
            ([], (320, 240), 24),
            (['--size', '16x16', '--frames', '1'], (16, 16), 1),
            (['--size', '2000x2000', '--frames', '3', '--label', 'BIG'], (2000, 2000), 3),
            # Enough frames that the movie passes 64 KiB and tags vary in length.
            (['--size', '468x60', '--frames', '600', '--label', 'BANNER 468X60'], (468, 60), 600),
            # The frame label tag's body is one byte longer than the label: 62, 63 and 64 bytes
            # straddle the switch from the short to the long tag header.
            (['--label', 'L' * 61], (320, 240), 24),
            (['--label', 'L' * 62], (320, 240), 24),
            (['--label', 'L' * 63], (320, 240), 24),
        ]
        for args, (width, height), frame_count in cases:
            with self.subTest(args=args):
                data = make(*args)
                movie = Movie(data)
                self.assertEqual(movie.length, len(data))
                self.assertEqual(movie.end, len(data), "bytes after the end tag")
                self.assertEqual(movie.stage, (0, width * 20, 0, height * 20))
                self.assertEqual(movie.frame_count, frame_count)
                self.assertEqual(sum(1 for code, _ in movie.tags if code == 1), frame_count)
                labels = [body for code, body in movie.tags if code == 43]
                if '--label' in args:
                    self.assertEqual(labels, [args[args.index('--label') + 1].encode() + b'\0'])
                for code, body in movie.tags:
                    if code in (0, 1):
                        self.assertEqual(body, b'', f"tag {code} has a body")

    def test_options_reach_the_file(self):
        movie = Movie(make('--colour', '12ab34', '--background', '#000080', '--rate', '7.5',
                           '--version', '8', '--label', 'Game'))
        self.assertEqual(movie.version, 8)
        self.assertEqual(movie.rate, 7.5)
        self.assertEqual(movie.tags[0], (9, bytes.fromhex('000080')))
        self.assertIn((43, b'Game\0'), movie.tags)
        shapes, _ = frames(movie)
        self.assertEqual(shapes[1][1], [(0x12, 0xab, 0x34)])

    def test_bad_options_write_nothing(self):
        for args in (['--colour', 'red'], ['--size', '10x10'], ['--size', 'wide'], ['--frames', '0'],
                     ['--rate', '0'], ['--version', '0']):
            with self.subTest(args=args), tempfile.TemporaryDirectory() as folder:
                path = os.path.join(folder, 'movie.swf')
                done = subprocess.run([sys.executable, MAKE_SWF, path, *args], capture_output=True)
                self.assertNotEqual(done.returncode, 0)
                self.assertFalse(os.path.exists(path))


class Shapes(unittest.TestCase):
    def test_every_outline_closes_inside_its_bounds(self):
        for label in ('', 'A', 'ABCDEFGHIJKLMNOPQRSTUVWXYZ', '0123456789 -!', 'lower? case'):
            with self.subTest(label=label):
                movie = Movie(make('--label', label, '--frames', '2'))
                for code, body in movie.tags:
                    if code != 2:
                        continue
                    shape_id, (xmin, xmax, ymin, ymax), fills, outlines, used = read_shape(body)
                    self.assertEqual(used, len(body), f"shape {shape_id} has bytes after its end record")
                    self.assertTrue(outlines, f"shape {shape_id} is empty")
                    for outline in outlines:
                        self.assertEqual(outline[0], outline[-1], f"shape {shape_id} has an open outline")
                        for x, y in outline:
                            self.assertTrue(xmin <= x <= xmax and ymin <= y <= ymax,
                                            f"shape {shape_id}: ({x}, {y}) outside its bounds")

    def test_label_has_one_square_per_lit_cell(self):
        # "I" is 11 cells, "-" 5, the blank none; a wrong count means letters came out garbled.
        shapes, _ = frames(Movie(make('--label', 'I -', '--frames', '1')))
        self.assertEqual(len(shapes[3][2]), 16)

    def test_fill_lies_inside_every_outline(self):
        # Outlines go clockwise on screen (y grows downwards) so the fill is on the right of each
        # edge: the shoelace sum is positive in those coordinates.
        shapes, _ = frames(Movie(make('--label', 'XO', '--frames', '1')))
        for shape_id, (_, _, outlines) in shapes.items():
            for outline in outlines:
                area = sum(x0 * y1 - x1 * y0 for (x0, y0), (x1, y1) in zip(outline, outline[1:]))
                self.assertGreater(area, 0, f"shape {shape_id} runs anticlockwise")


class Animation(unittest.TestCase):
    def test_shapes_stay_on_the_stage_and_move(self):
        for size in ('320x240', '468x60', '60x400'):
            with self.subTest(size=size):
                movie = Movie(make('--size', size, '--label', 'Stage', '--frames', '24'))
                shapes, display_lists = frames(movie)
                _, width, _, height = movie.stage
                corners_seen = {}
                for number, display in enumerate(display_lists):
                    self.assertEqual(sorted(display), [1, 2, 3])
                    for depth, (character, transform) in display.items():
                        points = [transform(x, y) for outline in shapes[character][2] for x, y in outline]
                        for x, y in points:
                            self.assertTrue(-1 <= x <= width + 1 and -1 <= y <= height + 1,
                                            f"frame {number}: shape {character} leaves the stage at ({x:.0f}, {y:.0f})")
                        corners_seen.setdefault(depth, set()).add(tuple(round(c) for c in points[0]))
                self.assertGreater(len(corners_seen[1]), 12, "the rectangle hardly moves")
                self.assertGreater(len(corners_seen[2]), 12, "the diamond hardly moves")

    def test_diamond_turns_a_quarter(self):
        shapes, display_lists = frames(Movie(make('--frames', '5')))
        first, last = display_lists[0][2][1], display_lists[-1][2][1]
        top = shapes[2][2][0][0]  # the diamond's top corner
        (x0, y0), (x1, y1) = first(*top), last(*top)
        centre = first(0, 0)
        self.assertAlmostEqual(math.atan2(y0 - centre[1], x0 - centre[0]), -math.pi / 2, places=3)
        centre = last(0, 0)
        self.assertAlmostEqual(math.atan2(y1 - centre[1], x1 - centre[0]), 0, places=3)


def tag_codes(body):
    """Codes of the tags in a tag stream, sprites opened: (code, nested codes or None)."""
    codes, pos = [], 0
    while pos < len(body):
        head = struct.unpack_from('<H', body, pos)[0]
        code, length = head >> 6, head & 0x3F
        pos += 2
        if length == 0x3F:
            length = struct.unpack_from('<I', body, pos)[0]
            pos += 4
        assert pos + length <= len(body), f"tag {code} runs past its container"
        inner = tag_codes(body[pos + 4:pos + length]) if code == 39 else None
        codes.append((code, inner))
        pos += length
    return codes


def expanded(data):
    """The file with its body decompressed, as an FWS movie."""
    if data[:3] == b'CWS':
        return b'FWS' + data[3:8] + zlib.decompress(data[8:])
    if data[:3] == b'ZWS':
        # 4-byte compressed length, 5 property bytes, the stream; the .lzma form puts the
        # expanded length after the properties.
        compressed_length = struct.unpack_from('<I', data, 8)[0]
        assert compressed_length == len(data) - 17, "compressed length"
        size = struct.pack('<Q', struct.unpack_from('<I', data, 4)[0] - 8)
        return b'FWS' + data[3:8] + lzma.decompress(data[12:17] + size + data[17:], format=lzma.FORMAT_ALONE)
    return data


class Scenes(unittest.TestCase):
    def movie_tags(self, *args):
        data = expanded(make(*args))
        movie = Movie(data)
        self.assertEqual(movie.length, len(data))
        self.assertEqual(movie.end, len(data))
        self.assertEqual(sum(1 for code, _ in movie.tags if code == 1), movie.frame_count)
        bits = data[8] >> 3
        start = 8 + (5 + 4 * bits + 7) // 8 + 4  # after the stage, frame rate and frame count
        return movie, tag_codes(data[start:])

    def test_each_scene_holds_what_it_shows(self):
        wanted = {
            'shapes': {32},              # DefineShape3
            'sprites': {39, 32},         # DefineSprite
            'bitmaps': {20, 36, 32},     # DefineBitsLossless, DefineBitsLossless2
            'frames': {28, 12},          # RemoveObject2, DoAction
            'gallery': {39, 20, 36, 32},
        }
        for scene, codes in wanted.items():
            for compress in ([], ['--compress'], ['--compress', 'lzma']):
                with self.subTest(scene=scene, compress=compress):
                    movie, tags = self.movie_tags('--scene', scene, '--frames', '10', *compress)
                    self.assertEqual(movie.frame_count, 10)
                    found = {code for code, inner in tags} | {code for _, inner in tags if inner for code, _ in inner}
                    self.assertLessEqual(codes, found)

    def test_sound_scenes_hold_their_sound_tags(self):
        # DefineSound, StartSound, SoundStreamHead, SoundStreamBlock, DefineSprite
        wanted = {'event-sound': {14, 15}, 'stream-sound': {18, 19}, 'sprite-sound': {14, 39}}
        for scene, codes in wanted.items():
            for coding in ('pcm', 'pcm8', 'pcm-native', 'adpcm', 'mp3'):
                with self.subTest(scene=scene, coding=coding):
                    movie, tags = self.movie_tags('--scene', scene, '--sound', coding, '--sound-rate', '11')
                    found = {code for code, _ in tags}
                    self.assertLessEqual(codes, found)
                    frames, blocks = 0, []
                    for code, inner in tags:
                        frames += code == 1
                        if code == 19:
                            blocks.append(frames)
                        if code == 39:
                            self.assertLessEqual({18, 19, 15}, {c for c, _ in inner}, "the sprite's own sound")
                    if scene == 'stream-sound':
                        self.assertEqual(movie.frame_count, 16)
                        self.assertEqual(blocks, [f for f in range(16) if f not in (12, 13)], "a block a frame")

    def test_sound_lengths_follow_the_rate(self):
        # The event scene's beep lasts three frames at 12 a second: its sample count and, for
        # uncompressed sound, its bytes follow the rate, the sample size and the channels.
        for rate, hz in ((5, 5512.5), (11, 11025), (22, 22050), (44, 44100)):
            for coding, stereo, size in (('pcm', False, 2), ('pcm8', True, 2), ('pcm-native', True, 4)):
                with self.subTest(rate=rate, coding=coding, stereo=stereo):
                    args = ['--scene', 'event-sound', '--sound', coding, '--sound-rate', str(rate)]
                    movie = Movie(make(*args, *(['--stereo'] if stereo else [])))
                    body = next(body for code, body in movie.tags if code == 14)
                    count = struct.unpack_from('<I', body, 3)[0]
                    self.assertEqual(count, round(hz / 4))
                    self.assertEqual(len(body) - 7, count * size)
                    self.assertEqual(body[2] & 0x0F, [5, 11, 22, 44].index(rate) << 2 | (coding != 'pcm8') << 1 | stereo)

    def test_compressed_and_plain_movies_match(self):
        for scene in ('banner', 'gallery'):
            with self.subTest(scene=scene):
                plain = make('--scene', scene, '--frames', '4')
                for method, signature in (('zlib', b'CWS'), ('lzma', b'ZWS')):
                    compressed = make('--scene', scene, '--frames', '4', '--compress', method)
                    self.assertEqual(compressed[:3], signature)
                    self.assertEqual(expanded(compressed), plain)

    def test_frames_scene_removes_swaps_and_stops(self):
        _, tags = self.movie_tags('--scene', 'frames', '--frames', '12')
        frames, current = [], []
        for code, _ in tags:
            if code == 1:
                frames.append(current)
                current = []
            else:
                current.append(code)
        self.assertIn(28, frames[6], "the second object goes half way")
        self.assertEqual(frames[-1].count(12), 1, "the last frame stops")
        self.assertTrue(all(12 not in frame for frame in frames[:-1]))

    def test_generator_works_as_a_module(self):
        module = types.ModuleType('make_swf')
        with open(MAKE_SWF) as f:
            exec(compile(f.read(), MAKE_SWF, 'exec'), module.__dict__)
        square = module.shape(1, [module.fill_solid((255, 0, 0))], [],
                              [(0, 1, 0, [(0, 0), (200, 0), (200, 200), (0, 200), (0, 0)])])
        frames = module.frames_to_tags([[module.place_object(1, 1, 100, 100)], [module.remove_object(1)]])
        data = module.movie(2000, 2000, 12, square + frames, compress='zlib')
        movie = Movie(expanded(data))
        self.assertEqual(movie.frame_count, 2)
        self.assertEqual([code for code, _ in movie.tags], [32, 26, 1, 28, 1, 0])


class CheckMode(unittest.TestCase):
    def test_check_finds_broken_files(self):
        good = make('--frames', '3')
        broken = {
            'good': (good, True),
            'cut short': (good[:-5], False),
            'length off': (good[:4] + struct.pack('<I', len(good) + 1) + good[8:], False),
            'trailing bytes': (good + b'\0', False),
            'not a movie': (b'GIF' + good[3:], False),
            'compressed': (b'CWS' + good[3:8] + zlib.compress(good[8:]), True),
            'compressed, damaged': (b'CWS' + good[3:8] + zlib.compress(good[8:])[:-3], False),
            'lzma': (make('--frames', '3', '--compress', 'lzma'), True),
            'lzma, cut short': (make('--frames', '3', '--compress', 'lzma')[:-9], False),
        }
        with tempfile.TemporaryDirectory() as folder:
            for name, (data, ok) in broken.items():
                with self.subTest(name=name):
                    path = os.path.join(folder, 'movie.swf')
                    with open(path, 'wb') as f:
                        f.write(data)
                    done = subprocess.run([sys.executable, MAKE_SWF, '--check', path], capture_output=True)
                    self.assertEqual(done.returncode == 0, ok, done.stdout)


if __name__ == '__main__':
    unittest.main()
