#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 Vellory developers
"""Reads the running program the way a screen reader does, over AT-SPI.

Run by e2e_atspi.sh with the program up on its own display, session bus and
accessibility bus, its panel focused. Drives it with xdotool and with AT-SPI
actions; prints the accessible trees it sees and one FAIL line per problem.
Exit status 1 if anything failed.
"""
import glob
import os
import re
import subprocess
import sys
import time

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import GLib  # noqa: E402
import pyatspi  # noqa: E402

APP = "vellory"
PANEL = "Vellory"
MANAGER = "My Voice Files (Vellory)"
SETTINGS = "Settings"
FORMAT = "Select audio format"

# The panel's buttons by their visible words, and their keys.
BUTTONS = {
    "Record": "alt+r",
    "Stop": "alt+s",
    "Play": "alt+p",
    "File Manager": "alt+m",
    "Options": "alt+o",
    "Power": "escape",
    "Minimise": None,  # the panel has no key for it
}
# Controls a user reaches or reads; each needs a name. Items inside lists
# and tables are named by their own text and are not walked.
CONTROLS = {
    pyatspi.ROLE_PUSH_BUTTON, pyatspi.ROLE_TOGGLE_BUTTON, pyatspi.ROLE_CHECK_BOX,
    pyatspi.ROLE_RADIO_BUTTON, pyatspi.ROLE_COMBO_BOX, pyatspi.ROLE_TEXT, pyatspi.ROLE_ENTRY,
    pyatspi.ROLE_PASSWORD_TEXT, pyatspi.ROLE_SPIN_BUTTON, pyatspi.ROLE_TABLE, pyatspi.ROLE_TREE_TABLE,
    pyatspi.ROLE_TREE, pyatspi.ROLE_LIST, pyatspi.ROLE_LIST_BOX, pyatspi.ROLE_SLIDER,
    pyatspi.ROLE_STATUS_BAR, pyatspi.ROLE_LEVEL_BAR, pyatspi.ROLE_PAGE_TAB, pyatspi.ROLE_MENU_ITEM,
}
FIELDS = {pyatspi.ROLE_TEXT, pyatspi.ROLE_ENTRY, pyatspi.ROLE_PASSWORD_TEXT, pyatspi.ROLE_SPIN_BUTTON,
          pyatspi.ROLE_COMBO_BOX}
ITEM_HOLDERS = {pyatspi.ROLE_TABLE, pyatspi.ROLE_TREE_TABLE, pyatspi.ROLE_TREE, pyatspi.ROLE_LIST,
                pyatspi.ROLE_LIST_BOX, pyatspi.ROLE_COMBO_BOX, pyatspi.ROLE_MENU}

failures = 0
step = ""


def fail(message):
    global failures
    failures += 1
    print(f"FAIL [{step}]: {message}", flush=True)


def note(message):
    print(f"  {message}", flush=True)


def begin(name):
    global step
    step = name
    print(f"== {name}", flush=True)


# ---- AT-SPI helpers ---------------------------------------------------------
def pump(seconds):
    """Lets AT-SPI deliver its events for a while."""
    context = GLib.MainContext.default()
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        while context.pending():
            context.iteration(False)
        time.sleep(0.02)


def until(seconds, probe):
    """Polls probe (pumping events) until it gives something true; returns it or None."""
    end = time.monotonic() + seconds
    while True:
        try:
            value = probe()
        except Exception:  # an object gone between calls: ask again
            value = None
        if value:
            return value
        if time.monotonic() >= end:
            return None
        pump(0.1)


def children(acc):
    try:
        return [c for c in (acc.getChildAtIndex(i) for i in range(acc.childCount)) if c is not None]
    except Exception:
        return []


def walk(acc, into_items=False):
    yield acc
    if not into_items and acc.getRole() in ITEM_HOLDERS:
        return
    for child in children(acc):
        yield from walk(child, into_items)


def has(acc, state):
    try:
        return acc.getState().contains(state)
    except Exception:
        return False


def key_bindings(acc):
    try:
        action = acc.queryAction()
    except NotImplementedError:
        return []
    return [action.getKeyBinding(i) for i in range(action.nActions) if action.getKeyBinding(i)]


def text_of(acc):
    try:
        text = acc.queryText()
    except NotImplementedError:
        return None
    return text.getText(0, -1)


def labels_of(acc):
    names = []
    for relation in acc.getRelationSet():
        if relation.getRelationType() == pyatspi.RELATION_LABELLED_BY:
            names += [relation.getTarget(i).name for i in range(relation.getNTargets())]
    return names


def describe(acc):
    return f"{acc.getRoleName()} '{acc.name}'"


def dump(acc, depth=0, into_items=True):
    """Prints the tree below acc: role, name, description, keys, text, states."""
    parts = [f"{'  ' * depth}{acc.getRoleName()} '{acc.name}'"]
    if acc.description:
        parts.append(f"desc='{acc.description}'")
    keys = key_bindings(acc)
    if keys:
        parts.append(f"keys={keys}")
    text = text_of(acc)
    if text is not None and acc.getRole() not in (pyatspi.ROLE_LABEL,):
        parts.append(f"text='{text}'")
    labels = labels_of(acc)
    if labels:
        parts.append(f"labelled-by={labels}")
    marks = [n for s, n in ((pyatspi.STATE_FOCUSABLE, "focusable"), (pyatspi.STATE_FOCUSED, "FOCUSED"),
                            (pyatspi.STATE_SENSITIVE, "enabled"), (pyatspi.STATE_SELECTED, "selected"))
             if has(acc, s)]
    parts.append("{" + " ".join(marks) + "}")
    print("    " + " ".join(parts), flush=True)
    if depth > 6 or (not into_items and acc.getRole() in ITEM_HOLDERS):
        return
    kids = children(acc)
    for child in kids[:40]:
        dump(child, depth + 1, into_items)
    if len(kids) > 40:
        print(f"    {'  ' * (depth + 1)}... {len(kids) - 40} more", flush=True)


def find_app():
    desktop = pyatspi.Registry.getDesktop(0)
    for app in children(desktop):
        if app.name == APP:
            return app
    return None


def window(app, title):
    for win in children(app):
        if win.name == title and has(win, pyatspi.STATE_SHOWING):
            return win
    return None


def wait_window(app, title, seconds=10):
    return until(seconds, lambda: window(app, title))


def wait_gone(app, title, seconds=5):
    return until(seconds, lambda: window(app, title) is None)


def focused_in(win):
    """The control holding the focus in win (a table, not its cell), or None."""
    found = None
    for acc in walk(win):
        if acc is not win and has(acc, pyatspi.STATE_FOCUSED):
            found = acc
    return found


def check_names(win, where):
    named = 0
    for acc in walk(win):
        if acc.getRole() not in CONTROLS:
            continue
        if acc.name.strip() or any(n.strip() for n in labels_of(acc)):
            named += 1
        else:
            fail(f"{where}: a {acc.getRoleName()} has no name and no label"
                 + (f" (description '{acc.description}')" if acc.description else ""))
    note(f"{named} named controls in {where}")


# ---- the keyboard -----------------------------------------------------------
def key(keys):
    if subprocess.run(["xdotool", "key", "--clearmodifiers", keys], timeout=10).returncode != 0:
        fail(f"xdotool could not press {keys}")
    pump(0.3)


def focus_x_window(title):
    """Gives the keyboard to the X window called title: there is no window manager."""
    out = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", f"^{re.escape(title)}$"],
                         capture_output=True, text=True, timeout=10).stdout.split()
    if out:
        subprocess.run(["xdotool", "windowfocus", "--sync", out[0]], timeout=10)
    pump(0.3)


# ---- events -----------------------------------------------------------------
events = []


def on_event(event):
    try:
        events.append((time.monotonic(), event.type, event.source.getRole(), event.any_data, event.source,
                       event.detail1))
    except Exception:
        pass


def text_events(since, kind="insert"):
    return [e for e in events if e[0] >= since and e[1].startswith("object:text-changed:" + kind)
            and e[2] == pyatspi.ROLE_STATUS_BAR]


# ---- the checks ---------------------------------------------------------------
# Buttons whose key binding is still to be read: a disabled button offers no
# action, so no binding either, until the panel enables it.
pending_keys = {}


def check_key_binding(name, button):
    expected = BUTTONS[name]
    if expected is None:
        return
    if not has(button, pyatspi.STATE_SENSITIVE):
        pending_keys[name] = button
        return
    pending_keys.pop(name, None)
    keys = [k.lower().replace(" ", "").replace("<", "").replace(">", "+") for k in key_bindings(button)]
    wanted = expected.replace("escape", "esc")
    if not keys:
        fail(f"push button '{name}' has no key binding (its key is {expected})")
    elif wanted not in [k.replace("escape", "esc") for k in keys]:
        fail(f"push button '{name}' has key binding {key_bindings(button)}, not {expected}")
    else:
        note(f"'{name}' has key binding {key_bindings(button)}")


def check_pending_keys():
    for name, button in list(pending_keys.items()):
        check_key_binding(name, button)


def panel_buttons(panel):
    begin("panel buttons")
    buttons = [a for a in walk(panel) if a.getRole() == pyatspi.ROLE_PUSH_BUTTON]
    seen = {}
    for b in buttons:
        name = b.name.strip()
        if not name:
            fail(f"a push button has no name (description '{b.description}')")
            continue
        if name not in BUTTONS:
            fail(f"push button '{name}' is not named by its visible words {sorted(BUTTONS)}")
            continue
        seen[name] = b
        check_key_binding(name, b)
    for name in BUTTONS:
        if name not in seen:
            fail(f"no push button named '{name}' on the panel")
    note(f"{len(buttons)} push buttons: {[b.name for b in buttons]}")
    return seen


def panel_tab_order(panel):
    """Tab follows the picture: each row left to right, the rows top to bottom."""
    begin("panel tab order")
    stops = []
    for b in walk(panel):
        if b is not panel and has(b, pyatspi.STATE_FOCUSABLE) \
                and has(b, pyatspi.STATE_SENSITIVE) and has(b, pyatspi.STATE_SHOWING):
            e = b.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
            stops.append((e.y + e.height // 2, e.x, b.name))
    if not stops:
        fail("no focusable button on the panel")
        return
    rows = sorted(stops)
    # Rows: buttons whose centres lie within 20 pixels of each other.
    ordered, row = [], []
    for s in rows:
        if row and abs(s[0] - row[0][0]) > 20:
            ordered += [n for _, _, n in sorted(row, key=lambda t: t[1])]
            row = []
        row.append(s)
    ordered += [n for _, _, n in sorted(row, key=lambda t: t[1])]
    start = focused_in(panel)
    if start is None:
        fail("nothing on the panel has the focus")
        return
    seen = [start.name]
    for _ in range(len(ordered) + 1):
        key("Tab")
        now = focused_in(panel)
        seen.append(now.name if now else "(nothing)")
    note(f"Tab from '{start.name}' visits {seen}; the picture's order is {ordered}")
    if start.name in ordered:
        i = ordered.index(start.name)
        want = [ordered[(i + k) % len(ordered)] for k in range(len(seen))]
        if seen != want:
            fail(f"Tab order {seen}, not the picture's {want}")
    else:
        fail(f"the focus starts on '{start.name}', not a button")


def display_states(app, panel, buttons, recordings):
    begin("display")
    display = until(5, lambda: next((a for a in walk(panel) if a.getRole() == pyatspi.ROLE_STATUS_BAR), None))
    if display is None:
        fail("no status bar on the panel (the display); roles there: "
             + ", ".join(sorted({describe(a) for a in walk(panel) if a.getRole() != pyatspi.ROLE_PUSH_BUTTON})))
    elif text_of(display) is None:
        fail(f"the display ({describe(display)}) has no Text interface")
        display = None

    def read():
        return text_of(display) if display else ""

    def expect_state(word, since, action):
        if display is None:
            pump(1.0)
            check_pending_keys()
            return
        text = until(5, lambda: (lambda t: t if t.startswith(word) else None)(read()))
        if text is None:
            fail(f"after {action} the display reads '{read()}', not '{word}, ...'")
            return
        note(f"after {action}: '{text}'")
        if not until(2, lambda: text_events(since)):
            fail(f"no object:text-changed event from the display after {action}")
        check_pending_keys()

    if display is not None:
        text = read()
        note(f"before recording: '{text}'")
        if not text.startswith("Stopped"):
            fail(f"before recording the display reads '{text}', not 'Stopped, ...'")

    t = time.monotonic()
    rec = buttons.get("Record")
    if rec is not None:
        try:
            rec.queryAction().doAction(0)  # what a screen reader's "activate" does
        except Exception as e:
            fail(f"the Record button's action failed: {e}")
            key("alt+r")
    else:
        key("alt+r")
    expect_state("Recording", t, "Record")
    if display is not None:
        pattern = r"^Recording, \d\d:\d\d(:\d\d)?, category [^,]+, file \S.*$"
        text = read()
        if not re.match(pattern, text):
            fail(f"while recording the display reads '{text}', not 'Recording, 00:15, category New, file NAME'")
    # The time changes each second; the display says so at most once a second.
    t = time.monotonic()
    pump(3.0)
    changes = len(text_events(t))
    note(f"{changes} text changes from the display in 3 s of recording")
    if display is not None and changes > 4:
        fail(f"{changes} text-changed events in 3 s of recording: more than one a second")
    if display is not None:
        m = re.search(r"(\d\d):(\d\d)", read())
        if not m or int(m.group(1)) * 60 + int(m.group(2)) < 2:
            fail(f"after more than 3 s of recording the display reads '{read()}'")
    t = time.monotonic()
    key("ctrl+space")
    expect_state("Paused", t, "Ctrl+Space")
    pump(1.0)
    t = time.monotonic()
    key("ctrl+space")
    expect_state("Recording", t, "Ctrl+Space again")
    pump(1.0)
    t = time.monotonic()
    key("alt+s")
    expect_state("Stopped", t, "Alt+S")
    files = sorted(glob.glob(os.path.join(recordings, "**", "*.*"), recursive=True))
    note(f"recordings: {[os.path.basename(f) for f in files]}")
    if display is not None and files and not any(os.path.basename(f) in read() for f in files):
        fail(f"after Stop the display reads '{read()}', without the file's name")
    t = time.monotonic()
    key("alt+p")
    expect_state("Playing", t, "Alt+P")
    t = time.monotonic()
    key("alt+s")
    expect_state("Stopped", t, "Alt+S while playing")
    for name in pending_keys:
        fail(f"push button '{name}' was never enabled, so its key binding could not be read")


def manager(app):
    begin("manager")
    key("alt+m")
    win = wait_window(app, MANAGER)
    if win is None:
        fail(f"Alt+M opened no window '{MANAGER}'")
        return
    focus_x_window(MANAGER)
    dump(win, into_items=False)
    check_names(win, "the manager")
    table = next((a for a in walk(win) if a.getRole() in (pyatspi.ROLE_TABLE, pyatspi.ROLE_TREE_TABLE)), None)
    if table is None:
        fail("no table in the manager")
    start = until(3, lambda: focused_in(win))
    if start is None:
        fail("nothing in the manager has the focus")
        key("Escape")
        return
    stops = [start]
    for _ in range(10):
        key("Tab")
        now = until(2, lambda: focused_in(win))
        stops.append(now)
        if now is not None and now.name == start.name and now.getRole() == start.getRole():
            break
    names = [describe(s) if s else "(nothing)" for s in stops]
    note(f"Tab from {names[0]}: {' -> '.join(names[1:])}")
    for s in stops:
        if s is not None and not s.name.strip():
            fail(f"Tab stops on a {s.getRoleName()} without a name")
    if stops[-1] is None or stops[-1].name != start.name:
        fail(f"ten Tabs from {names[0]} never came back to it: the focus is trapped ({names[-1]})")
    if table is not None:
        on_table = [i for i, s in enumerate(stops) if s is not None and s.getRole() == table.getRole()]
        if not on_table:
            fail("Tab never reaches the recordings table")
        for i in on_table:
            if i + 1 < len(stops) and stops[i + 1] is not None and stops[i + 1].getRole() == table.getRole():
                fail("Tab does not leave the recordings table: two stops in a row on it")
                break
        reached = {s.name for s in stops if s is not None}
        for wanted in ("Delete", "Categories"):
            if wanted not in reached:
                fail(f"Tab never reaches '{wanted}'")
        # Into the table again: its first row is current, and Shift+Tab leaves it.
        for _ in range(len(stops)):
            now = focused_in(win)
            if now is not None and now.getRole() == table.getRole():
                break
            key("Tab")
        now = focused_in(win)
        if now is not None and now.getRole() == table.getRole():
            current = [c for c in children(now) if has(c, pyatspi.STATE_FOCUSED)]
            rows = set()
            for c in current:
                try:
                    rows.add(c.queryTableCell().position[1][0])
                except Exception:
                    try:
                        rows.add(now.queryTable().getRowAtIndex(c.getIndexInParent()))
                    except Exception:
                        pass
            note(f"on Tab into the table the current cell is {[describe(c) for c in current]}, rows {sorted(rows)}")
            if not current:
                fail("Tab into the recordings table makes no row current")
            elif 0 not in rows:
                fail(f"Tab into the recordings table makes row(s) {sorted(rows)} current, not the first")
            key("shift+Tab")
            back = focused_in(win)
            if back is None or back.getRole() == table.getRole():
                fail("Shift+Tab does not leave the recordings table")
            else:
                note(f"Shift+Tab leaves the table to {describe(back)}")
    key("Escape")
    if not wait_gone(app, MANAGER):
        fail("Escape did not close the manager")


def dialog_fields(app, title, opener, where):
    begin(where)
    opener()
    win = wait_window(app, title)
    if win is None:
        fail(f"the window '{title}' did not open")
        return
    focus_x_window(title)
    dump(win, into_items=False)
    check_names(win, where)
    fields = [a for a in walk(win) if a.getRole() in FIELDS]
    if not fields:
        fail(f"no editable field or combo box in {where}")
    for f in fields:
        labels = labels_of(f)
        if not f.name.strip() and not labels:
            continue  # already failed in check_names
        if not labels:
            fail(f"{describe(f)} in {where} is named but no label on screen points at it (labelled-by)")
    key("Escape")
    if not wait_gone(app, title):
        fail(f"Escape did not close '{title}'")
        key("Escape")


def menu_focus(since):
    """The menu item that took the focus since then, or None."""
    for e in events:
        if e[0] >= since and e[1].startswith("object:state-changed:focused") and e[5] == 1 \
                and e[2] == pyatspi.ROLE_MENU_ITEM:
            return e[4]
    return None


def settings_opener(app):
    # A pop-up menu is not among the application's windows on AT-SPI; a screen
    # reader meets it through the focus of its items, and so does this.
    def run():
        t = time.monotonic()
        key("shift+F10")
        item = until(2, lambda: menu_focus(t))
        if item is None:
            note("no menu item has the focus on opening; pressing Down")
            key("Down")
            item = until(3, lambda: menu_focus(t))
        if item is None:
            fail("Shift+F10 opened no pop-up menu whose items take the focus")
        else:
            menu = item.parent
            dump(menu)
            if not menu.name.strip():
                fail(f"the pop-up menu ({menu.getRoleName()}) has no name")
            items = [a.name for a in walk(menu, into_items=True) if a.getRole() == pyatspi.ROLE_MENU_ITEM]
            if "Settings" not in [n.replace("&", "") for n in items]:
                fail(f"the pop-up menu has no item 'Settings': {items}")
        key("s")
    return run


def main():
    recordings = sys.argv[1] if len(sys.argv) > 1 else os.path.expanduser("~/fmanager")
    begin("registry")
    app = until(20, find_app)
    if app is None:
        names = [a.name for a in children(pyatspi.Registry.getDesktop(0))]
        fail(f"no application '{APP}' on the accessibility bus; there: {names}")
        return 1
    panel = wait_window(app, PANEL)
    if panel is None:
        fail(f"'{APP}' shows no window '{PANEL}': {[describe(w) for w in children(app)]}")
        return 1
    note(f"application '{app.name}' with windows {[describe(w) for w in children(app)]}")
    pyatspi.Registry.registerEventListener(on_event, "object:text-changed", "object:state-changed:focused")
    pump(0.5)  # the program learns of the listeners before anything changes
    print("    -- the panel's accessible tree", flush=True)
    dump(panel)

    buttons = panel_buttons(panel)
    check_names(panel, "the panel")
    panel_tab_order(panel)
    display_states(app, panel, buttons, recordings)
    manager(app)
    focus_x_window(PANEL)
    dialog_fields(app, SETTINGS, settings_opener(app), "settings dialog")
    focus_x_window(PANEL)
    dialog_fields(app, FORMAT, lambda: key("alt+o"), "format dialog")
    focus_x_window(PANEL)
    pyatspi.Registry.deregisterEventListener(on_event, "object:text-changed", "object:state-changed:focused")
    print(f"{failures} accessibility failures", flush=True)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
