#!/usr/bin/python3
"""Reads one window of a running program through AT-SPI, as a screen reader does.

  accessible_names.py PID TITLE [NAME...]

Walks the window titled TITLE of the program with process id PID (waiting up to
30 s for it to appear on the accessibility bus) and prints every control a user
could reach - focusable and visible ones, menu items included - with its role,
name and description. Exit status 1 when one of them has no name, or when a NAME
given is not the name of any of them; 0 otherwise. The cells inside a table or
list are not walked (their names are their texts); the table itself is.
"""

import sys
import time

import pyatspi

CONTAINERS = {
    pyatspi.ROLE_TABLE,
    pyatspi.ROLE_TREE_TABLE,
    pyatspi.ROLE_TREE,
    pyatspi.ROLE_LIST,
    pyatspi.ROLE_LIST_BOX,
}
MENU_ITEMS = {
    pyatspi.ROLE_MENU_ITEM,
    pyatspi.ROLE_CHECK_MENU_ITEM,
    pyatspi.ROLE_RADIO_MENU_ITEM,
    pyatspi.ROLE_MENU,
}


def find_window(pid, title):
    desktop = pyatspi.Registry.getDesktop(0)
    for app in desktop:
        if app is None:
            continue
        try:
            if app.get_process_id() != pid:
                continue
        except Exception:
            continue
        for window in app:
            if window is not None and window.name == title:
                return window
    return None


def spoken_name(node):
    """The name a screen reader says: its label's (Qt names a combo box on
    Linux by the label that points at it, its own name being its text), else
    its own."""
    try:
        for relation in node.getRelationSet():
            if relation.getRelationType() == pyatspi.RELATION_LABELLED_BY:
                for i in range(relation.getNTargets()):
                    label = relation.getTarget(i)
                    if label is not None and label.name:
                        return label.name.replace("&", "")
    except Exception:
        pass
    return node.name or ""


def walk(node, found, depth=0):
    if node is None or depth > 40:
        return
    try:
        role = node.getRole()
        states = node.getState()
    except Exception:
        return
    visible = states.contains(pyatspi.STATE_VISIBLE)
    if role == pyatspi.ROLE_POPUP_MENU:
        pass  # a closed menu: its items are read all the same
    elif role in MENU_ITEMS:
        # Items of a closed menu all say they are not visible, hidden ones
        # too: those with a name count; an open menu tells them apart.
        if not visible and not node.name:
            return
    elif not visible:
        return
    reachable = states.contains(pyatspi.STATE_FOCUSABLE) or role in MENU_ITEMS
    if reachable and role != pyatspi.ROLE_SEPARATOR:
        found.append((node.getRoleName(), spoken_name(node), node.description or ""))
    if role in CONTAINERS:
        return
    for child in node:
        walk(child, found, depth + 1)


def main():
    pid, title, expected = int(sys.argv[1]), sys.argv[2], sys.argv[3:]
    window = None
    end = time.monotonic() + 30
    while window is None and time.monotonic() < end:
        window = find_window(pid, title)
        if window is None:
            time.sleep(0.2)
    if window is None:
        print(f"no window '{title}' of process {pid} on the accessibility bus", file=sys.stderr)
        return 1
    found = []
    walk(window, found)
    nameless = 0
    for role, name, description in found:
        print(f"{role}\t{name}\t{description}")
        if not name.strip():
            nameless += 1
    names = {name for _, name, _ in found}
    missing = [name for name in expected if name not in names]
    print(f"-- {title}: {len(found)} controls, {nameless} without a name", file=sys.stderr)
    if missing:
        print(f"-- {title}: no control named {missing}", file=sys.stderr)
    return 1 if nameless or missing or not found else 0


if __name__ == "__main__":
    sys.exit(main())
