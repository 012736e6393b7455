#!/usr/bin/env python3
"""Every command line that the README and the manual show for `receiver-emu` and `v7400` runs
briefly: the emulator's against a real simulator set up for it, the simulator's offscreen with
an emulator as its peer. A line fails on a usage error ("unknown argument", "try --help") or
when it ends by itself with a failure; one that needs hardware may end with "cannot open".
Lines come from the code blocks, and from inline code that starts with a program name and has
arguments. Placeholders such as <key string> get a value of their kind; the simulator's
address and ports become 127.0.0.1 and free ports; a shell variable, the scratch folder.

    documented_commands_e2e.py <bin-dir> <source-dir>
"""
import html
import os
import random
import re
import shlex
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time

PROGRAMS = ("receiver-emu", "v7400")
KEY = "00112233445566778899AABBCCDDEEFF"
USAGE_ERROR = re.compile(r"unknown argument|unexpected argument|try --help|usage:", re.I)
PLACEHOLDERS = [("key", KEY), ("port", "10000"), ("host", "127.0.0.1"), ("address", "127.0.0.1"),
                ("device", "/dev/ttyUSB0"), ("dir", "{work}"), ("file", "{work}/out.txt")]


class Failure(Exception):
    pass


def placeholder(match):
    for word, value in PLACEHOLDERS:
        if word in match.group(1).lower():
            return value
    raise Failure("no value for the placeholder %s (add one to PLACEHOLDERS)" % match.group(0))


def command(line, inline):
    """The words of a line that runs one of the programs, cut at a shell operator; else None."""
    if not line.split() or os.path.basename(line.split()[0]) not in PROGRAMS:
        return None
    line = re.sub(r"\$\{?\w+\}?", "{work}", line)  # a script's folder variable
    try:
        words = shlex.split(re.sub(r"<([^<>]+)>", placeholder, line), comments=True)
    except Failure as failure:
        return [line.split()[0], failure]
    cut = [i for i, w in enumerate(words) if w in ("|", "&&", ";", ">", ">>", "<", "&")]
    words = words[:cut[0]] if cut else words
    if inline and (len(words) < 2 or any("..." in w for w in words)):
        return None  # prose naming a program, or eliding its arguments
    return words


def documented(source_dir):
    read = lambda *path: open(os.path.join(source_dir, *path), encoding="utf-8").read()
    readme, manual = read("README.md"), read("docs", "help", "V7400Manual.html")
    untag = lambda text: html.unescape(re.sub(r"<[^>]+>", "", text))
    blocks = re.findall(r"```[^\n]*\n(.*?)```", readme, re.S)
    blocks += [untag(b) for b in re.findall(r"<pre>(.*?)</pre>", manual, re.S)]
    spans = re.findall(r"`([^`\n]+)`", re.sub(r"```.*?```", "", readme, flags=re.S))
    spans += [untag(c) for c in re.findall(r"<code>(.*?)</code>", manual)]
    lines = [(l, False) for b in blocks for l in re.sub(r"\\\n", " ", b).splitlines()]
    commands = []
    for line, inline in lines + [(s, True) for s in spans]:
        words = command(line.strip(), inline)
        if words and words not in commands:
            commands.append(words)
    return commands


def listening(port):
    """Whether a program has taken the UDP port."""
    with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as s:
        try:
            s.bind(("0.0.0.0", port))
            return False
        except OSError:
            return True


class Simulator:
    """The program offscreen in a directory of its own, on a UDP link to 127.0.0.1:emu_port."""

    def __init__(self, bin_dir, frame_format="sia", masked_key=""):
        self.work = tempfile.mkdtemp(prefix="v7400-docs-")
        self.emu_port = random.randrange(20000, 40000, 2)
        self.sim_port = self.emu_port + 1
        shutil.copy2(os.path.join(bin_dir, "v7400"), self.work)
        with open(os.path.join(self.work, "APSsets.sys"), "w", newline="") as f:
            f.write("".join("%s\r\n" % v for v in [
                1, 8, 0, 1, 9600, 0, 1, "127.0.0.1", self.emu_port, self.sim_port, 19, 1,
                1 if masked_key else 0, masked_key, ""]))
        os.makedirs(os.path.join(self.work, "config", "Corvane"))
        with open(os.path.join(self.work, "config", "Corvane", "V7400.conf"), "w") as f:
            f.write("[SOFTWARE]\nCorvane\\V7400\\para\\AutomationFormat=%d\n"
                    % (frame_format.lower() == "sia"))
        self.env = dict(os.environ, QT_QPA_PLATFORM="offscreen", HOME=self.work,
                        XDG_CONFIG_HOME=os.path.join(self.work, "config"), XDG_RUNTIME_DIR=self.work)
        self.process = None

    def start(self):
        self.process = subprocess.Popen([os.path.join(self.work, "v7400")], cwd=self.work,
                                        env=self.env, stderr=subprocess.DEVNULL)
        deadline = time.time() + 10
        while not listening(self.sim_port):
            if self.process.poll() is not None or time.time() > deadline:
                raise Failure("the simulator never listened on UDP port %d" % self.sim_port)
            time.sleep(0.1)
        return self

    def stop(self):
        if self.process and self.process.poll() is None:
            self.process.send_signal(signal.SIGTERM)
            self.process.wait(timeout=10)
        shutil.rmtree(self.work, ignore_errors=True)


def run_briefly(words, argv, cwd, env):
    """Runs the line for 2.5 s at most and judges how it went."""
    argv = [w.replace("{work}", cwd) for w in argv]
    process = subprocess.Popen(argv, cwd=cwd, env=env, stdout=subprocess.PIPE,
                               stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL)
    try:
        output, status = process.communicate(timeout=2.5)[0], process.returncode
    except subprocess.TimeoutExpired:
        process.send_signal(signal.SIGTERM)
        output, status = process.communicate(timeout=10)[0], None
    output = output.decode("utf-8", "replace")
    if status not in (None, 0) and USAGE_ERROR.search(output):
        raise Failure("%s: a usage error:\n%s" % (" ".join(words), output))
    if status == 3 and "cannot open" in output:
        return "cannot open (needs hardware)"
    if status not in (None, 0):
        raise Failure("%s: exit status %s:\n%s" % (" ".join(words), status, output))
    return "ran" if status is None else "ended with 0"


def aimed_at(argv, sim):
    """The line with the simulator's address and port after --udp and the emulator's port after
    --local-port (added when missing, so the answers come back)."""
    argv = list(argv)
    for i, word in enumerate(argv):
        if word == "--udp":
            argv[i + 1:i + 3] = ["127.0.0.1", str(sim.sim_port)]
        elif word == "--local-port":
            argv[i + 1] = str(sim.emu_port)
    return argv if "--local-port" in argv else argv + ["--local-port", str(sim.emu_port)]


def value(words, name):
    return next((words[i + 1] for i, w in enumerate(words[:-1]) if w == name), None)


def run_line(words, bin_dir, simulators):
    emulator = os.path.join(bin_dir, "receiver-emu")
    if os.path.basename(words[0]) == "v7400":
        sim = Simulator(bin_dir)
        peer = subprocess.Popen([emulator, "--udp", "127.0.0.1", str(sim.sim_port), "--local-port",
                                 str(sim.emu_port), "--count", "0", "--rate", "5"],
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            return run_briefly(words, [os.path.join(sim.work, "v7400")] + words[1:], sim.work,
                               sim.env)
        finally:
            peer.send_signal(signal.SIGTERM)
            peer.wait(timeout=10)
            sim.stop()
    argv = [emulator] + words[1:]
    if "--udp" not in words:
        return run_briefly(words, argv, tempfile.gettempdir(), os.environ)
    key = value(words, "--key") or ""
    wanted = ((value(words, "--format") or "sia").lower(), key)
    if wanted not in simulators:
        masked = subprocess.run([emulator, "--masked-key", key], capture_output=True,
                                text=True).stdout.strip() if key else ""
        simulators[wanted] = Simulator(bin_dir, wanted[0], masked).start()
    sim = simulators[wanted]
    return run_briefly(words, aimed_at(argv, sim), sim.work, os.environ)


def run_script(text, bin_dir):
    """A Python script of the README, whole, with the programs on the PATH and its ports (the
    receiver's 10001, the simulator's 10000, the control's 8080) moved to free ones."""
    base = random.randrange(20000, 40000, 3)
    for port, new in (("10001", base), ("10000", base + 1), ("8080", base + 2)):
        text = text.replace(port, str(new))
    work = tempfile.mkdtemp(prefix="v7400-docs-")
    env = dict(os.environ, PATH=bin_dir + os.pathsep + os.environ["PATH"], HOME=work,
               XDG_CONFIG_HOME=os.path.join(work, "config"), XDG_RUNTIME_DIR=work)
    try:
        out = subprocess.run([sys.executable, "-"], input=text, cwd=work, env=env, text=True,
                             capture_output=True, timeout=90)
    finally:
        shutil.rmtree(work, ignore_errors=True)
    if out.returncode != 0:
        raise Failure("exit status %d:\n%s%s" % (out.returncode, out.stdout, out.stderr))
    return out.stdout.strip().splitlines()[-1]


def main():
    bin_dir, source_dir = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    commands = documented(source_dir)
    readme = open(os.path.join(source_dir, "README.md"), encoding="utf-8").read()
    scripts = re.findall(r"```python\n(.*?)```", readme, re.S)
    if not any(os.path.basename(w[0]) == "receiver-emu" for w in commands):
        raise Failure("the documents show no receiver-emu command line")
    simulators, failed = {}, 0
    try:
        for words in commands:
            try:
                if isinstance(words[-1], Failure):
                    raise words[-1]
                # The example files are where the source tree keeps them.
                argv = [os.path.join(source_dir, w) if w.startswith("examples/") else w
                        for w in words]
                print("ok   %s  (%s)" % (" ".join(words), run_line(argv, bin_dir, simulators)))
            except Failure as failure:
                print("FAIL %s: %s" % (words[0], failure))
                failed += 1
        for number, script in enumerate(scripts, 1):
            try:
                print("ok   README Python script %d  (%s)" % (number, run_script(script, bin_dir)))
            except (Failure, subprocess.TimeoutExpired) as failure:
                print("FAIL README Python script %d: %s" % (number, failure))
                failed += 1
    finally:
        for sim in simulators.values():
            sim.stop()
    print("%d passed, %d failed" % (len(commands) + len(scripts) - failed, failed))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
