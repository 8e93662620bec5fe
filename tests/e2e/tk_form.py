#!/usr/bin/python3
"""A small data-entry form in Tk for the end-to-end tests to load into.

    tk_form.py OUT [--title TITLE] [--hang SECONDS] [--hang-until FILE]

Six entry fields (Field 1 .. Field 6), the first one focused. Keys:
  Ctrl+S  saves: appends the six fields as one JSON line to OUT, then clears
          them and puts the focus back on the first field, as a form that
          takes the next record does.
  F5      hangs for SECONDS (default 5) with the busy cursor up and no event
          handled, as a program stuck in work does: it answers neither keys
          nor the desktop's pings meanwhile. With --hang-until it hangs until
          FILE exists instead (and removes it), so a test decides when it ends.
  F2      opens a second window of the same program ("TITLE Lookup") with an
          entry of its own.
What happens is printed on stdout, one word a line, flushed: "ready" once the
form is up, "busy" when a hang starts, "idle" when it ends, "saved" after a save,
"lookup" when the second window is up and has been given the focus.
"""

import argparse
import ctypes
import ctypes.util
import json
import os
import sys
import time
import tkinter as tk


def say(word):
    print(word, flush=True)


def list_ping(inner_id):
    """Adds _NET_WM_PING to the form's WM_PROTOCOLS.

    Tk answers the desktop's pings but does not list the protocol, and a
    program may only be pinged when it lists it (others may take any
    WM_PROTOCOLS message for a close request). The form lists it, as GTK and Qt
    programs do, so its hangs show. The property sits on Tk's wrapper, the
    parent of the toplevel's own window.
    """
    c = ctypes
    x11 = c.cdll.LoadLibrary(c.util.find_library("X11"))
    x11.XOpenDisplay.restype = c.c_void_p
    x11.XOpenDisplay.argtypes = [c.c_char_p]
    x11.XInternAtom.restype = c.c_ulong
    x11.XInternAtom.argtypes = [c.c_void_p, c.c_char_p, c.c_int]
    x11.XQueryTree.argtypes = [c.c_void_p, c.c_ulong, c.POINTER(c.c_ulong), c.POINTER(c.c_ulong),
                               c.POINTER(c.c_void_p), c.POINTER(c.c_uint)]
    x11.XChangeProperty.argtypes = [c.c_void_p, c.c_ulong, c.c_ulong, c.c_ulong, c.c_int, c.c_int,
                                    c.c_void_p, c.c_int]
    x11.XFree.argtypes = [c.c_void_p]
    x11.XCloseDisplay.argtypes = [c.c_void_p]
    display = x11.XOpenDisplay(None)
    root_id, parent, children, count = c.c_ulong(), c.c_ulong(), c.c_void_p(), c.c_uint()
    if not x11.XQueryTree(display, inner_id, c.byref(root_id), c.byref(parent),
                          c.byref(children), c.byref(count)):
        raise SystemExit("tk_form: cannot find the form's wrapper window")
    if children:
        x11.XFree(children)
    atoms = (c.c_ulong * 2)(x11.XInternAtom(display, b"WM_DELETE_WINDOW", 0),
                            x11.XInternAtom(display, b"_NET_WM_PING", 0))
    xa_atom, prop_mode_replace = 4, 0
    x11.XChangeProperty(display, parent.value, x11.XInternAtom(display, b"WM_PROTOCOLS", 0),
                        xa_atom, 32, prop_mode_replace, atoms, 2)
    x11.XCloseDisplay(display)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("out")
    parser.add_argument("--title", default="Tk Form")
    parser.add_argument("--hang", type=float, default=5.0)
    parser.add_argument("--hang-until")
    args = parser.parse_args()

    root = tk.Tk()
    root.title(args.title)
    root.geometry("420x260+40+40")
    entries = []
    for i in range(6):
        tk.Label(root, text="Field %d" % (i + 1)).grid(row=i, column=0, sticky="w")
        entry = tk.Entry(root, width=36)
        entry.grid(row=i, column=1, padx=4, pady=2)
        entries.append(entry)

    def save(_event=None):
        with open(args.out, "a", encoding="utf-8") as out:
            out.write(json.dumps([e.get() for e in entries], ensure_ascii=False) + "\n")
        for e in entries:
            e.delete(0, "end")
        entries[0].focus_set()
        say("saved")
        return "break"

    def hang(_event=None):
        # The cursor must be on the screen before the program stops handling
        # anything: update() pushes it out first.
        root.config(cursor="watch")
        for e in entries:
            e.config(cursor="watch")
        root.update()
        say("busy")
        if args.hang_until:
            while not os.path.exists(args.hang_until):
                time.sleep(0.05)
            os.remove(args.hang_until)
        else:
            time.sleep(args.hang)
        root.config(cursor="")
        for e in entries:
            e.config(cursor="xterm")
        root.update()
        say("idle")
        return "break"

    def lookup(_event=None):
        top = tk.Toplevel(root)
        top.title(args.title + " Lookup")
        top.geometry("300x80+500+40")
        entry = tk.Entry(top, width=30)
        entry.pack(padx=6, pady=6)

        def take_focus():
            entry.focus_force()
            top.update_idletasks()
            say("lookup")

        top.after(50, take_focus)
        return "break"

    root.bind_all("<Control-s>", save)
    root.bind_all("<F5>", hang)
    root.bind_all("<F2>", lookup)
    entries[0].focus_set()
    def up():
        root.update_idletasks()
        list_ping(root.winfo_id())
        say("ready")

    root.after(100, up)
    root.mainloop()
    return 0


if __name__ == "__main__":
    sys.exit(main())
