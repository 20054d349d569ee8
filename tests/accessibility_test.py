#!/usr/bin/python3
"""The real program as a screen reader and a keyboard user meet it, on a
virtual X display with an accessibility bus (AT-SPI): File/Open from the
keyboard, two levels down through the list entries' default action, Select
with Enter on the focused button; the report read as its visible lines,
named "Report"; the dialog's list and path field named; Exit.

    accessibility_test.py TARVEL

Run under `xvfb-run -a dbus-run-session --`. Exit status 77 (skipped, with
the reason) where no accessibility bus or no X display can be had.
"""
import os
import subprocess
import sys
import tempfile
import time


def skip(why):
    print("accessibility_test: skipped: " + why)
    sys.exit(77)


try:
    import pyatspi
except ImportError:
    skip("python3-pyatspi is not installed")

program = sys.argv[1]
launcher = "/usr/libexec/at-spi-bus-launcher"
if not os.path.exists(launcher) or not os.environ.get("DISPLAY"):
    skip("no at-spi-bus-launcher or no X display here")
bus = subprocess.Popen([launcher, "--launch-immediately"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
failures = []


def bus_up():
    """The accessibility bus and its registry answer: only then does a program
    started register itself."""
    if subprocess.run(["dbus-send", "--session", "--print-reply", "--dest=org.a11y.Bus", "/org/a11y/bus",
                       "org.a11y.Bus.GetAddress"], capture_output=True).returncode != 0:
        return False
    try:
        return pyatspi.Registry.getDesktop(0).childCount >= 0
    except Exception:
        return False


def check(what, ok, detail=""):
    if not ok:
        failures.append(what + (": " + detail if detail else ""))


def wait_for(find, seconds=20):
    """Polls find() until it gives something."""
    end = time.time() + seconds
    while time.time() < end:
        found = find()
        if found:
            return found
        time.sleep(0.2)
    return None


def app():
    for a in pyatspi.Registry.getDesktop(0):
        if a is not None and a.name == "tarvel":
            return a
    return None


def find(root, pred):
    """The first object below root for which pred holds, depth first."""
    if root is None:
        return None
    try:
        if pred(root):
            return root
        for child in root:
            hit = find(child, pred)
            if hit:
                return hit
    except Exception:
        return None
    return None


def named(name, role=None):
    return lambda o: o.name == name and (role is None or o.getRoleName() == role)


def text_of(o):
    t = o.queryText()
    return t.getText(0, t.characterCount)


def keys(*k):
    subprocess.run(["xdotool", "key", "--delay", "100"] + list(k), check=True)


for _ in range(100):
    if bus_up():
        break
    time.sleep(0.1)
else:
    skip("the accessibility bus does not start here")

with tempfile.TemporaryDirectory() as root:
    os.makedirs(os.path.join(root, "a", "b"))
    with open(os.path.join(root, "a", "b", "f"), "wb") as f:
        f.write(b"\0" * 5000)
    env = dict(os.environ, QT_QPA_PLATFORM="xcb", QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1")
    tarvel = subprocess.Popen([program], cwd=root, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    try:
        a = wait_for(app)
        if a is None:
            skip("the program never appeared on the accessibility bus")
        window = subprocess.run(["xdotool", "search", "--sync", "--onlyvisible", "--name", "^Directory Sizes$"],
                                capture_output=True, text=True, timeout=20).stdout.split()[0]
        subprocess.run(["xdotool", "windowfocus", "--sync", window], check=True)
        keys("alt+f", "o")
        dialog = wait_for(lambda: find(app(), named("Select Directory")))
        check("the dialog", dialog is not None)
        entries = wait_for(lambda: find(dialog, named("Directories and drives")))
        check("the list is named", entries is not None)
        path = find(dialog, named("Path"))
        check("the path field is named", path is not None)
        # One level down with the keys (the last entry, [a], then Enter), the
        # next through the entry's default action, as a screen reader gives it.
        keys("End", "Return")
        here = lambda: text_of(path) if path else ""
        check("Enter on the list enters [a]", wait_for(lambda: here().endswith("/a")) is not None, here())
        item = wait_for(lambda: find(entries, named("[b]")))
        check("entry [b]", item is not None)
        if item:
            action = item.queryAction()
            check("an entry's default action", action.getName(0) == "Press", action.getName(0))
            action.doAction(0)
            check("the default action enters [b]", wait_for(lambda: here().endswith("/a/b")) is not None, here())
        keys("Tab", "Tab", "Return")  # Select, focused, with Enter
        report = wait_for(lambda: find(app(), named("Report")))
        check("the report", report is not None)
        b = os.path.realpath(os.path.join(root, "a", "b"))
        shown = wait_for(lambda: (lambda t: t if b + "/*.* 5K used" in t else None)(text_of(report))) if report else ""
        check("the report's visible lines", shown is not None and shown.split("\n")[1] == b + "/*.* 5K used, 3K wasted",
              repr(shown))
        keys("ctrl+End")
        keys("alt+f", "x")
        tarvel.wait(timeout=20)
        check("Exit ends the program with 0", tarvel.returncode == 0, str(tarvel.returncode))
    finally:
        if tarvel.poll() is None:
            tarvel.kill()
        bus.kill()

for f in failures:
    print("FAIL: " + f)
sys.exit(1 if failures else 0)
