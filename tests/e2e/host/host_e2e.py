"""Real binaries under Xvfb: the game's window, a key reaching the host probe's input device, and a
window-close request as a window manager sends it.

    host_e2e.py ZIPKIN window|key|close   (inside xvfb-run, with /usr/bin/python3 and python3-xlib)
Each case starts the program in a fresh temporary working directory, polls instead of sleeping a
fixed time, and fails with a message (exit status 1) on any mismatch.
"""
import os
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
from Xlib import X, display, protocol  # noqa: E402
from xwindow import TITLE, find_window  # noqa: E402


def fail(message):
    print("FAIL: " + message)
    sys.exit(1)


def wait_for_line(path, wanted, timeout=5.0):
    deadline = time.time() + timeout
    while time.time() < deadline:
        with open(path) as f:
            if any(wanted(line.strip()) for line in f):
                return True
        time.sleep(0.05)
    return False


def main():
    zipkin, case = sys.argv[1], sys.argv[2]
    work = tempfile.mkdtemp(prefix="zipkin-host-e2e-")
    out_path = os.path.join(work, "stdout.txt")
    with open(out_path, "w") as out:
        proc = subprocess.Popen([zipkin], cwd=work, env=dict(os.environ, ZIPKIN_HOST_TRACE="1"),
                                stdout=out, stderr=subprocess.STDOUT)
    try:
        d = display.Display()
        w = find_window(d)
        if w is None:
            fail("no window titled %r appeared" % TITLE)
        if case == "window":
            g = w.get_geometry()
            if (g.width, g.height) != (640, 480):
                fail("window is %dx%d, not 640x480" % (g.width, g.height))
        elif case == "key":
            # Updates run once the window has the focus; then press A through XTEST.
            if not wait_for_line(out_path, lambda line: line.startswith("update ")):
                fail("no update ran")
            w.set_input_focus(X.RevertToParent, X.CurrentTime)
            d.sync()
            subprocess.run(["xdotool", "key", "a"], check=True)
            if not wait_for_line(out_path, lambda line: line == "key 65"):
                fail("the key never reached the input device")
        elif case == "close":
            atom = d.intern_atom
            w.send_event(protocol.event.ClientMessage(
                window=w, client_type=atom("WM_PROTOCOLS"),
                data=(32, [atom("WM_DELETE_WINDOW"), X.CurrentTime, 0, 0, 0])))
            d.flush()
            try:
                status = proc.wait(timeout=5)
            except subprocess.TimeoutExpired:
                fail("the program did not end after a window-close request")
            if status != 0:
                fail("exit status %d after a window-close request" % status)
        else:
            fail("unknown case " + case)
        print("PASS " + case)
    finally:
        if proc.poll() is None:
            proc.kill()
            proc.wait()


if __name__ == "__main__":
    main()
