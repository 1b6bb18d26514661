"""The game's window on an X display, for the end-to-end tests and the pacing measurement."""
import time

TITLE = "Zipkin in Direv"


def find_window(d, timeout=10.0):
    """The window titled TITLE on display d, polled until it appears, or None."""
    deadline = time.time() + timeout
    while time.time() < deadline:
        stack = [d.screen().root]
        while stack:
            w = stack.pop()
            try:  # a window may vanish while we walk the tree
                if w.get_wm_name() == TITLE:
                    return w
                stack.extend(w.query_tree().children)
            except Exception:
                pass
        time.sleep(0.05)
    return None
