"""game_e2e.py ZIPKIN DATA_DIR window|journey|faults|music REFUSE_FULLSCREEN_SO: the real game
under Xvfb (1280x1024) with Mesa, OpenAL Soft and xdotool, in a fresh folder with `data` linked
to DATA_DIR and ZIPKIN_GAME_TRACE set, whose "trace loading-frame|loaded SECONDS" lines are
polled instead of sleeping. A mismatch prints "FAIL: ..." and ends with status 1."""
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
    """The game running in `work` (a new folder if not given); with `capture`, OpenAL Soft
    writes all it plays to capture.wav there (44.1 kHz stereo, 16 bits, 256-sample mixing)."""

    def __init__(self, zipkin, data_dir, env=(), state=None, work=None, prefix=(), capture=False):
        self.work = work or tempfile.mkdtemp(prefix="zipkin-e2e-")
        self.env = dict(os.environ, ZIPKIN_GAME_TRACE="1", **dict(env))
        self.capture = os.path.join(self.work, "capture.wav")
        if capture:
            self.env["ALSOFT_CONF"] = os.path.join(self.work, "alsoft.conf")
            open(self.env["ALSOFT_CONF"], "w").write(
                "[general]\ndrivers = wave\nchannels = stereo\nsample-type = int16\nfrequency = "
                "44100\nperiod_size = 256\nhrtf = false\n[wave]\nfile = %s\n" % self.capture)
        if data_dir:
            os.symlink(os.path.abspath(data_dir), os.path.join(self.work, "data"))
        if state:
            open(os.path.join(self.work, ".kestrelstate"), "w").write(state)
        self.command, self.out = list(prefix) + [zipkin], os.path.join(self.work, "stdout.txt")
        self.display = display.Display()
        self.start()

    def start(self):
        with open(self.out, "w") as out:
            self.proc = subprocess.Popen(self.command, cwd=self.work, env=self.env, stdout=out,
                                         stderr=subprocess.STDOUT)

    def captured(self):  # the samples written to the capture so far
        return os.path.getsize(self.capture) // 4 if os.path.exists(self.capture) else 0

    def output(self):
        return open(self.out).read()

    def wait(self, what, found, timeout=10.0):
        """Polls found() until it gives something, which it returns, while the game runs."""
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

    def menu_in(self):
        """Waits until the menu has slid in, 1 s after loading: keys count from then on."""
        time.sleep(max(0.0, self.traces("loaded")[0] + 1.0 - time.monotonic()))

    def window(self, size=(640, 480), at=None):
        """The (only) mapped window of `size`, at `at` if given, and its rectangle."""
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
        """Presses `name` in the window of `size`, held for screens that read held keys."""
        self.window(size)[0].set_input_focus(X.RevertToParent, X.CurrentTime)
        self.display.sync()
        subprocess.run(["xdotool", "keydown", name, "sleep", "0.1", "keyup", name], check=True)

    def quit(self):
        self.key("F4")
        if self.proc.wait(timeout=5) != 0:
            fail("status %d after F4:\n%s" % (self.proc.returncode, self.output()))

    def close(self):
        self.proc.kill()  # if it still runs
        self.proc.wait()
        self.display.close()
        shutil.rmtree(self.work, ignore_errors=True)


# ---- what the screen shows ----------------------------------------------------------------

def shot():
    rgb = subprocess.run(["import", "-window", "root", "-depth", "8", "rgb:-"],
                         stdout=subprocess.PIPE, check=True).stdout
    return numpy.frombuffer(rgb, numpy.uint8).reshape(H, W, 3).astype(int)


def near(colour):
    return lambda r, g, b: ((abs(r - colour[0]) <= 10) & (abs(g - colour[1]) <= 10) &
                            (abs(b - colour[2]) <= 10))


ALL = (0, 0, 640, 480)
# Each screen as (region of the 640x480 design, colour test, least share): the loading screen's
# clear colour, the sun (255, 255, 0 at 0.8) and the band (250, 160, 60 at 0.7) over it and
# the logo's blue-green; the menu's black sky, planet and orange logo; the play screen's pause
# button and green score; the pause panel's orange body and its yellow ring round the quit
# button; the game-over panel's yellow bar, left of where the pause panel would be.
SCREENS = {
    "loading": [(ALL, near((40, 40, 80)), 0.3), (ALL, near((212, 212, 16)), 0.03),
                (ALL, near((187, 124, 66)), 0.03),
                (ALL, lambda r, g, b: (b - r > 80) & (g - r > 50), 0.03)],
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
    """What the window at rect (x, y, w, h) lacks of `screen`, or None."""
    k = rect[3] / 480.0
    for (x, y, w, h), test, least in SCREENS[screen]:
        x0, y0 = rect[0] + int(x * k), rect[1] + int(y * k)
        p = pixels[y0:y0 + int(h * k), x0:x0 + int(w * k)]
        share = test(p[..., 0], p[..., 1], p[..., 2]).mean()
        if share < least:
            return "%s: share %.3f in %s" % (screen, share, (x, y, w, h))


def see(game, rect, screen, key=None, tries=1, timeout=10.0):
    """Screenshots until `screen` shows, for `timeout` s after each of `tries` presses of `key`
    if given (an update can come late on a loaded machine). The pixels it shows."""
    for _ in range(tries):
        if key:
            game.key(key)
        deadline = time.monotonic() + timeout
        while True:
            pixels = shot()
            fault = lacks(pixels, rect, screen)
            if not fault:
                return pixels
            if time.monotonic() > deadline:
                break
    fail(fault)


def last_rows(game, rect):
    """Pixels of the "Last" list's colour in its first five rows (640x480 window): a row
    showing 700 has about three times those of one showing 0."""
    pixels, x, y = see(game, rect, "menu"), rect[0] + 520, rect[1] + 275
    return [((g > 200) & (r > 140) & (r < 240) & (b < 150)).mean() for r, g, b in
            [numpy.moveaxis(pixels[y + 15 * k:y + 15 * k + 15, x:x + 120], 2, 0)
             for k in range(5)]]


# ---- what is heard ----------------------------------------------------------------------

def read_wav(path):
    """(rate, mono samples) of a 16-bit wave file whose data chunk runs to its end."""
    data = open(path, "rb").read()
    channels, rate = struct.unpack("<HI", data[22:28])
    at = data.index(b"data", 36) + 8
    pcm = numpy.frombuffer(data[at:len(data) - (len(data) - at) % (2 * channels)], "<i2")
    return rate, pcm.reshape(-1, channels).mean(axis=1)


def heard(mono, effect, start, end):
    """The normalised correlation of `effect` with mono[start:end] where it matches best: near 1
    where it plays alone, near 0 where it does not play."""
    x = mono[max(0, start):end]
    n = 1 << int(numpy.ceil(numpy.log2(len(x) + len(effect))))
    dots = numpy.fft.irfft(numpy.fft.rfft(x, n) * numpy.conj(numpy.fft.rfft(effect, n)), n)
    energy = numpy.concatenate([[0.0], numpy.cumsum(x * x)])
    norms = numpy.sqrt(energy[len(effect):] - energy[:-len(effect)]) * numpy.linalg.norm(effect)
    return float((dots[:len(x) - len(effect) + 1] / numpy.maximum(norms, 1e-9)).max())


# ---- cases -------------------------------------------------------------------------------

def case_window(zipkin, data_dir, _):
    """The loading screen on a screenshot taken while the loader runs, then the menu; F11 to a
    fullscreen window and back, each time the art reloaded and the menu over the whole window;
    F4 writes no state."""
    game = Game(zipkin, data_dir)

    def loading():
        taken = time.monotonic()
        fault = lacks(shot(), rect, "loading")
        if [t for t in game.traces("loaded", 0) if t < taken]:
            fail("loading ended before a screenshot showed it: %s" % fault)
        return not fault
    try:
        game.traces("loading-frame")  # the first loading frame has been swapped to the screen
        rect = game.window(at=CENTRED)[1]
        game.wait("the loading screen", loading)
        see(game, rect, "menu")
        for n, (size, at) in enumerate((((W, H), (0, 0)), ((640, 480), CENTRED)), 2):
            game.key("F11", rect[2:])
            rect = game.window(size, at)[1]
            game.traces("loaded", n)  # the new size loads its art ("-hd2", then "-hd")
            see(game, rect, "menu")
        game.quit()
        if {".kestrelstate", ".kestrelstate.tmp"} & set(os.listdir(game.work)):
            fail("F4 wrote a state file")
    finally:
        game.close()


def state_line(recent):
    """A valid state line: a first run's options, no badges, and at difficulty 2 the best
    scores 900, 800, 700 and the ten recent scores `recent`."""
    best = [900, 800, 700] + [0] * 7
    options = [0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 64, 64, 10, 0, 1] + [0] * 10
    numbers = (options + [sum(i * v for i, v in enumerate(options))] + [0] * 30 +
               [v for j in range(10) for v in (best[j], recent[j])] +
               [sum((j + 4) * (best[j] + recent[j]) for j in range(10))] + [0] * 21)
    return "".join("%d|" % n for n in numbers)


def case_journey(zipkin, data_dir, _):
    """A player's evening by keyboard, on a state file with scores at difficulty 2: the start
    jingle; the menu; Right to difficulty 2 (its lists, its sound); Return starts a game with
    its tune; a jump with its sound; Escape pauses; quit on the pause panel, through the
    game-over panel to the menu, the new 0 at the top of the "Last" list; F4 closes the audio
    device; after a restart the list is the same."""
    game = Game(zipkin, data_dir, state=state_line([700, 900, 0, 800] + [0] * 6), capture=True)
    sfx = {n: read_wav("%s/sfx/%03d.wav" % (data_dir, n))[1] for n in (5, 96, 99)}
    try:
        rect = game.window(at=CENTRED)[1]
        game.wait("2 s after the jingle", lambda: game.captured() > len(sfx[96]) + 2 * 44100)
        see(game, rect, "menu")
        game.menu_in()
        move = game.captured()
        game.key("Right")
        game.wait("the Last list of difficulty 2 (700, 900, 0)", lambda: (
            lambda rows: rows[0] > 2 * rows[2] and rows[1] > 2 * rows[2])(
                last_rows(game, rect)), 3.0)
        fire = game.captured()
        see(game, rect, "play", "Return")
        time.sleep(1.0)
        jump = game.captured()
        game.key("space")
        time.sleep(0.6)
        see(game, rect, "pause", "Escape")
        see(game, rect, "quit ringed", "Left", 5, 2.0)
        see(game, rect, "game over", "Return", 3, 2.0)
        see(game, rect, "menu")
        time.sleep(1.0)  # the game-over panel fades out over the menu
        after = last_rows(game, rect)
        if not after[0] * 2 < after[1]:
            fail("the Last list does not start with the new 0 above 700: %s" % after)
        game.quit()
        if "not closed" in game.output():  # OpenAL Soft's word on a device left open
            fail("the audio device was not closed: " + game.output())

        rate, mono = read_wav(game.capture)
        half, jingle = rate // 2, heard(mono, sfx[96], 0, move)
        heard_move = heard(mono, sfx[99], move, move + half)
        heard_jump = heard(mono, sfx[5], jump, jump + half)
        before_jump = heard(mono, sfx[5], jump - half, jump)
        tune = numpy.std(mono[fire + half:jump])
        print("heard: jingle %.2f, highlight %.2f, jump %.2f (before it %.2f), tune rms %.0f" %
              (jingle, heard_move, heard_jump, before_jump, tune))
        if jingle < 0.9 or heard_move < 0.8 or heard_jump < 0.5 or before_jump > 0.4:
            fail("the jingle, the highlight's or the jump's sound is not where it belongs")
        if tune < 500:
            fail("the tune does not play in the game")

        game.start()  # the next evening, in the same folder
        rect = game.window(at=CENTRED)[1]
        game.menu_in()
        game.key("Right")
        game.wait("the same Last list after a restart", lambda: max(abs(numpy.subtract(
            last_rows(game, rect), after))) < 0.01, 3.0)
        game.quit()
    finally:
        game.close()


def start_a_game(game):
    """Fire in the menu starts a game, which then plays for a second."""
    game.menu_in()
    game.key("space")
    time.sleep(1.0)


def case_faults(zipkin, data_dir, refuse_fullscreen):
    """What a player can meet, each named on standard output while the game plays on and ends
    with status 0. First run: no audio backend, no data, a state file cut short, a folder that
    cannot be written (run as nobody in a folder of root's). Second run: pictures, an effect and
    the tune cut short or missing, a state file with a changed number, a window system refusing
    fullscreen (a preloaded library): F11 keeps the window, and the next F11 asks again."""
    line = state_line([500] * 10)
    work = tempfile.mkdtemp(prefix="zipkin-e2e-")
    xauth = os.path.join(work, "xauth")  # our X server's key, readable by the other user
    shutil.copy(os.environ["XAUTHORITY"], xauth)
    os.chmod(xauth, 0o644)
    os.chmod(work, 0o555)  # root, who deletes it after, still can
    game = Game(zipkin, None, {"XAUTHORITY": xauth, "ALSOFT_DRIVERS": "none"},
                line[:len(line) // 2], work,
                ["setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"])
    try:
        start_a_game(game)
        game.display.screen().root.set_input_focus(X.RevertToParent, X.CurrentTime)
        game.display.sync()  # the game loses the focus, which saves
        for words in ("OpenAl error: alcOpenDevice failed", "Badges Loaded", "State Not Saved",
                      "Data Not Loaded : common/WoblLogo-hd.png"):
            game.wait(repr(words), lambda: words in game.output())
        game.quit()
    finally:
        game.close()

    data = os.path.join(tempfile.mkdtemp(prefix="zipkin-e2e-"), "data")
    shutil.copytree(os.path.abspath(data_dir), data, copy_function=os.symlink)
    for name in ("menu-hd.png", "sfx/005.wav", "sfx/Universe.ogg"):
        path = os.path.join(data, name)
        head = open(path, "rb").read(os.path.getsize(path) // 2)
        os.remove(path)
        open(path, "wb").write(head)
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
            game.wait(repr(words), lambda: words in game.output())
        game.quit()
    finally:
        game.close()
        shutil.rmtree(os.path.dirname(data), ignore_errors=True)


def case_music(zipkin, data_dir, _):
    """The procedural player's music in a game (difficulty 1): 10 s of it from 1.1 s after the
    key audible, below full scale, note onsets on the 80 ms rows of tempo 100, at most 35 ms
    late (60 Hz updates, 256-sample mixing)."""
    game = Game(zipkin, data_dir, capture=True)
    try:
        start_a_game(game)
        start = game.captured()
        game.wait("11 s of music", lambda: game.captured() > start + 11 * 44100, 30.0)
        game.quit()
        rate, mono = read_wav(game.capture)
    finally:
        game.close()
    music = mono[start:start + 10 * rate]
    quietest = min(numpy.std(music[i:i + rate]) for i in range(0, len(music), rate))
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
    on_rows = max(sum((q - p) % 80 < 35 for q in phases) for p in range(80)) / len(phases)
    print("music: rms of the quietest second %.0f, peak %d; %d onsets, %.0f%% on rows" % (
        quietest, abs(music).max(), len(onsets), 100 * on_rows))
    if quietest < 300 or abs(music).max() >= 32767:
        fail("the music is silent for a second or clips")
    if len(onsets) < 40 or on_rows < 0.9:
        fail("the notes do not keep to the 80 ms rows")


if __name__ == "__main__":
    cases = {"window": case_window, "journey": case_journey, "faults": case_faults,
             "music": case_music}
    cases[sys.argv[3]](os.path.abspath(sys.argv[1]), sys.argv[2], sys.argv[4])
    print("PASS " + sys.argv[3])
