#!/usr/bin/python3
"""The MAC maker table generator refuses malformed registry files, naming the file and line.

    check_mac_maker_generator.py tools/make_mac_makers.py
"""
import os
import subprocess
import sys
import tempfile
import unittest

GENERATOR = None

HEADER = "Registry,Assignment,Organization Name,Organization Address\r\n"
GOOD = {
    "oui.csv": HEADER + 'MA-L,B827EB,Raspberry Pi Foundation,Mitchell Wood House Caldecote\r\n'
                        'MA-L,001A2B,"Ayecom Technology Co., Ltd.","No. 25, R&D Road 2\nHsinchu TW 300 "\r\n'
                        'MA-L,ACDE48,Private,\r\n',
    "mam.csv": HEADER + "MA-M,741AE03,Philips Personal Health Solutions,High Tech Campus\r\n",
    "oui36.csv": HEADER + 'MA-S,8C1F64EAA,"""KB ""Modul"", LLC",Verejskaya str. bld.29 Moscow  RU 121351 \r\n',
}


class Generator(unittest.TestCase):
    def setUp(self):
        temporary = tempfile.TemporaryDirectory(prefix="mac-makers-")
        self.addCleanup(temporary.cleanup)
        self.root = temporary.name

    def run_generator(self, replace):
        """Runs the generator on the good files with `replace` ({file: bytes}) swapped in."""
        folder = tempfile.mkdtemp(dir=self.root)
        paths = {}
        for name, text in GOOD.items():
            paths[name] = os.path.join(folder, name)
            with open(paths[name], "wb") as out:
                out.write(replace.get(name, text.encode("utf-8")))
        table = os.path.join(folder, "out", "table.cpp")
        header = os.path.join(folder, "out", "source.h")
        result = subprocess.run([sys.executable, GENERATOR, "--ma-l", paths["oui.csv"], "--ma-m", paths["mam.csv"],
                                 "--ma-s", paths["oui36.csv"], "--table", table, "--source-header", header],
                                capture_output=True, text=True)
        return result, paths, [p for p in (table, header) if os.path.exists(p)]

    def test_well_formed_files_make_a_table(self):
        result, _, written = self.run_generator({})
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertEqual(len(written), 2)

    def test_a_malformed_line_stops_it_with_the_file_and_line(self):
        second = 'MA-L,001A2B,"Ayecom Technology Co., Ltd.","No. 25\nHsinchu"\r\n'  # lines 2 and 3
        cases = [
            # (what, file, content, line)
            ("unterminated quote", "oui.csv", HEADER + 'MA-L,B827EB,"Raspberry Pi Foundation,Cambridge\r\n', 2),
            ("text after a closing quote", "mam.csv", HEADER + 'MA-M,741AE03,"Philips" Health,Eindhoven\r\n', 2),
            ("three fields", "oui.csv", HEADER + second + "MA-L,B827EB,Raspberry Pi Foundation\r\n", 4),
            ("five fields", "oui36.csv", HEADER + "MA-S,8C1F64EAA,KB Modul,LLC,Moscow\r\n", 2),
            ("five fields over two lines", "oui.csv", HEADER + 'MA-L,B827EB,Raspberry Pi,"Mitchell\nWood",UK\r\n', 2),
            ("an empty line", "oui.csv", HEADER + "MA-L,B827EB,Raspberry Pi Foundation,Cambridge\r\n\r\n", 3),
            ("another registry's line", "mam.csv", HEADER + "MA-L,741AE0,IEEE Registration Authority,x\r\n", 2),
            ("a short assignment", "oui36.csv", HEADER + "MA-S,8C1F64EA,KB Modul,Moscow\r\n", 2),
            ("lower-case hex", "oui.csv", HEADER + second + "MA-L,b827eb,Raspberry Pi Foundation,x\r\n", 4),
            ("not hex", "mam.csv", HEADER + "MA-M,741AEG3,Philips Personal Health Solutions,x\r\n", 2),
            ("no name", "oui.csv", HEADER + "MA-L,B827EB, ,Cambridge\r\n", 2),
            ("a line break in the name", "oui.csv", HEADER + 'MA-L,B827EB,"Raspberry\nPi",Cambridge\r\n', 2),
            ("a different header", "mam.csv", "Registry,Assignment,Organization,Address\r\n", 1),
            ("no records", "oui36.csv", HEADER, 2),
        ]
        for what, name, content, line in cases:
            with self.subTest(what):
                result, paths, written = self.run_generator({name: content.encode("utf-8")})
                self.assertNotEqual(result.returncode, 0)
                self.assertIn(f"{paths[name]}:{line}: ", result.stderr)
                self.assertEqual(written, [], "nothing is written from a malformed file")

    def test_bytes_that_are_not_utf8_name_their_line(self):
        content = (HEADER + "MA-M,741AE03,Philips Personal Health Solutions,x\r\n").encode("utf-8") + \
            b"MA-M,D8860B7,Gr\xfcnbeck Wasseraufbereitung GmbH,Hoechstaedt\r\n"
        result, paths, written = self.run_generator({"mam.csv": content})
        self.assertNotEqual(result.returncode, 0)
        self.assertIn(f"{paths['mam.csv']}:3: ", result.stderr)
        self.assertEqual(written, [])


if __name__ == "__main__":
    GENERATOR = sys.argv.pop(1)
    unittest.main()
