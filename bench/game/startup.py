"""Start-up of the real game under Xvfb: time from process start to the first frame of the
loading screen and to the end of loading, over several runs (median, least and most).

    xvfb-run -a -s "-screen 0 1280x1024x24" /usr/bin/python3 bench/game/startup.py \
        build/game/zipkin build/game/data [runs]

The game runs with ZIPKIN_GAME_TRACE set and prints the CLOCK_MONOTONIC seconds of each
loading-screen render ("trace loading-frame T") and of the end of loading ("trace loaded T");
Python's time.monotonic() reads the same clock just before the process is started. Each run
ends by killing the process once loading has ended.
"""
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time


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
        first = loaded = None
        deadline = start + 30
        while loaded is None and time.monotonic() < deadline:
            time.sleep(0.02)
            with open(out_path) as f:
                for line in f:
                    parts = line.split()
                    if parts[:2] == ["trace", "loading-frame"] and first is None:
                        first = float(parts[2])
                    elif parts[:2] == ["trace", "loaded"]:
                        loaded = float(parts[2])
                        break
        proc.kill()
        proc.wait()
        if first is None or loaded is None:
            sys.exit("no trace lines from the game within 30 s")
        return first - start, loaded - start
    finally:
        shutil.rmtree(work, ignore_errors=True)


def main():
    zipkin, data_dir = os.path.abspath(sys.argv[1]), sys.argv[2]
    runs = int(sys.argv[3]) if len(sys.argv) > 3 else 7
    results = [run_once(zipkin, data_dir) for _ in range(runs)]
    for name, values in (("first loading frame", [r[0] for r in results]),
                         ("end of loading", [r[1] for r in results]),
                         ("loading itself", [r[1] - r[0] for r in results])):
        print("%-20s median %6.1f ms  (least %6.1f, most %6.1f, %d runs)" %
              (name, 1000 * statistics.median(values), 1000 * min(values),
               1000 * max(values), runs))


if __name__ == "__main__":
    main()
