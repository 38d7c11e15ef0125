#!/usr/bin/python3
"""keyboard_atspi.py PENSHELF PENSHELF-DEMO-PENS: the real program on simulated pens as Orca and
a keyboard meet it, on a virtual screen, read through AT-SPI and driven by XTEST keys alone."""
import atexit, os, shutil, signal, subprocess, sys, tempfile, time

NAMED = {"push button", "check box", "table", "list", "list item", "page tab", "progress bar",
         "text", "menu item", "combo box"}

if "PENSHELF_A11Y_SESSION" not in os.environ:  # into a session bus of its own first
    missing = [t for t in ("Xvfb", "dbus-run-session", "xdotool", "/usr/libexec/at-spi-bus-launcher")
               if not shutil.which(t)]
    missing += [] if subprocess.call([sys.executable, "-c", "import pyatspi"]) == 0 else ["pyatspi"]
    if missing:
        print("needs " + ", ".join(missing) + " (scripts/install-deps installs them)")
        sys.exit(1 if os.environ.get("CI") else 77)
    os.environ["PENSHELF_A11Y_SESSION"] = "1"
    sys.exit(subprocess.call(["dbus-run-session", "--", sys.executable] + sys.argv))

# Xvfb picks a free display itself, so that tests running at once never race for one. It holds
# none of CTest's pipes, and goes however the test ends.
read_end, write_end = os.pipe()
xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1280x800x24",
                         "-nolisten", "tcp"], pass_fds=(write_end,), stdout=subprocess.DEVNULL,
                        stderr=subprocess.DEVNULL)
atexit.register(xvfb.terminate)
os.close(write_end)
os.environ["DISPLAY"] = ":" + os.fdopen(read_end).readline().strip()
import pyatspi  # noqa: E402
from gi.repository import GLib  # noqa: E402

focus, announced = [], []  # as the events tell a screen reader


def wait_for(what, found, timeout=30):
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        while GLib.MainContext.default().iteration(False):  # the events come in
            pass
        if result := found():
            return result
        time.sleep(0.05)
    raise AssertionError("timed out waiting for " + what)


def walk(node):  # what is shown
    yield node
    for child in node:
        if child is not None and child.getState().contains(pyatspi.STATE_SHOWING):
            yield from walk(child)


def find(root, role, name=None):
    return next((n for n in walk(root) if n.getRoleName() == role and name in (None, n.name)), None)


def nameless(root):
    return [n.getRoleName() for n in walk(root) if n.getRoleName() in NAMED and not n.name]


def key(*keys, text=None):
    subprocess.check_call(["xdotool", "type", text] if text else ["xdotool", "key"] + list(keys))


def tab_to(name, keys="Tab", limit=20):
    for _ in range(limit):
        seen = len(focus)
        key(keys)
        if wait_for("the focus to move", lambda: focus[seen:], 5)[-1].name == name:
            return
    raise AssertionError(name + " is never reached with " + keys)


def on_showing(event):  # Orca speaks a notification that shows: its name
    try:
        if event.detail1 and event.source.getRoleName() == "notification":
            announced.append(event.source.name)
    except GLib.Error:  # gone since
        pass


def books(pens):
    return {os.path.join(root, f) for root, _, files in os.walk(pens) for f in files
            if os.path.basename(root) == "BOOK"}


def run(program, pens, package):
    app = wait_for("PenShelf on the accessibility bus", lambda: program.poll() is not None or next(
        (a for a in pyatspi.Registry.getDesktop(0) if a and a.get_process_id() == program.pid), 0))
    assert program.poll() is None, "penshelf ended early"
    window = wait_for("the main window", lambda: find(app, "frame"))
    table = wait_for("the book table", lambda: find(window, "table")).queryTable()
    names = {table.getAccessibleAt(r, 0).name for r in range(table.nRows)}
    assert names and nameless(window) == [], nameless(window)
    tabs = [(n.name, n.getState().contains(pyatspi.STATE_SELECTED)) for n in walk(window)
            if n.getRoleName() == "page tab"]  # the shown one selected, and none a check box
    assert tabs == [("笔内点读包", True), ("点读包下载", False), ("维修服务", False)], tabs
    assert not find(window, "check box")
    entries = find(window, "combo box").getChildAtIndex(0)  # pens told apart by their codes
    assert [e.description for e in entries] == ["KLV8A3C5D21", "KLV9B7E2F08", "KLV7C1D9E44"]
    assert all(n.name for n in walk(find(window, "menu bar")) if n.getRoleName() == "menu item")
    pyatspi.Registry.registerEventListener(lambda e: e.detail1 and focus.append(e.source),
                                           "object:state-changed:focused")
    pyatspi.Registry.registerEventListener(on_showing, "object:state-changed:showing")
    # No window manager runs to give the window the keyboard: the test does, as one would.
    focus_window = ["xdotool", "search", "--sync", "--pid", str(program.pid), "--onlyvisible",
                    "--name", "PenShelf", "windowfocus", "--sync"]
    subprocess.check_call(focus_window)
    before = books(pens)

    # Install: Tab leaves the book table for the button, Enter presses it, a typed path.
    tab_to("安装点读包…")
    key("Return")
    wait_for("the file dialog", lambda: find(app, "dialog", "请选择需要安装的点读包"))
    key(text=package)
    key("Return")
    install = wait_for("the install window", lambda: find(app, "dialog", "安装点读包"))
    assert nameless(install) == [], nameless(install)
    proposed = find(install, "text", "点读包编号").queryText().getText(0, -1)
    key("ctrl+a", "x", "Return")
    wait_for("the refusal announced", lambda: "点读包编号必须为数字！" in announced, 10)
    key("ctrl+a")
    key(text=proposed)
    key("Return")
    added = wait_for("the book on the pen", lambda: books(pens) - before)
    assert len(added) == 1 and not find(app, "dialog", "安装点读包"), added

    # Removal: back into the table, down to the new row, Delete, and Enter on 删除.
    wait_for("the new row", lambda: table.nRows == len(names) + 1)
    row = next(r for r in range(table.nRows) if table.getAccessibleAt(r, 0).name not in names)
    subprocess.check_call(focus_window)
    tab_to("笔内的点读包", "shift+Tab", 1)
    key("ctrl+Home", *["Down"] * row)
    wait_for("the row selected", lambda: table.isRowSelected(row), 5)
    key("Delete")
    alert = wait_for("the removal question", lambda: find(app, "alert"))
    assert alert.name and nameless(alert) == [], nameless(alert)
    key("Return")
    wait_for("the book gone from the pen", lambda: books(pens) == before)


def main(penshelf, demo_pens):
    work = tempfile.mkdtemp(prefix="penshelf-a11y-")
    atexit.register(shutil.rmtree, work, ignore_errors=True)
    pens, samples = os.path.join(work, "pens"), os.path.join(work, "samples")
    subprocess.check_call([demo_pens, pens, samples], stdout=subprocess.DEVNULL)
    package = os.path.join(work, "book.vxb")  # a path to type, in plain ASCII
    shutil.copy(os.path.join(samples, sorted(os.listdir(samples))[0]), package)
    env = dict(os.environ, PENSHELF_SIMULATE=pens, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1",
               QT_QPA_PLATFORM="xcb", HOME=work, XDG_RUNTIME_DIR=work, LC_ALL="C.UTF-8",
               LANGUAGE="", QTWEBENGINE_DISABLE_SANDBOX="1")
    env.pop("QT_QPA_PLATFORMTHEME", None)  # Qt's own file dialog, which takes a typed path
    program = subprocess.Popen([penshelf], env=env, stdout=subprocess.DEVNULL)  # its errors shown
    try:
        run(program, pens, package)
    finally:
        program.send_signal(signal.SIGTERM)
        try:
            program.wait(10)
        except subprocess.TimeoutExpired:
            program.kill()
    print("every control named; a book installed and removed by keyboard alone")


if __name__ == "__main__":
    main(*sys.argv[1:3])
