#!/usr/bin/env python3
"""`v7400 --headless` (and the window's --csv) against receiver-emu, no display variables; each
CSV row checked against its bytes. headless_e2e.py BIN udp|pty|cmd08|exit-status|full-disk|window-csv
"""
import csv
import json
import os
import random
import resource
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time

from receive_faults_e2e import crc16_arc  # the frames' checksum, CRC-16/ARC

HEADER = ("time,direction,link,peer,format,sequence,receiver,line,length,verdict,reason,"
          "repeat,gap,bytes_hex,account,event,event_text").split(",")


def check(condition, message):
    if not condition:
        sys.exit("FAIL: " + message)


class Run:
    """A working folder with "APSsets.sys" and a preference file, and the environment of a build
    server: no DISPLAY, no WAYLAND_DISPLAY, no QT_QPA_PLATFORM."""

    def __init__(self, bin_dir, settings, com3="/dev/null"):
        self.bin = bin_dir
        self.work = tempfile.mkdtemp(prefix="v7400-headless-")
        with open(os.path.join(self.work, "APSsets.sys"), "wb") as f:
            f.write(b"".join(str(v).encode() + b"\r\n" for v in settings))
        os.makedirs(os.path.join(self.work, "config", "Corvane"))
        with open(os.path.join(self.work, "config", "Corvane", "V7400.conf"), "w") as f:
            f.write("[Ports]\nCOM3=%s\n" % com3)
        self.env = {k: v for k, v in os.environ.items()
                    if k not in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM")}
        self.env.update(HOME=self.work, XDG_CONFIG_HOME=os.path.join(self.work, "config"),
                        XDG_RUNTIME_DIR=self.work)

    def path(self, name):
        return os.path.join(self.work, name)

    def start(self, *args, window=False, exe=None, **kwargs):
        env = dict(self.env, QT_QPA_PLATFORM="offscreen") if window else self.env
        command = [exe or os.path.join(self.bin, "v7400")] + ([] if window else ["--headless"])
        kwargs.setdefault("cwd", self.work)
        return subprocess.Popen(command + list(args), env=env, text=True,
                                stdout=subprocess.PIPE, stderr=subprocess.PIPE, **kwargs)

    def emulator(self, *args):
        return subprocess.Popen([os.path.join(self.bin, "receiver-emu"), "--json"] + list(args),
                                stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)

    def rows(self, name="t.csv"):
        with open(self.path(name), newline="") as f:
            reader = csv.reader(f)
            check(next(reader) == HEADER, "CSV header")
            return [dict(zip(HEADER, row)) for row in reader]


def udp_run(bin_dir):
    """A run on UDP over 127.0.0.1 on two random ports: the emulator's and the simulator's."""
    emu_port = random.randrange(20000, 40000)
    settings = [1, 8, 0, 1, 9600, 0, 1, "127.0.0.1", emu_port, emu_port + 1, 19, 1, 0, "", ""]
    return Run(bin_dir, settings), emu_port, emu_port + 1


def wait_listening(sim, port):
    for _ in range(100):
        out = subprocess.run(["ss", "-Huln", "sport = :%d" % port], capture_output=True, text=True)
        if out.stdout.strip():
            return
        if sim.poll() is not None:
            check(False, "simulator ended early: %s" % (sim.communicate(),))
        time.sleep(0.1)
    check(False, "simulator never listened on %d" % port)


def check_rows(rows, link, peer):
    """Each frame in: verdict and reason from its own bytes; repeat from the line's previous
    sequence; each ACK out carries the address fields of the frame it answers."""
    last = {}
    answered = None
    for row in rows:
        data = bytes.fromhex(row["bytes_hex"])
        check(int(row["length"]) == len(data), "length of %s" % row)
        if row["verdict"] == "ignored":
            continue
        check(row["link"] == link and row["peer"] == peer, "link/peer of %s" % row)
        if row["direction"] == "out":
            # An ACK repeats the address fields; a NACK carries the sequence 0000.
            check(answered is not None and data[13:17] == answered[13:17] and
                  data[9:13] in (answered[9:13], b"0000"), "answer %s" % row)
            answered = None
            continue
        body, field = data[7:-1], data[1:5].decode()
        if data[8:12] == b"AAAA":
            expected = ("none", "sequence AAAA, not answered")
        elif "%04X" % crc16_arc(body) == field:
            expected = ("ACK", "")
        else:
            expected = ("NACK", "CRC %s, expected %04X" % (field, crc16_arc(body)))
        check((row["verdict"], row["reason"]) == expected, "%s: %s" % (expected, row))
        if data[8:12] != b"AAAA":
            repeat = last.get(row["line"]) == row["sequence"]
            check(row["repeat"] == ("yes" if repeat else "no"), "repeat of %s" % row)
            last[row["line"]] = row["sequence"]
            answered = data
    return rows


def counts(rows, verdict):
    return sum(1 for r in rows if r["direction"] == "in" and r["verdict"] == verdict)


def udp(bin_dir):
    run, emu_port, sim_port = udp_run(bin_dir)
    # 12 events, every 4th spoiled and then sent again, every 5th an "AAAA"; one stranger.
    sim = run.start("--format", "sia", "--count", "15", "--csv", "t.csv", "--strict",
                    "--summary-json", "s.json", "--log", "t.log")
    wait_listening(sim, sim_port)
    stranger = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    stranger.bind(("127.0.0.2", 0))
    stranger.sendto(b"\nstranger\r", ("127.0.0.1", sim_port))
    emu = run.emulator("--udp", "127.0.0.1", str(sim_port), "--local-port", str(emu_port),
                       "--count", "12", "--line", "01,02", "--bad-crc-every", "4",
                       "--aaaa-every", "5")
    report = json.loads(emu.communicate(timeout=30)[0])
    out, err = sim.communicate(timeout=30)
    check(sim.returncode == 1, "--strict after NACKs: exit %d %s" % (sim.returncode, err))
    rows = check_rows(run.rows(), "udp", "127.0.0.1")
    ignored = [r for r in rows if r["verdict"] == "ignored"]
    check(len(ignored) == 1 and ignored[0]["reason"] == "from 127.0.0.2, not the receiver"
          and ignored[0]["peer"] == "127.0.0.2", "the stranger's row %s" % ignored)
    summary = json.load(open(run.path("s.json")))
    check(summary["nacked"] == report["nacked"] == counts(rows, "NACK") == 3, "NACKs")
    check(summary["acked"] == counts(rows, "ACK") and summary["ignored"] == 1, "%s" % summary)
    check(sum(l["repeats"] for l in summary["lines"]) == 3, "repeats %s" % summary)
    check("frames received 15, ACKed" in out, "summary text: " + out)
    check(open(run.path("t.log"), "rb").read().endswith(b"Total sent: %d\r\n" % summary["sent"]),
          "traffic log totals line")


def pty(bin_dir):
    emu = subprocess.Popen([os.path.join(bin_dir, "receiver-emu"), "--json", "--pty",
                            "--count", "8", "--bad-crc-every", "3", "--start-delay", "700",
                            "--line", "03"], stdout=subprocess.PIPE, text=True)
    device = emu.stdout.readline().strip()
    run = Run(bin_dir, [3, 8, 0, 1, 9600, 0, 0, "127.0.0.1", 10000, 10000, 19, 1, 0, "", ""],
              com3=device)
    sim = run.start("--format", "sia", "--count", "10", "--csv", "t.csv")
    report = json.loads(emu.communicate(timeout=30)[0])
    out, err = sim.communicate(timeout=30)
    check(sim.returncode == 0, "exit %d: %s" % (sim.returncode, err))
    rows = check_rows(run.rows(), "serial", device)
    check(report["acked"] == 8 and counts(rows, "NACK") == report["nacked"] == 2, "%s" % report)
    check("line 03: events 10, feedbacks 0, repeats 2, gaps 0" in out, "summary: " + out)


def cmd08(bin_dir):
    run, emu_port, sim_port = udp_run(bin_dir)
    emu = run.emulator("--udp", "127.0.0.1", str(sim_port), "--local-port", str(emu_port),
                       "--count", "2", "--line", "05", "--start-delay", "300", "--linger", "3000")
    time.sleep(0.2)
    sim = run.start("--format", "sia", "--count", "2", "--csv", "t.csv", "--command", "CMD08",
                    "--line", "05", "--command", "dtmf:12*#", "--line", "5",
                    "--summary-json", "s.json")
    out, err = sim.communicate(timeout=30)
    emu.kill()
    check(sim.returncode == 0, "exit %d: %s" % (sim.returncode, err))
    outcomes = [c["outcome"] for c in json.load(open(run.path("s.json")))["commands"]]
    check(outcomes == ["programmed", "feedback"], "outcomes %s / %s" % (outcomes, out))
    sent = [bytes.fromhex(r["bytes_hex"]) for r in run.rows() if r["direction"] == "out"]
    commands = [d[17:22] for d in sent if d[17:20] == b"CMD" or d[17:20] == b"CSE"]
    check(commands == [b"CMD08", b"CMD0B", b"CMD0B", b"CMD0C", b"CSE12"], "sent %s" % commands)


def exit_status(bin_dir):
    run, emu_port, sim_port = udp_run(bin_dir)
    cases = [
        (["--bogus"], 2, "Unknown option 'bogus'"),
        (["--command", "dtmf:12x", "--line", "1"], 2, "DTMF digits '12x'"),
        (["--command", "CMD01", "--line", "33"], 2, "line '33'"),
        (["--csv", "/nonexistent/t.csv"], 2, "--csv: cannot write CSV file"),
        (["--settings-dir", "/nonexistent"], 3, "settings folder \"/nonexistent\" does not"),
        (["--settings-dir", "/"], 3, "no \"APSsets.sys\" in \"/\""),
        (["--ack", "manual"], 2, "manual ACK needs a person"),
        (["--seconds", "0.3"], 0, "frames received 0"),
    ]
    for args, status, text in cases:
        out, err = run.start(*args).communicate(timeout=20)
        check(status == 0 or len(err.splitlines()) == 1, "one line: %r" % err)
        check(text in (out + err), "%s: %r" % (args, out + err))
    for ending in (signal.SIGTERM, signal.SIGINT, signal.SIGHUP):
        sim = run.start()
        wait_listening(sim, sim_port)
        sim.send_signal(ending)
        out, _ = sim.communicate(timeout=20)
        check(sim.returncode == 0 and "frames received 0" in out, "%s: %r" % (ending, out))
    busy = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    busy.bind(("0.0.0.0", sim_port))
    sim = run.start("--seconds", "5")
    sim.communicate(timeout=20)
    check(sim.returncode == 3, "busy port: exit %d" % sim.returncode)


def full_disk(bin_dir):
    """Files that stop growing (a file size limit stands in for a full disk): each is reported
    once, on standard error and in "error.log" beside the program, and every frame is answered."""
    run, emu_port, sim_port = udp_run(bin_dir)
    exe = shutil.copy2(os.path.join(bin_dir, "v7400"), run.work)

    def limit():
        signal.signal(signal.SIGXFSZ, signal.SIG_IGN)
        resource.setrlimit(resource.RLIMIT_FSIZE, (4096, 4096))
    sim = run.start("--format", "sia", "--count", "60", "--csv", "t.csv", "--log", "t.log",
                    exe=exe, preexec_fn=limit)
    wait_listening(sim, sim_port)
    emu = run.emulator("--udp", "127.0.0.1", str(sim_port), "--local-port", str(emu_port),
                       "--count", "60")
    report = json.loads(emu.communicate(timeout=30)[0])
    out, err = sim.communicate(timeout=30)
    check(sim.returncode == 0 and report["acked"] == 60, "answered: %s %s" % (report, err))
    lines = err.splitlines()
    check(len(lines) == 2 and "CSV file" in lines[0] + lines[1] and "traffic log" in err, err)
    logged = open(run.path("error.log"), "rb").read().decode()
    check(all(line[len("v7400: "):] in logged for line in lines), "error.log: " + logged)


def window_csv(bin_dir):
    """The same traffic through the window and through the headless run: the same rows. Both
    start elsewhere and find "APSsets.sys" through --settings-dir."""
    results = []
    for window in (True, False):
        run, emu_port, sim_port = udp_run(bin_dir)
        with open(run.path("config/Corvane/V7400.conf"), "a") as f:
            f.write("[SOFTWARE]\nCorvane\\V7400\\para\\AutomationFormat=1\n")
        sim = run.start("--csv", run.path("t.csv"), "--settings-dir", run.work,
                        *([] if window else ["--count", "10"]), window=window, cwd="/")
        wait_listening(sim, sim_port)
        emu = run.emulator("--udp", "127.0.0.1", str(sim_port), "--local-port", str(emu_port),
                           "--count", "8", "--bad-crc-every", "3")
        emu.communicate(timeout=30)
        if window:
            sim.terminate()
        sim.communicate(timeout=30)
        results.append([{k: v for k, v in r.items() if k != "time"} for r in run.rows()])
    check(len(results[0]) == 20 and results[0] == results[1], "rows differ: %s" % results)


if __name__ == "__main__":
    globals()[sys.argv[2].replace("-", "_")](os.path.abspath(sys.argv[1]))
    print("ok")
