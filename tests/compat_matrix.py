#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 Vellory developers
"""Opens every recording of a manifest (written by compat_record) with the
players people use and writes the compatibility table.

  compat_matrix.py MANIFEST WORK OUT_DIR README|- [--update-readme]

A player "plays" a file when it decodes it to the recorded length (within
TOLERANCE seconds), the decoded sound holds the 1000 Hz tone that was
recorded, and the length it reports before playing (ffprobe,
gst-discoverer, libsndfile's header, the <audio> element) is right too.
Players: FFmpeg; GStreamer with only its base and good plug-in sets, then
with the bad set added; libsndfile; Chromium (decodeAudioData and an <audio>
element, served from 127.0.0.1). The table goes to OUT_DIR/compat-matrix.md
with the figures behind it; the run fails if README's table differs, unless
--update-readme rewrites it. With "-" for README every player must play
every file."""
import array
import http.server
import json
import os
import re
import shutil
import subprocess
import sys
import threading
import wave

TOLERANCE = 0.2
TONE = 1000.0
BEGIN = "<!-- compat-matrix begin -->"
END = "<!-- compat-matrix end -->"
PLAYERS = ["FFmpeg", "GStreamer", "libsndfile", "Chromium"]
PLAYS, EXTRA, FAILS = "plays", "plays with the extra plug-ins", "fails"


def run(cmd, env=None, timeout=60):
    try:
        p = subprocess.run(cmd, env=env, capture_output=True, text=True, timeout=timeout)
        return p.returncode, p.stdout + p.stderr
    except subprocess.TimeoutExpired:
        return -1, "timed out after %d s" % timeout


def analyse(path):
    """Length, tone frequency (zero crossings) and RMS of a 16-bit WAV, or None."""
    try:
        with wave.open(path, "rb") as w:
            rate, channels, n = w.getframerate(), w.getnchannels(), w.getnframes()
            if w.getsampwidth() != 2 or n == 0:
                return None
            samples = array.array("h", w.readframes(n))[::channels]
    except (OSError, EOFError, wave.Error):
        return None
    return tone_of(samples, rate, n / rate, 32768.0)


def tone_of(samples, rate, length, scale):
    # The middle of the recording (the start holds the server's first buffer
    # and, for MPEG, the encoder's delay), in tenths of a second. A gap in the
    # tone (its player starved on a busy machine) lowers the crossings of a
    # tenth but never raises them: the upper quartile is the pitch, the
    # median the level.
    step = rate // 10
    middle = samples[int(0.5 * rate):max(int(0.5 * rate), len(samples) - int(0.5 * rate))]
    freqs, levels = [], []
    for at in range(0, len(middle) - step + 1, step):
        part = middle[at:at + step]
        freqs.append(sum(1 for a, b in zip(part, part[1:]) if (a < 0) != (b < 0)) * 5.0)
        levels.append((sum(float(v) * v for v in part) / step) ** 0.5 / scale)
    if not freqs:
        return length, 0.0, 0.0
    return length, sorted(freqs)[len(freqs) * 3 // 4], sorted(levels)[len(levels) // 2]


def verdict(ref, decoded, reported, error=""):
    """(ok, figures): decoded is analyse()'s result, reported a length or None."""
    if decoded is None:
        return False, "no decode" + (": " + error if error else "")
    length, freq, rms = decoded
    notes = ["decodes %.3f s" % length]
    ok = abs(length - ref) <= TOLERANCE
    if reported is not None:
        notes.append("reports %.3f s" % reported)
        ok = ok and abs(reported - ref) <= TOLERANCE
    else:
        notes.append("reports no length")
        ok = False
    tone = abs(freq - TONE) <= 30 and rms >= 0.05
    if not tone:
        notes.append("no tone (%.0f Hz, RMS %.3f)" % (freq, rms))
    return ok and tone, ", ".join(notes)


def odd_data_chunk(path):
    """The data chunk's size when it is odd and ends the file, else None."""
    with open(path, "rb") as f:
        head = f.read(4096)
    total = os.path.getsize(path)
    if head[:4] != b"RIFF" or head[8:12] != b"WAVE":
        return None
    pos = 12
    while pos + 8 <= len(head):
        cid, size = head[pos:pos + 4], int.from_bytes(head[pos + 4:pos + 8], "little")
        if cid == b"data":
            return size if size % 2 and pos + 8 + size + 1 >= total else None
        pos += 8 + size + (size & 1)
    return None


def first_line(text):
    for line in text.splitlines():
        line = line.strip()
        if line and "WARN" not in line:
            return line[:120]
    return ""


def ffmpeg(f, ref, out):
    rc, text = run(["ffprobe", "-v", "error", "-show_entries", "format=duration", "-of", "csv=p=0", f])
    reported = float(text.strip()) if rc == 0 and re.fullmatch(r"[0-9.]+", text.strip()) else None
    rc, text = run(["ffmpeg", "-nostdin", "-v", "error", "-y", "-i", f, "-ac", "1", "-c:a", "pcm_s16le", out])
    return verdict(ref, analyse(out) if rc == 0 else None, reported, first_line(text))


def gst_env(work, name, packages):
    """Environment in which GStreamer sees only the plug-ins of these packages."""
    folder = os.path.join(work, "gst-" + name)
    os.makedirs(folder, exist_ok=True)
    rc, listing = run(["dpkg", "-L"] + packages)
    plugins = [p for p in listing.splitlines() if re.search(r"/gstreamer-1\.0/libgst[^/]*\.so$", p)]
    if rc != 0 or not plugins:
        sys.exit("FAIL: cannot list the GStreamer plug-ins of %s" % " ".join(packages))
    for p in plugins:
        link = os.path.join(folder, os.path.basename(p))
        if not os.path.lexists(link):
            os.symlink(p, link)
    env = dict(os.environ)
    env.pop("GST_PLUGIN_PATH", None)
    env.update(GST_PLUGIN_SYSTEM_PATH_1_0=folder, GST_PLUGIN_PATH_1_0="",
               GST_REGISTRY_1_0=os.path.join(work, "registry-" + name + ".bin"))
    return env


def gstreamer(f, ref, out, env):
    rc, text = run(["gst-discoverer-1.0", f], env=env)
    m = re.search(r"Duration: (\d+):(\d+):([\d.]+)", text)
    reported = int(m[1]) * 3600 + int(m[2]) * 60 + float(m[3]) if rc == 0 and m else None
    error = first_line(text) if reported is None else ""
    rc, text = run(["gst-launch-1.0", "-q", "filesrc", "location=" + f, "!", "decodebin", "!", "audioconvert", "!",
                    "audio/x-raw,format=S16LE,channels=1", "!", "wavenc", "!", "filesink", "location=" + out], env=env)
    return verdict(ref, analyse(out) if rc == 0 else None, reported, error or first_line(text))


def sndfile(f, ref, out):
    rc, text = run(["sndfile-info", f])
    m = re.search(r"Duration\s*:\s*(\d+):(\d+):([\d.]+)", text)
    reported = int(m[1]) * 3600 + int(m[2]) * 60 + float(m[3]) if rc == 0 and m else None
    error = first_line(text[text.find("Error"):]) if "Error" in text else ""
    rc, text = run(["sndfile-convert", "-pcm16", f, out])
    ok_out = rc == 0 and os.path.exists(out)
    return verdict(ref, analyse(out) if ok_out else None, reported, error or first_line(text))


PAGE = """<!doctype html><meta charset="utf-8"><title>matrix</title><script>
const files = %s;
function element(f) {
  return new Promise(done => {
    const a = new Audio(), r = {};
    a.muted = true;
    a.addEventListener('loadedmetadata', () => { r.duration = a.duration; a.playbackRate = 4;
      a.play().catch(e => { r.error = String(e); done(r); }); });
    a.addEventListener('playing', () => { r.playing = true; });
    a.addEventListener('ended', () => { r.ended = a.currentTime; done(r); });
    a.addEventListener('error', () => { r.error = a.error ? a.error.message : 'error'; done(r); });
    setTimeout(() => { r.error = 'no end after 20 s, at ' + a.currentTime + ' s'; done(r); }, 20000);
    a.src = f;
  });
}
async function decode(f) {
  try {
    const data = await (await fetch(f)).arrayBuffer();
    const b = await new OfflineAudioContext(1, 1, 48000).decodeAudioData(data);
    const s = b.getChannelData(0), rate = b.sampleRate, step = Math.floor(rate / 10);
    const from = Math.floor(0.5 * rate), to = Math.max(from, s.length - Math.floor(0.5 * rate));
    const freqs = [], levels = [];
    for (let at = from; at + step <= to; at += step) {
      let crossings = 0, sum = 0;
      for (let i = at; i < at + step; i++) {
        sum += s[i] * s[i];
        if (i > at && (s[i - 1] < 0) != (s[i] < 0)) crossings++;
      }
      freqs.push(crossings * 5);
      levels.push(Math.sqrt(sum / step));
    }
    const at = (v, q) => v.length ? v.sort((a, b) => a - b)[Math.floor(v.length * q)] : 0;
    return {length: b.duration, freq: at(freqs, 0.75), rms: at(levels, 0.5)};
  } catch (e) { return {error: String(e)}; }
}
(async () => {
  const out = {};
  for (const f of files) out[f] = {decode: await decode(f), element: await element(f)};
  await fetch('/result', {method: 'POST', body: JSON.stringify(out)});
})();
</script>"""


def chromium(files, work):
    """Results per file name from one headless Chromium over a local server."""
    root = os.path.join(work, "web")
    os.makedirs(root, exist_ok=True)
    for f in files:
        shutil.copy(f, root)
    names = [os.path.basename(f) for f in files]
    with open(os.path.join(root, "index.html"), "w") as page:
        page.write(PAGE % json.dumps(names))
    result = {}
    got = threading.Event()

    class Handler(http.server.SimpleHTTPRequestHandler):
        def __init__(self, *a, **k):
            super().__init__(*a, directory=root, **k)

        def do_POST(self):
            result.update(json.loads(self.rfile.read(int(self.headers["Content-Length"]))))
            self.send_response(204)
            self.end_headers()
            got.set()

        def log_message(self, *a):
            pass

    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    url = "http://127.0.0.1:%d/index.html" % server.server_address[1]
    # --no-sandbox: CI runs as root, where Chromium's sandbox refuses to start.
    with open(os.path.join(work, "chromium.txt"), "w") as log:
        browser = subprocess.Popen(["chromium", "--headless", "--no-sandbox", "--disable-gpu", "--no-first-run",
                                    "--user-data-dir=" + os.path.join(work, "chromium-profile"),
                                    "--autoplay-policy=no-user-gesture-required", url],
                                   stdout=log, stderr=log)
        finished = got.wait(30 + 25 * len(files))
        browser.terminate()
        try:
            browser.wait(10)
        except subprocess.TimeoutExpired:
            browser.kill()
            browser.wait()
    server.shutdown()
    if not finished:
        sys.exit("FAIL: headless Chromium gave no result (see %s)" % os.path.join(work, "chromium.txt"))
    return result


def chromium_verdict(r, ref):
    d, e = r.get("decode", {}), r.get("element", {})
    if "error" in d:
        dv = (False, "decodeAudioData: " + d["error"])
    else:
        dv = verdict(ref, (d["length"], d["freq"], d["rms"]), e.get("duration"))
    if "error" in e:
        return False, dv[1] + "; <audio>: " + e["error"]
    # The element played through to its end, at about the recorded length.
    played = e.get("playing") and abs(e.get("ended", 0) - ref) <= TOLERANCE
    return dv[0] and bool(played), dv[1] + "; <audio> %s to %.3f s" % (
        "played" if e.get("playing") else "did not play", e.get("ended", 0))


def table(rows):
    lines = ["| Format | File | " + " | ".join(PLAYERS) + " |", "|---" * (len(PLAYERS) + 2) + "|"]
    for name, ext, cells in rows:
        lines.append("| %s | `%s` | %s |" % (name, ext, " | ".join(cells[p] for p in PLAYERS)))
    return "\n".join(lines) + "\n"


def main():
    args = [a for a in sys.argv[1:] if a != "--update-readme"]
    update = len(args) != len(sys.argv) - 1
    if len(args) != 4:
        sys.exit(__doc__)
    manifest, work, out_dir, readme = args
    entries = []
    with open(manifest) as m:
        for line in m:
            name, path, _, _, seconds, wall, description = line.rstrip("\n").split("\t")
            entries.append((name, path, float(seconds), float(wall), description))
    if not entries:
        sys.exit("FAIL: nothing was recorded")
    failures = 0
    for name, path, seconds, wall, _ in entries:
        # Captured audio as long as the recording ran, less the server's start
        # (longer on a busy machine): nothing lost on the way.
        if not wall - 1.0 <= seconds <= wall + 0.1:
            print("FAIL: %s holds %.3f s of audio after %.3f s of recording" % (name, seconds, wall))
            failures += 1
        # GStreamer's WAV reader (1.22) does not step over the pad byte of an
        # odd data chunk that ends the file and then finds no audio at all,
        # in files from FFmpeg and sox alike. Half the recordings in the
        # formats of odd-sized blocks (8-bit mono, G.711 mono, MPEG frames,
        # GSM's 65 bytes) would fail there unless the data ends even or a
        # chunk follows it.
        odd = odd_data_chunk(path)
        if odd is not None:
            print("FAIL: %s: the data chunk holds an odd number of bytes (%d) and ends the file, which GStreamer"
                  " refuses; a chunk after the pad byte (or an even data chunk) avoids it" % (name, odd))
            failures += 1

    base_good = gst_env(work, "base-good", ["libgstreamer1.0-0", "gstreamer1.0-plugins-base",
                                            "gstreamer1.0-plugins-good"])
    with_bad = gst_env(work, "with-bad", ["libgstreamer1.0-0", "gstreamer1.0-plugins-base",
                                          "gstreamer1.0-plugins-good", "gstreamer1.0-plugins-bad"])
    web = chromium([e[1] for e in entries], work)
    rows, details = [], []
    for name, path, ref, wall, description in entries:
        stem = os.path.join(work, os.path.basename(path))
        ext = os.path.splitext(path)[1]
        figures = {}
        ok, figures["FFmpeg"] = ffmpeg(path, ref, stem + ".ffmpeg.wav")
        cells = {"FFmpeg": PLAYS if ok else FAILS}
        ok, fig = gstreamer(path, ref, stem + ".gst.wav", base_good)
        figures["GStreamer base+good"] = fig
        if ok:
            cells["GStreamer"] = PLAYS
        else:
            ok, figures["GStreamer +bad"] = gstreamer(path, ref, stem + ".gst-bad.wav", with_bad)
            cells["GStreamer"] = EXTRA if ok else FAILS
        ok, figures["libsndfile"] = sndfile(path, ref, stem + ".sndfile.wav")
        cells["libsndfile"] = PLAYS if ok else FAILS
        ok, figures["Chromium"] = chromium_verdict(web.get(os.path.basename(path), {}), ref)
        cells["Chromium"] = PLAYS if ok else FAILS
        rows.append((name, ext, cells))
        details.append("- %s (%s, %s), %.3f s recorded:\n%s" % (
            name, ext, description, ref, "\n".join("  - %s: %s" % kv for kv in figures.items())))
        print("%-16s %s" % (name, "  ".join("%s: %s" % (p, cells[p]) for p in PLAYERS)))

    measured = table(rows)
    os.makedirs(out_dir, exist_ok=True)
    report = os.path.join(out_dir, "compat-matrix.md")
    with open(report, "w") as r:
        r.write(measured + "\nWhat each player did:\n\n" + "\n".join(details) + "\n")
    print("table and figures: " + report)
    print("\n".join(details))

    if readme == "-":
        # No table to compare: every player must play every file.
        for name, _, cells in rows:
            for player in PLAYERS:
                if cells[player] != PLAYS:
                    print("FAIL: %s does not play the %s recording (%s)" % (player, name, cells[player]))
                    failures += 1
        return 1 if failures else 0
    with open(readme) as r:
        text = r.read()
    at, end = text.find(BEGIN), text.find(END)
    if at < 0 or end < at:
        print("FAIL: %s has no %s ... %s section" % (readme, BEGIN, END))
        return 1
    current = text[at + len(BEGIN):end].strip("\n") + "\n"
    if update:
        with open(readme, "w") as r:
            r.write(text[:at + len(BEGIN)] + "\n" + measured + text[end:])
        print("README's table rewritten")
    elif current != measured:
        print("FAIL: README's compatibility table differs from the measured one:\n" + measured +
              "(tests/compat_matrix.sh --update-readme writes it there)")
        failures += 1
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
