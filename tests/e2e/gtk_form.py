#!/usr/bin/python3
"""A small data-entry form in GTK 3 for the verified-load tests.

    gtk_form.py TITLE [--picky] [--fields N]

N entry fields (Field 1 .. Field N, default 3), the first one focused. With
--picky the form keeps its values its own way, as business screens do:
Field 1 takes at most 5 characters, Field 2 upper-cases what it gets.
Prints "ready" once the form is up. Ctrl+S saves, as a form that takes the
next record does: prints the fields' texts joined by "|", clears them and
puts the focus back on the first field.
"""

import argparse
import sys

import gi

gi.require_version("Gtk", "3.0")
from gi.repository import GLib, Gtk  # noqa: E402


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("title")
    parser.add_argument("--picky", action="store_true")
    parser.add_argument("--fields", type=int, default=3)
    args = parser.parse_args()

    window = Gtk.Window(title=args.title)
    window.set_default_size(360, 40 * args.fields)
    grid = Gtk.Grid(row_spacing=4, column_spacing=8, margin=8)
    window.add(grid)
    entries = []
    for i in range(args.fields):
        label = Gtk.Label(label="Field %d" % (i + 1))
        entry = Gtk.Entry()
        entry.get_accessible().set_name("Field %d" % (i + 1))
        grid.attach(label, 0, i, 1, 1)
        grid.attach(entry, 1, i, 1, 1)
        entries.append(entry)
    if args.picky:
        entries[0].set_max_length(5)
        if len(entries) > 1:
            upper = entries[1]

            def to_upper(entry):
                # Whatever arrives is kept in capitals, the caret at the end.
                text = entry.get_text()
                if text != text.upper():
                    entry.set_text(text.upper())
                    entry.set_position(-1)

            upper.connect("changed", to_upper)

    def save():
        print("|".join(e.get_text() for e in entries), flush=True)
        for e in entries:
            e.set_text("")
        entries[0].grab_focus()
        return True

    def finish(*_):
        Gtk.main_quit()
        return True

    def on_key(_, event):
        from gi.repository import Gdk

        if event.state & Gdk.ModifierType.CONTROL_MASK and event.keyval in (Gdk.KEY_s, Gdk.KEY_S):
            return save()
        return False

    window.connect("key-press-event", on_key)
    window.connect("delete-event", finish)
    window.show_all()
    entries[0].grab_focus()

    def ready():
        print("ready", flush=True)
        return False

    GLib.timeout_add(200, ready)
    Gtk.main()
    return 0


if __name__ == "__main__":
    sys.exit(main())
