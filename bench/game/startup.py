"""Start-up of the real game under Xvfb: time from process start to the first menu frame, with
its phases, over several runs (median, least and most).

    xvfb-run -a -s "-screen 0 1280x1024x24" /usr/bin/python3 bench/game/startup.py \
        build/game/zipkin build/game/data [runs]

The game runs with ZIPKIN_GAME_TRACE set and prints the CLOCK_MONOTONIC seconds of each phase
("trace <event> T", platform/trace.h; the first line of each event counts): the program's
entry (main), the window and its GL context open (window), the audio device open (audio), the
first loading-screen frame swapped to the screen (loading-frame), the end of loading (loaded)
and the first menu frame swapped (menu-frame). Python's time.monotonic() reads the same clock
just before the process is started. Each run ends by killing the process once the menu has
been shown.
"""
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

PHASES = [("main", "program entry"), ("window", "window and context"), ("audio", "audio device"),
          ("loading-frame", "first loading frame"), ("loaded", "end of loading"),
          ("menu-frame", "first menu frame")]


def run_once(zipkin, data_dir):
    work = tempfile.mkdtemp(prefix="zipkin-startup-")
    os.symlink(os.path.abspath(data_dir), os.path.join(work, "data"))
    out_path = os.path.join(work, "stdout.txt")
    env = dict(os.environ, ZIPKIN_GAME_TRACE="1")
    try:
        with open(out_path, "w") as out:
            start = time.monotonic()
            proc = subprocess.Popen([zipkin], cwd=work, env=env, stdout=out,
                                    stderr=subprocess.DEVNULL)
        moments = {}
        deadline = start + 30
        while "menu-frame" not in moments and time.monotonic() < deadline:
            time.sleep(0.02)
            with open(out_path) as f:
                for line in f:
                    parts = line.split()
                    if len(parts) == 3 and parts[0] == "trace":
                        moments.setdefault(parts[1], float(parts[2]) - start)
        proc.kill()
        proc.wait()
        missing = [name for name, _ in PHASES if name not in moments]
        if missing:
            sys.exit("no trace of %s from the game within 30 s" % ", ".join(missing))
        return moments
    finally:
        shutil.rmtree(work, ignore_errors=True)


def main():
    zipkin, data_dir = os.path.abspath(sys.argv[1]), sys.argv[2]
    runs = int(sys.argv[3]) if len(sys.argv) > 3 else 10
    results = [run_once(zipkin, data_dir) for _ in range(runs)]
    print("ms from process start (median, least, most of %d runs), and the phase's own share" %
          runs)
    previous = None
    for name, label in PHASES:
        values = [1000 * r[name] for r in results]
        line = "%-20s %7.1f  (%7.1f, %7.1f)" % (label, statistics.median(values), min(values),
                                                max(values))
        if previous:
            line += "   +%.1f" % statistics.median(
                [1000 * (r[name] - r[previous]) for r in results])
        print(line)
        previous = name


if __name__ == "__main__":
    main()
