"""What an installation of the program holds, and the checks that every
installed tree must pass: `cmake --install` into a staging folder as much as
the .deb's contents.

A test class mixes in InstalledFilesChecks and sets, in setUpClass,
`destdir` (the staging folder, standing for /) and `prefix` (the install
prefix, "/usr" for the .deb)."""

import configparser
import gzip
import os
import re
import struct
import subprocess
import xml.etree.ElementTree as ElementTree

SOURCE = os.path.abspath(os.path.join(os.path.dirname(__file__), "../.."))
BUILD = os.environ.get("LAUNCHER_BUILD_DIR", os.path.join(SOURCE, "build"))
APP_ID = os.environ.get("LAUNCHER_APP_ID", "com.tharnvale.LoginLauncher")
HOMEPAGE = os.environ.get("LAUNCHER_HOMEPAGE", "https://tharnvale.example.com")
PACKAGE = "tharnvale-login-launcher"
ICON_SIZES = [16, 24, 32, 48, 64, 128, 256]

# Relative to the prefix.
PROGRAM = "libexec/%s/login-launcher" % PACKAGE
# The helpers that start a Windows game launcher under Wine, beside the
# program, each with what `file` says of a windowless Windows program.
WINE_HELPERS = {
    "libexec/%s/start-in-wine-32.exe" % PACKAGE: "PE32 executable (GUI) Intel 80386",
    "libexec/%s/start-in-wine-64.exe" % PACKAGE: "PE32+ executable (GUI) x86-64",
}
COMMAND = "games/" + PACKAGE
DESKTOP_ENTRY = "share/applications/%s.desktop" % APP_ID
METAINFO = "share/metainfo/%s.metainfo.xml" % APP_ID
MANUAL_PAGE = "share/man/man6/%s.6.gz" % PACKAGE
COPYRIGHT = "share/doc/%s/copyright" % PACKAGE
CHANGELOG = "share/doc/%s/changelog.gz" % PACKAGE
LINTIAN_OVERRIDES = "share/lintian/overrides/" + PACKAGE
SCALABLE_ICON = "share/icons/hicolor/scalable/apps/%s.svg" % APP_ID


def icon(size):
    return "share/icons/hicolor/%dx%d/apps/%s.png" % (size, size, APP_ID)


INSTALLED = sorted([PROGRAM, COMMAND, DESKTOP_ENTRY, METAINFO, MANUAL_PAGE, COPYRIGHT, CHANGELOG,
                    LINTIAN_OVERRIDES, SCALABLE_ICON] + list(WINE_HELPERS) +
                   [icon(size) for size in ICON_SIZES])


def run(argv, **kwargs):
    return subprocess.run(argv, capture_output=True, text=True, timeout=600, **kwargs)


def files_under(root):
    """Every file and link below `root`, relative to it."""
    found = []
    for folder, _, names in os.walk(root):
        found += [os.path.relpath(os.path.join(folder, name), root) for name in names]
    return sorted(found)


def png_size(path):
    with open(path, "rb") as picture:
        head = picture.read(24)
    assert head[:8] == b"\x89PNG\r\n\x1a\n" and head[12:16] == b"IHDR", "%s is no PNG" % path
    return struct.unpack(">II", head[16:24])


def changelog_version():
    with open(os.path.join(SOURCE, "packaging", "changelog"), encoding="utf-8") as changelog:
        return re.match(r"%s \(([^)]+)\)" % PACKAGE, changelog.readline()).group(1)


class InstalledFilesChecks:
    def path(self, relative):
        return os.path.join(self.destdir + self.prefix, relative)

    def desktop_entry(self):
        parser = configparser.ConfigParser(interpolation=None)
        parser.optionxform = str
        parser.read(self.path(DESKTOP_ENTRY), encoding="utf-8")
        return parser["Desktop Entry"]

    def test_holds_the_program_and_its_desktop_files_and_nothing_else(self):
        under_prefix = [self.prefix.lstrip("/") + "/" + f for f in INSTALLED]
        self.assertEqual(files_under(self.destdir), under_prefix)
        self.assertTrue(os.access(self.path(PROGRAM), os.X_OK))

    def test_wine_helpers_are_windowless_windows_programs_of_each_bitness(self):
        for relative, kind in WINE_HELPERS.items():
            self.assertIn(kind, run(["file", "-b", self.path(relative)]).stdout, relative)

    def test_command_is_a_relative_link_to_the_program(self):
        target = os.readlink(self.path(COMMAND))
        self.assertFalse(os.path.isabs(target), target)
        self.assertEqual(os.path.realpath(self.path(COMMAND)), os.path.realpath(self.path(PROGRAM)))

    def test_desktop_entry_is_valid_and_starts_the_installed_command(self):
        result = run(["desktop-file-validate", self.path(DESKTOP_ENTRY)])
        self.assertEqual((result.returncode, result.stdout + result.stderr), (0, ""))
        command = self.desktop_entry()["Exec"]
        self.assertEqual(command, self.prefix + "/" + COMMAND)
        self.assertEqual(os.path.realpath(self.destdir + command),
                         os.path.realpath(self.path(PROGRAM)))

    def test_desktop_entry_names_the_game_its_icon_and_window_class(self):
        entry = self.desktop_entry()
        self.assertEqual((entry["Name"], entry["Name[zh_CN]"]), ("Tharnvale", "萨恩瓦勒"))
        self.assertIn("Game", entry["Categories"].split(";"))
        self.assertEqual((entry["Icon"], entry["StartupWMClass"]), (APP_ID, APP_ID))

    def test_every_icon_has_the_size_of_its_folder(self):
        for size in ICON_SIZES:
            self.assertEqual(png_size(self.path(icon(size))), (size, size), icon(size))
        svg = ElementTree.parse(self.path(SCALABLE_ICON)).getroot()
        self.assertEqual(svg.tag, "{http://www.w3.org/2000/svg}svg")
        _, _, width, height = svg.get("viewBox").split()
        self.assertEqual(width, height)

    def test_metainfo_is_valid_and_names_the_desktop_entry(self):
        result = run(["appstreamcli", "validate", "--no-net", self.path(METAINFO)])
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)
        component = ElementTree.parse(self.path(METAINFO)).getroot()
        self.assertEqual(component.findtext("id"), APP_ID)
        self.assertEqual(component.findtext("launchable"), APP_ID + ".desktop")
        self.assertEqual(component.find("releases/release").get("version"), changelog_version())

    def test_metainfo_shows_the_committed_screenshot_from_the_homepage(self):
        metainfo = ElementTree.parse(self.path(METAINFO)).getroot()
        image = metainfo.find("screenshots/screenshot/image")
        self.assertEqual(image.text, HOMEPAGE + "/appstream/login.png")
        self.assertTrue(image.text.startswith("https://"))
        shot = png_size(os.path.join(SOURCE, "res", "appstream", "login.png"))
        self.assertEqual((int(image.get("width")), int(image.get("height"))), shot)

    def test_changelog_and_manual_page_are_compressed_without_a_time_stamp(self):
        for relative in (CHANGELOG, MANUAL_PAGE):
            with open(self.path(relative), "rb") as compressed:
                head = compressed.read(10)
            # The gzip header: bytes 4 to 7 the time stamp, byte 8 2 for the
            # strongest compression.
            self.assertEqual((head[:2], head[4:8], head[8]), (b"\x1f\x8b", b"\0\0\0\0", 2),
                             relative)
        with gzip.open(self.path(CHANGELOG), "rt", encoding="utf-8") as changelog:
            heading = changelog.readline()
        self.assertTrue(heading.startswith("%s (%s) " % (PACKAGE, changelog_version())), heading)

    def test_manual_page_reads_without_warnings(self):
        result = run(["man", "--warnings", "-E", "UTF-8", "-l", self.path(MANUAL_PAGE)],
                     env=dict(os.environ, MANWIDTH="80", LC_ALL="C.UTF-8"))
        self.assertEqual((result.returncode, result.stderr), (0, ""))
        self.assertIn("tharnvale-login-launcher - sign in to Tharnvale", result.stdout)

    def test_copyright_is_in_the_machine_readable_format(self):
        with open(self.path(COPYRIGHT), encoding="utf-8") as copyright_file:
            text = copyright_file.read()
        self.assertTrue(text.startswith(
            "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n"))
        self.assertRegex(text, r"\nCopyright: \d{4} \S")

    def test_no_setting_is_left_unfilled(self):
        for relative in (DESKTOP_ENTRY, METAINFO, COPYRIGHT):
            with open(self.path(relative), encoding="utf-8") as configured:
                self.assertNotRegex(configured.read(), r"@[A-Z_]+@", relative)
        with gzip.open(self.path(MANUAL_PAGE), "rt", encoding="utf-8") as page:
            self.assertNotRegex(page.read(), r"@[A-Z_]+@", MANUAL_PAGE)
