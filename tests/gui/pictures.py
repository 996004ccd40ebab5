"""What the program draws and where, as the GUI tests read it off the screen:
the pictures of res/, the places of the windows' items, and the pixels of a
screenshot.

Places are in the windows' own pixels, as the program lays them out; on a
desktop scaled by `scale` each covers `scale` times as many screen pixels.
"""

import os
import subprocess

RES = os.path.join(os.path.dirname(os.path.abspath(__file__)), "../../res")

# The main window, as large as its background picture.
MAIN_SIZE = (1334, 725)
# The part of the main window's picture that is not fully transparent: x,
# y, width and height; the program centres it. The rest is a margin that
# may hang off the screen.
VISIBLE = (12, 26, 1269, 697)
# The box of its fully opaque pixels, which must all stay on the screen (the
# column at x = 1280 is all but clear: alpha 1).
OPAQUE = (23, 54, 1245, 657)
# Where the login window shows the browser: x, y, width and height.
BROWSER = (560, 177, 631, 446)
# The picture buttons: x, y and the size of a face (the height of one cell
# of its strip), each with its strip of faces (normal, hover, pressed, ...),
# named without the extension.
CLOSE = (1208, 115, 54)
MINIMISE = (1173, 137, 39)
BUTTONS = [(CLOSE, "160-close"), (MINIMISE, "162-minimise")]
# What the login window lays over the main window's picture: the browser and
# each button's whole window (the minimise button's reaches below its face).
LOGIN_ITEMS = [BROWSER, (MINIMISE[0], MINIMISE[1], MINIMISE[2], 75), (CLOSE[0], CLOSE[1], CLOSE[2], CLOSE[2])]
# The exit confirmation and the download window.
CONFIRMATION_SIZE = (256, 110)
# A point of the confirmation's 取消 button, in the confirmation's pixels.
CANCEL = (150, 80)
# Where the confirmation's button faces stand in it, each with its strip.
CONFIRM_FACE = ((40, 72), "175-confirm")
CANCEL_FACE = ((140, 72), "176-cancel")
DOWNLOAD_SIZE = (360, 160)
# A point of the background's figure (its cloak): opaque and far from the
# login window's items, where a player grabs the main window to drag it.
FIGURE = (250, 400)


def inside(point, rect):
    x, y = point
    return rect[0] <= x < rect[0] + rect[2] and rect[1] <= y < rect[1] + rect[3]


def under_login_item(x, y, scale=1):
    """Whether pixel (x, y) of the main window, at `scale`, lies under an item
    of the login window, where the picture does not show."""
    return any(inside((x, y), [v * scale for v in item]) for item in LOGIN_ITEMS)


def face_middle(button, scale=1):
    """The middle of a button's face, in its window's pixels at `scale`."""
    x, y, size = (v * scale for v in button)
    return x + size // 2, y + size // 2


def off_centre(rect, around):
    """How far `rect` (x, y, width, height) stands from the middle of
    `around`, across and down."""
    x, y, w, h = rect
    ax, ay, aw, ah = around
    return x - (ax + (aw - w) // 2), y - (ay + (ah - h) // 2)


def centred_origin(screen):
    """Where the main window goes on a screen of `screen` (width, height)
    with no panel: its visible part centred, or its corner on the screen's
    where the screen is smaller. Window managers then keep a window that
    fits whole on the screen, and the left or top edge of one that does not
    (see kept_on_screen)."""
    def span(start, length, area):
        return (area - length) // 2 - start if length <= area else -start
    return span(VISIBLE[0], VISIBLE[2], screen[0]), span(VISIBLE[1], VISIBLE[3], screen[1])


def kept_on_screen(origin, screen):
    return tuple(min(max(o, 0), max(0, s - m)) for o, s, m in zip(origin, screen, MAIN_SIZE))


def off_screen(origin, screen, scale=1):
    """How far the picture's opaque pixels, with the main window at `origin`,
    reach past each edge of a screen of `screen` (width, height): left, top,
    right, bottom; all 0 when every one is on the screen."""
    x, y, w, h = (v * scale for v in OPAQUE)
    left, top = origin[0] + x, origin[1] + y
    return (max(0, -left), max(0, -top), max(0, left + w - screen[0]), max(0, top + h - screen[1]))


def spread(points, count):
    """Up to `count` of `points`, taken evenly from all of them."""
    return points[:: max(1, len(points) // count)][:count]


class Picture:
    """A picture of res/ as straight (not premultiplied) RGBA bytes."""

    def __init__(self, name):
        path = os.path.join(RES, name)
        size = subprocess.run(["identify", "-format", "%w %h", path], check=True,
                              capture_output=True, text=True).stdout.split()
        self.width, self.height = int(size[0]), int(size[1])
        self.data = subprocess.run(["convert", path, "-depth", "8", "rgba:-"], check=True,
                                   capture_output=True).stdout

    def rgba(self, x, y):
        offset = (y * self.width + x) * 4
        return tuple(self.data[offset:offset + 4])

    def rgb(self, x, y):
        return self.rgba(x, y)[:3]

    def alpha(self, x, y):
        return self.data[(y * self.width + x) * 4 + 3]


_pictures = {}


def picture(name):
    """The picture `name` of res/ (with its extension), decoded once a run."""
    if name not in _pictures:
        _pictures[name] = Picture(name)
    return _pictures[name]


class Screenshot:
    """The whole screen as RGB bytes, row by row."""

    def __init__(self, raw, width):
        self.raw = raw
        self.width = width

    def pixel(self, x, y):
        offset = (y * self.width + x) * 3
        return tuple(self.raw[offset:offset + 3])


def focus_marked(shot, corner, strip, scale=1):
    """Whether the button face of `strip` whose top left corner stands at
    `corner` on the screen shows a focus mark: a dotted line, light dots on
    a dark line, on pixels of the face that are fully opaque and would
    otherwise show the face's normal cell."""
    face = picture(strip + ("@2x.png" if scale == 2 else ".png"))
    cell = face.height // 4
    changed = 0
    for y in range(cell):
        for x in range(face.width):
            if face.alpha(x, y) == 255:
                expected = face.rgb(x, y)
                seen = shot.pixel(corner[0] + x, corner[1] + y)
                changed += max(abs(a - b) for a, b in zip(seen, expected)) > 60
    # A mark runs round the face: far more pixels than a face's rounding.
    return changed >= 12 * scale


def close_to(colour, expected, tolerance=12):
    """Whether two colours differ by at most `tolerance` in each channel:
    window managers and compositors round, blend and dither a little."""
    return all(abs(a - b) <= tolerance for a, b in zip(colour, expected))
