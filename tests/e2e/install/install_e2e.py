"""install_e2e.py BUILD_DIR, under Xvfb with /usr/bin/python3: `cmake --install` into a
temporary prefix (with a space in it), the validators, the menu entry's command starting the
game from an unrelated folder (window title, state file under XDG_DATA_HOME, nothing changed
under the prefix), then removal through the manifest. The build's manifest is put back."""
import os, shlex, shutil, struct, subprocess, sys, tempfile, time
from Xlib import X, display
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
from xwindow import find_window  # noqa: E402


def check(ok, message):
    if not ok:
        print("FAIL: " + message)
        sys.exit(1)


def run(*command):
    r = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
    check(r.returncode == 0, "%s: status %d\n%s" % (command, r.returncode, r.stdout.decode()))


def files(root):
    return {os.path.join(d, n): os.lstat(os.path.join(d, n)).st_mtime_ns
            for d, _, names in os.walk(root) for n in names}


def install_and_play(build, manifest, work):
    share, xdg, elsewhere = (os.path.join(work, n) for n in ("pre fix/share", "xdg", "elsewhere"))
    os.makedirs(elsewhere)
    run("cmake", "--install", build, "--prefix", os.path.dirname(share))
    app = "org.zipkin_in_direv.ZipkinInDirev"
    for size in (48, 128, 256):
        with open("%s/icons/hicolor/%dx%d/apps/%s.png" % (share, size, size, app), "rb") as f:
            check(struct.unpack(">II", f.read(24)[16:]) == (size, size), "icon %d" % size)
    entry = "%s/applications/%s.desktop" % (share, app)
    run("desktop-file-validate", entry)
    run("appstreamcli", "validate", "--no-net", "%s/metainfo/%s.metainfo.xml" % (share, app))
    before = files(os.path.dirname(share))
    game = subprocess.Popen(shlex.split([l[5:] for l in open(entry) if l[:5] == "Exec="][0]),
                            cwd=elsewhere, env=dict(os.environ, HOME=work, XDG_DATA_HOME=xdg))
    d = display.Display()
    try:
        window = find_window(d, timeout=20.0)
        check(window is not None, "no window titled Zipkin in Direv")
        for focus in (window, d.screen().root, window):  # losing the focus saves the state
            focus.set_input_focus(X.RevertToParent, X.CurrentTime)
            d.sync()
            time.sleep(0.5)
        subprocess.run(["xdotool", "key", "F4"], check=True)
        check(game.wait(timeout=10) == 0, "status %s after F4" % game.returncode)
    finally:
        if game.poll() is None:
            game.kill()
            game.wait()
        d.close()
    home = os.listdir(os.path.join(xdg, "zipkin-in-direv"))
    check(sorted(home) == [".kestrelstate", "data"], "the per-user folder holds %s" % home)
    check(files(os.path.dirname(share)) == before and not os.listdir(elsewhere), "wrote elsewhere")
    run("sh", "-c", "xargs -d '\\n' rm < \"$0\"", manifest)
    check(not files(os.path.dirname(share)), "the removal left files")


build = os.path.abspath(sys.argv[1])
manifest, work = os.path.join(build, "install_manifest.txt"), tempfile.mkdtemp()
kept = open(manifest, "rb").read() if os.path.exists(manifest) else None
try:
    install_and_play(build, manifest, work)
finally:
    shutil.rmtree(work, ignore_errors=True)
    if kept is None and os.path.exists(manifest):
        os.remove(manifest)
    elif kept is not None:
        open(manifest, "wb").write(kept)
print("PASS install")
