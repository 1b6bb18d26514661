"""The real game under Xvfb (1280x1024) with Mesa, OpenAL Soft and xdotool:
    game_e2e.py ZIPKIN DATA_DIR window|journey|music
    game_e2e.py ZIPKIN DATA_DIR faults REFUSE_FULLSCREEN_SO
window: the loading screen while loading, the menu, F11 to fullscreen and back, F4.
journey: the start jingle, a game by keyboard to its end, the score kept across a restart.
faults: the README's "What happens when", met in two runs. music: the procedural player.
Each run works in a fresh folder with `data` linked to DATA_DIR and ZIPKIN_GAME_TRACE set; its
"trace loading-frame|loaded SECONDS" lines are polled instead of sleeping. A mismatch prints
"FAIL: ..." and ends with status 1.
"""
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import time

import numpy
from Xlib import X, display

W, H = 1280, 1024
CENTRED = ((W - 640) // 2, (H - 480) // 2)


def fail(message):
    print("FAIL: " + message, flush=True)
    sys.exit(1)


class Game:
    """The game running in `work` (a new folder if not given) on DATA_DIR and a state line."""

    def __init__(self, zipkin, data_dir, env=None, state=None, work=None, prefix=()):
        self.work = work or tempfile.mkdtemp(prefix="zipkin-e2e-")
        if data_dir:
            os.symlink(os.path.abspath(data_dir), os.path.join(self.work, "data"))
        if state:
            with open(os.path.join(self.work, ".kestrelstate"), "w") as f:
                f.write(state)
        self.command, self.out = list(prefix) + [zipkin], os.path.join(self.work, "stdout.txt")
        self.env = dict(os.environ, ZIPKIN_GAME_TRACE="1", **(env or {}))
        self.display = display.Display()
        self.start()

    def start(self):
        with open(self.out, "w") as out:
            self.proc = subprocess.Popen(self.command, cwd=self.work, env=self.env, stdout=out,
                                         stderr=subprocess.STDOUT)

    def output(self):
        with open(self.out) as f:
            return f.read()

    def wait(self, what, found, timeout=10.0):
        """Polls found() until it gives something, which it returns; fails after `timeout`
        seconds or once the game has ended."""
        deadline = time.monotonic() + timeout
        while True:
            result = found()
            if result:
                return result
            if self.proc.poll() is not None:
                fail("the game ended (status %d) before %s" % (self.proc.returncode, what))
            if time.monotonic() > deadline:
                fail("no %s within %.0f s:\n%s" % (what, timeout, self.output()))
            time.sleep(0.02)

    def traces(self, event, count=1):
        """The times (monotonic clock) of the trace lines of `event`, once there are `count`."""
        def times():
            t = [float(line.split()[2]) for line in self.output().splitlines()
                 if line.startswith("trace %s " % event)]
            return t if len(t) >= count else None
        return self.wait("trace %s number %d" % (event, count), times) if count else times()

    def said(self, words):
        self.wait(repr(words), lambda: words in self.output(), 5.0)

    def window(self, size=(640, 480), at=None):
        """The mapped window of `size` (at the screen position `at` if given) and its rectangle;
        the game's is the only one. A window is created first and moved after."""
        root = self.display.screen().root

        def find():
            for w in root.query_tree().children:
                try:  # the window may go away while we look
                    g, pos = w.get_geometry(), w.translate_coords(root, 0, 0)
                    if (w.get_attributes().map_state == X.IsViewable and
                            (g.width, g.height) == size and at in (None, (-pos.x, -pos.y))):
                        return w, (-pos.x, -pos.y, g.width, g.height)
                except Exception:
                    pass
        return self.wait("window %dx%d at %s" % (size + (at,)), find)

    def key(self, name, size=(640, 480)):
        """Gives the window of `size` the focus and presses `name` through XTEST, held down
        for 0.1 s so that screens reading held keys see it in an update."""
        self.window(size)[0].set_input_focus(X.RevertToParent, X.CurrentTime)
        self.display.sync()
        subprocess.run(["xdotool", "keydown", name, "sleep", "0.1", "keyup", name], check=True)

    def lose_focus(self):
        self.display.screen().root.set_input_focus(X.RevertToParent, X.CurrentTime)
        self.display.sync()

    def quit(self):
        """F4, which must end the program with status 0."""
        self.key("F4")
        try:
            status = self.proc.wait(timeout=5)
        except subprocess.TimeoutExpired:
            fail("the game did not end after F4")
        if status != 0:
            fail("status %d after F4:\n%s" % (status, self.output()))

    def close(self):
        if self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait()
        self.display.close()
        shutil.rmtree(self.work, ignore_errors=True)


# ---- what the screen shows ----------------------------------------------------------------

def shot():
    """The whole screen as an array of rows of (r, g, b) ints, through ImageMagick's import."""
    rgb = subprocess.run(["import", "-window", "root", "-depth", "8", "rgb:-"],
                         stdout=subprocess.PIPE, check=True).stdout
    return numpy.frombuffer(rgb, numpy.uint8).reshape(H, W, 3).astype(int)


def near(colour):
    return lambda r, g, b: ((abs(r - colour[0]) <= 10) & (abs(g - colour[1]) <= 10) &
                            (abs(b - colour[2]) <= 10))


def logo(r, g, b):
    return (b - r > 80) & (g - r > 50)


ALL = (0, 0, 640, 480)
# The loading screen as it reaches the screen: the clear colour over most of the view, the sun
# (255, 255, 0 at 0.8) and the band (250, 160, 60 at 0.7) over it, the logo's blue-green.
LOADING = [(ALL, near((40, 40, 80)), 0.3), (ALL, near((212, 212, 16)), 0.03),
           (ALL, near((187, 124, 66)), 0.03)]
# Each screen as (region of the 640x480 design, colour test, least share[, most share]): the
# menu's black sky, planet and orange logo; the play screen's pause button and green score;
# the pause panel's orange body and its yellow ring round the quit button; the game-over
# panel's yellow bar, left of where the pause panel would be.
SCREENS = {
    "loading": LOADING + [(ALL, logo, 0.03)],
    "loading without data": LOADING + [(ALL, logo, 0.0, 0.001)],
    "menu": [(ALL, lambda r, g, b: (r < 20) & (g < 20) & (b < 20), 0.3),
             (ALL, lambda r, g, b: (r > 120) & (r > g + 25) & (g > b + 10), 0.08),
             ((60, 20, 360, 140), lambda r, g, b: (r > 200) & (g > 90) & (g < 190) & (b < 80),
              0.05)],
    "play": [((4, 4, 24, 24), lambda r, g, b: b > r + 60, 0.2),
             ((264, 24, 112, 16), lambda r, g, b: (g > 120) & (g > r + 60) & (g > b + 60), 0.1)],
    "pause": [((190, 200, 60, 80), lambda r, g, b: (r > 150) & (g > 70) & (g < 150) & (b < 70),
               0.5)],
    "quit ringed": [((140, 144, 80, 80),
                     lambda r, g, b: (r > 200) & (g > 200) & (b > 60) & (b < 140), 0.05)],
    "game over": [((0, 210, 170, 12), lambda r, g, b: (r > 100) & (g > 100) & (b < 60), 0.5)],
}


def lacks(pixels, rect, screen):
    """What the window at rect (x, y, w, h) lacks of `screen`, or None; regions scale with
    the window."""
    k = rect[3] / 480.0
    for (x, y, w, h), test, least, *most in SCREENS[screen]:
        x0, y0 = rect[0] + int(x * k), rect[1] + int(y * k)
        p = pixels[y0:y0 + int(h * k), x0:x0 + int(w * k)]
        share = test(p[..., 0], p[..., 1], p[..., 2]).mean()
        if not least <= share <= (most or [1])[0]:
            return "%s: share %.3f in %s" % (screen, share, (x, y, w, h))
    return None


def shows(rect, screen, timeout):
    """Screenshots for `timeout` seconds at most until one shows `screen`: (pixels, fault)."""
    deadline = time.monotonic() + timeout
    while True:
        pixels = shot()
        fault = lacks(pixels, rect, screen)
        if not fault or time.monotonic() > deadline:
            return pixels, fault


def see(rect, screen, timeout=3.0):
    pixels, fault = shows(rect, screen, timeout)
    if fault:
        fail(fault)
    return pixels


def press_until(game, key, rect, screen, tries=3):
    """Presses `key` until `screen` shows, two seconds for each press: on a loaded machine an
    update can come late. Only for keys whose repeats do no harm there."""
    for _ in range(tries):
        game.key(key)
        pixels, fault = shows(rect, screen, 2.0)
        if not fault:
            return pixels
    fail("after %d presses of %s: %s" % (tries, key, fault))


def see_loading(game, screen):
    """A screenshot taken while the loader still runs shows the loading screen."""
    game.traces("loading-frame")  # the first loading frame has been swapped to the screen
    rect = game.window(at=CENTRED)[1]

    def showing():
        taken = time.monotonic()
        fault = lacks(shot(), rect, screen)
        if [t for t in game.traces("loaded", 0) if t < taken]:
            fail("loading ended before a screenshot showed it: %s" % fault)
        return not fault
    game.wait(screen, showing)


def last_rows(pixels, rect):
    """Pixels of the "Last" list's colour in its first five rows (640x480 window): a row
    showing 700 has about three times those of one showing 0."""
    x, y = rect[0] + 520, rect[1] + 275
    return [((g > 200) & (r > 140) & (r < 240) & (b < 150)).mean() for r, g, b in
            [numpy.moveaxis(pixels[y + 15 * k:y + 15 * k + 15, x:x + 120], 2, 0)
             for k in range(5)]]


# ---- what is heard ----------------------------------------------------------------------

def capture_env(work):
    """The environment for OpenAL Soft to write all it plays to work/capture.wav (44.1 kHz
    stereo, 16 bits, mixed 256 samples at a time)."""
    conf = os.path.join(work, "alsoft.conf")
    with open(conf, "w") as f:
        f.write("[general]\ndrivers = wave\nchannels = stereo\nsample-type = int16\n"
                "frequency = 44100\nperiod_size = 256\nhrtf = false\n[wave]\nfile = %s\n"
                % os.path.join(work, "capture.wav"))
    return {"ALSOFT_CONF": conf}


def read_wav(path):
    """(rate, mono samples) of a 16-bit wave file. A data size of 0xFFFFFFFF, left by a writer
    that was not closed, runs to the end of the file."""
    with open(path, "rb") as f:
        data = f.read()
    at = 12
    while at + 8 <= len(data):
        tag, size = data[at:at + 4], struct.unpack("<I", data[at + 4:at + 8])[0]
        if tag == b"fmt ":
            channels, rate = struct.unpack("<HI", data[at + 10:at + 16])
        elif tag == b"data":
            end = min(len(data), at + 8 + size)
            pcm = numpy.frombuffer(data[at + 8:end - (end - at - 8) % (2 * channels)], "<i2")
            return rate, pcm.reshape(-1, channels).mean(axis=1)
        at += 8 + size + (size & 1)
    fail("%s has no data chunk" % path)


def heard(mono, effect, start, end):
    """Where in mono[start:end] the sound `effect` matches best: (normalised correlation, near 1
    where it plays alone and near 0 where it does not play; its position in mono)."""
    start = max(0, start)
    x = mono[start:end]
    if len(x) < len(effect):
        return 0.0, start
    n = 1 << int(numpy.ceil(numpy.log2(len(x) + len(effect))))
    dots = numpy.fft.irfft(numpy.fft.rfft(x, n) * numpy.conj(numpy.fft.rfft(effect, n)), n)
    energy = numpy.concatenate([[0.0], numpy.cumsum(x * x)])
    norms = numpy.sqrt(energy[len(effect):] - energy[:-len(effect)]) * numpy.linalg.norm(effect)
    match = dots[:len(x) - len(effect) + 1] / numpy.maximum(norms, 1e-9)
    return float(match.max()), start + int(match.argmax())


def rms(samples):
    return float(numpy.sqrt(numpy.mean(numpy.square(samples)))) if len(samples) else 0.0


# ---- cases -------------------------------------------------------------------------------

def case_window(zipkin, data_dir):
    """The loading screen while loading, then the menu; F11 to a fullscreen window and back,
    each time the art reloaded and the menu over the whole window; F4 writes no state."""
    game = Game(zipkin, data_dir)
    try:
        see_loading(game, "loading")
        see(game.window(at=CENTRED)[1], "menu")
        game.key("F11")
        rect = game.window((W, H), (0, 0))[1]
        game.traces("loaded", 2)  # the new size loads the "-hd2" art
        see(rect, "menu")
        game.key("F11", (W, H))
        rect = game.window(at=CENTRED)[1]
        game.traces("loaded", 3)
        see(rect, "menu")
        game.quit()
        if {".kestrelstate", ".kestrelstate.tmp"} & set(os.listdir(game.work)):
            fail("F4 wrote a state file")
    finally:
        game.close()


def state_line(recent):
    """A valid state line: a first run's options, no badges, and at difficulty 2 the best
    scores 900, 800, 700 and the ten recent scores `recent`."""
    best = [900, 800, 700] + [0] * 7
    table = [v for j in range(10) for v in (best[j], recent[j])]
    check = sum((j + 4) * best[j] + (4 + j) * recent[j] for j in range(10))
    options = [0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 64, 64, 10, 0, 1] + [0] * 10
    numbers = (options + [sum(i * v for i, v in enumerate(options))] + [0] * 30 + table +
               [check] + [0] * 21)
    return "".join("%d|" % n for n in numbers)


def case_journey(zipkin, data_dir):
    """A player's evening by keyboard, on a state file with scores at difficulty 2: the start
    jingle alone at full volume; the menu; Right to difficulty 2 (its lists, its sound);
    Return starts a game with its tune; a jump with its sound; Escape pauses (the tune too);
    quit on the pause panel, through the game-over panel to the menu, the new 0 at the top of
    the "Last" list and in the state file; F4 closes the audio device; after a restart the
    list is the same."""
    work = tempfile.mkdtemp(prefix="zipkin-e2e-")
    capture, recent = os.path.join(work, "capture.wav"), [700, 900, 0, 800] + [0] * 6
    game = Game(zipkin, data_dir, capture_env(work), state_line(recent), work=work)
    sfx = {n: read_wav(os.path.join(data_dir, "sfx", "%03d.wav" % n))[1] for n in (5, 96, 99)}
    marks = {}

    def mark(name):
        marks[name] = os.path.getsize(capture) // 4

    try:
        game.traces("loaded")
        rect = game.window(at=CENTRED)[1]
        game.wait("2 s after the jingle", lambda: os.path.getsize(capture) // 4 >
                  len(sfx[96]) + 2 * 44100)
        see(rect, "menu")
        mark("move")
        game.key("Right")
        game.wait("the Last list of difficulty 2 (700, 900, 0)", lambda: (
            lambda rows: rows[0] > 2 * rows[2] and rows[1] > 2 * rows[2])(
                last_rows(see(rect, "menu"), rect)), 3.0)
        mark("fire")
        game.key("Return")
        see(rect, "play")
        time.sleep(1.0)
        mark("jump")
        game.key("space")
        time.sleep(0.6)
        game.key("Escape")
        see(rect, "pause")
        time.sleep(0.3)  # the pause's sound passes
        mark("quiet")
        time.sleep(0.5)
        mark("paused")
        press_until(game, "Left", rect, "quit ringed", tries=5)
        press_until(game, "Return", rect, "game over")
        see(rect, "menu")
        time.sleep(1.0)  # the game-over panel fades out over the menu
        after = last_rows(see(rect, "menu"), rect)
        if not after[0] * 2 < after[1]:
            fail("the Last list does not start with the new 0 above 700: %s" % after)
        game.quit()
        if "not closed" in game.output():  # OpenAL Soft's word on a device left open
            fail("the audio device was not closed: " + game.output())
        line = [int(v) for v in open(os.path.join(work, ".kestrelstate")).read().split("|")[:-1]]
        if line[57:77:2] != [0] + recent[:9]:
            fail("saved recent scores %s" % line[57:77:2])

        rate, mono = read_wav(capture)
        jingle, at = heard(mono, sfx[96], 0, marks["move"])
        gain = numpy.dot(mono[at:at + len(sfx[96])], sfx[96]) / numpy.dot(sfx[96], sfx[96])
        outside = max(rms(mono[:at]), rms(mono[at + len(sfx[96]) + rate // 50:marks["move"]]))
        half = rate // 2
        move = heard(mono, sfx[99], marks["move"], marks["move"] + half)[0]
        jump = heard(mono, sfx[5], marks["jump"], marks["jump"] + half)[0]
        no_jump = heard(mono, sfx[5], marks["jump"] - half, marks["jump"])[0]
        tune, paused = rms(mono[marks["fire"] + half:marks["jump"]]), rms(
            mono[marks["quiet"]:marks["paused"]])
        print("heard: jingle %.2f at gain %.2f, rms outside %.1f; highlight %.2f, jump %.2f "
              "(before %.2f); tune rms %.0f, paused %.0f" %
              (jingle, gain, outside, move, jump, no_jump, tune, paused))
        # Volume 1 in the middle: each speaker gets between half and all of it.
        if jingle < 0.9 or not 0.4 < gain < 1.1 or outside > 0.01 * rms(mono[at:at + len(sfx[96])]):
            fail("the jingle does not play alone, once, at volume 1")
        if move < 0.8:
            fail("the highlight's sound is not in the capture")
        if jump < 0.5 or no_jump > 0.4:
            fail("the jump's sound is not where the jump was")
        if tune < 500 or paused > 0.1 * tune:
            fail("the tune does not play in the game or does not pause with it")

        game.start()  # the next evening, in the same folder
        rect = game.window(at=CENTRED)[1]
        game.traces("loaded")
        time.sleep(0.8)  # keys count once the menu has slid in
        game.key("Right")
        game.wait("the same Last list after a restart", lambda: max(abs(numpy.subtract(
            last_rows(see(rect, "menu"), rect), after))) < 0.01, 3.0)
        game.quit()
    finally:
        game.close()


def start_a_game(game):
    """Fire in the menu, once it has slid in, starts a game."""
    game.traces("loaded")
    time.sleep(1.0)
    game.key("space")
    time.sleep(1.0)


def case_faults(zipkin, data_dir, refuse_fullscreen):
    """What a player can meet, each named on standard output while the game plays on and ends
    with status 0. First run: no audio backend, no data folder (the loading screen without
    the logo), a state file cut short, and a folder that cannot be written (the game runs as
    nobody in a folder of root's). Second run: pictures, an effect and the tune cut short or
    missing, a state file with a changed number, and a window system refusing fullscreen (a
    preloaded library): F11 keeps the window, and the next F11 asks again."""
    line = state_line([500] * 10)
    work = tempfile.mkdtemp(prefix="zipkin-e2e-")
    xauth = os.path.join(work, "xauth")  # our X server's key, readable by the other user
    shutil.copy(os.environ["XAUTHORITY"], xauth)
    os.chmod(xauth, 0o644)
    os.chmod(work, 0o555)
    game = Game(zipkin, None, {"XAUTHORITY": xauth, "ALSOFT_DRIVERS": "none"},
                line[:len(line) // 2], work,
                ["setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"])
    try:
        see_loading(game, "loading without data")
        start_a_game(game)
        game.lose_focus()  # which saves
        for words in ("OpenAl error: alcOpenDevice failed", "Badges Loaded", "State Not Saved",
                      "Data Not Loaded : common/WoblLogo-hd.png"):
            game.said(words)
        game.quit()
    finally:
        os.chmod(work, 0o755)
        game.close()

    data = tempfile.mkdtemp(prefix="zipkin-e2e-data-")  # every file a link to the real one
    for root, _, files in os.walk(data_dir):
        into = os.path.join(data, os.path.relpath(root, data_dir))
        os.makedirs(into, exist_ok=True)
        for name in files:
            os.symlink(os.path.abspath(os.path.join(root, name)), os.path.join(into, name))
    for name in ("menu-hd.png", "sfx/005.wav", "sfx/Universe.ogg"):
        path = os.path.join(data, name)
        with open(path, "rb") as f:
            head = f.read(os.path.getsize(path) // 2)
        os.remove(path)
        with open(path, "wb") as f:
            f.write(head)
    os.remove(os.path.join(data, "gfx-hd.png"))
    game = Game(zipkin, data, {"LD_PRELOAD": refuse_fullscreen},
                line.replace("64|64|", "65|64|", 1))
    try:
        start_a_game(game)
        refused = "glfwOpenWindow failed; using a window"
        for n in (1, 2):
            game.key("F11")
            game.wait("F11 number %d refused" % n, lambda: game.output().count(refused) == n)
        for words in ("Settings Checksum Invalid", "Data Not Loaded : menu-hd.png",
                      "Data Not Loaded : sfx/005.wav", "Data Not Loaded : gfx-hd.png"):
            game.said(words)
        game.quit()
    finally:
        game.close()
        shutil.rmtree(data, ignore_errors=True)


def case_music(zipkin, data_dir):
    """Built with the procedural player, a game started from the menu (fire: difficulty 1)
    plays music: 10 s of it from 1.2 s after the key are audible, below full scale, with note
    onsets on the 80 ms rows of tempo 100, at most 35 ms late (60 Hz updates, 256-sample
    mixing)."""
    work = tempfile.mkdtemp(prefix="zipkin-e2e-")
    capture = os.path.join(work, "capture.wav")
    game = Game(zipkin, data_dir, capture_env(work), work=work)
    try:
        game.traces("loaded")
        time.sleep(1.0)  # the menu slides in first
        start = os.path.getsize(capture) // 4 + int(1.2 * 44100)
        game.key("space")
        game.wait("11 s of music", lambda: os.path.getsize(capture) // 4 > start + 11 * 44100,
                  30.0)
        game.quit()
        rate, mono = read_wav(capture)
    finally:
        game.close()
    music = mono[start:start + 10 * rate]
    seconds = [rms(music[i:i + rate]) for i in range(0, len(music), rate)]
    # Onsets: 2.5 ms blocks of the slope (where drums stand out of held notes) three times as
    # loud as the 20 ms before, 30 ms apart at least. Evenly spread, 44 % would fall on rows.
    block = rate // 400
    slope = numpy.abs(numpy.diff(music))
    env = slope[:len(slope) // block * block].reshape(-1, block).mean(axis=1)
    floor, onsets = env.max() * 0.01, []
    for n in range(8, len(env)):
        if env[n] > 3 * env[n - 8:n].mean() + floor and (not onsets or n - onsets[-1] >= 12):
            onsets.append(n)
    phases = [n * 2.5 % 80 for n in onsets]
    on_rows = max(sum((q - p) % 80 < 35 for q in phases) for p in range(80)) / max(1, len(onsets))
    print("music: rms per second %s, peak %d; %d onsets, %.0f%% on rows" % (
        " ".join("%.0f" % v for v in seconds), abs(music).max(), len(onsets), 100 * on_rows))
    if min(seconds) < 300 or abs(music).max() >= 32767:
        fail("the music is silent for a second or clips")
    if len(onsets) < 40 or on_rows < 0.9:
        fail("the notes do not keep to the 80 ms rows")


def main():
    zipkin, data_dir, case = os.path.abspath(sys.argv[1]), sys.argv[2], sys.argv[3]
    cases = {"window": case_window, "journey": case_journey, "music": case_music,
             "faults": lambda z, d: case_faults(z, d, sys.argv[4])}
    if case not in cases:
        fail("unknown case " + case)
    cases[case](zipkin, data_dir)
    print("PASS " + case)


if __name__ == "__main__":
    main()
