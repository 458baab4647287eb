#!/usr/bin/env python3
"""The help file's sources: every page is compiled in and reachable from the contents, no link
leads nowhere, and chmcmd turns the project into a file that holds every page. chmcmd itself
only warns about some of these faults, or not at all."""
import configparser
import os
import re
import shutil
import subprocess
import tempfile
import unittest

HELP = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', '..', 'help')
PROJECT = os.path.join(HELP, 'tarnhelp.hhp')


def project_files():
    with open(PROJECT, encoding='latin-1') as f:
        text = f.read()
    files = text.split('[FILES]', 1)[1].split('[', 1)[0]
    return [line.strip() for line in files.splitlines() if line.strip()]


def project_options():
    parser = configparser.ConfigParser(interpolation=None, strict=False)
    parser.optionxform = str
    with open(PROJECT, encoding='latin-1') as f:
        parser.read_string(f.read().split('[FILES]', 1)[0])
    return parser['OPTIONS']


def read(name):
    with open(os.path.join(HELP, name), encoding='latin-1') as f:
        return f.read()


def sitemap_targets(name):
    return re.findall(r'<param name="Local" value="([^"]+)">', read(name), re.IGNORECASE)


class Sources(unittest.TestCase):
    def test_every_page_is_compiled_in_and_listed_in_the_contents(self):
        files = project_files()
        pages = sorted(name for name in os.listdir(HELP) if name.endswith('.html'))
        self.assertEqual(sorted(name for name in files if name.endswith('.html')), pages)
        for name in files:
            self.assertTrue(os.path.isfile(os.path.join(HELP, name)), f"{name} is in [FILES] but missing")
        options = project_options()
        self.assertIn(options['Default topic'], files)
        self.assertEqual(sorted(set(sitemap_targets(options['Contents file']))), pages)

    def test_no_link_leads_nowhere(self):
        files = set(project_files())
        options = project_options()
        for name in (options['Contents file'], options['Index file']):
            for target in sitemap_targets(name):
                self.assertIn(target, files, f"{name} names {target}")
        for name in sorted(f for f in files if f.endswith('.html')):
            page = read(name)
            self.assertRegex(page, r'<title>[^<]+</title>', f"{name} has no title")
            for target in re.findall(r'(?:href|src)="([^"]+)"', page, re.IGNORECASE):
                if re.match(r'[a-z]+:', target) or target.startswith('#'):
                    continue
                self.assertIn(target.split('#', 1)[0], files, f"{name} links to {target}")


class Compiled(unittest.TestCase):
    def test_chmcmd_builds_a_file_holding_every_page(self):
        chmcmd, chmls = shutil.which('chmcmd'), shutil.which('chmls')
        self.assertTrue(chmcmd and chmls, "chmcmd and chmls come with fp-utils (tools/setup)")
        with tempfile.TemporaryDirectory() as folder:
            subprocess.run([chmcmd, '--verbosity', '1', os.path.abspath(PROJECT)], cwd=folder,
                           check=True, capture_output=True)
            compiled = os.path.join(folder, project_options()['Compiled file'])
            self.assertTrue(os.path.isfile(compiled), "chmcmd wrote no file")
            listing = subprocess.run([chmls, 'list', compiled], check=True, capture_output=True, text=True).stdout
            for name in project_files():
                self.assertIn('/' + name, listing.split(), f"{name} is not in the compiled file")


if __name__ == '__main__':
    unittest.main()
