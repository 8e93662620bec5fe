#!/usr/bin/python3
"""A native Wayland data-entry form in GTK 3 for the Wayland load test.

    GDK_BACKEND=wayland gtk_form.py OUT TITLE FIELDS

FIELDS entry fields, the first one focused. Ctrl+S writes the fields to OUT,
joined by "|" and ending in a newline, in one rename (a reader never sees half
a file). Prints "ready" once the window is up.
"""

import os
import sys

import gi

gi.require_version("Gtk", "3.0")
from gi.repository import GLib, Gdk, Gtk  # noqa: E402


def main():
    out, title, count = sys.argv[1], sys.argv[2], int(sys.argv[3])
    window = Gtk.Window(title=title)
    window.set_default_size(500, 300)
    box = Gtk.Box(orientation=Gtk.Orientation.VERTICAL)
    entries = []
    for _ in range(count):
        entry = Gtk.Entry()
        box.pack_start(entry, False, False, 0)
        entries.append(entry)
    window.add(box)

    def on_key(_widget, event):
        ctrl = event.state & Gdk.ModifierType.CONTROL_MASK
        if ctrl and event.keyval in (Gdk.KEY_s, Gdk.KEY_S):
            data = b"|".join(e.get_text().encode("utf-8") for e in entries) + b"\n"
            with open(out + ".part", "wb") as f:
                f.write(data)
            os.rename(out + ".part", out)
            return True
        return False

    window.connect("key-press-event", on_key)
    window.connect("destroy", Gtk.main_quit)
    window.show_all()
    entries[0].grab_focus()
    GLib.idle_add(lambda: print("ready", flush=True) and False)
    Gtk.main()


if __name__ == "__main__":
    main()
