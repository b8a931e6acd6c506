"""The test desktop: what programs show, read on the accessibility bus, and the
user's pointer and keyboard (xdotool); every wait ends on what the screen says."""
import functools
import subprocess
from dataclasses import dataclass, field

import gi

gi.require_version("Atspi", "2.0")
import pyatspi  # noqa: E402
import tenacity  # noqa: E402
from gi.repository import Atspi, GLib  # noqa: E402

WAIT = 120  # s, for one step of the user's
FIRST_CHECK = 300  # s; the first check of the mailboxes comes 65 s after watching starts


def deliver_events():
    context = GLib.MainContext.default()
    while context.pending():
        context.iteration(False)


def wait_for(probe, what, timeout=WAIT):
    """The first true value of `probe()`; an object gone meanwhile counts as not yet."""
    def attempt():
        deliver_events()
        return probe()
    try:
        return tenacity.Retrying(
            stop=tenacity.stop_after_delay(timeout), wait=tenacity.wait_fixed(0.2),
            retry=tenacity.retry_if_result(lambda found: not found)
            | tenacity.retry_if_exception_type(GLib.Error))(attempt)
    except tenacity.RetryError:
        raise AssertionError(f"not seen within {timeout} s: {what}") from None


def xdotool(*args):
    return subprocess.run(["xdotool", *map(str, args)], capture_output=True, text=True,
                          timeout=WAIT).stdout


def hover(x, y):
    """Moves the pointer there; the X window under it, once it is there."""
    def there():
        out = xdotool("mousemove", x, y, "getmouselocation", "--shell")
        where = dict(line.split("=", 1) for line in out.split())
        return (where["X"], where["Y"]) == (str(x), str(y)) and where["WINDOW"]
    return wait_for(there, f"the pointer at {x},{y}")


@functools.cache
def root_window():
    return xdotool("search", "--maxdepth", "0", "--name", "").split()[0]


def click(x, y, button=1):
    """Clicks there once a window is under the pointer (a new one may not be mapped yet)."""
    wait_for(lambda: hover(x, y) != root_window(), f"a window at {x},{y}")
    xdotool("click", button)


def windows(*criteria):
    """The visible X windows that `xdotool search` finds: id -> (x, y, w, h)."""
    out = xdotool("search", "--onlyvisible", *criteria, "getwindowgeometry", "--shell", "%@")
    found = {}
    for block in out.split("WINDOW=")[1:]:
        values = dict(line.split("=", 1) for line in block.split()[1:])
        found[block.split()[0]] = tuple(int(values[k]) for k in ("X", "Y", "WIDTH", "HEIGHT"))
    return found


def tray_icons():
    """The program's icons docked in the tray's panel: id -> (x, y, w, h)."""
    panels = windows("--name", "^panel$").values()
    return {window: (x, y, w, h) for window, (x, y, w, h) in windows("--classname", "^vantor$").items()
            if any(px <= x and x + w <= px + pw and py <= y and y + h <= py + ph
                   for px, py, pw, ph in panels)}


def click_tray(button=1):
    """Clicks the tray icon once it stands still under the pointer (icons move as one docks)."""
    def resting_on_icon():
        icons = tray_icons()
        for x, y, w, h in icons.values():
            hover(x + w // 2, y + h // 2)
        return icons and tray_icons() == icons
    wait_for(resting_on_icon, "the pointer on the icon in the tray")
    xdotool("click", button)


# What the bus shows.

def showing(node):
    return node.getState().contains(pyatspi.STATE_SHOWING)


def gone(node):
    try:
        return not showing(node)
    except GLib.Error:
        return True


def descendants(node):
    yield node
    for child in node:
        if child is not None and showing(child):
            yield from descendants(child)


def find_all(root, role=None, name=None):
    return [n for n in descendants(root)
            if role in (None, n.getRoleName()) and name in (None, n.name)]


def find(root, role=None, name=None):
    return next(iter(find_all(root, role, name)), None)


def extents(node):
    box = node.get_extents(Atspi.CoordType.SCREEN)
    return box.x, box.y, box.width, box.height


def click_on(node, button=1):
    x, y, w, h = extents(node)
    click(x + w // 2, y + h // 2, button)


def text(node):
    return node.get_text(0, -1)


def describe(node, depth=0):
    """What shows below `node`, one object a line."""
    where = extents(node) if depth else ""
    out = f"{'  ' * depth}[{node.getRoleName()}] {node.name!r} {where}\n"
    return out + "".join(describe(c, depth + 1) for c in node if c is not None and showing(c))


@dataclass
class Box:
    node: object
    title: str
    text: str


@dataclass
class Popup:
    """The message popup's window and its four lines, top to bottom."""
    node: object = field(compare=False)
    mailbox: str
    sender: str
    subject: str
    body: str


class Desktop:

    def __init__(self):
        # A loaded machine may take more than libatspi's 0.8 s to answer.
        Atspi.set_timeout(WAIT * 1000, WAIT * 1000)
        self.root = pyatspi.Registry.getDesktop(0)
        # Read afresh each time: what shows changes under the tests' eyes.
        self.root.setCacheMask(pyatspi.cache.NONE)
        # Menus are nobody's children: they are found as they show.
        self.shown = []
        pyatspi.Registry.registerEventListener(
            lambda event: event.detail1 and self.shown.append(event.source),
            "object:state-changed:showing")

    def screen(self, name, pid=None):
        """The screen of the application `name` (of process `pid`) once on the bus."""
        app = wait_for(lambda: next((a for a in self.root if a is not None and a.name == name
                                     and pid in (None, a.get_process_id())), None),
                       f"{name} on the accessibility bus")
        return Screen(self, app)


class Screen:

    def __init__(self, desktop, app):
        self.desktop = desktop
        self.app = app

    def windows(self):
        return [w for w in self.app if w is not None and showing(w)]

    def window_with(self, button):
        """The window showing a push button of that name; None when none does."""
        return next((w for w in self.windows() if find(w, "push button", button)), None)

    def wait_window_with(self, button):
        return wait_for(lambda: self.window_with(button), f"a window with {button!r}")

    def box(self):
        for window in self.windows():
            if window.getRoleName() in ("alert", "dialog"):
                lines = [label.name for label in find_all(window, "label") if label.name]
                return Box(window, window.name, "\n".join(lines).replace("\r\n", "\n"))
        return None

    def wait_box(self, title, timeout=WAIT):
        return wait_for(lambda: (box := self.box()) and box.title == title and box,
                        f"the box {title!r}", timeout)

    def press(self, window, button):
        click_on(wait_for(lambda: find(window, "push button", button), f"the button {button!r}"))

    def answer(self, box, button):
        self.press(box.node, button)
        wait_for(lambda: gone(box.node), f"the box {box.title!r} gone")

    def fill(self, field, value):
        """Types over a field's text, as a user replaces a value."""
        click_on(field)
        xdotool("key", "--delay", 40, "ctrl+a")
        xdotool("type", "--delay", 30, value)

    def grid_field(self, window, row, column):
        """The field of a grid on the row of label `row`, under the heading `column`."""
        _, ry, _, rh = extents(find(window, "label", row))
        cx = extents(find(window, "label", column))[0]
        return next(f for f in find_all(window, "text")
                    if abs(extents(f)[1] - ry) <= rh // 2 and abs(extents(f)[0] - cx) <= 3)

    def row_button(self, window, row, button):
        """The push button `button` on the row of label `row`."""
        _, ry, _, rh = extents(find(window, "label", row))
        return next(b for b in find_all(window, "push button", button)
                    if abs(extents(b)[1] - ry) <= rh)

    def menu_after(self, gesture):
        """The menu that shows after `gesture`: caption -> entry, top to bottom."""
        deliver_events()
        self.desktop.shown.clear()
        gesture()

        def shown_menu():
            for node in reversed(self.desktop.shown):
                try:
                    if node.getRoleName() in ("popup menu", "menu") and showing(node):
                        return {item.name: item for item in node if item is not None
                                and item.getRoleName() == "menu item" and showing(item)}
                except GLib.Error:
                    continue
        return wait_for(shown_menu, "a menu")

    def submenu(self, menu, caption):
        x, y, w, h = extents(menu[caption])
        return self.menu_after(lambda: hover(x + w // 2, y + h // 2))

    def tray_menu(self):
        return self.menu_after(lambda: click_tray(3))

    def choose(self, path):
        """Chooses in the tray menu, through its submenus: ("Archivage", file)."""
        menu = self.tray_menu()
        for caption in path[:-1]:
            menu = self.submenu(menu, caption)
        click_on(menu[path[-1]])

    def popup(self):
        window = self.window_with("Répondre au message")
        labels = window and sorted(find_all(window, "label"), key=lambda n: extents(n)[1])
        if not labels or len(labels) != 4:
            return None
        return Popup(window, *(label.name.replace("\r\n", "\n") for label in labels))

    def next_popup(self, timeout=FIRST_CHECK):
        return wait_for(self.popup, "a popup", timeout)

    def popup_left(self, popup):
        wait_for(lambda: self.popup() != popup, f"the popup of {popup.subject!r} gone")
