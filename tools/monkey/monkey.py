#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""A chaotic user for the calculator's window.

Starts the window under Xvfb with a small window manager and, for the given
minutes, sends a seeded random stream of clicks, keys, Chinese and formula
text, drags, wheel turns, clipboard changes and answers to the boxes and file
dialogs. Every 20 s it checks that the window is alive and answers a key (the
Edit menu opens on Alt+E and closes on Escape). A window that ends is started
again; a crash, a sanitizer report or a hang is a fault.

Each event is written to events.jsonl, and synced to disk, before it is sent,
so the log holds everything up to a crash or a hang; --replay sends a log's
events again. The window runs in a temporary home (HOME, the XDG folders, its
ini file, the worksheets it opens and saves), as the user "nobody" when this
runs as root, so that it can write nowhere else.

Exit status: 0 when nothing was found, 1 when a fault was, 2 when the run
could not be set up.
"""

import argparse
import datetime
import json
import os
import random
import re
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time
from pathlib import Path

REPO = Path(__file__).resolve().parents[2]
PACKAGES = ["xvfb", "xdotool", "openbox", "x11-utils", "x11-apps", "xclip"]

# The window's layout at its start size (client 1017 x 680 below the menu
# bar), as the parts move when it grows: see LayOut() in window/.
BASE_WIDTH, BASE_HEIGHT = 1017, 680

FORMULA_PIECES = [
    "Z=", "A=1", "B=A*2", "C=B/0", "1+2", "P*T", "(P+T)", "sin(", "cos(π/3)", "sqrt(2)",
    "max(1,2,3)", ")", "((", "]]", "{[<1>]}", "×", "÷", "π", "^2", "1E308*10", "-", "--",
    ";", "a=1;a=a+1", "//注释", "x=1/3", "\n", "\n", "abc", "E", ".", "0.000001",
    "Q=round(P/7,3)", "arctan(1)*4", "if", "=", "==", "<>", "IIF(1,2,3)",
]
CHINESE_PIECES = ["中文", "你好", "公式", "计算", "变量表", "结果", "×÷π", "《测试》", "，。", "一二三"]
KEYS = [
    "Return", "BackSpace", "Delete", "Tab", "shift+Tab", "Escape", "Left", "Right", "Up",
    "Down", "Home", "End", "Prior", "Next", "ctrl+a", "ctrl+c", "ctrl+x", "ctrl+v", "ctrl+z",
    "ctrl+y", "ctrl+shift+z", "shift+Insert", "ctrl+Insert", "shift+Delete", "ctrl+Home",
    "ctrl+End", "shift+End", "shift+Home", "F1", "F2", "F10", "Menu", "space", "Insert",
    "alt+f", "alt+e", "alt+r", "alt+t", "alt+a", "alt+h", "ctrl+s", "ctrl+o", "ctrl+n",
    "alt+F4",
]
BOX_KEYS = ["Return", "Escape", "space", "Tab", "y", "n", "alt+y", "alt+n", "Left", "Right"]
MENU_KEYS = ["Up", "Down", "Down", "Return", "Escape", "Left", "Right", "p", "c", "u", "t"]

WORKSHEETS = {
    "示例.txt": (["Z={80+2×[5+2×(1.5+1)]}/(P/T)", "Y=Z*2 //两倍"], ["P=100", "T=273.15"]),
    "变量多.txt": (["S=a+b+c"], [f"v{i}={i}" for i in range(300)] + ["a=1", "b=2", "c=3"]),
    "错误.txt": (["a=1", "a=a+1", "b=(1+2", "c=1/0"], ["a=5"]),
}


def log_note(*parts):
    print("monkey:", *parts, file=sys.stderr, flush=True)


def run(args, timeout=10, **kw):
    """Runs a helper program; never raises, returns (status, stdout)."""
    try:
        done = subprocess.run(args, capture_output=True, text=True, timeout=timeout, **kw)
        return done.returncode, done.stdout
    except (subprocess.TimeoutExpired, OSError):
        return -1, ""


def ensure_packages(extra):
    wanted = PACKAGES + extra
    script = 'source scripts/deps.sh && tessary_install_packages "$@"'
    status = subprocess.call(["bash", "-c", script, "_"] + wanted, cwd=REPO)
    if status != 0:
        raise SystemExit(f"monkey: could not install {' '.join(wanted)}")


# ---------------------------------------------------------------- the sandbox

class Sandbox:
    """A temporary home for the window, owned by the user it runs as."""

    def __init__(self, exe, keep):
        self.root = Path(tempfile.mkdtemp(prefix="tessary-monkey-"))
        self.keep = keep
        self.home = self.root / "home"
        self.work = self.home / "工作"
        self.runtime = self.root / "runtime"
        self.bin = self.root / "bin"
        self.app_dir = self.root / "app"
        self.opened = self.root / "opened.log"
        for d in (self.home, self.work, self.runtime, self.bin, self.app_dir,
                  self.home / ".config", self.home / ".local/share", self.home / ".cache"):
            d.mkdir(parents=True, exist_ok=True)
        # A copy of the program, so that its ini file lands beside it, here.
        self.exe = self.app_dir / "tessary"
        shutil.copy2(exe, self.exe)
        manual = Path(exe).parent / "Manual.pdf"
        if manual.exists():
            shutil.copy2(manual, self.app_dir / "Manual.pdf")
        # Links and the manual go to a stand-in opener that only notes them.
        opener = self.bin / "xdg-open"
        opener.write_text(f'#!/bin/sh\necho "$@" >> "{self.opened}"\n')
        opener.chmod(0o755)
        self.write_worksheets()
        self.uid = self.gid = None
        if os.geteuid() == 0:
            import pwd
            nobody = pwd.getpwnam("nobody")
            self.uid, self.gid = nobody.pw_uid, nobody.pw_gid
            for path in [self.root] + list(self.root.rglob("*")):
                os.lchown(path, self.uid, self.gid)
            self.opened.touch()
            os.chown(self.opened, self.uid, self.gid)
        # A folder the window may not write into: saving there must fail well.
        locked = self.work / "只读"
        locked.mkdir()
        (locked / "旧.txt").write_bytes("Z=1\r\n".encode("gbk"))
        locked.chmod(0o555)
        os.chmod(self.root, 0o755)
        self.runtime.chmod(0o700)

    def write_worksheets(self):
        def put(name, lines, rows=None):
            (self.work / name).write_bytes("\r\n".join(lines).encode("gbk", "replace") + b"\r\n")
            if rows is not None:
                stem = name.rsplit(".", 1)[0]
                (self.work / (stem + ".vle")).write_bytes(
                    "\r\n".join(rows).encode("gbk") + b"\r\n")

        for name, (formula, rows) in WORKSHEETS.items():
            put(name, formula, rows)
        put("长表.txt", [f"x{i}=x{i - 1}+1" if i > 1 else "x1=1" for i in range(1, 3001)],
            ["P=100"])
        put("长行.txt", ["Z=" + "+".join(["1"] * 40000)])
        put("空.txt", [""])
        (self.work / "乱码.txt").write_bytes(bytes(random.Random(7).randrange(256)
                                                for _ in range(4096)))
        (self.work / "目录.txt").mkdir()

    def env(self, display):
        env = {k: v for k, v in os.environ.items()
               if not k.startswith(("QT_", "XDG_", "DBUS_", "WAYLAND_", "SESSION_MANAGER"))}
        env.update({
            "DISPLAY": display,
            "HOME": str(self.home),
            "XDG_CONFIG_HOME": str(self.home / ".config"),
            "XDG_DATA_HOME": str(self.home / ".local/share"),
            "XDG_CACHE_HOME": str(self.home / ".cache"),
            "XDG_RUNTIME_DIR": str(self.runtime),
            "PATH": f"{self.bin}:/usr/local/bin:/usr/bin:/bin",
            "QT_QPA_PLATFORM": "xcb",
            "TMPDIR": str(self.root),
            "LANG": "C.UTF-8",
            "ASAN_OPTIONS": os.environ.get(
                "ASAN_OPTIONS", "detect_leaks=1:halt_on_error=1:abort_on_error=0"),
            "UBSAN_OPTIONS": os.environ.get("UBSAN_OPTIONS", "print_stacktrace=1:halt_on_error=1"),
        })
        supp = Path(__file__).with_name("lsan.supp")
        if supp.exists() and "LSAN_OPTIONS" not in os.environ:
            env["LSAN_OPTIONS"] = f"suppressions={supp}:print_suppressions=0"
        return env

    def demote(self):
        if self.uid is None:
            return None

        def drop():
            os.setgroups([])
            os.setgid(self.gid)
            os.setuid(self.uid)
        return drop

    def remove(self):
        if self.keep:
            return
        for path in self.root.rglob("*"):
            if path.is_dir():
                path.chmod(0o755)
        shutil.rmtree(self.root, ignore_errors=True)


# ---------------------------------------------------------------- the display

OPENBOX_RC = """<?xml version="1.0" encoding="UTF-8"?>
<openbox_config xmlns="http://openbox.org/3.4/rc">
  <focus><focusNew>yes</focusNew><followMouse>no</followMouse></focus>
  <placement><policy>Smart</policy><center>yes</center></placement>
  <desktops><number>1</number></desktops>
  <keyboard>
    <keybind key="A-F4"><action name="Close"/></keybind>
  </keyboard>
  <mouse>
    <dragThreshold>3</dragThreshold>
    <doubleClickTime>400</doubleClickTime>
    <context name="Client">
      <mousebind button="Left" action="Press"><action name="Focus"/><action name="Raise"/></mousebind>
      <mousebind button="Middle" action="Press"><action name="Focus"/><action name="Raise"/></mousebind>
      <mousebind button="Right" action="Press"><action name="Focus"/><action name="Raise"/></mousebind>
    </context>
    <context name="Titlebar">
      <mousebind button="Left" action="Drag"><action name="Move"/></mousebind>
      <mousebind button="Left" action="DoubleClick"><action name="ToggleMaximize"/></mousebind>
    </context>
    <context name="Close">
      <mousebind button="Left" action="Click"><action name="Close"/></mousebind>
    </context>
  </mouse>
</openbox_config>
"""


class Display:
    """Xvfb on a free display number, with openbox managing the windows."""

    def __init__(self, out):
        read_fd, write_fd = os.pipe()
        self.xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_fd), "-screen", "0", "1280x1024x24",
             "-nolisten", "tcp"], pass_fds=(write_fd,), stdout=subprocess.DEVNULL,
            stderr=open(out / "xvfb.log", "w"))
        os.close(write_fd)
        with os.fdopen(read_fd) as f:
            number = f.readline().strip()
        if not number:
            raise SystemExit("monkey: Xvfb did not start")
        self.name = f":{number}"
        rc = out / "openbox-rc.xml"
        rc.write_text(OPENBOX_RC)
        env = dict(os.environ, DISPLAY=self.name)
        self.wm = subprocess.Popen(["openbox", "--config-file", str(rc)], env=env,
                                   stdout=subprocess.DEVNULL, stderr=open(out / "openbox.log", "w"))
        time.sleep(0.5)

    def stop(self):
        for proc in (self.wm, self.xvfb):
            if proc.poll() is None:
                proc.terminate()
                try:
                    proc.wait(5)
                except subprocess.TimeoutExpired:
                    proc.kill()


class X:
    """xdotool and friends on one display."""

    def __init__(self, display):
        self.env = dict(os.environ, DISPLAY=display)

    def do(self, *args, timeout=10):
        return run(["xdotool", *map(str, args)], timeout=timeout, env=self.env)

    def windows(self, pid):
        status, out = self.do("search", "--onlyvisible", "--pid", pid)
        found = []
        for wid in out.split():
            info = self.info(int(wid))
            if info is not None:
                found.append(info)
        return found

    def info(self, wid):
        status, out = run(["xwininfo", "-id", str(wid)], env=self.env)
        if status != 0 or "IsViewable" not in out:
            return None
        def number(label):
            m = re.search(label + r":\s+(-?\d+)", out)
            return int(m.group(1)) if m else 0
        status, kind = run(["xprop", "-id", str(wid), "_NET_WM_WINDOW_TYPE"], env=self.env)
        return {
            "id": wid, "x": number("Absolute upper-left X"), "y": number("Absolute upper-left Y"),
            "w": number("Width"), "h": number("Height"),
            "popup": "Override Redirect State: yes" in out,
            "tooltip": "TOOLTIP" in kind,
            "dialog": "DIALOG" in kind,
        }

    def screenshot(self, path):
        status, _ = run(["sh", "-c", f'xwd -root -silent > "{path}.xwd"'], env=self.env)
        if status == 0 and shutil.which("convert"):
            if run(["convert", f"xwd:{path}.xwd", f"{path}.png"], timeout=30)[0] == 0:
                os.unlink(f"{path}.xwd")


# ---------------------------------------------------------------- the window

class App:
    """One start of the window after another, each with its own output file."""

    def __init__(self, sandbox, display, out, args):
        self.sandbox, self.display, self.out, self.args = sandbox, display, out, args
        self.proc = None
        self.starts = 0
        self.main = None
        self.menubar = 17
        self.peak_rss = 0

    def start(self):
        self.starts += 1
        self.stderr_path = self.out / f"start-{self.starts}.log"
        self.proc = subprocess.Popen(
            [str(self.sandbox.exe)] + self.args, cwd=self.sandbox.work,
            env=self.sandbox.env(self.display.name), stdin=subprocess.DEVNULL,
            stdout=open(self.stderr_path, "w"), stderr=subprocess.STDOUT,
            preexec_fn=self.sandbox.demote(), start_new_session=True)
        self.main = None
        self.killed = False
        deadline = time.time() + 60
        while time.time() < deadline and self.proc.poll() is None:
            normal = [w for w in X(self.display.name).windows(self.proc.pid)
                      if not w["popup"] and not w["dialog"]]
            if normal:
                self.main = normal[0]["id"]
                info = normal[0]
                if info["w"] == BASE_WIDTH:
                    self.menubar = max(10, min(40, info["h"] - BASE_HEIGHT))
                return True
            time.sleep(0.2)
        return False

    def alive(self):
        return self.proc is not None and self.proc.poll() is None

    def rss_mib(self):
        try:
            text = Path(f"/proc/{self.proc.pid}/status").read_text()
            kib = int(re.search(r"VmRSS:\s+(\d+)", text).group(1))
        except (OSError, AttributeError):
            return 0
        self.peak_rss = max(self.peak_rss, kib // 1024)
        return kib // 1024

    def report(self):
        """The sanitizer's or the program's own last words, if any."""
        try:
            text = self.stderr_path.read_text(errors="replace")
        except OSError:
            return ""
        for marker in ("ERROR: AddressSanitizer", "ERROR: LeakSanitizer", "runtime error:",
                       "Segmentation fault", "terminate called", "ASSERT"):
            if marker in text:
                return text[text.find(marker):][:4000]
        return ""

    def stop(self, how=signal.SIGKILL):
        if self.alive():
            self.killed = True
            try:
                os.killpg(self.proc.pid, how)
            except ProcessLookupError:
                pass
            try:
                self.proc.wait(10)
            except subprocess.TimeoutExpired:
                os.killpg(self.proc.pid, signal.SIGKILL)
                self.proc.wait()


# ---------------------------------------------------------------- events

class Monkey:
    def __init__(self, app, x, log, rng, sandbox):
        self.app, self.x, self.log, self.rng, self.sandbox = app, x, log, rng, sandbox
        self.clip = None  # an xclip that owns the clipboard for "another program"
        self.saved = 0

    # -- what is on the screen

    def windows(self):
        return self.x.windows(self.app.proc.pid) if self.app.alive() else []

    def target(self, wins):
        """The window a user would act on: a popup, else a dialog, else the main window."""
        popups = [w for w in wins if w["popup"] and not w["tooltip"]]
        if popups:
            return "popup", max(popups, key=lambda w: w["id"])
        dialogs = [w for w in wins if w["dialog"] or (not w["popup"] and w["id"] != self.app.main)]
        if dialogs:
            return "dialog", max(dialogs, key=lambda w: w["id"])
        main = [w for w in wins if w["id"] == self.app.main]
        return ("main", main[0]) if main else (None, None)

    def regions(self, w):
        mb = self.app.menubar
        dw = max(0, w["w"] - BASE_WIDTH)
        dh = max(0, w["h"] - mb - BASE_HEIGHT)
        top = dh // 2
        return {
            "menubar": (25, (0, 0, 330, mb)),
            "toolbar": (30, (0, mb, 380, mb + 28)),
            "funcbars": (25, (0, mb + 28, BASE_WIDTH + dw, mb + 113)),
            "calc": (14, (128, mb + 121, 189, mb + 143)),
            "formula": (60, (10, mb + 147, 560 + dw, mb + 307 + top)),
            "grid": (30, (562 + dw, mb + 147, 749 + dw, mb + 307 + top)),
            "result": (14, (10, mb + 311 + top, 752 + dw, mb + 471 + dh)),
            "prg": (12, (10, mb + 476 + dh, 752 + dw, mb + 546 + dh)),
            "act": (12, (10, mb + 553 + dh, 752 + dw, mb + 623 + dh)),
            "side": (12, (755 + dw, mb + 115, 1013 + dw, mb + 623)),
            "label": (2, (631 + dw, mb + 122, 749 + dw, mb + 141)),
            "status": (2, (0, w["h"] - 19, w["w"], w["h"])),
            "anywhere": (8, (0, 0, w["w"], w["h"])),
        }

    def point_in(self, box, w):
        x0, y0, x1, y1 = box
        x1, y1 = min(x1, w["w"] - 1), min(y1, w["h"] - 1)
        return self.rng.randint(x0, max(x0, x1)), self.rng.randint(y0, max(y0, y1))

    def main_point(self, w, name=None):
        regions = self.regions(w)
        if name is None:
            names = list(regions)
            name = self.rng.choices(names, [regions[n][0] for n in names])[0]
        return name, self.point_in(regions[name][1], w)

    # -- choosing

    def next_event(self):
        kind, w = self.target(self.windows())
        if kind is None:
            return None
        if kind == "popup":
            return self.popup_event(w)
        if kind == "dialog":
            return self.dialog_event(w)
        return self.main_event(w)

    def popup_event(self, w):
        if self.rng.random() < 0.6:
            return {"op": "click", "win": "popup", "button": 1,
                    "at": self.point_in((2, 2, w["w"] - 2, w["h"] - 2), w)}
        return {"op": "key", "win": "popup", "keys": self.rng.choice(MENU_KEYS)}

    def dialog_event(self, w):
        if w["w"] >= 400 and w["h"] >= 300:  # a file dialog: keys only, names inside the home
            r = self.rng.random()
            if r < 0.55:
                return {"op": "filename", "win": "dialog", "path": self.file_name()}
            if r < 0.75:
                return {"op": "key", "win": "dialog", "keys": "Return"}
            return {"op": "key", "win": "dialog", "keys": "Escape"}
        if self.rng.random() < 0.5:
            return {"op": "click", "win": "dialog", "button": 1,
                    "at": self.point_in((0, 0, w["w"], w["h"]), w)}
        return {"op": "key", "win": "dialog", "keys": self.rng.choice(BOX_KEYS)}

    def file_name(self):
        work = self.sandbox.work
        choices = [str(work / n) for n in WORKSHEETS] + [
            str(work / "长表.txt"), str(work / "长行.txt"), str(work / "空.txt"),
            str(work / "乱码.txt"), str(work / "目录.txt"), str(work / "只读" / "新.txt"),
            str(work / "只读" / "旧.txt"), str(work / "没有这个文件.txt"),
            str(work / "没有的目录" / "表.txt"), str(work / "无扩展名"),
            str(work / "带 空格 的表.txt")]
        self.saved += 1
        choices.append(str(work / f"新表{self.saved % 7}.txt"))
        return self.rng.choice(choices)

    def main_event(self, w):
        r = self.rng.random()
        pick = self.rng.choice
        if r < 0.28:
            name, at = self.main_point(w)
            clicks = self.rng.choices([1, 2, 3], [10, 2, 1])[0]
            return {"op": "click", "win": "main", "button": 1, "at": at, "repeat": clicks,
                    "where": name}
        if r < 0.33:
            name, at = self.main_point(w)
            return {"op": "click", "win": "main", "button": pick([2, 3]), "at": at, "where": name}
        if r < 0.45:
            return {"op": "type", "win": "main", "text": pick(FORMULA_PIECES)}
        if r < 0.50:
            return {"op": "type", "win": "main", "text": pick(CHINESE_PIECES)}
        if r < 0.66:
            return {"op": "key", "win": "main", "keys": pick(KEYS)}
        if r < 0.72:
            return self.drag_event(w)
        if r < 0.75:
            name, at = self.main_point(w)
            return {"op": "click", "win": "main", "button": pick([4, 5]),
                    "at": at, "repeat": self.rng.randint(1, 6), "where": name}
        if r < 0.81:
            name, at = self.main_point(w, "calc")
            return pick([{"op": "click", "win": "main", "button": 1, "at": at, "where": name},
                         {"op": "key", "win": "main", "keys": "alt+r"}])
        if r < 0.83:
            return {"op": "clip", "text": pick(FORMULA_PIECES + CHINESE_PIECES + [None, None])}
        if r < 0.85:
            return {"op": "resize", "w": self.rng.randint(300, 1270),
                    "h": self.rng.randint(200, 980)}
        if r < 0.86:
            return {"op": "resize", "w": BASE_WIDTH, "h": BASE_HEIGHT + self.app.menubar}
        if r < 0.87:
            return {"op": "second"}
        if r < 0.875:
            return pick([{"op": "key", "win": "main", "keys": "alt+F4"},
                         {"op": "menu", "win": "main", "menu": "alt+f", "item": "e"}])
        # A menu command by its keys: File and Edit hold the file dialogs and
        # the clipboard commands.
        return pick([{"op": "menu", "win": "main", "menu": "alt+f", "item": pick("npsa")},
                     {"op": "menu", "win": "main", "menu": "alt+e", "item": pick("utcp")},
                     {"op": "menu", "win": "main", "menu": "alt+h", "item": pick("am")}])

    def drag_event(self, w):
        regions = self.regions(w)
        if self.rng.random() < 0.4:
            # Select a line in a read-only pane, press on it and move into
            # the formula pane in two quick moves.
            pane = self.rng.choice(["result", "prg", "act"])
            x0, y0, x1, _ = regions[pane][1]
            y = y0 + 8
            start = (x0 + 4, y)
            mid = (x0 + self.rng.randint(40, 300), y)
            on = (x0 + self.rng.randint(8, 40), y)
            _, into = self.main_point(w, "formula")
            return {"op": "drag", "win": "main", "path": [start, mid], "then": [on,
                    ((on[0] + into[0]) // 2, (on[1] + into[1]) // 2), into],
                    "pause": self.rng.choice([0, 0, 0.03])}
        _, a = self.main_point(w)
        steps = [self.main_point(w)[1] for _ in range(self.rng.randint(1, 3))]
        return {"op": "drag", "win": "main", "path": [a] + steps,
                "pause": self.rng.choice([0, 0.03, 0.1])}

    # -- sending

    def resolve(self, event):
        """The window an event is meant for, if it is on the screen."""
        want = event.get("win")
        if want is None:
            return {}
        kind, w = self.target(self.windows())
        if want == "main":
            main = [v for v in self.windows() if v["id"] == self.app.main]
            return main[0] if main and kind == "main" else None
        return w if kind == want else None

    def focus(self, w):
        if w.get("popup"):
            return
        status, active = self.x.do("getactivewindow")
        if active.strip() != str(w["id"]):
            self.x.do("windowactivate", w["id"])
            time.sleep(0.1)

    def send(self, event):
        op = event["op"]
        if op in ("start", "check", "note"):
            return True
        if op == "shot":  # for replays: what the screen shows at this point
            self.x.screenshot(self.app.out / f"shot-{self.log.count}")
            return True
        if op == "wait":
            time.sleep(event["s"])
            return True
        if op == "clip":
            self.set_clipboard(event["text"])
            return True
        if op == "second":
            try:
                proc = subprocess.run([str(self.sandbox.exe), "--no-board"],
                                      cwd=self.sandbox.work,
                                      env=self.sandbox.env(self.app.display.name),
                                      preexec_fn=self.sandbox.demote(), capture_output=True,
                                      timeout=60)
            except subprocess.TimeoutExpired:
                return "a second start did not end within 60 s"
            return proc.returncode == 0 or f"a second start ended with {proc.returncode}"
        w = self.resolve(event)
        if w is None:
            return "skipped: its window is not there"
        if op == "resize":
            self.x.do("windowsize", self.app.main, event["w"], event["h"])
            return True
        self.focus(w)
        ox, oy = w.get("x", 0), w.get("y", 0)
        if op == "click":
            x, y = event["at"]
            self.x.do("mousemove", ox + x, oy + y, "click", "--repeat", event.get("repeat", 1),
                      "--delay", 60, event["button"])
        elif op == "key":
            self.x.do("key", "--delay", 30, event["keys"])
        elif op == "type":
            # Characters beyond the keyboard map are typed by remapping a key,
            # which needs time between the keys or they get lost.
            delay = 25 if event["text"].isascii() else 80
            self.x.do("type", "--delay", delay, event["text"], timeout=30)
        elif op == "filename":
            self.x.do("key", "ctrl+a")
            self.x.do("type", "--delay", 10, event["path"], timeout=30)
            self.x.do("key", "Return")
        elif op == "menu":
            self.x.do("key", event["menu"])
            time.sleep(0.4)
            self.x.do("key", event["item"])
        elif op == "drag":
            pause = event.get("pause", 0)
            self.drag(ox, oy, event["path"], pause)
            if "then" in event:
                time.sleep(0.2)
                self.drag(ox, oy, event["then"], pause)
        return True

    def drag(self, ox, oy, path, pause):
        args = ["mousemove", ox + path[0][0], oy + path[0][1], "mousedown", 1]
        for x, y in path[1:]:
            args += (["sleep", pause] if pause else []) + ["mousemove", ox + x, oy + y]
        args += ["mouseup", 1]
        self.x.do(*args)

    def set_clipboard(self, text):
        """Another program owns the clipboard with text, or (None) no program does."""
        if self.clip is not None and self.clip.poll() is None:
            self.clip.terminate()
            self.clip.wait()
        self.clip = None
        if text is not None:
            self.clip = subprocess.Popen(
                ["xclip", "-selection", "clipboard", "-quiet"], stdin=subprocess.PIPE,
                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, env=self.x.env)
            self.clip.stdin.write(text.encode())
            self.clip.stdin.close()

    def stop(self):
        self.set_clipboard(None)

    # -- is it alive?

    def check(self, timeout):
        """Closes what is open with Escape, then opens the Edit menu with Alt+E
        and closes it again. A key may get lost while a window is still
        coming up, so each is sent again until the time is out. Returns None
        when the window answered, else what went wrong."""
        deadline = time.time() + timeout
        asked = None   # the key last sent, and when
        sent_at = 0.0
        state = "no window is visible"
        while time.time() < deadline:
            if not self.app.alive():
                return None  # it was closed; its exit is judged elsewhere
            kind, w = self.target(self.windows())
            if kind == "popup" and asked == "alt+e":
                self.x.do("key", "Escape")
                gone = self.wait(lambda: self.target(self.windows())[0] != "popup",
                                 max(1.0, deadline - time.time()))
                # The menu bar keeps the keyboard until a second Escape.
                self.x.do("key", "Escape")
                return None if gone else "the Edit menu does not close on Escape"
            if kind in ("popup", "dialog"):
                state = f"a {kind} does not close on Escape"
                if asked != "Escape" or time.time() - sent_at > 3:
                    self.focus(w)
                    self.x.do("key", "Escape")
                    asked, sent_at = "Escape", time.time()
            elif kind == "main":
                state = "the Edit menu does not open on Alt+E"
                if asked != "alt+e" or time.time() - sent_at > 4:
                    self.focus(w)
                    self.x.do("key", "alt+e")
                    asked, sent_at = "alt+e", time.time()
            time.sleep(0.2)
        return state

    def wait(self, done, timeout):
        deadline = time.time() + timeout
        while time.time() < deadline:
            if not self.app.alive() or done():
                return True
            time.sleep(0.2)
        return False


class EventLog:
    """One JSON object per line, on disk before the event is sent."""

    def __init__(self, path):
        self.f = open(path, "a", encoding="utf-8")
        self.count = 0
        self.t0 = time.time()

    def write(self, event):
        self.count += 1
        event = dict(event, n=self.count, t=round(time.time() - self.t0, 2))
        self.f.write(json.dumps(event, ensure_ascii=False) + "\n")
        self.f.flush()
        os.fsync(self.f.fileno())
        return event


# ---------------------------------------------------------------- the run

class Run:
    def __init__(self, args):
        self.args = args
        self.faults = []

    def fault(self, kind, detail, app, x, log):
        n = len(self.faults) + 1
        shot = app.out / f"fault-{n}"
        x.screenshot(shot)
        backtrace = ""
        if kind == "hang" and app.alive() and shutil.which("gdb"):
            _, backtrace = run(["gdb", "-p", str(app.proc.pid), "-batch", "-ex",
                                "thread apply all bt 30"], timeout=120)
            (app.out / f"fault-{n}-backtrace.txt").write_text(backtrace)
        entry = {"fault": n, "kind": kind, "detail": detail, "start": app.starts,
                 "after_event": log.count, "output": app.stderr_path.name}
        self.faults.append(entry)
        log.write({"op": "note", "fault": entry})
        log_note(f"FAULT {n}: {kind} after event {log.count} (start {app.starts}): {detail}")

    def judge_exit(self, app, x, log):
        """The window has ended: a fault unless it closed normally."""
        if app.killed:
            return
        code = app.proc.returncode
        report = app.report()
        if code == 0 and not report:
            log.write({"op": "note", "exit": 0})
            return
        what = f"ended by signal {-code}" if code < 0 else f"exit status {code}"
        self.fault("crash", what + ("\n" + report if report else ""), app, x, log)

    def main(self):
        a = self.args
        build = Path(a.build).resolve()
        exe = Path(a.exe).resolve() if a.exe else build / "app" / "tessary"
        if not exe.is_file():
            raise SystemExit(f"monkey: {exe} is missing; build it first "
                             f"(cmake --build {build} --target tessary)")
        if not a.no_install:
            ensure_packages(["php-cli"] if a.board else [])
        seed = a.seed if a.seed is not None else random.SystemRandom().randrange(1, 2**31)
        stamp = datetime.datetime.now().strftime("%Y%m%d-%H%M%S")
        out = Path(a.out) if a.out else build / "monkey" / f"{stamp}-seed{seed}"
        out.mkdir(parents=True, exist_ok=True)
        log_note(f"seed {seed}, {a.minutes} min, {exe}, output in {out}")

        sandbox = Sandbox(exe, a.keep)
        display = Display(out)
        board = None
        app_args = ["--no-board", "--panels-active"]
        if a.board:
            with socket.socket() as s:
                s.bind(("127.0.0.1", 0))
                port = s.getsockname()[1]
            board = subprocess.Popen(["php", "-S", f"127.0.0.1:{port}", "-t",
                                      str(REPO / "tools/board")], stdout=subprocess.DEVNULL,
                                     stderr=subprocess.DEVNULL)
            app_args = [f"--board-url=http://127.0.0.1:{port}/scolbrd.php"]
        app = App(sandbox, display, out, app_args)
        x = X(display.name)
        log = EventLog(out / "events.jsonl")
        rng = random.Random(seed)
        monkey = Monkey(app, x, log, rng, sandbox)
        replay = None
        if a.replay:
            replay = [json.loads(line) for line in open(a.replay, encoding="utf-8")]
            last = a.replay_to if a.replay_to is not None else float("inf")
            replay = [e for e in replay
                      if e["op"] != "note" and a.replay_from <= e.get("n", 0) <= last]
        try:
            self.loop(a, app, x, log, monkey, replay)
        finally:
            monkey.stop()
            app.stop()
            if board is not None:
                board.terminate()
            display.stop()
            sandbox.remove()
        summary = {"seed": seed, "minutes": a.minutes, "events": log.count,
                   "starts": app.starts, "peak_rss_mib": app.peak_rss, "faults": self.faults,
                   "output": str(out)}
        (out / "summary.json").write_text(json.dumps(summary, ensure_ascii=False, indent=2))
        print(json.dumps(summary, ensure_ascii=False, indent=2))
        return 1 if self.faults else 0

    def loop(self, a, app, x, log, monkey, replay):
        end = time.time() + a.minutes * 60
        next_check = time.time() + a.check_every
        while time.time() < end:
            if replay is not None and not replay:
                break
            if not app.alive():
                if app.proc is not None:
                    self.judge_exit(app, x, log)
                log.write({"op": "start", "start": app.starts + 1})
                if not app.start():
                    self.fault("start", "no window within 60 s", app, x, log)
                    app.stop()
                    continue
                # The first event goes to a window that has shown it answers.
                problem = monkey.check(a.answer_timeout)
                if problem is not None:
                    self.fault("hang", "at start: " + problem, app, x, log)
                    app.stop()
                    continue
            if replay is not None:
                event = replay.pop(0)
                if event["op"] == "start":
                    continue
                event = {k: v for k, v in event.items() if k not in ("n", "t", "sent")}
            elif time.time() >= next_check:
                event = {"op": "check"}
            else:
                event = monkey.next_event()
                if event is None:
                    time.sleep(0.2)
                    continue
            if event["op"] == "check":
                log.write(event)
                problem = monkey.check(a.answer_timeout)
                rss = app.rss_mib() if app.alive() else 0
                log.write({"op": "note", "answered": problem is None and app.alive(),
                           "rss_mib": rss})
                if problem is None and rss > a.max_rss:
                    problem = f"{rss} MiB resident, more than {a.max_rss}"
                    self.fault("growth", problem, app, x, log)
                    app.stop()
                elif problem is not None:
                    self.fault("hang", problem, app, x, log)
                    app.stop()
                next_check = time.time() + a.check_every
                continue
            log.write(event)
            result = monkey.send(event)
            if result is not True:
                log.write({"op": "note", "result": result})
            time.sleep(monkey.rng.uniform(0.05, 0.35) if replay is None else 0.3)
        if app.alive():
            log.write({"op": "check"})
            problem = monkey.check(a.answer_timeout)
            if problem is not None:
                self.fault("hang", problem, app, x, log)
        elif app.proc is not None:
            self.judge_exit(app, x, log)


def parse_args(argv):
    p = argparse.ArgumentParser(description=__doc__.split("\n\n")[0],
                                formatter_class=argparse.RawDescriptionHelpFormatter)
    p.add_argument("--build", default=str(REPO / "build"),
                   help="build folder whose app/tessary is run (default: build; e.g. build-asan)")
    p.add_argument("--exe", help="the program to run, instead of BUILD/app/tessary")
    p.add_argument("--minutes", type=float, default=15, help="how long (default 15)")
    p.add_argument("--seed", type=int, help="seed of the event stream (default: a random one)")
    p.add_argument("--out", help="folder for the logs (default: BUILD/monkey/TIME-seedSEED)")
    p.add_argument("--check-every", type=float, default=20, help="seconds between checks")
    p.add_argument("--answer-timeout", type=float, default=15,
                   help="seconds the window may take to answer a key")
    p.add_argument("--max-rss", type=int, default=2048,
                   help="resident MiB above which the window counts as growing without bound")
    p.add_argument("--board", action="store_true",
                   help="serve the demo bulletin board (tools/board, needs php-cli)")
    p.add_argument("--replay", help="send the events of an events.jsonl again")
    p.add_argument("--replay-from", type=int, default=0, help="first event number to replay")
    p.add_argument("--replay-to", type=int, help="last event number to replay")
    p.add_argument("--keep", action="store_true", help="keep the temporary home")
    p.add_argument("--no-install", action="store_true", help="do not install missing packages")
    return p.parse_args(argv)


if __name__ == "__main__":
    sys.exit(Run(parse_args(sys.argv[1:])).main())
