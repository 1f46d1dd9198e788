#!/usr/bin/python3
"""Asks a desktop's real thumbnail factory for thumbnails of drawings, as a file manager does.

    factory_thumbnail.py gnome|tumbler normal|large DRAWING...

Prints one line per drawing: the path of the cached thumbnail, or "failed: REASON".
gnome: gnome-desktop's factory, used by GNOME Files, Nemo (Cinnamon) and Caja (MATE).
tumbler: Xfce's thumbnail service, used by Thunar, over D-Bus (run inside dbus-run-session).
"""
import sys

import gi

gi.require_version("GnomeDesktop", "3.0")
from gi.repository import Gio, GLib, GnomeDesktop  # noqa: E402

MIME_TYPE = "image/vnd.dwg"
TUMBLER = "org.freedesktop.thumbnails.Thumbnailer1"
TIMEOUT_SECONDS = 60


def gnome(flavor, paths):
    size = {"normal": GnomeDesktop.DesktopThumbnailSize.NORMAL,
            "large": GnomeDesktop.DesktopThumbnailSize.LARGE}[flavor]
    factory = GnomeDesktop.DesktopThumbnailFactory.new(size)
    for path in paths:
        uri = Gio.File.new_for_path(path).get_uri()
        mtime = int(Gio.File.new_for_path(path).query_info(
            "time::modified", 0, None).get_attribute_uint64("time::modified"))
        try:
            pixbuf = factory.generate_thumbnail(uri, MIME_TYPE, None)
            factory.save_thumbnail(pixbuf, uri, mtime, None)
            print(GnomeDesktop.desktop_thumbnail_path_for_uri(uri, size))
        except GLib.Error as error:
            factory.create_failed_thumbnail(uri, mtime, None)
            print("failed:", error.message)


def tumbler(flavor, paths):
    bus = Gio.bus_get_sync(Gio.BusType.SESSION, None)
    proxy = Gio.DBusProxy.new_sync(bus, 0, None, TUMBLER, "/org/freedesktop/thumbnails/Thumbnailer1",
                                   TUMBLER, None)
    uris = [Gio.File.new_for_path(path).get_uri() for path in paths]
    answers = {}
    loop = GLib.MainLoop()

    def on_signal(_proxy, _sender, signal, parameters):
        if signal == "Ready":
            for uri in parameters[1]:
                answers[uri] = GnomeDesktop.desktop_thumbnail_path_for_uri(
                    uri, GnomeDesktop.DesktopThumbnailSize.LARGE if flavor == "large"
                    else GnomeDesktop.DesktopThumbnailSize.NORMAL)
        elif signal == "Error":
            for uri in parameters[1]:
                answers[uri] = "failed: " + parameters[3]
        elif signal == "Finished":
            loop.quit()

    proxy.connect("g-signal", on_signal)
    proxy.call_sync("Queue", GLib.Variant("(asasssu)", (uris, [MIME_TYPE] * len(uris), flavor,
                                                         "default", 0)), 0, -1, None)
    GLib.timeout_add_seconds(TIMEOUT_SECONDS, loop.quit)
    loop.run()
    for uri in uris:
        print(answers.get(uri, "failed: no answer"))


if __name__ == "__main__":
    {"gnome": gnome, "tumbler": tumbler}[sys.argv[1]](sys.argv[2], sys.argv[3:])
