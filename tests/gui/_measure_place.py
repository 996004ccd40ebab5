"""Throwaway: where each compositor puts the program on small screens."""
import json, subprocess, sys, time
import test_journey as tj
from pictures import BROWSER, MAIN_SIZE, off_screen
from portal import Portal
from program import CLICK_TO_LOG_IN, FAKE_LAUNCHER, LauncherRun
from wayland_session import DESKTOPS, DesktopUnavailable
from xsession import XSession, wait_until, screenshot_path

def measure(name, make):
    for screen in [(1280, 800), (1366, 768)]:
        try:
            session = make(screen).__enter__()
        except DesktopUnavailable as e:
            print(name, screen, "unavailable", e, flush=True); continue
        try:
            desktop = session.spawn([tj.DESKTOP, tj.COLOUR, "maximized"], stdout=subprocess.PIPE, text=True)
            desktop.stdout.readline()
            time.sleep(2)
            with Portal(tj.PORT, FAKE_LAUNCHER) as portal:
                portal.pages["/url/weiduan.php"] = CLICK_TO_LOG_IN
                run = LauncherRun(session, portal, tj.PROGRAM)
                run.process = subprocess.Popen(run.command(), cwd=run.work_dir, env=dict(run.env, GDK_BACKEND="wayland"),
                                               stderr=run.stderr, start_new_session=True)
                shown = wait_until(lambda: "shown" in portal.beacons, timeout=40)
                time.sleep(2.5)
                shot = session.screenshot(keep_as="/tmp/measure/%s-%dx%d.png" % (name, *screen))
                corner = tj.find_page(shot, session.width, session.height)
                origin = (corner[0] - BROWSER[0], corner[1] - BROWSER[1]) if corner else None
                extra = ""
                if hasattr(session, "windows"):
                    try:
                        extra = [w["rect"] for w in session.windows() if w.get("title") == "Tharnvale"]
                    except Exception as e:
                        extra = str(e)[:80]
                if "DISPLAY" in session.env and name != "I3":
                    ids = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^Tharnvale$"], env=session.env, capture_output=True, text=True).stdout.split()
                    for i in ids:
                        extra = str(extra) + " x11:" + subprocess.run(["xdotool", "getwindowgeometry", i], env=session.env, capture_output=True, text=True).stdout.replace("\n", " ")
                print(name, screen, "shown" if shown else "NOT SHOWN", "origin", origin,
                      "off", off_screen(origin, screen) if origin else None, extra, flush=True)
                run.close()
        except Exception as e:
            print(name, screen, "failed", repr(e)[:200], flush=True)
        finally:
            session.__exit__(None, None, None)

only = sys.argv[1:]
for name, cls, xw in DESKTOPS:
    if not only or name in only:
        measure(name, lambda screen, cls=cls, xw=xw: cls(xwayland=xw, screen=screen))
if not only or "I3" in only:
    measure("I3", lambda screen: XSession("i3", screen=screen, desktop_rgb=(0x40, 0xA0, 0x60)))
