#!/usr/bin/python3
"""A native Wayland data-entry form in GTK 3 for the Wayland load test.

    GDK_BACKEND=wayland wayland_gtk_form.py OUT TITLE FIELDS
    GDK_BACKEND=wayland wayland_gtk_form.py OUT TITLE 0

With 0 fields it is a typing pad instead, for compositors where foot does not
run: one text view whose text goes to OUT at every change, each newline
written as CR, as `cat` in a raw terminal gets Enter. Prints "ready" too.

FIELDS fields, the first one focused: one-line entries, the last a text view
(an entry holds at most 64 K characters, a text view any number). Ctrl+S writes the fields to OUT,
joined by "|" and ending in a newline, in one rename (a reader never sees half
a file). Prints "ready" once the window is up. OUT.geometry gets each field's
place in the window, "x y width height" a line, whenever the layout changes:
under Wayland a window does not know where it is on the screen, the test asks
the compositor for that.
"""

import os
import sys

import gi

gi.require_version("Gdk", "3.0")
gi.require_version("Gtk", "3.0")
from gi.repository import GLib, Gdk, Gtk  # noqa: E402


def main():
    out, title, count = sys.argv[1], sys.argv[2], int(sys.argv[3])
    window = Gtk.Window(title=title)
    window.set_default_size(500, 300)
    if count == 0:
        pad = Gtk.TextView()
        window.add(pad)

        def on_change(buffer):
            text = buffer.get_text(buffer.get_start_iter(), buffer.get_end_iter(), True)
            with open(out + ".part", "wb") as f:
                f.write(text.replace("\n", "\r").encode("utf-8"))
            os.rename(out + ".part", out)

        pad.get_buffer().connect("changed", on_change)
        window.connect("destroy", Gtk.main_quit)
        window.show_all()
        pad.grab_focus()
        GLib.idle_add(lambda: print("ready", flush=True) and False)
        Gtk.main()
        return

    box = Gtk.Box(orientation=Gtk.Orientation.VERTICAL)
    entries = []
    for _ in range(count - 1):
        entry = Gtk.Entry()
        box.pack_start(entry, False, False, 0)
        entries.append(entry)
    view = Gtk.TextView()
    # One line that never wraps: a window resized later does not lay 70 KB
    # out again (GTK would take its time, and keys in between).
    scroller = Gtk.ScrolledWindow()
    scroller.set_size_request(-1, 120)
    scroller.add(view)
    box.pack_start(scroller, False, False, 0)
    entries.append(view)
    window.add(box)

    def text_of(field):
        if isinstance(field, Gtk.TextView):
            buffer = field.get_buffer()
            return buffer.get_text(buffer.get_start_iter(), buffer.get_end_iter(), True)
        return field.get_text()

    def on_key(_widget, event):
        ctrl = event.state & Gdk.ModifierType.CONTROL_MASK
        if ctrl and event.keyval in (Gdk.KEY_s, Gdk.KEY_S):
            data = b"|".join(text_of(e).encode("utf-8") for e in entries) + b"\n"
            with open(out + ".part", "wb") as f:
                f.write(data)
            os.rename(out + ".part", out)
            return True
        return False

    def on_layout(*_args):
        lines = []
        if not window.get_realized():
            return
        for e in entries[:-1] + [scroller]:
            x, y = e.translate_coordinates(window, 0, 0)
            a = e.get_allocation()
            lines.append("%d %d %d %d\n" % (x, y, a.width, a.height))
        with open(out + ".geometry.part", "w") as f:
            f.writelines(lines)
        os.rename(out + ".geometry.part", out + ".geometry")

    scroller.connect("size-allocate", on_layout)
    window.connect("key-press-event", on_key)
    window.connect("destroy", Gtk.main_quit)
    window.show_all()
    entries[0].grab_focus()
    GLib.idle_add(lambda: print("ready", flush=True) and False)
    Gtk.main()


if __name__ == "__main__":
    main()
