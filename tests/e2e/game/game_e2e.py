"""The real game under Xvfb: its loading screen, the start jingle in the captured audio, the
menu after the fullscreen switch and back, a start without any data, F4 ending the program,
the state file, a player's journey through every screen by keyboard (what is seen, heard
and kept), and the music of the procedural player in a game.

Run inside an X server of 1280x1024 (xvfb-run -a -s "-screen 0 1280x1024x24") with
/usr/bin/python3 (python3-xlib), ImageMagick's import and xdotool:
    game_e2e.py ZIPKIN DATA_DIR loading|jingle|fullscreen|nodata|quit|scores|journey|music
    game_e2e.py ZIPKIN DATA_DIR noaudio|readonly|badstate|baddata
    game_e2e.py ZIPKIN DATA_DIR nofullscreen REFUSE_FULLSCREEN_SO
(music needs the game built with the procedural player; the faults a player can meet are
the README's "What happens when".)
Each case runs the game in a fresh temporary working directory, with `data` linked to the
generated data folder (none in the nodata case). The game runs with ZIPKIN_GAME_TRACE set,
so it reports on standard output when it renders a loading frame and when loading ends; the
cases poll for those lines and for windows instead of sleeping fixed times. Any mismatch
prints "FAIL: ..." and ends with status 1.
"""
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import time
from operator import mul

from Xlib import X, display

SCREEN_W, SCREEN_H = 1280, 1024

# Colours of the loading screen as they reach the screen: the clear colour, the sun
# (255, 255, 0 at 0.8) over it, and the band (250, 160, 60 at 0.7) over the clear colour.
BACKGROUND = (40, 40, 80)
SUN = (212, 212, 16)
BAND = (187, 124, 66)
# Where the 640x480 window sits: in the middle of the screen.
CENTRED = ((SCREEN_W - 640) // 2, (SCREEN_H - 480) // 2)


def fail(message):
    print("FAIL: " + message)
    sys.stdout.flush()
    sys.exit(1)


class Game:
    """One run of the game in its own working directory."""

    def __init__(self, zipkin, data_dir, extra_env=None, state=None, prefix=(), work=None):
        self.work = work or tempfile.mkdtemp(prefix="zipkin-game-e2e-")
        self.prefix = list(prefix)
        if state:
            with open(os.path.join(self.work, ".kestrelstate"), "w") as f:
                f.write(state)
        if data_dir:
            os.symlink(os.path.abspath(data_dir), os.path.join(self.work, "data"))
        self.out_path = os.path.join(self.work, "stdout.txt")
        self.env = dict(os.environ, ZIPKIN_GAME_TRACE="1")
        self.env.update(extra_env or {})
        self.zipkin = zipkin
        self.start()
        self.display = display.Display()
        self.pid_atom = self.display.intern_atom("_NET_WM_PID")

    def start(self):
        """Starts the program (again, once it has ended) in the working directory."""
        self.started = time.monotonic()
        with open(self.out_path, "w") as out:
            self.proc = subprocess.Popen(self.prefix + [self.zipkin], cwd=self.work,
                                         env=self.env, stdout=out, stderr=subprocess.STDOUT)

    def output(self):
        with open(self.out_path) as f:
            return f.read()

    def quit(self):
        """F4, which must end the program with status 0."""
        game_window, _ = self.window()
        self.key(game_window, "F4")
        status = self.wait_exit()
        if status != 0:
            fail("exit status %d after F4" % status)

    def close(self):
        if self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait()
        self.display.close()
        shutil.rmtree(self.work, ignore_errors=True)

    def traces(self, event):
        """Monotonic times of the trace lines for `event` so far."""
        with open(self.out_path) as f:
            return [float(line.split()[2]) for line in f
                    if line.startswith("trace " + event + " ")]

    def wait_trace(self, event, count=1, timeout=10.0):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            times = self.traces(event)
            if len(times) >= count:
                return times
            if self.proc.poll() is not None:
                fail("the game ended (status %d) before trace %r" % (self.proc.returncode, event))
            time.sleep(0.01)
        fail("no trace %r number %d within %.0f s" % (event, count, timeout))

    def window(self, size=None, at=None, timeout=10.0):
        """The game's mapped window (of `size` and at the screen position `at` if given), with
        its rectangle on the screen. A window is created first and moved after, so a
        position is waited for like a size."""
        root = self.display.screen().root
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            for w in root.query_tree().children:
                try:
                    pid = w.get_full_property(self.pid_atom, X.AnyPropertyType)
                    if not pid or pid.value[0] != self.proc.pid:
                        continue
                    if w.get_attributes().map_state != X.IsViewable:
                        continue
                    g = w.get_geometry()
                    if size and (g.width, g.height) != size:
                        continue
                    pos = w.translate_coords(root, 0, 0)
                    if at and (-pos.x, -pos.y) != at:
                        continue
                    if g.width > 1 and g.height > 1:
                        return w, (-pos.x, -pos.y, g.width, g.height)
                except Exception:  # the window went away while we looked
                    pass
            time.sleep(0.02)
        fail("no game window%s%s within %.0f s" % (" of %dx%d" % size if size else "",
                                                    " at %d,%d" % at if at else "", timeout))

    def key(self, window, name, held=False):
        """A key press through XTEST to `window`, which gets the focus first; `held` keeps it
        down for 0.1 s, so that screens reading held keys see it in an update."""
        window.set_input_focus(X.RevertToParent, X.CurrentTime)
        self.display.sync()
        hold = ["keydown", name, "sleep", "0.1", "keyup", name] if held else ["key", name]
        subprocess.run(["xdotool"] + hold, check=True)

    def wait_exit(self, timeout=5.0):
        try:
            return self.proc.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            fail("the game did not end within %.0f s" % timeout)


def screenshot(path):
    """The whole screen as rows of RGB bytes, through ImageMagick's import."""
    subprocess.run(["import", "-window", "root", "-depth", "8", "rgb:" + path], check=True)
    with open(path, "rb") as f:
        pixels = f.read()
    if len(pixels) != SCREEN_W * SCREEN_H * 3:
        fail("screenshot has %d bytes" % len(pixels))
    return pixels


def colour_shares(pixels, rect):
    """Share of the pixels inside rect (x, y, w, h) that have each loading-screen colour,
    and the share of the logo's blue-green (blue and green far above red). An even grid of
    about 80,000 pixels is looked at."""
    x0, y0, w, h = rect
    step = max(1, int((w * h / 80000.0) ** 0.5))
    near = {"background": 0, "sun": 0, "band": 0, "logo": 0}
    targets = (("background", BACKGROUND), ("sun", SUN), ("band", BAND))
    seen = 0
    for y in range(y0, y0 + h, step):
        row = pixels[(y * SCREEN_W + x0) * 3:(y * SCREEN_W + x0 + w) * 3]
        for i in range(0, len(row), 3 * step):
            seen += 1
            r, g, b = row[i], row[i + 1], row[i + 2]
            for name, (tr, tg, tb) in targets:
                if abs(r - tr) <= 10 and abs(g - tg) <= 10 and abs(b - tb) <= 10:
                    near[name] += 1
                    break
            else:
                if b - r > 80 and g - r > 50:
                    near["logo"] += 1
    return {name: count / float(seen) for name, count in near.items()}


def loading_screen_fault(pixels, rect, logo=True):
    """What is wrong with the loading screen in the screenshot (None if nothing), and a
    summary of its colours."""
    shares = colour_shares(pixels, rect)
    summary = ", ".join("%s %.3f" % kv for kv in sorted(shares.items()))
    # At either art size the clear colour fills more than half the view, and the sun, the
    # band and the logo each several percent of it.
    wanted = {"background": 0.3, "sun": 0.03, "band": 0.03, "logo": 0.03 if logo else 0.0}
    for name, least in wanted.items():
        if shares[name] < least:
            return "%s covers %.3f of the view, less than %.2f" % (name, shares[name], least), summary
    if not logo and shares["logo"] > 0.001:
        return "logo colours drawn without any data", summary
    return None, summary


def region_shares(pixels, rect, kinds):
    """Share of the pixels of rect (x, y, w, h) that each test of `kinds` (name -> function
    of r, g, b) accepts, over an even grid of at most about 20,000 pixels."""
    x0, y0, w, h = rect
    step = max(1, int((w * h / 20000.0) ** 0.5))
    counts = dict.fromkeys(kinds, 0)
    seen = 0
    for y in range(y0, y0 + h, step):
        for x in range(x0, x0 + w, step):
            i = (y * SCREEN_W + x) * 3
            r, g, b = pixels[i], pixels[i + 1], pixels[i + 2]
            seen += 1
            for name, test in kinds.items():
                counts[name] += test(r, g, b)
    return {name: n / float(seen) for name, n in counts.items()}


def black(r, g, b):
    return r < 20 and g < 20 and b < 20


# What each screen shows, as (region in virtual units of the 640x480 design, colour test,
# least share): the menu's black sky, planet backdrop and orange logo; the play screen's
# pause button and green score; the pause panel's orange body; the options box's brown panel;
# the game-over panel's yellow bar, left of where the pause panel would be.
SCREENS = {
    "menu": [((0, 0, 640, 480), black, 0.3),
             ((0, 0, 640, 480), lambda r, g, b: r > 120 and r > g + 25 and g > b + 10, 0.08),
             ((60, 20, 360, 140), lambda r, g, b: r > 200 and 90 < g < 190 and b < 80, 0.05)],
    "play": [((4, 4, 24, 24), lambda r, g, b: b > r + 60, 0.2),
             ((264, 24, 112, 16), lambda r, g, b: g > 120 and g > r + 60 and g > b + 60, 0.1)],
    "pause": [((190, 200, 60, 80), lambda r, g, b: r > 150 and 70 < g < 150 and b < 70, 0.5)],
    "options": [((60, 300, 500, 150), lambda r, g, b: 90 < r < 170 and 30 < g < 100 and b < 50,
                 0.5)],
    "game over": [((0, 210, 170, 12), lambda r, g, b: r > 100 and g > 100 and b < 60, 0.5)],
    # The options box risen to the top; still in the lower part of the window.
    "options up": [((60, 4, 500, 20), lambda r, g, b: 90 < r < 170 and 30 < g < 100 and b < 50,
                    0.5)],
    "options low": [((60, 440, 500, 30),
                     lambda r, g, b: 90 < r < 170 and 30 < g < 100 and b < 50, 0.5)],
    # The pause panel's yellow ring around its quit or options button.
    "quit ringed": [((140, 144, 80, 80), lambda r, g, b: r > 200 and g > 200 and 60 < b < 140,
                     0.05)],
    "options ringed": [((420, 144, 80, 80), lambda r, g, b: r > 200 and g > 200 and 60 < b < 140,
                        0.05)],
}


def screen_fault(pixels, rect, screen):
    """What the window at rect (x, y, w, h) lacks of `screen` (None if nothing), and the
    shares seen. Regions scale with the window; the design is 640x480."""
    k = rect[3] / 480.0
    seen = []
    for (x, y, w, h), test, least in SCREENS[screen]:
        region = (rect[0] + int(x * k), rect[1] + int(y * k), int(w * k), int(h * k))
        share = region_shares(pixels, region, {"s": test})["s"]
        seen.append("%.3f" % share)
        if share < least:
            return "%s: a share %.3f in %s, less than %.2f" % (screen, share, region, least), seen
    return None, seen


def see(game, rect, screen, what, timeout=3.0, gone=None):
    """Screenshots until the window shows `screen` (and no longer shows the screen `gone`),
    for `timeout` seconds at most."""
    deadline = time.monotonic() + timeout
    while True:
        pixels = screenshot(os.path.join(game.work, "shot.rgb"))
        fault, seen = screen_fault(pixels, rect, screen)
        if not fault and gone and not screen_fault(pixels, rect, gone)[0]:
            fault = "%s still shows" % gone
        if not fault or time.monotonic() > deadline:
            break
    if fault:
        fail("%s: %s" % (what, fault))
    print("%s: %s (%s)" % (what, screen, ", ".join(seen)))
    return pixels


def see_menu(game, rect, what):
    return see(game, rect, "menu", what)


def press_until(game, window, key, rect, screen, what, tries=3):
    """Presses `key` until the window shows `screen`, waiting two seconds for each press: on a
    loaded machine an update can come late. Only for keys whose repeats do no harm there."""
    for attempt in range(tries):
        game.key(window, key, held=True)
        deadline = time.monotonic() + 2.0
        while time.monotonic() < deadline:
            pixels = screenshot(os.path.join(game.work, "shot.rgb"))
            if not screen_fault(pixels, rect, screen)[0]:
                return pixels
    fail("%s: no %s after %d presses of %s" % (what, screen, tries, key))


# ---- audio -------------------------------------------------------------------------------

def read_wav(path):
    """(rate, channels, samples as ints interleaved). A data size of 0xFFFFFFFF, which the
    wave writer leaves when the process ends without closing its device, runs to the end."""
    with open(path, "rb") as f:
        data = f.read()
    if data[:4] != b"RIFF" or data[8:12] != b"WAVE":
        fail("%s is not a RIFF WAVE file" % path)
    at, rate, channels, bits = 12, 0, 0, 0
    while at + 8 <= len(data):
        tag, size = data[at:at + 4], struct.unpack("<I", data[at + 4:at + 8])[0]
        if tag == b"fmt ":
            _, channels, rate = struct.unpack("<HHI", data[at + 8:at + 16])
            bits = struct.unpack("<H", data[at + 22:at + 24])[0]
        elif tag == b"data":
            if bits != 16:
                fail("%s has %d-bit samples, not 16" % (path, bits))
            end = len(data) if size == 0xFFFFFFFF else min(len(data), at + 8 + size)
            end -= (end - at - 8) % (2 * channels)
            count = (end - at - 8) // 2
            return rate, channels, list(struct.unpack("<%dh" % count, data[at + 8:end]))
        at += 8 + size + (size & 1)
    fail("%s has no data chunk" % path)


def correlation(a, b):
    n = min(len(a), len(b))
    a, b = a[:n], b[:n]
    ma, mb = sum(a) / n, sum(b) / n
    a = [v - ma for v in a]
    b = [v - mb for v in b]
    den = (sum(map(mul, a, a)) * sum(map(mul, b, b))) ** 0.5
    return sum(map(mul, a, b)) / den if den else 0.0


def envelope(samples, block):
    return [sum(map(abs, samples[i:i + block])) / block
            for i in range(0, len(samples) - block + 1, block)]


def find_jingle(capture, jingle, rate):
    """Where the jingle starts in the capture: the best match of the energy envelopes in
    10 ms blocks, refined to the sample on the jingle's loudest stretch. Returns (offset,
    envelope correlation)."""
    block = rate // 100
    env_c, env_j = envelope(capture, block), envelope(jingle, block)
    best, best_lag = -2.0, 0
    for lag in range(0, len(env_c) - len(env_j) + 1):
        c = correlation(env_c[lag:lag + len(env_j)], env_j)
        if c > best:
            best, best_lag = c, lag
    # The loudest 4096 samples of the jingle, slid over two blocks either side.
    loud = max(range(0, len(jingle) - 4096, 512),
               key=lambda i: sum(map(abs, jingle[i:i + 4096])))
    piece = jingle[loud:loud + 4096]
    start = best_lag * block
    best_dot, offset = None, start
    for o in range(max(0, start - 2 * block), start + 2 * block):
        window = capture[o + loud:o + loud + 4096]
        if len(window) < 4096:
            break
        d = sum(map(mul, window, piece))
        if best_dot is None or d > best_dot:
            best_dot, offset = d, o
    return offset, best


def rms(samples):
    return (sum(map(mul, samples, samples)) / len(samples)) ** 0.5 if samples else 0.0


# ---- cases -------------------------------------------------------------------------------

def see_loading_screen(game, logo=True):
    """Screenshots from the first loading frame on (the trace comes once the frame has been
    swapped to the screen) until one shows the loading screen, for half a second at most and
    while the loader still runs. (Before the first frame, start-up is mostly the software
    OpenGL getting ready.)"""
    first = game.wait_trace("loading-frame")[0]
    _, rect = game.window((640, 480), CENTRED)
    while True:
        taken = time.monotonic()
        pixels = screenshot(os.path.join(game.work, "shot.rgb"))
        done = time.monotonic()
        fault, summary = loading_screen_fault(pixels, rect, logo)
        if not fault or done - first > 0.5:
            break
    print("first loading frame %.3f s after start; screenshot %.3f..%.3f s" %
          (first - game.started, taken - game.started, done - game.started))
    if fault:
        fail("no loading screen within %.3f s of its first frame: %s (%s)" %
             (done - first, fault, summary))
    if done - first > 0.5:
        fail("screenshot finished %.3f s after the first loading frame" % (done - first))
    loaded = game.traces("loaded")
    if loaded and loaded[0] < taken:
        fail("loading had ended before the screenshot was taken")
    print("loading screen: " + summary)


def case_loading(zipkin, data_dir):
    game = Game(zipkin, data_dir)
    try:
        see_loading_screen(game)
    finally:
        game.close()


def wave_capture(work):
    """The capture file and an OpenAL Soft configuration that writes everything played to it
    (44100 Hz stereo, 16 bits, mixed 256 samples at a time)."""
    capture = os.path.join(work, "capture.wav")
    conf = os.path.join(work, "alsoft.conf")
    with open(conf, "w") as f:
        f.write("[general]\ndrivers = wave\nchannels = stereo\nsample-type = int16\n"
                "frequency = 44100\nperiod_size = 256\nhrtf = false\n[wave]\nfile = %s\n"
                % capture)
    return capture, conf


def case_jingle(zipkin, data_dir):
    work = tempfile.mkdtemp(prefix="zipkin-game-audio-")
    capture, conf = wave_capture(work)
    rate_j, channels_j, jingle = read_wav(os.path.join(data_dir, "sfx", "096.wav"))
    if channels_j != 1:
        jingle = [sum(jingle[i:i + channels_j]) / channels_j
                  for i in range(0, len(jingle), channels_j)]
    game = Game(zipkin, data_dir, {"ALSOFT_CONF": conf})
    try:
        game.wait_trace("loaded")
        # The wave writer mixes in real time: wait until the capture holds the jingle and a
        # second of what follows it.
        wanted = 44 + 4 * (len(jingle) * 44100 // rate_j + 2 * 44100)
        deadline = time.monotonic() + 10
        while (not os.path.exists(capture) or os.path.getsize(capture) < wanted):
            if time.monotonic() > deadline:
                fail("the capture did not grow to %d bytes" % wanted)
            time.sleep(0.05)
        game.quit()
        if "not closed" in game.output():  # OpenAL Soft's report of a device left open
            fail("the audio device was not closed: " + game.output())
    finally:
        game.close()

    rate, channels, samples = read_wav(capture)
    shutil.rmtree(work, ignore_errors=True)
    if (rate, channels) != (44100, 2) or rate_j != rate:
        fail("capture %d Hz x %d, jingle %d Hz" % (rate, channels, rate_j))
    mono = [(samples[i] + samples[i + 1]) / 2 for i in range(0, len(samples) - 1, 2)]
    offset, env_corr = find_jingle(mono, jingle, rate)
    heard = mono[offset:offset + len(jingle)]
    wave_corr = correlation(heard, jingle)
    gain = sum(map(mul, heard, jingle)) / sum(map(mul, jingle, jingle))
    before, after = mono[:offset], mono[offset + len(jingle) + rate // 50:]
    print("jingle at %.3f s of %.3f s captured: envelope correlation %.3f, waveform %.3f, "
          "gain %.3f; rms before %.1f, during %.1f, after %.1f" %
          (offset / rate, len(mono) / rate, env_corr, wave_corr, gain, rms(before), rms(heard),
           rms(after)))
    if env_corr < 0.9 or wave_corr < 0.9:
        fail("the capture does not hold the jingle (correlations %.3f, %.3f)" %
             (env_corr, wave_corr))
    # Played at volume 1 in the middle: each speaker gets between half and all of it.
    if not 0.4 < gain < 1.1:
        fail("jingle played at gain %.3f" % gain)
    # Nothing else plays: silence before it, and it does not play a second time.
    if rms(before) > 0.01 * rms(heard) or rms(after) > 0.01 * rms(heard):
        fail("sound outside the jingle (rms before %.1f, after %.1f)" % (rms(before), rms(after)))


def case_fullscreen(zipkin, data_dir):
    """F11 switches to a fullscreen window and back; after each reload the menu is drawn
    over the whole window."""
    game = Game(zipkin, data_dir)
    try:
        game.wait_trace("loaded")
        w, _ = game.window((640, 480))
        game.key(w, "F11")
        # A fullscreen window has no window manager here to give it the focus: give it.
        w, rect = game.window((SCREEN_W, SCREEN_H), (0, 0))
        w.set_input_focus(X.RevertToParent, X.CurrentTime)
        game.display.sync()
        game.wait_trace("loaded", 2)  # the new size reloads the art (the "-hd2" set)
        see_menu(game, rect, "fullscreen")
        game.key(w, "F11")
        w, rect = game.window((640, 480), CENTRED)
        game.wait_trace("loaded", 3)
        see_menu(game, rect, "window again")
        game.key(w, "F4")
        status = game.wait_exit()
        if status != 0:
            fail("exit status %d after F4" % status)
    finally:
        game.close()


def case_quit(zipkin, data_dir):
    """Runs until loaded, then F4: status 0 and no state file. Without data the loading screen
    still shows, with nothing of the missing pictures drawn."""
    game = Game(zipkin, data_dir)
    try:
        if not data_dir:
            see_loading_screen(game, logo=False)
        game.wait_trace("loaded")
        if not data_dir and "Data Not Loaded : common/WoblLogo-hd.png" not in game.output():
            fail("no word of the missing data: " + game.output())
        w, rect = game.window((640, 480))
        game.key(w, "F4")
        status = game.wait_exit()
        if status != 0:
            fail("exit status %d after F4" % status)
        for name in (".kestrelstate", ".kestrelstate.tmp"):
            if os.path.exists(os.path.join(game.work, name)):
                fail("F4 wrote " + name)
    finally:
        game.close()


def case_music(zipkin, data_dir):
    """Built with the procedural player, a game started from the menu (fire: difficulty 1)
    plays music: 10 s of it from 1.2 s after the key are audible, below full scale, with
    note onsets on the 80 ms rows of tempo 100, at most 35 ms late (60 Hz updates, 256-sample
    mixing)."""
    work = tempfile.mkdtemp(prefix="zipkin-game-music-")
    capture, conf = wave_capture(work)
    game = Game(zipkin, data_dir, {"ALSOFT_CONF": conf})
    try:
        game.wait_trace("loaded")
        w, _ = game.window((640, 480))
        time.sleep(1.0)  # the menu slides in first
        game.key(w, "space", held=True)
        start = (os.path.getsize(capture) - 44) // 4 + int(1.2 * 44100)
        deadline = time.monotonic() + 30
        while os.path.getsize(capture) < 44 + 4 * (start + 11 * 44100):
            if time.monotonic() > deadline or game.proc.poll() is not None:
                fail("the capture did not grow by 11 s")
            time.sleep(0.1)
        game.key(w, "F4")
        game.wait_exit()
    finally:
        game.close()
    rate, _, samples = read_wav(capture)
    shutil.rmtree(work, ignore_errors=True)
    music = samples[2 * start:2 * (start + 10 * rate)]
    mono = [(music[i] + music[i + 1]) / 2 for i in range(0, len(music) - 1, 2)]
    seconds = [rms(mono[i:i + rate]) for i in range(0, len(mono), rate)]
    # Onsets: 2.5 ms blocks of the slope (where drums stand out of held notes) three times as
    # loud as the 20 ms before, 30 ms apart at least. Evenly spread, 44 % would fall on rows.
    env = envelope([b - a for a, b in zip(mono, mono[1:])], rate // 400)
    floor = max(env) * 0.01
    onsets = []
    for n in range(8, len(env)):
        if env[n] > 3 * sum(env[n - 8:n]) / 8 + floor and (not onsets or n - onsets[-1] >= 12):
            onsets.append(n)
    phases = [n * 2.5 % 80 for n in onsets]
    best = max(range(80), key=lambda p: sum((q - p) % 80 < 35 for q in phases))
    on_rows = sum((q - best) % 80 < 35 for q in phases) / float(max(1, len(phases)))
    print("music: rms per second %s, peak %d; %d onsets, %.0f%% on rows" % (
        " ".join("%.0f" % v for v in seconds), max(map(abs, music)), len(onsets), 100 * on_rows))
    if min(seconds) < 300 or max(map(abs, music)) >= 32767:
        fail("the music is silent for a second or clips")
    if len(onsets) < 40 or on_rows < 0.9:
        fail("the notes do not keep to the 80 ms rows")


# A state line: the options a first run has, badge 31, three scores at difficulty 2.
STATE = ("0|0|0|0|0|1|0|0|0|0|64|64|10|0|1|" + "0|" * 10 + "1483|-2147483648|" + "0|" * 7 +
         "-2147483648|" + "0|" * 21 + "900|700|800|900|700|0|0|800|" + "0|" * 12 + "24700|" +
         "0|" * 21)


def case_scores(zipkin, data_dir):
    """A state file in the working folder comes back in the next run: when its window loses
    the focus, the game writes the same line back, having loaded every section of it."""
    game = Game(zipkin, data_dir, state=STATE)
    try:
        game.wait_trace("loaded")
        game.key(game.window((640, 480))[0], "shift")  # the focus, to lose it next
        time.sleep(0.5)
        path = os.path.join(game.work, ".kestrelstate")
        os.remove(path)
        game.display.screen().root.set_input_focus(X.RevertToParent, X.CurrentTime)
        game.display.sync()
        deadline = time.monotonic() + 5
        while not os.path.exists(path) and time.monotonic() < deadline:
            time.sleep(0.05)
        if not os.path.exists(path) or open(path).read() != STATE:
            fail("losing the focus did not write the same line back")
    finally:
        game.close()


def state_line(recent):
    """A valid state line: a first run's options, no badges, and at difficulty 2 the best
    scores 900, 800, 700 and the recent scores `recent` (ten of them)."""
    best = [900, 800, 700] + [0] * 7
    table = []
    for j in range(10):
        table += [best[j], recent[j]]
    check = sum((j + 4) * best[j] + (1 + 3 + j) * recent[j] for j in range(10))
    options = [0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 64, 64, 10, 0, 1] + [0] * 10
    numbers = (options + [sum(i * v for i, v in enumerate(options))] + [0] * 9 + [0] * 21 +
               table + [check] + [0] * 21)
    return "".join("%d|" % n for n in numbers)


def recent_scores(line, table=1):
    numbers = [int(v) for v in line.split("|")[:-1]]
    at = 35 + 21 * table
    return [numbers[at + 2 * j + 1] for j in range(10)]


def last_list_rows(pixels, rect, rows=5):
    """Pixels of the "Last" list's colour in each of its first score rows (640x480 window):
    a row showing 700 has about three times the pixels of one showing 0."""
    x, y = rect[0] + 520, rect[1] + 240 + 20 + 15
    green = {"t": lambda r, g, b: g > 200 and 140 < r < 240 and b < 150}
    return [region_shares(pixels, (x, y + 15 * k, 120, 15), green)["t"] for k in range(rows)]


def heard(samples, sound, start, end):
    """Normalised cross-correlation of the effect file `sound` with the capture (mono, 44.1
    kHz) between the sample positions start and end: near 1 where it plays alone, lower when
    music plays with it, near 0 where it does not play."""
    import numpy
    rate, channels, effect = read_wav(sound)
    e = numpy.array(effect, dtype=float).reshape(-1, channels).mean(axis=1)
    x = numpy.array(samples[max(0, start):end], dtype=float)
    if len(x) < len(e):
        return 0.0
    n = 1 << int(numpy.ceil(numpy.log2(len(x) + len(e))))
    dots = numpy.fft.irfft(numpy.fft.rfft(x, n) * numpy.conj(numpy.fft.rfft(e, n)), n)
    dots = dots[:len(x) - len(e) + 1]
    energy = numpy.concatenate([[0.0], numpy.cumsum(x * x)])
    window = numpy.sqrt(energy[len(e):] - energy[:-len(e)]) * numpy.sqrt((e * e).sum())
    return float((dots / numpy.maximum(window, 1e-9)).max())


def case_journey(zipkin, data_dir):
    """A player's first evening, by keyboard, on a state file with scores at difficulty 2:
    the menu after loading, the highlight moved to difficulty 2 with its sound, fire starting
    a game with its tune, a jump with its sound, pause (the tune paused), the options box
    opened from the pause panel and closed, quit through the game-over panel back to the
    menu with the score at the top of the "Last" list; after a restart the list is the same."""
    work = tempfile.mkdtemp(prefix="zipkin-game-journey-")
    capture, conf = wave_capture(work)
    recent = [700, 900, 0, 800] + [0] * 6
    game = Game(zipkin, data_dir, {"ALSOFT_CONF": conf}, state=state_line(recent))
    marks = {}

    def mark(name):
        marks[name] = (os.path.getsize(capture) - 44) // 4

    try:
        game.wait_trace("loaded")
        w, rect = game.window((640, 480), CENTRED)
        time.sleep(0.8)  # the menu slides in
        see_menu(game, rect, "after loading")
        mark("move")
        game.key(w, "Right", held=True)
        deadline = time.monotonic() + 3.0
        while True:  # the lists of difficulty 2 replace those of difficulty 1
            before = last_list_rows(see_menu(game, rect, "difficulty 2"), rect)
            if before[0] > 2 * before[2] and before[1] > 2 * before[2]:
                break
            if time.monotonic() > deadline:
                fail("the Last list of difficulty 2 does not show 700, 900, 0: %s" % before)
        mark("fire")
        game.key(w, "Return", held=True)
        see(game, rect, "play", "fire")
        time.sleep(1.0)
        mark("jump")
        game.key(w, "space", held=True)
        time.sleep(0.6)
        mark("pause")
        game.key(w, "Escape", held=True)
        see(game, rect, "pause", "escape")
        press_until(game, w, "Right", rect, "options ringed", "the pause panel")
        time.sleep(0.3)  # the selection's sound passes
        mark("quiet")
        time.sleep(0.5)  # half a second of the paused game: the tune must be silent
        mark("options")
        game.key(w, "Return", held=True)
        see(game, rect, "options up", "options from the pause panel")  # keys wait till it is up
        game.key(w, "Escape", held=True)
        see(game, rect, "pause", "options closed", gone="options low")
        time.sleep(0.1)
        press_until(game, w, "Left", rect, "quit ringed", "back on the pause panel", tries=5)
        press_until(game, w, "Return", rect, "game over", "quit")
        see_menu(game, rect, "back in the menu")
        time.sleep(1.0)  # the game-over panel fades out over the menu
        after = last_list_rows(see_menu(game, rect, "the panel gone"), rect)
        if not after[0] * 2 < after[1]:
            fail("the Last list does not start with the new 0 above 700: %s" % after)
        game.key(w, "F4")
        if game.wait_exit() != 0:
            fail("exit status %d after F4" % game.proc.returncode)
        line = open(os.path.join(game.work, ".kestrelstate")).read()
        if recent_scores(line) != [0] + recent[:9]:
            fail("saved recent scores %s" % recent_scores(line))

        heard_path = capture + ".first"
        os.rename(capture, heard_path)

        # The next evening, in the same folder: the same list.
        game.start()
        game.wait_trace("loaded")
        w, rect = game.window((640, 480), CENTRED)
        time.sleep(0.8)
        game.key(w, "Right", held=True)
        shown = last_list_rows(see_menu(game, rect, "after a restart"), rect)
        if any(abs(a - b) > 0.01 for a, b in zip(shown, after)):
            fail("the Last list after a restart %s differs from %s" % (shown, after))
        game.key(w, "F4")
        game.wait_exit()
    finally:
        game.close()

    rate, channels, samples = read_wav(heard_path)
    shutil.rmtree(work, ignore_errors=True)
    mono = [(samples[i] + samples[i + 1]) // 2 for i in range(0, len(samples) - 1, 2)]
    sfx = os.path.join(data_dir, "sfx")
    half = rate // 2
    move = heard(mono, os.path.join(sfx, "099.wav"), marks["move"], marks["move"] + half)
    jump = heard(mono, os.path.join(sfx, "005.wav"), marks["jump"], marks["jump"] + half)
    no_jump = heard(mono, os.path.join(sfx, "005.wav"), marks["jump"] - half, marks["jump"])
    tune = rms(mono[marks["fire"] + half:marks["jump"]])
    paused = rms(mono[marks["quiet"]:marks["options"]])
    print("heard: highlight %.2f, jump %.2f (before it %.2f); tune rms %.0f, paused %.0f" %
          (move, jump, no_jump, tune, paused))
    if move < 0.8:
        fail("the highlight's sound is not in the capture")
    if jump < 0.5 or no_jump > 0.4:
        fail("the jump's sound is not where the jump was")
    if tune < 500 or paused > 0.1 * tune:
        fail("the tune does not play in the game or does not pause with it")


# ---- faults a player can meet (the README's "What happens when") ------------------------

def start_a_game(game):
    """Fire in the menu starts a game, which loads and plays the tune."""
    game.wait_trace("loaded")
    time.sleep(1.0)  # the menu slides in first
    game.key(game.window((640, 480))[0], "space", held=True)
    time.sleep(1.0)


def expect_said(game, words):
    if words not in game.output():
        fail("the game did not say %r: %s" % (words, game.output()))
    print("said: " + words)


def case_noaudio(zipkin, data_dir):
    """OpenAL finds no backend at all: the game says so, plays a game silently, ends."""
    game = Game(zipkin, data_dir, {"ALSOFT_DRIVERS": "none"})
    try:
        start_a_game(game)
        expect_said(game, "OpenAl error: alcOpenDevice failed")
        game.quit()
    finally:
        game.close()


def case_readonly(zipkin, data_dir):
    """The state folder cannot be written (the game runs as nobody in a folder of root's):
    losing the focus tries to save, says it could not, and the game goes on."""
    work = tempfile.mkdtemp(prefix="zipkin-game-readonly-")
    os.symlink(os.path.abspath(data_dir), os.path.join(work, "data"))
    # Our X server's key, readable by the other user.
    xauth = os.path.join(work, "xauth")
    shutil.copy(os.environ["XAUTHORITY"], xauth)
    os.chmod(xauth, 0o644)
    os.chmod(work, 0o555)
    game = Game(zipkin, None, {"XAUTHORITY": xauth}, work=work,
                prefix=["setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"])
    try:
        game.wait_trace("loaded")
        game.key(game.window((640, 480))[0], "shift")  # the focus, to lose it next
        time.sleep(0.5)
        game.display.screen().root.set_input_focus(X.RevertToParent, X.CurrentTime)
        game.display.sync()
        deadline = time.monotonic() + 5
        while "State Not Saved" not in game.output() and time.monotonic() < deadline:
            time.sleep(0.05)
        expect_said(game, "State Not Saved")
        game.quit()
    finally:
        os.chmod(work, 0o755)
        game.close()


def case_badstate(zipkin, data_dir):
    """A state file cut short, then one with a changed number: each loads the sections that
    are whole and sound, names what it loaded and what it dropped, and the game runs."""
    line = state_line([500] * 10)
    for state, words in ((line[:len(line) // 2], "Badges Loaded"),
                         (line.replace("64|64|", "65|64|", 1), "Settings Checksum Invalid")):
        game = Game(zipkin, data_dir, state=state)
        try:
            start_a_game(game)
            expect_said(game, words)
            game.quit()
        finally:
            game.close()


def case_baddata(zipkin, data_dir):
    """Pictures, an effect and the tune cut short or missing: the game names each file it
    could not load, plays without them, and ends."""
    data = tempfile.mkdtemp(prefix="zipkin-game-data-")
    try:
        for root, _, files in os.walk(data_dir):
            into = os.path.join(data, os.path.relpath(root, data_dir))
            os.makedirs(into, exist_ok=True)
            for name in files:
                os.symlink(os.path.abspath(os.path.join(root, name)), os.path.join(into, name))
        for name in ("menu-hd.png", "sfx/005.wav", "sfx/Universe.ogg"):
            path = os.path.join(data, name)
            with open(os.path.realpath(path), "rb") as f:
                head = f.read(os.path.getsize(path) // 2)
            os.remove(path)
            with open(path, "wb") as f:
                f.write(head)
        os.remove(os.path.join(data, "gfx-hd.png"))
        game = Game(zipkin, data)
        try:
            start_a_game(game)
            for name in ("menu-hd.png", "sfx/005.wav", "gfx-hd.png"):
                expect_said(game, "Data Not Loaded : " + name)
            game.quit()
        finally:
            game.close()
    finally:
        shutil.rmtree(data, ignore_errors=True)


def case_nofullscreen(zipkin, data_dir, shim):
    """The window system refuses fullscreen windows: F11 says so and keeps the window, and
    the next F11 asks for fullscreen again."""
    game = Game(zipkin, data_dir, {"LD_PRELOAD": shim})
    try:
        game.wait_trace("loaded")
        for tries in (1, 2):
            game.key(game.window((640, 480))[0], "F11")
            deadline = time.monotonic() + 5
            while game.output().count("using a window") < tries and time.monotonic() < deadline:
                time.sleep(0.05)
            if game.output().count("glfwOpenWindow failed; using a window") != tries:
                fail("F11 number %d: %s" % (tries, game.output()))
        game.quit()
    finally:
        game.close()


def main():
    zipkin, data_dir, case = os.path.abspath(sys.argv[1]), sys.argv[2], sys.argv[3]
    cases = {
        "loading": lambda: case_loading(zipkin, data_dir),
        "jingle": lambda: case_jingle(zipkin, data_dir),
        "fullscreen": lambda: case_fullscreen(zipkin, data_dir),
        "nodata": lambda: case_quit(zipkin, None),
        "quit": lambda: case_quit(zipkin, data_dir),
        "scores": lambda: case_scores(zipkin, data_dir),
        "journey": lambda: case_journey(zipkin, data_dir),
        "music": lambda: case_music(zipkin, data_dir),
        "noaudio": lambda: case_noaudio(zipkin, data_dir),
        "readonly": lambda: case_readonly(zipkin, data_dir),
        "badstate": lambda: case_badstate(zipkin, data_dir),
        "baddata": lambda: case_baddata(zipkin, data_dir),
        "nofullscreen": lambda: case_nofullscreen(zipkin, data_dir, sys.argv[4]),
    }
    if case not in cases:
        fail("unknown case " + case)
    cases[case]()
    print("PASS " + case)


if __name__ == "__main__":
    main()
