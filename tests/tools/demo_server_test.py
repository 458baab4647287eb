#!/usr/bin/env python3
"""Runs tools/demo-server as a user of the demo would: reads the page address from its first
line, finds the movies the page embeds, fetches each by its resolved address, and stops the
server with SIGTERM and SIGINT."""
import os
import re
import select
import signal
import subprocess
import sys
import tempfile
import unittest
import urllib.error
import urllib.parse
import urllib.request

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', '..')
SERVER = os.path.join(ROOT, 'tools', 'demo-server')
MAKE_SWF = os.path.join(ROOT, 'tools', 'make-swf')
TIMEOUT = 30


def embed_sources(page):
    # The tag as the program reads it: "EMBED SRC=" right after "<", any letter case, one
    # optional opening quote, the value ending at a quote, a blank, a line break or ">".
    return re.findall(r'<EMBED SRC=["\']?([^"\' \t\r\n>]+)', page, re.IGNORECASE)


# Straight to the loopback server, whatever proxy the environment names.
OPENER = urllib.request.build_opener(urllib.request.ProxyHandler({}))


def fetch(url):
    with OPENER.open(url, timeout=TIMEOUT) as answer:
        return answer.status, answer.headers.get('Content-Type'), answer.read()


class DemoServer(unittest.TestCase):
    def start(self, temporary_folder=None):
        # The movies go to a folder of the test's own, which goes whatever becomes of the server.
        if temporary_folder is None:
            temporary = tempfile.TemporaryDirectory()
            self.addCleanup(temporary.cleanup)
            temporary_folder = temporary.name
        env = dict(os.environ, TMPDIR=temporary_folder)
        server = subprocess.Popen([sys.executable, SERVER, '--quiet'], stdout=subprocess.PIPE, text=True, env=env)
        self.addCleanup(self.finish, server)
        ready, _, _ = select.select([server.stdout], [], [], TIMEOUT)
        self.assertTrue(ready, "the server printed no address")
        return server, server.stdout.readline().strip()

    @staticmethod
    def finish(server):
        if server.poll() is None:
            server.terminate()
            try:
                server.wait(timeout=TIMEOUT)
            except subprocess.TimeoutExpired:
                server.kill()
        server.wait()
        server.stdout.close()

    def test_every_embedded_movie_is_served_and_valid(self):
        server, address = self.start()
        self.assertRegex(address, r'^http://127\.0\.0\.1:\d+/fans/index\.html$')
        status, content_type, page = fetch(address)
        self.assertEqual((status, content_type), (200, 'text/html'))
        sources = embed_sources(page.decode('latin-1'))
        self.assertEqual(len(sources), 4, sources)
        self.assertNotIn('@PORT@', page.decode('latin-1'))

        resolved = [urllib.parse.urljoin(address, source) for source in sources]
        self.assertEqual(len(set(resolved)), 3, "the intro is embedded twice, the others once")
        port = urllib.parse.urlsplit(address).port
        self.assertEqual(sorted(set(resolved)), sorted(f'http://127.0.0.1:{port}{path}' for path in (
            '/fans/movies/intro.swf', '/movies/banner.swf', '/movies/game.swf')))
        with tempfile.TemporaryDirectory() as folder:
            paths = []
            for url in sorted(set(resolved)):
                status, content_type, movie = fetch(url)
                self.assertEqual((status, content_type), (200, 'application/x-shockwave-flash'), url)
                paths.append(os.path.join(folder, url.rsplit('/', 1)[1]))
                with open(paths[-1], 'wb') as f:
                    f.write(movie)
            check = subprocess.run([sys.executable, MAKE_SWF, '--check', *paths], capture_output=True, text=True)
            self.assertEqual(check.returncode, 0, check.stdout)
            sizes = {os.path.getsize(path) for path in paths}
            self.assertEqual(len(sizes), 3, "the three movies should differ")

    def test_a_wrongly_resolved_address_is_not_found(self):
        # Resolving the relative address against the root instead of the page's folder, or
        # the root-relative one against the folder, must not find a movie by luck.
        _, address = self.start()
        root = address[:address.index('/fans/')]
        for path in ('/movies/intro.swf', '/fans/movies/banner.swf', '/fans/movies/game.swf'):
            with self.subTest(path=path), self.assertRaises(urllib.error.HTTPError) as failure:
                fetch(root + path)
            self.assertEqual(failure.exception.code, 404)

    def test_stops_cleanly_on_signals(self):
        for signum in (signal.SIGTERM, signal.SIGINT):
            with self.subTest(signal=signum.name), tempfile.TemporaryDirectory() as temporary:
                server, address = self.start(temporary)
                self.assertTrue(os.listdir(temporary), "the movies should be made in TMPDIR")
                server.send_signal(signum)
                self.assertEqual(server.wait(timeout=TIMEOUT), 0)
                self.assertEqual(os.listdir(temporary), [], "the movies were left behind")
                with self.assertRaises(urllib.error.URLError):
                    fetch(address)


if __name__ == '__main__':
    unittest.main()
