"""The release a publisher makes: the program alone, built without anything
the tests, benchmarks or demo tools need, packed by cpack into a .deb that
lintian accepts; and the settings a release refuses, each with a message
that says what to do."""

import glob
import os
import re
import shutil
import tempfile
import unittest

from installed_files import (BUILD, COMMAND, HOMEPAGE, INSTALLED, PACKAGE, PROGRAM, SOURCE,
                             InstalledFilesChecks, changelog_version, run)

# Kept between runs, so that the next run builds only what changed.
RELEASE_TREE = os.path.join(BUILD, "package-release")
# A release build that looked for any of these would need what only the
# tests, the benchmarks or the demo's tools need.
TEST_ONLY = ["-DCMAKE_DISABLE_FIND_PACKAGE_%s=ON" % name
             for name in ("GTest", "Python3", "OpenSSL", "Threads")]
PROGRAM_ALONE = ["-DLAUNCHER_BUILD_TESTS=OFF", "-DLAUNCHER_BUILD_BENCH=OFF",
                 "-DLAUNCHER_BUILD_TOOLS=OFF"]
RELEASE_SETTINGS = ["-DCMAKE_BUILD_TYPE=Release", "-DCMAKE_INSTALL_PREFIX=/usr"] + PROGRAM_ALONE
# Libraries the program links, as dpkg-shlibdeps names their packages, and
# the trust store its https checks read.
DEPENDS = ["libwebkit2gtk-4.1-0", "libgtk-3-0", "libwayland-client0", "libcurl4", "libjsoncpp25",
           "libssl3", "libc6", "ca-certificates"]


def succeed(argv, **kwargs):
    result = run(argv, **kwargs)
    assert result.returncode == 0, "%s failed:\n%s%s" % (" ".join(argv), result.stdout,
                                                         result.stderr)
    return result.stdout


class ReleasePackage(InstalledFilesChecks, unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        succeed(["cmake", "-S", SOURCE, "-B", RELEASE_TREE] + RELEASE_SETTINGS + TEST_ONLY)
        succeed(["cmake", "--build", RELEASE_TREE, "-j%d" % (os.cpu_count() or 2)])
        for old in glob.glob(os.path.join(RELEASE_TREE, "*.deb")):
            os.remove(old)
        succeed(["cpack", "-G", "DEB"], cwd=RELEASE_TREE)
        cls.debs = glob.glob(os.path.join(RELEASE_TREE, "*.deb"))
        assert len(cls.debs) == 1, cls.debs
        cls.deb = cls.debs[0]
        cls.destdir = tempfile.mkdtemp(prefix="launcher-deb-")
        cls.prefix = "/usr"
        succeed(["dpkg-deb", "-x", cls.deb, cls.destdir])

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.destdir)

    def field(self, name):
        return succeed(["dpkg-deb", "-f", self.deb, name]).rstrip("\n")

    def test_release_build_looked_for_no_library_of_the_tests_or_tools(self):
        with open(os.path.join(RELEASE_TREE, "CMakeCache.txt"), encoding="utf-8") as cache:
            checked = set(re.findall(r"^__pkg_config_checked_(\w+):", cache.read(), re.M))
        # SDL2 for its headers alone: the program loads the library when
        # it runs (platform/gtk/GamepadGtk.cpp).
        self.assertEqual(checked, {"CURL", "JSONCPP", "GLIB", "LIBCRYPTO", "GTK", "WEBKIT", "XSHAPE",
                                   "WAYLAND", "CAIRO", "SDL2"})

    def test_package_is_named_and_versioned_from_the_changelog(self):
        version = changelog_version()
        arch = succeed(["dpkg", "--print-architecture"]).strip()
        self.assertEqual(os.path.basename(self.deb), "%s_%s_%s.deb" % (PACKAGE, version, arch))
        self.assertEqual((self.field("Package"), self.field("Version")), (PACKAGE, version))
        self.assertEqual((self.field("Section"), self.field("Priority")), ("games", "optional"))
        self.assertEqual(self.field("Homepage"), HOMEPAGE)
        self.assertRegex(self.field("Maintainer"), r"^[^<>]+ <[^<>@ ]+@[^<>@ ]+>$")

    def test_depends_on_the_libraries_the_program_links(self):
        depends = [re.sub(r" \(.*\)$", "", d.strip()) for d in self.field("Depends").split(",")]
        for package in DEPENDS:
            self.assertIn(package, depends)

    def test_recommends_wine_for_a_windows_game_launcher(self):
        recommends = [r.strip() for r in self.field("Recommends").split(",")]
        self.assertIn("wine", recommends)

    def test_description_has_a_summary_and_lines_debian_can_show(self):
        summary, *body = self.field("Description").split("\n")
        self.assertTrue(summary and not summary.endswith("."), summary)
        self.assertGreater(len(body), 2)
        for line in [summary] + body:
            self.assertLessEqual(len(line), 80, line)

    def test_files_belong_to_root_with_the_usual_modes(self):
        listing = succeed(["dpkg-deb", "-c", self.deb]).splitlines()
        modes = {}
        for line in listing:
            mode, owner, _, _, _, path = line.split(None, 5)
            self.assertEqual(owner, "root/root", line)
            modes[path.split(" -> ")[0].lstrip("./").rstrip("/")] = mode
        for relative in INSTALLED:
            path = "usr/" + relative
            wanted = {PROGRAM: "-rwxr-xr-x", COMMAND: "lrwxrwxrwx"}.get(relative, "-rw-r--r--")
            self.assertEqual(modes.pop(path), wanted, path)
        for path, mode in modes.items():
            self.assertEqual(mode, "drwxr-xr-x", path)

    def test_program_is_stripped(self):
        sections = succeed(["readelf", "--section-headers", "--wide", self.path(PROGRAM)])
        self.assertNotRegex(sections, r"\.symtab|\.debug_|\.comment")

    def test_lintian_finds_no_error_or_warning(self):
        result = run(["lintian", "--fail-on", "error,warning", self.deb])
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)


class ReleaseSettings(unittest.TestCase):
    """The settings a release is made with: good ones are taken; with a wrong
    one, configure or cpack stops, says why, and makes nothing."""

    def setUp(self):
        self.work = tempfile.mkdtemp(prefix="launcher-refused-")

    def tearDown(self):
        shutil.rmtree(self.work)

    def configure(self, source=SOURCE, settings=()):
        # A fresh tree each time: nothing is kept from the cache of the last.
        tree = os.path.join(self.work, "tree")
        shutil.rmtree(tree, ignore_errors=True)
        return run(["cmake", "-S", source, "-B", tree] + PROGRAM_ALONE + list(settings))

    def assert_refused(self, result, message):
        self.assertNotEqual(result.returncode, 0)
        self.assertIn(message, re.sub(r"\s+", " ", result.stderr))

    def test_signing_key_and_digest_of_64_hex_digits_are_taken(self):
        key = "0123456789abcdefABCDEF" * 2 + "00112233445566778899"
        result = self.configure(settings=["-DLAUNCHER_SIGNING_KEY=" + key,
                                          "-DLAUNCHER_SHA256=" + key])
        self.assertEqual(result.returncode, 0, result.stderr)

    def test_signing_key_or_digest_of_another_length_or_not_hex(self):
        for value in ("ab" * 31, "ab" * 33, "xy" * 32):
            for setting in ("LAUNCHER_SIGNING_KEY", "LAUNCHER_SHA256"):
                self.assert_refused(self.configure(settings=["-D%s=%s" % (setting, value)]),
                                    setting + " must be 64 hex digits")

    def test_homepage_other_than_https_without_trailing_slash(self):
        for homepage in ("http://tharnvale.example.com", "https://tharnvale.example.com/",
                         "tharnvale.example.com"):
            self.assert_refused(self.configure(settings=["-DLAUNCHER_HOMEPAGE=" + homepage]),
                                "LAUNCHER_HOMEPAGE must read https://host[:port][/path]")

    def test_maintainer_without_an_address(self):
        self.assert_refused(self.configure(settings=["-DLAUNCHER_MAINTAINER=Tharnvale Team"]),
                            "LAUNCHER_MAINTAINER must read Name <address>")

    def source_with_changelog(self, edit):
        """A source tree that is this one but for its changelog, which
        `edit` rewrites."""
        source = os.path.join(self.work, "source")
        os.makedirs(os.path.join(source, "packaging"))
        for name in os.listdir(SOURCE):
            if name not in ("packaging", "build", ".git"):
                os.symlink(os.path.join(SOURCE, name), os.path.join(source, name))
        for name in os.listdir(os.path.join(SOURCE, "packaging")):
            if name != "changelog":
                os.symlink(os.path.join(SOURCE, "packaging", name),
                           os.path.join(source, "packaging", name))
        with open(os.path.join(SOURCE, "packaging", "changelog"), encoding="utf-8") as changelog:
            text = changelog.read()
        with open(os.path.join(source, "packaging", "changelog"), "w", encoding="utf-8") as edited:
            edited.write(edit(text))
        return source

    def test_changelog_without_an_entry_for_the_version(self):
        older = self.source_with_changelog(
            lambda text: text.replace("(%s)" % changelog_version(), "(0.9.0)", 1))
        self.assert_refused(self.configure(older), "packaging/changelog's latest entry is for "
                            "0.9.0: add one for " + changelog_version())

    def test_changelog_entry_without_a_date(self):
        undated = self.source_with_changelog(
            lambda text: re.sub(r"(\n -- [^>]+>).*", r"\1", text, count=1))
        self.assert_refused(self.configure(undated), "packaging/changelog: no date as")

    def test_deb_of_a_tree_installing_outside_usr(self):
        result = self.configure(settings=["-DCMAKE_INSTALL_PREFIX=/usr/local"])
        self.assertEqual(result.returncode, 0, result.stderr)
        out = os.path.join(self.work, "out")
        cpack = run(["cpack", "-G", "DEB", "-B", out], cwd=os.path.join(self.work, "tree"))
        self.assert_refused(cpack, "A .deb is made from a build configured with "
                            "-DCMAKE_INSTALL_PREFIX=/usr, not /usr/local")
        self.assertEqual(glob.glob(os.path.join(out, "*.deb")), [])


if __name__ == "__main__":
    unittest.main()
