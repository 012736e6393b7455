#!/usr/bin/env python3
"""`v7400 --headless` (and the window's --csv) against receiver-emu, no display variables; each
CSV row checked against its bytes. headless_e2e.py BIN SCENARIO (a function below, - for _)
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
          "repeat,gap,bytes_hex,account,event,event_text,attempt,interval_ms").split(",")


def check(condition, message):
    if not condition:
        sys.exit("FAIL: " + message)


class Run:
    """A working folder with "APSsets.sys" and a preference file, and the environment of a build
    server: no DISPLAY, no WAYLAND_DISPLAY, no QT_QPA_PLATFORM."""

    def __init__(self, bin_dir, settings, com3="/dev/null"):
        self.bin = bin_dir
        self.work = tempfile.mkdtemp(prefix="v7400-headless-")
        if settings is not None:
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
    """Each frame in: verdict and reason from its own bytes; repeat from the link's previous
    sequence; each ACK out carries the address fields of the frame it answers."""
    last = None
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
            repeat = last == row["sequence"]
            check(row["repeat"] == ("yes" if repeat else "no"), "repeat of %s" % row)
            last = row["sequence"]
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
        # An output that cannot be written comes first, whatever else is missing.
        (["--csv", "/nonexistent/t.csv", "--settings-dir", "/nonexistent"], 2, "--csv: cannot"),
        (["--log", "/nonexistent/t.log", "--settings-dir", "/"], 2, "--log: cannot write"),
        (["--summary-json", "/nonexistent/s.json"], 2, "cannot write \"/nonexistent/s.json\""),
        (["--format", "4100", "--command", "CMD01", "--line", "1"], 2, "the 4100 format has no"),
        (["--udp", "127.0.0.1"], 2, "--udp takes two values: HOST PORT"),
        (["--udp", "localhost", "1"], 2, "--udp: 'localhost' is not an IPv4 or IPv6 address"),
        (["--serial", "/dev/null", "--parity", "high"], 2, "--parity: 'high'"),
        (["--help-all"], 2, "Unknown option 'help-all'"),
        (["--progress", "--quiet"], 2, "--progress and --quiet"),
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


def link_options(bin_dir):
    """--udp and --serial take the settings file's place, without a window and in it: frames
    answered, and no "APSsets.sys" read or written."""
    for window in (False, True):
        for link in ("udp", "serial"):
            run = Run(bin_dir, None)
            with open(run.path("config/Corvane/V7400.conf"), "a") as f:
                f.write("[SOFTWARE]\nCorvane\\V7400\\para\\AutomationFormat=1\n")
            ending = [] if window else ["--format", "sia", "--count", "6"]
            if link == "udp":
                emu_port = random.randrange(20000, 40000)
                sim = run.start("--udp", "127.0.0.1", str(emu_port), "--local-port",
                                str(emu_port + 1), "--csv", "t.csv", *ending, window=window)
                wait_listening(sim, emu_port + 1)
                emu = run.emulator("--udp", "127.0.0.1", str(emu_port + 1), "--local-port",
                                   str(emu_port), "--count", "6")
            else:
                emu = run.emulator("--pty", "--count", "6", "--start-delay", "1500")
                device = emu.stdout.readline().strip()
                sim = run.start("--serial", device, "--baud", "9600", "--csv", "t.csv", *ending,
                                window=window)
            report = json.loads(emu.communicate(timeout=30)[0])
            if window:
                sim.terminate()
            out, err = sim.communicate(timeout=30)
            name = "%s %s" % ("window" if window else "headless", link)
            check(report["acked"] == 6 and counts(run.rows(), "ACK") == 6,
                  "%s: %s %s" % (name, report, err))
            check(not os.path.exists(run.path("APSsets.sys")), name + ": APSsets.sys written")


def count_commands(bin_dir):
    """--count counts the receiver's events, not its feedbacks to the commands; a clean run
    over two lines has no gaps (the sequence is the link's); date goes on the line asked for."""
    run, emu_port, sim_port = udp_run(bin_dir)
    emu = run.emulator("--udp", "127.0.0.1", str(sim_port), "--local-port", str(emu_port),
                       "--count", "6", "--line", "01,02", "--start-delay", "1500",
                       "--linger", "3000")
    time.sleep(0.2)
    commands = []
    for kind, line in (("date", "2"), ("time", "1"), ("stop-audio", "2"), ("CMD01", "1"),
                       ("dtmf:12", "2"), ("CMD02", "1"), ("CMD03", "2")):
        commands += ["--command", kind, "--line", line]
    sim = run.start("--format", "sia", "--count", "5", "--csv", "t.csv", "--summary-json",
                    "s.json", *commands)
    out, err = sim.communicate(timeout=30)
    emu.kill()
    check(sim.returncode == 0, "exit %d: %s" % (sim.returncode, err))
    summary = json.load(open(run.path("s.json")))
    events = sum(l["events"] for l in summary["lines"])
    check(events >= 5 and sum(l["feedbacks"] for l in summary["lines"]) == 7, "%s" % summary)
    check(all(l["gaps"] == 0 and l["repeats"] == 0 for l in summary["lines"]), "%s" % summary)
    check([c["outcome"] for c in summary["commands"]] == ["feedback"] * 7, "%s" % summary)
    date = [bytes.fromhex(r["bytes_hex"]) for r in run.rows() if r["direction"] == "out"
            and b"CSD" in bytes.fromhex(r["bytes_hex"])]
    check(len(date) == 1 and date[0][14:16] == b"02", "date frame %s" % date)


def format_hint(bin_dir):
    """SIA frames against a run in the "4100" format: the first row of the spell says why
    nothing is answered, and so does standard error, once."""
    run, emu_port, sim_port = udp_run(bin_dir)
    sim = run.start("--format", "4100", "--count", "4", "--csv", "t.csv")
    wait_listening(sim, sim_port)
    emu = run.emulator("--udp", "127.0.0.1", str(sim_port), "--local-port", str(emu_port),
                       "--count", "4", "--timeout", "100", "--retries", "0")
    emu.communicate(timeout=30)
    out, err = sim.communicate(timeout=30)
    hint = "looks like SIA; the format is 4100 (--format sia, or the Format buttons)"
    reasons = [r["reason"] for r in run.rows() if r["direction"] == "in"]
    check(len(reasons) >= 4 and reasons[0].endswith("; " + hint) and
          all(hint not in r for r in reasons[1:]), "reasons %s" % reasons)
    check(err.count(hint) == 1, "stderr: " + err)


def installed_copy(bin_dir):
    """A copy in a folder that is not the user's (another user's, as /usr is a package's), on a
    computer whose own name does not resolve (a UTS namespace with a name of its own), run as
    root: frames answered, and "error.log" in the state folder says why once."""
    if os.geteuid() != 0 or shutil.which("unshare") is None:
        sys.exit(77)  # skipped: needs root
    run, emu_port, sim_port = udp_run(bin_dir)
    folder = os.path.join(run.work, "bin")
    os.mkdir(folder)
    exe = shutil.copy2(os.path.join(bin_dir, "v7400"), folder)
    os.chown(folder, 65534, 65534)
    os.chmod(folder, 0o777)
    run.env["XDG_STATE_HOME"] = run.path("state")
    sim = subprocess.Popen(
        ["unshare", "-u", "sh", "-c", 'hostname v7400-nowhere.invalid && exec "$0" "$@"', exe,
         "--headless", "--format", "sia", "--count", "5"],
        cwd=run.work, env=run.env, text=True, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    wait_listening(sim, sim_port)
    emu = run.emulator("--udp", "127.0.0.1", str(sim_port), "--local-port", str(emu_port),
                       "--count", "5")
    report = json.loads(emu.communicate(timeout=30)[0])
    out, err = sim.communicate(timeout=30)
    check(sim.returncode == 0 and report["acked"] == 5, "answered: %s %s" % (report, err))
    check(not os.path.exists(os.path.join(folder, "error.log")), "error.log beside the copy")
    logged = open(run.path("state/V7400/error.log"), "rb").read().decode().splitlines()
    check(len(logged) == 1 and "'v7400-nowhere.invalid' cannot be resolved" in logged[0],
          "error.log: %s" % logged)


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
        results.append([{k: v for k, v in r.items() if k not in ("time", "interval_ms")}
                        for r in run.rows()])
    check(len(results[0]) == 20 and results[0] == results[1], "rows differ: %s" % results)


if __name__ == "__main__":
    globals()[sys.argv[2].replace("-", "_")](os.path.abspath(sys.argv[1]))
    print("ok")
