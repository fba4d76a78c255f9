#!/usr/bin/python3
"""Finds, measures and closes top-level windows on $DISPLAY for the end-to-end tests.

  xwin.py find TITLE [--timeout S] [--pid PID]   print the id of a mapped window titled exactly TITLE
  xwin.py size WID                                print "WIDTH HEIGHT" of its client area
  xwin.py close WID                               ask it to close, as a window manager's close button does
  xwin.py wait-gone WID [--timeout S]             wait until it is unmapped or destroyed
  xwin.py list                                    every mapped window with its title and geometry
  xwin.py position WID                            print "X Y" of its client area on the screen
  xwin.py children WID                            "X Y WIDTH HEIGHT" of every mapped window inside it,
                                                  relative to its client area, one a line
  xwin.py size-hints WID                          WM_NORMAL_HINTS as "min W H max W H" (0 when unset)
  xwin.py selection [--clipboard] [--timeout S]   print the text of PRIMARY (or CLIPBOARD), waiting
                                                  for an owner
  xwin.py clear-clipboard                         leave CLIPBOARD without an owner
  xwin.py serve-clipboard TEXT [--timeout S]      own CLIPBOARD and hand TEXT to whoever asks, until
                                                  another client takes it or S seconds (60) have passed
  xwin.py wm-state                                until killed: keep each top-level window's WM_STATE
                                                  as a window manager would (Normal while mapped,
                                                  Withdrawn once unmapped); prints "ready" first

Without a window manager (a bare Xvfb) a top-level window is a child of the
root and its X window is exactly its client area. Window ids are printed in
decimal, which xdotool accepts. Exit status 0 on success, 1 when a window is
not found or not gone in time, 2 on errors.
"""

import argparse
import sys
import time

from Xlib import X, display, error
from Xlib.protocol import event


def title_of(d, window):
    """_NET_WM_NAME (UTF-8) when set, else WM_NAME; None for a window that went away."""
    try:
        net = window.get_full_property(d.intern_atom("_NET_WM_NAME"), d.intern_atom("UTF8_STRING"))
        if net is not None and net.value:
            value = net.value
            return value.decode("utf-8", "replace") if isinstance(value, bytes) else str(value)
        name = window.get_wm_name()
        if isinstance(name, bytes):
            return name.decode("latin-1")
        return name
    except error.XError:
        return None


def mapped_windows(d):
    """Every viewable window below the root, parents before children."""
    pending = [d.screen().root]
    while pending:
        parent = pending.pop(0)
        try:
            children = parent.query_tree().children
        except error.XError:
            continue
        for child in children:
            try:
                if child.get_attributes().map_state != X.IsViewable:
                    continue
            except error.XError:
                continue
            yield child
            pending.append(child)


def pid_of(d, window):
    try:
        prop = window.get_full_property(d.intern_atom("_NET_WM_PID"), X.AnyPropertyType)
        return int(prop.value[0]) if prop is not None and len(prop.value) else None
    except error.XError:
        return None


def find(d, title, pid):
    for window in mapped_windows(d):
        if title_of(d, window) == title and (pid is None or pid_of(d, window) == pid):
            return window
    return None


def geometry(d, window):
    g = window.get_geometry()
    origin = window.translate_coords(d.screen().root, 0, 0)
    return g.width, g.height, -origin.x, -origin.y


def cmd_find(d, args):
    deadline = time.monotonic() + args.timeout
    while True:
        window = find(d, args.title, args.pid)
        if window is not None:
            print(window.id)
            return 0
        if time.monotonic() >= deadline:
            print(f"xwin: no mapped window titled {args.title!r} after {args.timeout} s", file=sys.stderr)
            cmd_list(d, args, out=sys.stderr)
            return 1
        time.sleep(0.05)


def cmd_size(d, args):
    width, height, _, _ = geometry(d, d.create_resource_object("window", args.wid))
    print(width, height)
    return 0


def cmd_close(d, args):
    window = d.create_resource_object("window", args.wid)
    wm_protocols = d.intern_atom("WM_PROTOCOLS")
    wm_delete = d.intern_atom("WM_DELETE_WINDOW")
    protocols = window.get_wm_protocols() or []
    if wm_delete not in protocols:
        print(f"xwin: window {args.wid} does not take part in WM_DELETE_WINDOW", file=sys.stderr)
        return 2
    message = event.ClientMessage(window=window, client_type=wm_protocols,
                                  data=(32, [wm_delete, X.CurrentTime, 0, 0, 0]))
    window.send_event(message, event_mask=X.NoEventMask)
    d.sync()
    return 0


def cmd_wait_gone(d, args):
    deadline = time.monotonic() + args.timeout
    window = d.create_resource_object("window", args.wid)
    while True:
        try:
            if window.get_attributes().map_state != X.IsViewable:
                return 0
        except error.XError:
            return 0
        if time.monotonic() >= deadline:
            return 1
        time.sleep(0.02)


def cmd_position(d, args):
    _, _, x, y = geometry(d, d.create_resource_object("window", args.wid))
    print(x, y)
    return 0


def cmd_children(d, args):
    top = d.create_resource_object("window", args.wid)
    pending = [top]
    while pending:
        for child in pending.pop(0).query_tree().children:
            try:
                if child.get_attributes().map_state != X.IsViewable:
                    continue
                g = child.get_geometry()
                origin = child.translate_coords(top, 0, 0)
            except error.XError:
                continue
            print(-origin.x, -origin.y, g.width, g.height)
            pending.append(child)
    return 0


def cmd_size_hints(d, args):
    hints = d.create_resource_object("window", args.wid).get_wm_normal_hints()
    if hints is None:
        print("min 0 0 max 0 0")
        return 0
    has_min = hints.flags & 16  # PMinSize
    has_max = hints.flags & 32  # PMaxSize
    print("min", hints.min_width if has_min else 0, hints.min_height if has_min else 0,
          "max", hints.max_width if has_max else 0, hints.max_height if has_max else 0)
    return 0


def cmd_selection(d, args):
    """Asks the selection's owner for UTF-8 text through a window of our own."""
    name = d.intern_atom("CLIPBOARD" if args.clipboard else "PRIMARY")
    utf8 = d.intern_atom("UTF8_STRING")
    target = d.intern_atom("XWIN_SELECTION")
    deadline = time.monotonic() + args.timeout
    while d.get_selection_owner(name) == X.NONE:
        if time.monotonic() >= deadline:
            print("xwin: nobody owns the selection", file=sys.stderr)
            return 1
        time.sleep(0.02)
    window = d.screen().root.create_window(0, 0, 1, 1, 0, X.CopyFromParent)
    window.convert_selection(name, utf8, target, X.CurrentTime)
    d.flush()
    while time.monotonic() < deadline:
        while d.pending_events():
            e = d.next_event()
            if e.type != X.SelectionNotify:
                continue
            if e.property == X.NONE:
                print("xwin: the owner refused the selection", file=sys.stderr)
                return 1
            prop = window.get_full_property(target, X.AnyPropertyType)
            value = prop.value if prop is not None else b""
            sys.stdout.write(value.decode("utf-8", "replace") if isinstance(value, bytes) else str(value))
            sys.stdout.write("\n")
            return 0
        time.sleep(0.02)
    print(f"xwin: no answer from the selection's owner after {args.timeout} s", file=sys.stderr)
    return 1


def cmd_clear_clipboard(d, _args):
    """Takes CLIPBOARD with a window of our own, which goes when we exit."""
    window = d.screen().root.create_window(0, 0, 1, 1, 0, X.CopyFromParent)
    window.set_selection_owner(d.intern_atom("CLIPBOARD"), X.CurrentTime)
    d.sync()
    return 0


def cmd_serve_clipboard(d, args):
    """Owns CLIPBOARD and answers every request for it as a copying program does."""
    clipboard = d.intern_atom("CLIPBOARD")
    targets = d.intern_atom("TARGETS")
    texts = {d.intern_atom(name): d.intern_atom(name) for name in ("UTF8_STRING", "STRING", "TEXT")}
    data = args.text.encode("utf-8")
    window = d.screen().root.create_window(0, 0, 1, 1, 0, X.CopyFromParent)
    window.set_selection_owner(clipboard, X.CurrentTime)
    d.sync()
    if d.get_selection_owner(clipboard) != window:
        print("xwin: cannot take the clipboard", file=sys.stderr)
        return 1
    print("serving", flush=True)
    deadline = time.monotonic() + args.timeout
    while time.monotonic() < deadline:
        while d.pending_events():
            e = d.next_event()
            if e.type == X.SelectionClear:
                return 0
            if e.type != X.SelectionRequest:
                continue
            prop = e.property if e.property != X.NONE else e.target
            if e.target == targets:
                e.requestor.change_property(prop, d.intern_atom("ATOM"), 32, [targets, *texts])
            elif e.target in texts:
                kind = d.intern_atom("UTF8_STRING") if e.target != d.intern_atom("STRING") else e.target
                e.requestor.change_property(prop, kind, 8, data)
            else:
                prop = X.NONE
            e.requestor.send_event(event.SelectionNotify(time=e.time, requestor=e.requestor, selection=e.selection,
                                                         target=e.target, property=prop))
            d.flush()
        time.sleep(0.01)
    return 0


def cmd_wm_state(d, _args):
    """The one duty of a window manager that wine waits for: it hides or shows a
    window of its own only once WM_STATE says the last change has been seen,
    and gives up after 2 s without a manager. Kept here from the map and
    unmap events of the root's children."""
    root = d.screen().root
    wm_state = d.intern_atom("WM_STATE")
    root.change_attributes(event_mask=X.SubstructureNotifyMask)
    d.sync()
    print("ready", flush=True)
    while True:
        e = d.next_event()
        if e.type not in (X.MapNotify, X.UnmapNotify) or e.event != root:
            continue
        if e.type == X.MapNotify and e.override:
            continue  # menus and tooltips: no manager looks after them
        state = 1 if e.type == X.MapNotify else 0  # NormalState, WithdrawnState
        try:
            e.window.change_property(wm_state, wm_state, 32, [state, X.NONE])
            d.flush()
        except error.XError:
            pass  # the window went away meanwhile


def cmd_list(d, _args, out=sys.stdout):
    for window in mapped_windows(d):
        try:
            width, height, x, y = geometry(d, window)
        except error.XError:
            continue
        print(f"{window.id} {width}x{height}+{x}+{y} pid={pid_of(d, window)} {title_of(d, window)!r}", file=out)
    return 0


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    sub = parser.add_subparsers(dest="command", required=True)
    p = sub.add_parser("find")
    p.add_argument("title")
    p.add_argument("--timeout", type=float, default=10.0)
    p.add_argument("--pid", type=int)
    p.set_defaults(run=cmd_find)
    for name, run in (("size", cmd_size), ("close", cmd_close), ("position", cmd_position),
                      ("children", cmd_children), ("size-hints", cmd_size_hints)):
        p = sub.add_parser(name)
        p.add_argument("wid", type=lambda s: int(s, 0))
        p.set_defaults(run=run)
    p = sub.add_parser("wait-gone")
    p.add_argument("wid", type=lambda s: int(s, 0))
    p.add_argument("--timeout", type=float, default=5.0)
    p.set_defaults(run=cmd_wait_gone)
    sub.add_parser("list").set_defaults(run=cmd_list)
    p = sub.add_parser("selection")
    p.add_argument("--clipboard", action="store_true")
    p.add_argument("--timeout", type=float, default=5.0)
    p.set_defaults(run=cmd_selection)
    sub.add_parser("clear-clipboard").set_defaults(run=cmd_clear_clipboard)
    p = sub.add_parser("serve-clipboard")
    p.add_argument("text")
    p.add_argument("--timeout", type=float, default=60.0)
    p.set_defaults(run=cmd_serve_clipboard)
    sub.add_parser("wm-state").set_defaults(run=cmd_wm_state)
    args = parser.parse_args()

    try:
        d = display.Display()
    except Exception as e:  # the X libraries raise several kinds for a missing display
        print(f"xwin: cannot open display: {e}", file=sys.stderr)
        return 2
    try:
        return args.run(d, args)
    except error.XError as e:
        print(f"xwin: {e}", file=sys.stderr)
        return 2
    finally:
        d.close()


if __name__ == "__main__":
    sys.exit(main())
