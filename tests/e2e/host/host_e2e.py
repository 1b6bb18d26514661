"""A window-close request as a window manager sends it ends the real game with status 0 (inside
xvfb-run, with /usr/bin/python3 and python3-xlib): host_e2e.py ZIPKIN. The window's size and place
and keys reaching the game are checked by the game's own end-to-end cases."""
import os
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
from Xlib import X, display, protocol  # noqa: E402
from xwindow import TITLE, find_window  # noqa: E402


def main():
    proc = subprocess.Popen([sys.argv[1]], cwd=tempfile.mkdtemp(prefix="zipkin-host-e2e-"),
                            stdout=subprocess.DEVNULL, stderr=subprocess.STDOUT)
    try:
        d = display.Display()
        w = find_window(d)
        if w is None:
            return "no window titled %r appeared" % TITLE
        atom = d.intern_atom
        w.send_event(protocol.event.ClientMessage(
            window=w, client_type=atom("WM_PROTOCOLS"),
            data=(32, [atom("WM_DELETE_WINDOW"), X.CurrentTime, 0, 0, 0])))
        d.flush()
        try:
            status = proc.wait(timeout=5)
        except subprocess.TimeoutExpired:
            return "the program did not end after a window-close request"
        return None if status == 0 else "exit status %d after a window-close request" % status
    finally:
        if proc.poll() is None:
            proc.kill()
            proc.wait()


if __name__ == "__main__":
    problem = main()
    print("FAIL: " + problem if problem else "PASS close")
    sys.exit(1 if problem else 0)
