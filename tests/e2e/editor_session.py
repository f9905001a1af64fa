"""Runs TobureModeler.exe under Wine and drives it from outside.

Shared by the end-to-end test (run_e2e.py) and the headless run
(scripts/run.sh). Standard library only; the clicks and the screen capture
use xdotool and ImageMagick's import / convert.
"""
import argparse
import collections
import os
import re
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import time
import zipfile

BACKGROUND = (0x1E, 0x3C, 0x5A)
TEXT_BAND = 30  # rows at the top of the view that hold the progress line
PRODUCT_TITLE = "とぶれモデラー"
COMMAND_NEW = 1000      # opens a plug-in
COMMAND_OPEN = 1001     # opens a work file
COMMAND_SAVE = 1002
COMMAND_SAVE_AS = 1003
IDOK = 1


class SessionError(Exception):
    pass


def windows_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def decode_debug_string(escaped):
    """The bytes of a C-escaped string as Wine's debugstr prints it, as cp932 text."""
    out = bytearray()
    i = 0
    simple = {"n": 10, "t": 9, "r": 13, "\\": 92, '"': 34, "'": 39, "0": 0, "a": 7, "b": 8, "f": 12, "v": 11}
    while i < len(escaped):
        c = escaped[i]
        if c == "\\" and i + 1 < len(escaped):
            n = escaped[i + 1]
            if n == "x" and re.match(r"[0-9a-fA-F]{2}", escaped[i + 2:i + 4]):
                out.append(int(escaped[i + 2:i + 4], 16))
                i += 4
                continue
            if n in simple:
                out.append(simple[n])
                i += 2
                continue
        out += c.encode("latin-1", "replace")
        i += 1
    return out.decode("cp932", "replace")


# Wine cuts a long string short and marks it with "...".
DEBUG_LINE = re.compile(r'OutputDebugStringA "(.*)"(?:\.\.\.)?\s*$')


def debug_lines(stderr_text):
    """The editor's log lines from Wine's stderr (WINEDEBUG=warn+debugstr); long ones only begin."""
    lines = []
    for line in stderr_text.splitlines():
        match = DEBUG_LINE.search(line)
        if match:
            lines.append(decode_debug_string(match.group(1)).rstrip("\n"))
    return lines


class Frame:
    """A dumped back buffer: width, height and rows of (r, g, b) from the top."""

    def __init__(self, data):
        if data[:2] != b"BM":
            raise SessionError("the frame dump is not a BMP file")
        offset, = struct.unpack_from("<I", data, 10)
        width, height = struct.unpack_from("<ii", data, 18)
        bits, = struct.unpack_from("<H", data, 28)
        if bits not in (24, 32):
            raise SessionError("unexpected frame dump depth %d" % bits)
        step = bits // 8
        stride = (width * step + 3) & ~3
        self.width, self.height = width, abs(height)
        self.rows = []
        for y in range(self.height):
            source = self.height - 1 - y if height > 0 else y
            start = offset + source * stride
            row = data[start:start + width * step]
            self.rows.append([(row[x + 2], row[x + 1], row[x]) for x in range(0, width * step, step)])

    def band(self, top, bottom):
        return self.rows[top:bottom]

    def unfilled_regions(self, minimum_area=40):
        """Areas of background colour enclosed by drawn lines below the progress line,
        largest first, each as the pixel list of one connected area: the insides of the
        wireframe guide of unfilled faces."""
        width, height = self.width, self.height
        seen = [[False] * width for _ in range(height)]
        regions = []
        for y0 in range(TEXT_BAND, height):
            for x0 in range(width):
                if seen[y0][x0] or self.rows[y0][x0] != BACKGROUND:
                    continue
                pixels, touches_edge = [], False
                queue = collections.deque([(x0, y0)])
                seen[y0][x0] = True
                while queue:
                    x, y = queue.popleft()
                    pixels.append((x, y))
                    if x in (0, width - 1) or y in (TEXT_BAND, height - 1):
                        touches_edge = True
                    for nx, ny in ((x + 1, y), (x - 1, y), (x, y + 1), (x, y - 1)):
                        if TEXT_BAND <= ny < height and 0 <= nx < width and not seen[ny][nx] \
                                and self.rows[ny][nx] == BACKGROUND:
                            seen[ny][nx] = True
                            queue.append((nx, ny))
                if not touches_edge and len(pixels) >= minimum_area:
                    regions.append(pixels)
        regions.sort(key=len, reverse=True)
        return regions


def inner_point(pixels):
    """The pixel of an area farthest from its edge, approximately: the one nearest
    to the area's centre whose neighbours two pixels away all belong to it."""
    members = set(pixels)
    cx = sum(p[0] for p in pixels) / len(pixels)
    cy = sum(p[1] for p in pixels) / len(pixels)

    def deep(p):
        x, y = p
        return all((x + dx, y + dy) in members for dx in (-2, 0, 2) for dy in (-2, 0, 2))

    candidates = [p for p in pixels if deep(p)] or pixels
    return min(candidates, key=lambda p: (p[0] - cx) ** 2 + (p[1] - cy) ** 2)


def read_work_file(path):
    """Progress kept in a work file: the mesh path and, per part, (name, faces,
    solid faces, current, visible)."""
    with zipfile.ZipFile(path) as archive:
        if archive.comment[:16] != b"_TBM_SERIALIZE01":
            raise SessionError("%s is not a work file" % path)
        mesh = archive.read("_TBM_SERIALIZE_MAIN_MESH_FILE").decode("cp932")
        parts = []
        while "_TBM_SERIALIZE_PARTS_FILE_%d" % len(parts) in archive.namelist():
            record = archive.read("_TBM_SERIALIZE_PARTS_FILE_%d" % len(parts))
            header, name_length, subsets, faces, current, visible = struct.unpack_from("<6I", record)
            name = record[header:header + name_length].decode("cp932")
            first_subset = header + name_length + 6 * faces
            solid = sum(struct.unpack_from("<I", record, first_subset + 32 * i + 12)[0] for i in range(subsets))
            parts.append((name, faces, solid, current, visible))
    return mesh, parts


def progress_text(parts):
    """The progress line that the view shows for this work, part 0 current."""
    faces = sum(p[1] for p in parts)
    solid = sum(p[2] for p in parts)
    return "Total %d / %d : Part %d / %d" % (solid, faces, parts[0][2], parts[0][1])


class Session:
    """One editor process on the current DISPLAY with its frame dump and log."""

    def __init__(self, editor_dir, driver, work_dir, wine=None, wineserver=None, prefix=None, wine_run=None):
        self.editor_dir = editor_dir
        self.driver_exe = driver
        self.work_dir = work_dir
        self.wine = wine or os.environ["TOBURE_WINE"]
        self.wineserver = wineserver or os.environ["TOBURE_WINESERVER"]
        self.prefix = prefix or os.environ["TOBURE_WINEPREFIX"]
        self.wine_run = wine_run
        self.dump = os.path.join(work_dir, "frame.bmp")
        self.process = None
        self.runs = 0
        self.stderr_path = None
        self.env = dict(os.environ, WINEPREFIX=self.prefix, LANG=os.environ.get("LANG", "ja_JP.UTF-8"),
                        WINEDLLOVERRIDES=os.environ.get("WINEDLLOVERRIDES", "mscoree,mshtml="))
        self.env.pop("TOBURE_FRAME_DUMP", None)

    # Wine and the driver

    def prepare_prefix(self):
        """Makes the prefix on first use, the way every other test run does."""
        if self.wine_run:
            env = dict(self.env, TOBURE_WINE=self.wine, TOBURE_WINEPREFIX=self.prefix,
                       TOBURE_WINESERVER=self.wineserver)
            subprocess.run([self.wine_run, self.driver_exe, "ping"], env=env, timeout=240,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def driver(self, *args, timeout=60, check=True):
        env = dict(self.env, WINEDEBUG="-all")
        with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
            try:
                rc = subprocess.run([self.wine, self.driver_exe] + [str(a) for a in args], env=env,
                                    stdin=subprocess.DEVNULL, stdout=out, stderr=err, timeout=timeout).returncode
            except subprocess.TimeoutExpired:
                raise SessionError("driver %s timed out" % " ".join(map(str, args)))
            out.seek(0)
            err.seek(0)
            text = out.read().decode("cp932", "replace").replace("\r\n", "\n")
            error = err.read().decode("cp932", "replace").strip()
        if check and rc != 0:
            raise SessionError("driver %s failed (%d): %s" % (" ".join(map(str, args)), rc, error))
        return text.rstrip("\n")

    # The editor process

    def start(self):
        self.runs += 1
        self.stderr_path = os.path.join(self.work_dir, "editor-%d.stderr" % self.runs)
        for stale in (self.dump, self.dump + ".part"):
            if os.path.exists(stale):
                os.remove(stale)
        env = dict(self.env, TOBURE_FRAME_DUMP=windows_path(self.dump),
                   WINEDEBUG=os.environ.get("TOBURE_E2E_WINEDEBUG", "-all,err+module,warn+debugstr"))
        with open(self.stderr_path, "wb") as err:
            self.process = subprocess.Popen([self.wine, os.path.join(self.editor_dir, "TobureModeler.exe")],
                                            cwd=self.editor_dir, env=env, stdin=subprocess.DEVNULL,
                                            stdout=subprocess.DEVNULL, stderr=err, start_new_session=True)
        self.driver("wait-window", PRODUCT_TITLE, 60000, timeout=90)
        return self.wait_frame(None)

    def wait_exit(self, timeout=30):
        try:
            return self.process.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            raise SessionError("the editor did not end by itself within %d s" % timeout)

    def kill(self):
        """Ends the editor started here, by its process id."""
        if self.process and self.process.poll() is None:
            try:
                os.killpg(self.process.pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
            self.process.wait(timeout=10)

    def log(self):
        if not self.stderr_path or not os.path.exists(self.stderr_path):
            return []
        with open(self.stderr_path, "rb") as f:
            return debug_lines(f.read().decode("latin-1"))

    # Frames

    def _stamp(self):
        try:
            st = os.stat(self.dump)
            return st.st_ino, st.st_mtime_ns, st.st_size
        except FileNotFoundError:
            return None

    def wait_frame(self, previous_stamp, timeout=20, settle=0.4):
        """The frame dumped after previous_stamp, once no new paint came for settle seconds."""
        deadline = time.monotonic() + timeout
        while True:
            stamp = self._stamp()
            if stamp and stamp != previous_stamp:
                time.sleep(settle)
                if self._stamp() == stamp:
                    with open(self.dump, "rb") as f:
                        frame = Frame(f.read())
                    frame.stamp = stamp
                    return frame
                continue
            if time.monotonic() > deadline:
                raise SessionError("no new frame was dumped within %d s" % timeout)
            time.sleep(0.1)

    def view_rect(self):
        return [int(v) for v in self.driver("view-rect").split()]

    # What a person does

    def open_through_dialog(self, command, path, expected_title):
        stamp = self._stamp()
        self.driver("command", command)
        self.driver("dialog-open", windows_path(path), 20000)
        self.driver("wait-window", expected_title, 20000)
        return self.wait_frame(stamp)

    def save_as(self, path):
        self.driver("command", COMMAND_SAVE_AS)
        self.driver("dialog-open", windows_path(path), 20000)
        target = os.path.splitext(path)[0] + ".tbs"
        self.driver("wait-window", windows_path(target) + " - " + PRODUCT_TITLE, 20000)
        return target

    def click(self, x, y):
        """A left click at view coordinates through X, and the frame painted after it."""
        left, top, _, _ = self.view_rect()
        stamp = self._stamp()
        subprocess.run(["xdotool", "mousemove", str(left + x), str(top + y)], check=True, timeout=10)
        time.sleep(0.1)
        subprocess.run(["xdotool", "click", "1"], check=True, timeout=10)
        return self.wait_frame(stamp)

    def turn(self, dx, dy, steps=8):
        """A right-button drag from the view's centre by dx, dy pixels; the frame after it."""
        left, top, width, height = self.view_rect()
        x, y = left + width // 2, top + height // 2
        stamp = self._stamp()
        subprocess.run(["xdotool", "mousemove", str(x), str(y), "mousedown", "3"], check=True, timeout=10)
        for step in range(1, steps + 1):
            time.sleep(0.05)
            subprocess.run(["xdotool", "mousemove", str(x + dx * step // steps), str(y + dy * step // steps)],
                           check=True, timeout=10)
        subprocess.run(["xdotool", "mouseup", "3"], check=True, timeout=10)
        return self.wait_frame(stamp)

    def fill_faces(self, frame, count):
        """Clicks the insides of up to count unfilled faces; the frames that changed."""
        changed, tried = [], set()
        for _ in range(count):
            points = [inner_point(region) for region in frame.unfilled_regions()]
            points = [p for p in points if p not in tried]
            if not points:
                break
            x, y = points[0]
            tried.add((x, y))
            after = self.click(x, y)
            if after.rows != frame.rows:
                changed.append(after)
            frame = after
        return frame, changed

    def press_escape(self):
        subprocess.run(["xdotool", "key", "Escape"], check=True, timeout=10)

    def screenshot(self, frame_path, out_png):
        """The X capture of the frame window with the dumped view composited at its place."""
        x_window = self.driver("x-window")
        frame_left, frame_top, _, _ = [int(v) for v in self.driver("frame-rect").split()]
        view_left, view_top, _, _ = self.view_rect()
        capture = out_png + ".window.png"
        subprocess.run(["import", "-window", x_window, capture], check=True, timeout=60)
        subprocess.run(["convert", capture, frame_path, "-geometry",
                        "+%d+%d" % (view_left - frame_left, view_top - frame_top), "-composite", out_png],
                       check=True, timeout=60)
        os.remove(capture)
        return out_png


def copy_editor(build_dir, target_dir):
    """The program with the folders and files it reads beside it."""
    shutil.copy2(os.path.join(build_dir, "TobureModeler.exe"), target_dir)
    if os.path.exists(os.path.join(build_dir, "help.chm")):
        shutil.copy2(os.path.join(build_dir, "help.chm"), target_dir)
    os.makedirs(os.path.join(target_dir, "plugin"))
    os.makedirs(os.path.join(target_dir, "save"))
    shutil.copy2(os.path.join(build_dir, "plugin", "sample.pin"), os.path.join(target_dir, "plugin"))


def demo(args):
    """Opens the sample, makes a few faces solid and writes a screenshot."""
    work = tempfile.mkdtemp(prefix="tobure-demo-")
    session = Session(args.build, args.driver, work, wine_run=args.wine_run)
    try:
        session.prepare_prefix()
        session.start()
        frame = session.open_through_dialog(COMMAND_NEW, os.path.join(args.build, "plugin", "sample.pin"),
                                            "新規 - " + PRODUCT_TITLE)
        frame = session.turn(-40, 30)
        frame, _ = session.fill_faces(frame, args.faces)
        kept = os.path.join(work, "view.bmp")
        shutil.copy2(session.dump, kept)
        session.screenshot(kept, os.path.abspath(args.out))
        session.press_escape()
        session.wait_exit()
    except Exception:
        print("\n".join(session.log()), file=sys.stderr)
        raise
    finally:
        session.kill()
        shutil.rmtree(work, ignore_errors=True)
    print(os.path.abspath(args.out))


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    sub = parser.add_subparsers(dest="command", required=True)
    shot = sub.add_parser("demo", help="open the sample, fill a few faces, write a screenshot")
    shot.add_argument("--build", required=True, help="folder of TobureModeler.exe, plugin/ and save/")
    shot.add_argument("--driver", required=True)
    shot.add_argument("--wine-run")
    shot.add_argument("--faces", type=int, default=6)
    shot.add_argument("--out", required=True)
    args = parser.parse_args()
    if args.command == "demo":
        demo(args)


if __name__ == "__main__":
    main()
