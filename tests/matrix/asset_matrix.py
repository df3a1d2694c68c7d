#!/usr/bin/env python3
"""The bad-asset matrix: every asset file of the pack under every fault.

For each of the demo's 21 asset files and each fault below, a pack is made of
the good files (symbolic links) with that one file broken, and
kelvane-capture renders one frame from the middle of each timeline row
(--sheet, small, level 0) from it. Each run must end with status 0, print no
sanitizer report, and leave every tile whose scene does not use the broken
file byte for byte as the good pack draws it. Each run's peak resident
memory is shown.

The music also comes as a 7-hour Ogg, a 2-hour FLAC and a 25-minute WAV
named kel.mp3: each refused by its format, silent, under MAX_PEAK_MB.

The music also comes 7 hours and 2 hours long, valid MP3 both: the capture
must refuse them by their length, say so, run silent and stay under
MAX_PEAK_MB (decoded whole, the 2 hours took 4.3 GB under the sanitizers and
the 7 hours overflowed SDL2_mixer's 32-bit length). They are made from a
minute encoded by ffmpeg (libmp3lame) and kept in WORK_DIR's long-music
folder for the next run.

  asset_matrix.py CAPTURE GOOD_PACK WORK_DIR [JOBS [FILTER]]

FILTER keeps the cases whose file name and fault contain it ("duck", "fifo").

CAPTURE is normally the sanitizer build's kelvane-capture. A run in which
LeakSanitizer's own tracer dies ("Tracer caught signal 11") after the
program finished, with no report of its own, is run again, up to twice:
that is a fault of the tracer under ptrace, not of the program, and a real
leak report always fails the entry.
"""
import concurrent.futures
import os
import random
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import time
import zlib

FRAME = (160, 120)  # each tile is half of this
COLUMNS, MARGIN = 4, 4  # the sheet's layout (tools/capture/capture.h)

IMAGES = ["trumpet.bmp", "trumpetalpha.bmp", "mortak.bmp", "image4.bmp", "image10.bmp",
          "image8.bmp", "spheremap.bmp", "blob2.bmp", "trail.bmp", "image3.bmp",
          "vantoril.bmp", "image6.bmp", "image11.bmp", "log1.bmp", "log2.bmp", "kel.bmp"]
MESHES = ["duck.asc", "sphere.asc", "cube.asc", "trailblobs.asc"]
MUSIC = "kel.mp3"
ASSETS = IMAGES + MESHES + [MUSIC]

# The sheet's tiles (0 to 15, timeline rows 1 to 16) that show each file.
# The music shows nowhere: the sheet is drawn at level 0.
SHOWCASE = [9, 11, 15]
USED_BY = {
    "log2.bmp": [0], "image8.bmp": [1], "image10.bmp": [2], "image3.bmp": [3],
    "mortak.bmp": [5, 14], "log1.bmp": [4, 5, 14], "blob2.bmp": [6], "trail.bmp": [6],
    "image4.bmp": [7], "spheremap.bmp": [8], "image6.bmp": SHOWCASE,
    "trumpet.bmp": SHOWCASE, "trumpetalpha.bmp": SHOWCASE, "vantoril.bmp": [10],
    "image11.bmp": [12], "kel.bmp": [13], "duck.asc": SHOWCASE,
    "sphere.asc": [6] + SHOWCASE, "cube.asc": [6] + SHOWCASE, "trailblobs.asc": [6],
    MUSIC: [],
}

SANITIZER_MARKS = ("ERROR: AddressSanitizer", "ERROR: LeakSanitizer", "runtime error:",
                   "SUMMARY: UndefinedBehaviorSanitizer", "ERROR: UndefinedBehaviorSanitizer")
TRACER_DIED = "Tracer caught signal 11"
MAX_PEAK_MB = 500  # resident memory of one capture, at its peak

# Music longer than the limit the demo decodes (kMaxMusicSeconds): label and
# length in seconds; and what the capture must say of it.
LONG_MUSIC = [("7 hours", 7 * 3600), ("2 hours", 2 * 3600)]
REFUSED = "-minute limit the demo decodes: the capture is silent"
# Music of other formats named kel.mp3, which SDL2_mixer would decode whole
# (a 7-hour Ogg overflowed its buffer): label, format and length; each must
# be refused before decoding, by its format.
OTHER_FORMATS = [("7-hour Ogg", "ogg", 7 * 3600), ("2-hour FLAC", "flac", 2 * 3600),
                 ("25-minute WAV", "wav", 25 * 60)]
REFUSED_FORMAT = "not MPEG audio: the capture is silent"
CACHE = "long-music"  # in WORK_DIR, kept between runs


def bmp(width, height, pixels=b"", size_image=0):
    header = struct.pack("<2sIHHI", b"BM", 54 + len(pixels), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, size_image, 0, 0, 0, 0)
    return header + info + pixels


def mpeg_frames(data):
    """The audio frames of an MP3 of layer III frames as LAME writes them,
    and their length in seconds; an ID3v2 tag and the Xing or Info frame
    are left out."""
    rates = {3: (44100, 48000, 32000), 2: (22050, 24000, 16000), 0: (11025, 12000, 8000)}
    kbps = {3: (0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320),
            2: (0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160)}
    at, frames, seconds = 0, [], 0.0
    if data[:3] == b"ID3":
        at = 10 + (data[6] << 21 | data[7] << 14 | data[8] << 7 | data[9])
    while at + 4 <= len(data):
        b1, b2 = data[at + 1], data[at + 2]
        if data[at] != 0xFF or b1 & 0xE6 != 0xE2:
            raise ValueError("no layer III frame at byte %d" % at)
        version = (b1 >> 3) & 3
        rate = rates[version][(b2 >> 2) & 3]
        mpeg1 = version == 3
        size = (144000 if mpeg1 else 72000) * kbps[3 if mpeg1 else 2][b2 >> 4] // rate + (
            (b2 >> 1) & 1)
        frame = data[at:at + size]
        if b"Xing" not in frame[:64] and b"Info" not in frame[:64]:
            frames.append(frame)
            seconds += (1152 if mpeg1 else 576) / rate
        at += size
    return frames, seconds


def long_music(cache, seconds):
    """A valid MP3 at least `seconds` long, from the cache folder or made
    there: a minute of a 220 Hz sine at 8 kbit/s (MPEG-2.5 layer III, 8 kHz
    mono), its frames repeated. Frames in a row are a valid stream."""
    path = os.path.join(cache, "%ds.mp3" % seconds)
    if os.path.exists(path):
        return path
    os.makedirs(cache, exist_ok=True)
    minute = subprocess.run(
        ["ffmpeg", "-v", "error", "-nostdin", "-f", "lavfi", "-i",
         "sine=frequency=220:sample_rate=8000:duration=60", "-ac", "1", "-c:a", "libmp3lame",
         "-b:a", "8k", "-f", "mp3", "-"], capture_output=True, check=True).stdout
    frames, length = mpeg_frames(minute)
    with open(path + ".part", "wb") as f:
        f.write(b"".join(frames) * (int(seconds / length) + 1))
    os.replace(path + ".part", path)
    return path


def other_format(cache, kind, seconds):
    """A file of `kind` at least `seconds` long, from the cache or made there
    from a sine at 8 kHz mono. The Ogg is a minute of Vorbis repeated:
    streams one after another are one chained Ogg stream, which decoders
    play through, and far cheaper to make than hours of encoding."""
    path = os.path.join(cache, "%ds.%s" % (seconds, kind))
    if os.path.exists(path):
        return path
    os.makedirs(cache, exist_ok=True)
    codec = {"ogg": ["-c:a", "libvorbis", "-q:a", "0"], "flac": ["-c:a", "flac"],
             "wav": ["-c:a", "pcm_s16le"]}[kind]
    length = 60 if kind == "ogg" else seconds
    data = subprocess.run(
        ["ffmpeg", "-v", "error", "-nostdin", "-f", "lavfi", "-i",
         "sine=frequency=220:sample_rate=8000:duration=%d" % length, "-ac", "1"] + codec +
        ["-f", kind, "-"], capture_output=True, check=True).stdout
    with open(path + ".part", "wb") as f:
        f.write(data * (seconds // length))
    os.replace(path + ".part", path)
    return path


def faults_for(name, good):
    """(label, how) pairs; how is bytes to write, or a special kind."""
    size = len(good)
    noise = random.Random(name).randbytes(size)
    other = "duck.asc" if name.endswith(".bmp") else "image4.bmp"
    cases = [("missing", "missing"), ("empty", b""), ("half", good[:size // 2]),
             ("ten bytes", good[:10]), ("random", noise), ("other kind", ("copy", other)),
             ("folder", "folder"), ("fifo", "fifo"), ("/dev/zero", "devzero")]
    if name.endswith(".bmp"):
        cases.append(("16384 x 16384 declared", bmp(16384, 16384, b"\0" * 4000, 0)))
    elif name.endswith(".asc"):
        text = good.decode("latin-1")
        head = text.split("Vertex list:")[0]
        huge = re.sub(r"Vertices:\s*\d+", "Vertices: 10000000", head, count=1)
        huge = re.sub(r"Faces:\s*\d+", "Faces: 10000000", huge, count=1)
        cases.append(("counts of ten million", (huge + "Vertex list:" +
                                                 text.split("Vertex list:", 1)[1]).encode()))
        cases.append(("indices out of range",
                      re.sub(r"A:\d+", "A:99999999", text, count=50).encode("latin-1")))
    else:
        cases.append(("frame sync and garbage", b"\xff\xfb\x90\x64" + noise[:4000]))
        cases += [(label, ("long", seconds)) for label, seconds in LONG_MUSIC]
        cases += [(label, ("format", kind, seconds)) for label, kind, seconds in OTHER_FORMATS]
    return cases


def make_pack(good_dir, work, name, how):
    os.makedirs(work)
    for asset in ASSETS:
        if asset != name:
            os.symlink(os.path.join(good_dir, asset), os.path.join(work, asset))
    target = os.path.join(work, name)
    if how == "missing":
        return
    if how == "folder":
        os.mkdir(target)
    elif how == "fifo":
        os.mkfifo(target)
    elif how == "devzero":
        os.symlink("/dev/zero", target)
    elif isinstance(how, tuple) and how[0] == "long":
        cache = os.path.join(os.path.dirname(work), CACHE)
        os.symlink(long_music(cache, how[1]), target)
    elif isinstance(how, tuple) and how[0] == "format":
        cache = os.path.join(os.path.dirname(work), CACHE)
        os.symlink(other_format(cache, how[1], how[2]), target)
    elif isinstance(how, tuple):
        shutil.copyfile(os.path.join(good_dir, how[1]), target)
    else:
        with open(target, "wb") as f:
            f.write(how)


def read_png(path):
    """Rows of an 8-bit RGB, non-interlaced PNG, as bytes each."""
    data = open(path, "rb").read()
    at, width, height, idat = 8, 0, 0, b""
    while at < len(data):
        length, kind = struct.unpack(">I4s", data[at:at + 8])
        body = data[at + 8:at + 8 + length]
        if kind == b"IHDR":
            width, height = struct.unpack(">II", body[:8])
        elif kind == b"IDAT":
            idat += body
        at += 12 + length
    raw, stride, rows, prior = zlib.decompress(idat), 3 * width, [], bytearray(3 * width)
    for y in range(height):
        line = raw[y * (stride + 1):(y + 1) * (stride + 1)]
        kind, cur = line[0], bytearray(line[1:])
        for i in range(stride):
            a = cur[i - 3] if i >= 3 else 0
            b, c = prior[i], prior[i - 3] if i >= 3 else 0
            if kind == 1: cur[i] = (cur[i] + a) & 255
            elif kind == 2: cur[i] = (cur[i] + b) & 255
            elif kind == 3: cur[i] = (cur[i] + (a + b) // 2) & 255
            elif kind == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                cur[i] = (cur[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        rows.append(bytes(cur))
        prior = cur
    return rows


def tile(rows, index):
    tw, th = FRAME[0] // 2, FRAME[1] // 2
    font = max(9, min(28, th // 16))
    label = font * 3 // 2 + 4
    x = MARGIN + (index % COLUMNS) * (tw + MARGIN)
    y = MARGIN + (index // COLUMNS) * (th + label + MARGIN)
    return [r[3 * x:3 * (x + tw)] for r in rows[y:y + th]]


def run_measured(command, timeout):
    """Status, stderr and peak resident memory in MB of one run."""
    with tempfile.TemporaryFile() as err:
        child = subprocess.Popen(command, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                 stderr=err)
        deadline = time.monotonic() + timeout
        while True:
            # wait4 gives this child's own usage, whatever else runs beside it.
            pid, status, usage = os.wait4(child.pid, os.WNOHANG)
            if pid:
                break
            if time.monotonic() > deadline:
                child.kill()
                os.wait4(child.pid, 0)
                child.returncode = -9
                raise subprocess.TimeoutExpired(command, timeout)
            time.sleep(0.05)
        child.returncode = os.waitstatus_to_exitcode(status)
        err.seek(0)
        return child.returncode, err.read().decode(errors="replace"), usage.ru_maxrss // 1024


def run_capture(capture, pack, out):
    # A missing file is one of the faults: the pack may be partial.
    command = [capture, "--sheet", out, "--size", "%dx%d" % FRAME, "--level", "0",
               "--partial-pack", "--data", pack]
    for _ in range(3):
        status, stderr, peak = run_measured(command, 300)
        report = any(mark in stderr for mark in SANITIZER_MARKS)
        if TRACER_DIED in stderr and not report:
            continue
        return status, stderr, report, peak
    return status, stderr, report, peak


def check(capture, good_dir, work, good_rows, name, label, how):
    pack = os.path.join(work, "%s-%s" % (name, label.replace(" ", "-").replace("/", "")))
    make_pack(good_dir, pack, name, how)
    out = pack + ".png"
    try:
        status, stderr, report, peak = run_capture(capture, pack, out)
    except subprocess.TimeoutExpired:
        return name, label, "hangs"
    if report:
        return name, label, "sanitizer report:\n" + stderr
    if status != 0:
        return name, label, "status %d: %s" % (status, stderr.strip()[-400:])
    if label in dict(LONG_MUSIC) or label in [f[0] for f in OTHER_FORMATS]:
        if peak > MAX_PEAK_MB:
            return name, label, "%d MB at its peak, over %d MB" % (peak, MAX_PEAK_MB)
        refused = REFUSED if label in dict(LONG_MUSIC) else REFUSED_FORMAT
        if refused not in stderr:
            return name, label, "not refused: %s" % stderr.strip()[-400:]
    rows = read_png(out)
    changed = [i for i in range(16) if i not in USED_BY[name] and tile(rows, i) != tile(good_rows, i)]
    if changed:
        return name, label, "tiles %s changed, which do not show %s" % (
            [i + 1 for i in changed], name)
    return name, label, "ok (%d MB)" % peak


def clear(work):
    """Empties WORK_DIR but for the cached long music."""
    os.makedirs(work, exist_ok=True)
    for entry in os.listdir(work):
        if entry != CACHE:
            path = os.path.join(work, entry)
            if os.path.isdir(path) and not os.path.islink(path):
                shutil.rmtree(path, ignore_errors=True)
            else:
                os.remove(path)


def main():
    capture, good_dir, work = (os.path.abspath(a) for a in sys.argv[1:4])
    jobs = int(sys.argv[4]) if len(sys.argv) > 4 else 2
    only = sys.argv[5] if len(sys.argv) > 5 else ""
    clear(work)
    good_png = os.path.join(work, "good.png")
    status, stderr, report, _ = run_capture(capture, good_dir, good_png)
    if status != 0 or report:
        print("the good pack fails: status %d\n%s" % (status, stderr))
        return 1
    good_rows = read_png(good_png)
    cases = []
    for name in ASSETS:
        good = open(os.path.join(good_dir, name), "rb").read()
        cases += [(name, label, how) for label, how in faults_for(name, good)
                  if only in name + " " + label]
    failures = 0
    with concurrent.futures.ThreadPoolExecutor(jobs) as pool:
        runs = [pool.submit(check, capture, good_dir, work, good_rows, *case) for case in cases]
        for run in runs:
            name, label, outcome = run.result()
            failures += not outcome.startswith("ok")
            print("%-17s %-24s %s" % (name, label, outcome))
    print("%d cases, %d failed" % (len(cases), failures))
    if failures == 0:
        clear(work)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
