"""What `cmake --install` makes of the build tree, staged in a folder of its
own (DESTDIR) under the prefix the tree was configured with; and the
installed program's windows as the desktop sees them."""

import os
import re
import shutil
import sys
import tempfile
import unittest

from installed_files import BUILD, COMMAND, DESKTOP_ENTRY, InstalledFilesChecks, run

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "gui"))
from xsession import XSession, wait_until  # noqa: E402


def configured_prefix():
    with open(os.path.join(BUILD, "CMakeCache.txt"), encoding="utf-8") as cache:
        return re.search(r"^CMAKE_INSTALL_PREFIX:PATH=(.*)$", cache.read(), re.M).group(1)


class InstallTree(InstalledFilesChecks, unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.destdir = tempfile.mkdtemp(prefix="launcher-install-")
        cls.prefix = configured_prefix()
        result = run(["cmake", "--install", BUILD], env=dict(os.environ, DESTDIR=cls.destdir))
        assert result.returncode == 0, result.stdout + result.stderr

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.destdir)

    def test_windows_of_the_installed_program_carry_the_desktop_entry_class(self):
        # The desktop finds a window's entry, and so its icon and name, by
        # the window's class: by StartupWMClass, or else by the entry's name.
        wm_class = self.desktop_entry()["StartupWMClass"]
        self.assertEqual(wm_class, os.path.basename(DESKTOP_ENTRY)[: -len(".desktop")])
        home = os.path.join(self.destdir, "home")
        with XSession() as session:
            program = session.start_launcher(self.path(COMMAND), cwd=self.destdir, env={
                "HOME": home, "XDG_DATA_HOME": home + "/data", "XDG_CACHE_HOME": home + "/cache",
                "XDG_CONFIG_HOME": home + "/config"})

            def windows():
                if program.poll() is not None:
                    return "ended"
                search = ["xdotool", "search", "--onlyvisible", "--pid", str(program.pid)]
                return session.run(search, check=False).stdout.split()
            found = wait_until(windows, timeout=20)
            self.assertNotEqual(found, "ended", "the installed program ended at once")
            self.assertTrue(found, "the installed program showed no window")
            for window in found:
                self.assertEqual(session.xprop(window, "WM_CLASS").strip(),
                                 'WM_CLASS(STRING) = "%s", "%s"' % (wm_class, wm_class))


if __name__ == "__main__":
    unittest.main()
