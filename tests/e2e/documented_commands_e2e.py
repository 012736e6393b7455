#!/usr/bin/env python3
"""Every command line that the README and the user manual show for `receiver-emu` and `v7400`
runs briefly: the emulator's against a real simulator set up for it, the simulator's in a
working directory of its own with an emulator as its peer. A line fails when the program calls
an argument unknown or answers with a usage error, or when it ends by itself with a failure;
a line that needs hardware may end with "cannot open".

Lines are taken from the fenced blocks of README.md and the <pre> blocks of the manual, and
from inline code that starts with a program name and has arguments. Placeholders such as
<key string> get a value of their kind; the simulator's address and ports in the lines are
replaced by 127.0.0.1 and free ports, so runs never meet other programs on fixed ports.

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
SHELL_OPERATORS = {"|", "||", "&&", ";", ">", ">>", "<", "2>", "2>&1", "&"}
USAGE_ERROR = re.compile(r"unknown argument|unexpected argument|not expected|try --help|usage:",
                         re.IGNORECASE)
PLACEHOLDERS = [  # a word in the placeholder, its value
    ("key", KEY), ("port", "10000"), ("host", "127.0.0.1"), ("address", "127.0.0.1"), ("device", "/dev/ttyUSB0"),
    ("dir", "{work}"), ("folder", "{work}"), ("file", "{work}/out.txt"), ("csv", "{work}/out.csv"),
]
BRIEF_SECONDS = 2.5


class Failure(Exception):
    pass


# --- Finding the command lines -----------------------------------------------------------------

def joined_lines(block):
    lines, current = [], ""
    for line in block.splitlines():
        current += line.rstrip()
        if current.endswith("\\"):
            current = current[:-1] + " "
            continue
        lines.append(current.strip())
        current = ""
    return lines


def command_words(line, inline):
    """The words of a line that runs one of the programs, cut at a shell operator; else None."""
    if not line.split() or os.path.basename(line.split()[0]) not in PROGRAMS:
        return None
    line = re.sub(r"<([^<>]+)>", lambda m: placeholder(m.group(1)), line)
    try:
        words = shlex.split(line, comments=True)
    except ValueError:
        return None
    for i, word in enumerate(words):
        if word in SHELL_OPERATORS:
            words = words[:i]
            break
    # Prose names the programs and elides arguments; only a whole example is a command line.
    if inline and (len(words) < 2 or any("..." in w or "\u2026" in w for w in words)):
        return None
    return words


def placeholder(name):
    for word, value in PLACEHOLDERS:
        if word in name.lower():
            return value
    raise Failure("no value for the placeholder <%s> (add one to PLACEHOLDERS)" % name)


def documented_lines(source_dir):
    with open(os.path.join(source_dir, "README.md"), encoding="utf-8") as f:
        readme = f.read()
    with open(os.path.join(source_dir, "docs", "help", "V7400Manual.html"), encoding="utf-8") as f:
        manual = f.read()
    blocks = re.findall(r"```[^\n]*\n(.*?)```", readme, re.S)
    spans = re.findall(r"`([^`\n]+)`", re.sub(r"```.*?```", "", readme, flags=re.S))
    untag = lambda text: html.unescape(re.sub(r"<[^>]+>", "", text))
    blocks += [untag(b) for b in re.findall(r"<pre>(.*?)</pre>", manual, re.S)]
    spans += [untag(c) for c in re.findall(r"<code>(.*?)</code>",
                                           re.sub(r"<pre>.*?</pre>", "", manual, flags=re.S))]
    found = [(line, False) for block in blocks for line in joined_lines(block)]
    found += [(span, True) for span in spans]
    commands, seen = [], set()
    for line, inline in found:
        try:
            words = command_words(line, inline)
        except Failure as failure:  # reported with the line, in its turn
            words = [line.split()[0], failure]
        if words and tuple(map(str, words)) not in seen:
            seen.add(tuple(map(str, words)))
            commands.append(words)
    return commands


# --- The programs ------------------------------------------------------------------------------

def free_port_pair():
    while True:
        emu_port = random.randrange(20000, 40000)
        try:
            for port in (emu_port, emu_port + 1):
                with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as s:
                    s.bind(("0.0.0.0", port))
            return emu_port, emu_port + 1
        except OSError:
            continue


def port_taken(port):
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
        self.emu_port, self.sim_port = free_port_pair()
        shutil.copy2(os.path.join(bin_dir, "v7400"), self.work)
        settings = [1, 8, 0, 1, 9600, 0, 1, "127.0.0.1", self.emu_port, self.sim_port, 19, 1,
                    1 if masked_key else 0, masked_key, ""]
        with open(os.path.join(self.work, "APSsets.sys"), "wb") as f:
            f.write(b"".join(str(v).encode() + b"\r\n" for v in settings))
        config = os.path.join(self.work, "config", "Corvane")
        os.makedirs(config)
        with open(os.path.join(config, "V7400.conf"), "w") as f:
            f.write("[SOFTWARE]\nCorvane\\V7400\\para\\AutomationFormat=%d\n"
                    % (1 if frame_format.lower() == "sia" else 0))
        self.env = dict(os.environ, QT_QPA_PLATFORM="offscreen", HOME=self.work,
                        XDG_CONFIG_HOME=os.path.join(self.work, "config"),
                        XDG_RUNTIME_DIR=self.work)
        self.process = None

    def start(self):
        self.process = subprocess.Popen([os.path.join(self.work, "v7400")], cwd=self.work,
                                        env=self.env, stdout=subprocess.DEVNULL,
                                        stderr=subprocess.DEVNULL)
        deadline = time.time() + 10
        while not port_taken(self.sim_port):
            if self.process.poll() is not None or time.time() > deadline:
                raise Failure("the simulator never listened on UDP port %d" % self.sim_port)
            time.sleep(0.1)

    def stop(self):
        if self.process and self.process.poll() is None:
            self.process.send_signal(signal.SIGTERM)
            self.process.wait(timeout=10)
        shutil.rmtree(self.work, ignore_errors=True)


def run_briefly(argv, cwd, env, seconds=BRIEF_SECONDS):
    """(exit status or None when it was still running, its output)."""
    out_path = os.path.join(cwd, "command.out")
    with open(out_path, "wb") as out:
        process = subprocess.Popen(argv, cwd=cwd, env=env, stdout=out, stderr=subprocess.STDOUT,
                                   stdin=subprocess.DEVNULL)
        try:
            status = process.wait(timeout=seconds)
        except subprocess.TimeoutExpired:
            process.send_signal(signal.SIGTERM)
            try:
                process.wait(timeout=10)
            except subprocess.TimeoutExpired:
                process.kill()
                process.wait()
            status = None
    with open(out_path, "rb") as f:
        return status, f.read().decode("utf-8", "replace")


def judge(words, status, output):
    shown = " ".join(words)
    if USAGE_ERROR.search(output) and status != 0:
        raise Failure("%s: a usage error:\n%s" % (shown, output))
    if status in (None, 0):
        return "ran" if status is None else "ended with 0"
    if status == 3 and "cannot open" in output:
        return "cannot open (needs hardware)"
    raise Failure("%s: exit status %s:\n%s" % (shown, status, output))


def option_value(words, name):
    for i, word in enumerate(words):
        if word == name and i + 1 < len(words):
            return words[i + 1]
        if word.startswith(name + "="):
            return word.split("=", 1)[1]
    return None


def emulator_line(words, sim):
    """The line aimed at `sim`: its address and port after --udp, its emulator port after
    --local-port (added when missing, so the answers come back)."""
    words = list(words)
    for i, word in enumerate(words):
        if word == "--udp" and i + 2 < len(words):
            words[i + 1], words[i + 2] = "127.0.0.1", str(sim.sim_port)
        elif word == "--local-port" and i + 1 < len(words):
            words[i + 1] = str(sim.emu_port)
        elif word.startswith("--local-port="):
            words[i] = "--local-port=%d" % sim.emu_port
    if "--udp" in words and option_value(words, "--local-port") is None:
        words += ["--local-port", str(sim.emu_port)]
    return words


def masked(bin_dir, key):
    return subprocess.run([os.path.join(bin_dir, "receiver-emu"), "--masked-key", key],
                          check=True, capture_output=True, text=True).stdout.strip()


def in_work(words, work):
    return [word.replace("{work}", work) for word in words]


def run_emulator_line(words, bin_dir, simulators):
    argv = [os.path.join(bin_dir, "receiver-emu")] + words[1:]
    if "--udp" not in words:
        work = tempfile.mkdtemp(prefix="v7400-docs-")
        try:
            return judge(words, *run_briefly(in_work(argv, work), work, os.environ))
        finally:
            shutil.rmtree(work, ignore_errors=True)
    key = option_value(words, "--key") or ""
    wanted = ((option_value(words, "--format") or "sia").lower(), key)
    if wanted not in simulators:
        simulators[wanted] = Simulator(bin_dir, wanted[0], masked(bin_dir, key) if key else "")
        simulators[wanted].start()
    sim = simulators[wanted]
    return judge(words, *run_briefly(in_work(emulator_line(argv, sim), sim.work), sim.work,
                                     os.environ))


def run_simulator_line(words, bin_dir):
    sim = Simulator(bin_dir)
    peer = subprocess.Popen([os.path.join(bin_dir, "receiver-emu"), "--udp", "127.0.0.1",
                             str(sim.sim_port), "--local-port", str(sim.emu_port), "--count", "0",
                             "--rate", "5"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        argv = in_work([os.path.join(sim.work, "v7400")] + words[1:], sim.work)
        return judge(words, *run_briefly(argv, sim.work, sim.env))
    finally:
        peer.send_signal(signal.SIGTERM)
        peer.wait(timeout=10)
        sim.stop()


def main():
    bin_dir, source_dir = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    commands = documented_lines(source_dir)
    counts = {program: sum(os.path.basename(w[0]) == program for w in commands)
              for program in PROGRAMS}
    if counts["receiver-emu"] == 0:
        raise Failure("the documents show no command lines: %s" % counts)
    simulators = {}
    failures = []
    try:
        for words in commands:
            try:
                if isinstance(words[-1], Failure):
                    raise Failure("%s: %s" % (words[0], words[-1]))
                if os.path.basename(words[0]) == "receiver-emu":
                    outcome = run_emulator_line(words, bin_dir, simulators)
                else:
                    outcome = run_simulator_line(words, bin_dir)
                print("ok   %s  (%s)" % (" ".join(words), outcome))
            except Failure as failure:
                print("FAIL %s" % failure)
                failures.append(failure)
    finally:
        for sim in simulators.values():
            sim.stop()
    print("%d passed, %d failed" % (len(commands) - len(failures), len(failures)))
    return 1 if failures else 0


if __name__ == "__main__":
    try:
        sys.exit(main())
    except Failure as failure:
        print("FAIL %s" % failure)
        sys.exit(1)
