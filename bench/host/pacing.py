"""Pacing of the host loop: the host probe (an application that shows nothing, 60 updates per
second) under Xvfb. Prints the spread of update intervals, where the lateness of updates comes
from (how late the sleep before each update woke up, and the time from waking to the update:
event polling and the window checks), and the process's CPU use while running and while
suspended (the window loses the focus to another window).

    xvfb-run -a -s "-screen 0 1280x1024x24" /usr/bin/python3 bench/host/pacing.py \
        build/host/zipkin_host_probe [seconds]
"""
import os
import statistics
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tests", "e2e"))
from Xlib import X, display
from xwindow import find_window  # noqa: E402

PERIOD_MS = 1000.0 / 60


def cpu_seconds(pid):
    with open("/proc/%d/stat" % pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    ticks = os.sysconf("SC_CLK_TCK")
    return (int(fields[11]) + int(fields[12])) / ticks  # utime + stime


def update_times(path):
    with open(path) as f:
        return [float(line.split()[1]) for line in f if line.startswith("update ")]


def lateness(path, first, last):
    """Per update in [first, last] (seconds): (update - due, woke - due) in ms, from the host's
    "wake <due> <woke>" line before it; updates without a sleep before them are left out."""
    out, wake = [], None
    with open(path) as f:
        for line in f:
            parts = line.split()
            if parts[0] == "wake" and len(parts) == 3:
                wake = (float(parts[1]), float(parts[2]))
            elif parts[0] == "update" and len(parts) == 2 and wake:
                t = float(parts[1])
                if first <= t <= last:
                    out.append(((t - wake[0]) * 1000, (wake[1] - wake[0]) * 1000))
                wake = None
    return out


def spread(values):
    v = sorted(values)
    return "median %.3f ms, p99 %.3f ms, worst %.3f ms" % (
        statistics.median(v), v[min(len(v) - 1, int(len(v) * 0.99))], v[-1])


def main():
    zipkin = os.path.abspath(sys.argv[1])
    seconds = float(sys.argv[2]) if len(sys.argv) > 2 else 10.0
    work = tempfile.mkdtemp(prefix="zipkin-pacing-")
    out_path = os.path.join(work, "stdout.txt")
    with open(out_path, "w") as out:
        proc = subprocess.Popen([zipkin], cwd=work, stdout=out, stderr=subprocess.STDOUT,
                                env=dict(os.environ, ZIPKIN_HOST_TRACE="1"))
    try:
        d = display.Display()
        if find_window(d) is None:
            sys.exit("no window")
        time.sleep(1.0)  # start-up settles
        c0, t0 = cpu_seconds(proc.pid), time.time()
        first = len(update_times(out_path))
        time.sleep(seconds)
        c1, t1 = cpu_seconds(proc.pid), time.time()
        times = update_times(out_path)[first:]

        # Suspend: another window takes the focus.
        other = d.screen().root.create_window(0, 0, 100, 100, 0, d.screen().root_depth)
        other.map()
        d.sync()
        time.sleep(0.3)
        other.set_input_focus(X.RevertToParent, X.CurrentTime)
        d.sync()
        time.sleep(0.5)
        before = len(update_times(out_path))
        c2, t2 = cpu_seconds(proc.pid), time.time()
        time.sleep(seconds / 2)
        c3, t3 = cpu_seconds(proc.pid), time.time()
        suspended_updates = len(update_times(out_path)) - before
    finally:
        proc.kill()
        proc.wait()

    intervals = [(b - a) * 1000 for a, b in zip(times, times[1:])]
    deviation = sorted(abs(i - PERIOD_MS) for i in intervals)
    p99 = deviation[min(len(deviation) - 1, int(len(deviation) * 0.99))]
    print("updates in %.1f s: %d (%.2f per second)" % (seconds, len(times), len(times) / seconds))
    print("interval median %.3f ms, |deviation| median %.3f ms, p99 %.3f ms, worst %.3f ms" %
          (statistics.median(intervals), statistics.median(deviation), p99, deviation[-1]))
    late = lateness(out_path, times[0], times[-1])
    if late:  # hosts that print no "wake" lines give no split
        print("update after its due time: " + spread([a for a, _ in late]))
        print("  sleep woke after the due time: " + spread([b for _, b in late]))
        print("  waking to the update: " + spread([a - b for a, b in late]))
    print("CPU while running (nothing to do): %.2f %% of a core" % (100 * (c1 - c0) / (t1 - t0)))
    print("CPU while suspended: %.2f %% of a core, updates while suspended: %d" %
          (100 * (c3 - c2) / (t3 - t2), suspended_updates))


if __name__ == "__main__":
    main()
