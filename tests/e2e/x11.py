# SPDX-FileCopyrightText: 2026 The Varnoke developers
# SPDX-License-Identifier: MIT
"""What xdotool can't do, straight through Xlib: the window manager's close request, and the
clipboard served and read as another program would."""

import ctypes
import ctypes.util
import os
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))

class _ClientMessage(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", ctypes.c_ulong),
                ("message_type", ctypes.c_ulong), ("format", ctypes.c_int),
                ("data", ctypes.c_long * 5)]


class _Event(ctypes.Union):
    _fields_ = [("client", _ClientMessage), ("pad", ctypes.c_long * 24)]


def send_delete_window(display_name, window):
    x11 = ctypes.cdll.LoadLibrary(ctypes.util.find_library("X11") or "libX11.so.6")
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x11.XInternAtom.restype = ctypes.c_ulong
    x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    x11.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                               ctypes.POINTER(_Event)]
    x11.XFlush.argtypes = [ctypes.c_void_p]
    x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
    display = x11.XOpenDisplay(display_name.encode())
    if not display:
        raise RuntimeError(f"cannot open display {display_name}")
    event = _Event()
    event.client.type = 33  # ClientMessage
    event.client.window = window
    event.client.message_type = x11.XInternAtom(display, b"WM_PROTOCOLS", 0)
    event.client.format = 32
    event.client.data[0] = x11.XInternAtom(display, b"WM_DELETE_WINDOW", 0)
    event.client.data[1] = 0  # CurrentTime
    x11.XSendEvent(display, window, 0, 0, ctypes.byref(event))
    x11.XFlush(display)
    x11.XCloseDisplay(display)


class _SelectionRequest(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("owner", ctypes.c_ulong),
                ("requestor", ctypes.c_ulong), ("selection", ctypes.c_ulong),
                ("target", ctypes.c_ulong), ("property", ctypes.c_ulong), ("time", ctypes.c_ulong)]


class _Selection(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("requestor", ctypes.c_ulong),
                ("selection", ctypes.c_ulong), ("target", ctypes.c_ulong),
                ("property", ctypes.c_ulong), ("time", ctypes.c_ulong)]


class _SelectionEvent(ctypes.Union):
    _fields_ = [("type", ctypes.c_int), ("request", _SelectionRequest),
                ("selection", _Selection), ("pad", ctypes.c_long * 24)]


_SELECTION_CLEAR, _SELECTION_REQUEST, _SELECTION_NOTIFY = 29, 30, 31
_TEXT_TARGETS = (b"UTF8_STRING", b"STRING", b"TEXT", b"text/plain;charset=utf-8", b"text/plain")


def _xlib():
    x11 = ctypes.cdll.LoadLibrary(ctypes.util.find_library("X11") or "libX11.so.6")
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x11.XDefaultRootWindow.restype = ctypes.c_ulong
    x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
    x11.XCreateSimpleWindow.restype = ctypes.c_ulong
    x11.XCreateSimpleWindow.argtypes = [ctypes.c_void_p, ctypes.c_ulong] + [ctypes.c_int] * 2 \
        + [ctypes.c_uint] * 3 + [ctypes.c_ulong] * 2
    x11.XInternAtom.restype = ctypes.c_ulong
    x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    x11.XSetSelectionOwner.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_ulong,
                                       ctypes.c_ulong]
    x11.XGetSelectionOwner.restype = ctypes.c_ulong
    x11.XGetSelectionOwner.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
    x11.XConvertSelection.argtypes = [ctypes.c_void_p] + [ctypes.c_ulong] * 5
    x11.XChangeProperty.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_ulong,
                                    ctypes.c_ulong, ctypes.c_int, ctypes.c_int, ctypes.c_void_p,
                                    ctypes.c_int]
    x11.XGetWindowProperty.argtypes = [
        ctypes.c_void_p, ctypes.c_ulong, ctypes.c_ulong, ctypes.c_long, ctypes.c_long,
        ctypes.c_int, ctypes.c_ulong, ctypes.POINTER(ctypes.c_ulong),
        ctypes.POINTER(ctypes.c_int), ctypes.POINTER(ctypes.c_ulong),
        ctypes.POINTER(ctypes.c_ulong), ctypes.POINTER(ctypes.c_void_p)]
    x11.XFree.argtypes = [ctypes.c_void_p]
    x11.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                               ctypes.c_void_p]
    x11.XNextEvent.argtypes = [ctypes.c_void_p, ctypes.c_void_p]
    x11.XPending.argtypes = [ctypes.c_void_p]
    x11.XConnectionNumber.argtypes = [ctypes.c_void_p]
    x11.XFlush.argtypes = [ctypes.c_void_p]
    x11.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
    x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
    return x11


def serve_clipboard(display_name, path):
    """Owns CLIPBOARD on the display and hands out the bytes of the file at path as text, until
    another client takes the selection. Runs in a process of its own (see Clipboard)."""
    with open(path, "rb") as source:
        payload = source.read()
    x11 = _xlib()
    display = x11.XOpenDisplay(display_name.encode())
    if not display:
        raise RuntimeError(f"cannot open display {display_name}")
    atom = lambda name: x11.XInternAtom(display, name, 0)  # noqa: E731
    clipboard, targets, utf8 = atom(b"CLIPBOARD"), atom(b"TARGETS"), atom(b"UTF8_STRING")
    texts = [atom(name) for name in _TEXT_TARGETS]
    window = x11.XCreateSimpleWindow(display, x11.XDefaultRootWindow(display), 0, 0, 1, 1, 0, 0, 0)
    x11.XSetSelectionOwner(display, clipboard, window, 0)
    if x11.XGetSelectionOwner(display, clipboard) != window:
        raise RuntimeError("could not take the clipboard")
    x11.XSync(display, 0)
    print("ready", flush=True)
    event = _SelectionEvent()
    while True:
        x11.XNextEvent(display, ctypes.byref(event))
        if event.type == _SELECTION_CLEAR:
            break
        if event.type != _SELECTION_REQUEST:
            continue
        request = event.request
        prop = request.property or request.target
        if request.target == targets:
            offered = (ctypes.c_ulong * (len(texts) + 1))(targets, *texts)
            x11.XChangeProperty(display, request.requestor, prop, 4, 32, 0, offered,
                                len(offered))  # 4: XA_ATOM, 0: PropModeReplace
        elif request.target in texts:
            # One property however large: the server takes big requests, so no INCR is needed.
            x11.XChangeProperty(display, request.requestor, prop,
                                utf8 if request.target != texts[1] else texts[1], 8, 0,
                                payload, len(payload))
        else:
            prop = 0
        answer = _SelectionEvent()
        answer.selection.type = _SELECTION_NOTIFY
        answer.selection.requestor = request.requestor
        answer.selection.selection = request.selection
        answer.selection.target = request.target
        answer.selection.property = prop
        answer.selection.time = request.time
        x11.XSendEvent(display, request.requestor, 0, 0, ctypes.byref(answer))
        x11.XFlush(display)
    x11.XCloseDisplay(display)


class Clipboard:
    """Puts a text of any size on a display's clipboard, as another program would."""

    def __init__(self, display, text, folder):
        path = os.path.join(folder, "clipboard.txt")
        with open(path, "wb") as out:
            out.write(text.encode())
        self.process = subprocess.Popen(
            [sys.executable, "-c", "import sys, x11; x11.serve_clipboard(*sys.argv[1:])",
             display.name, path], cwd=HERE, stdout=subprocess.PIPE, text=True)
        if self.process.stdout.readline().strip() != "ready":
            self.process.kill()
            raise RuntimeError("the clipboard owner did not start")

    def close(self):
        if self.process.poll() is None:
            self.process.kill()
        self.process.wait(timeout=10)
        self.process.stdout.close()


def read_clipboard(display_name, timeout=5.0):
    """The clipboard's text as its owner hands it out, or None when nobody owns it."""
    x11 = _xlib()
    display = x11.XOpenDisplay(display_name.encode())
    if not display:
        raise RuntimeError(f"cannot open display {display_name}")
    try:
        clipboard = x11.XInternAtom(display, b"CLIPBOARD", 0)
        if not x11.XGetSelectionOwner(display, clipboard):
            return None
        utf8 = x11.XInternAtom(display, b"UTF8_STRING", 0)
        into = x11.XInternAtom(display, b"VARNOKE_TEST_PASTE", 0)
        window = x11.XCreateSimpleWindow(display, x11.XDefaultRootWindow(display), 0, 0, 1, 1,
                                         0, 0, 0)
        x11.XConvertSelection(display, clipboard, utf8, into, window, 0)
        x11.XFlush(display)
        event = _SelectionEvent()
        deadline = time.monotonic() + timeout
        while True:
            if x11.XPending(display):
                x11.XNextEvent(display, ctypes.byref(event))
                if event.type == _SELECTION_NOTIFY:
                    break
            elif time.monotonic() > deadline:
                raise AssertionError("the clipboard's owner did not answer")
            else:
                time.sleep(0.01)
        if not event.selection.property:
            return None
        kind, form = ctypes.c_ulong(), ctypes.c_int()
        count, left = ctypes.c_ulong(), ctypes.c_ulong()
        data = ctypes.c_void_p()
        x11.XGetWindowProperty(display, window, into, 0, 1 << 24, 1, 0, ctypes.byref(kind),
                               ctypes.byref(form), ctypes.byref(count), ctypes.byref(left),
                               ctypes.byref(data))
        if not data.value:
            return ""
        text = ctypes.string_at(data.value, count.value).decode(errors="replace")
        x11.XFree(data)
        return text
    finally:
        x11.XCloseDisplay(display)


def top_level_windows(display_name):
    """The ids of the windows mapped directly on the root window: what a person would see."""
    env = dict(os.environ, DISPLAY=display_name)
    root = subprocess.run(["xwininfo", "-root"], env=env, capture_output=True, text=True,
                          check=True).stdout
    root_id = int(root.split("Window id:")[1].split()[0], 16)
    found = subprocess.run(["xdotool", "search", "--onlyvisible", "--maxdepth", "1", "--name", ""],
                           env=env, capture_output=True, text=True).stdout.split()
    return sorted(int(window) for window in found if int(window) != root_id)
