#!/usr/bin/env python3
"""`v7400 --headless --fault ...` with this script as the receiver: every fault kind on the wire
byte for byte over UDP and over a pseudo-terminal, a late answer against socket time stamps,
the same --seed spoiling the same frames, and refused rules.
answer_faults_e2e.py BIN wire-udp|wire-pty|seed|bad-input|outage|late-at-end
"""
import contextlib
import json
import xml.etree.ElementTree as ElementTree
import os
import select
import socket
import struct
import sys
import time
import tty

from headless_e2e import Run, check, udp_run, wait_listening
from receive_faults_e2e import crc16_arc

DELAY_MS = 300
SO_TIMESTAMPNS = 35  # Linux; Python does not name it


def wrap(body):
    return b"\n%04X%02X" % (crc16_arc(body), len(body)) + body + b"\r"


def event(sequence, line=b"05"):
    return wrap(b"\t" + sequence + b"01" + line + b"[#1234|NRR]")


def ack(sequence, line=b"05"):
    return wrap(b"\t" + sequence + b"01" + line + b"[]")


# Per sequence: the rule that acts on it and what must come back.
CASES = [
    (b"0001", "nack", lambda a: [ack(b"0000")]),
    (b"0002", "drop", lambda a: []),
    (b"0003", "delay=%d" % DELAY_MS, lambda a: [a]),
    (b"0004", "duplicate", lambda a: [a, a]),
    (b"0005", "bad-crc", lambda a: [a[:1] + b"\0" + a[2:]]),
    (b"0006", "wrong-sequence", lambda a: [ack(b"0021")]),
    (b"0007", "split", lambda a: [a[:len(a) // 2], a[len(a) // 2:]]),
    (b"0008", "garbage=7", None),
    (b"0009", None, lambda a: [a]),
]


class UdpReceiver:
    def __init__(self, port, sim_port):
        self.sock = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        self.sock.setsockopt(socket.SOL_SOCKET, SO_TIMESTAMPNS, 1)
        self.sock.bind(("127.0.0.1", port))
        self.send = lambda frame: self.sock.sendto(frame, ("127.0.0.1", sim_port))

    def collect(self, seconds):
        """Datagrams with the kernel's receive time, until `seconds` pass without one."""
        got = []
        while select.select([self.sock], [], [], seconds)[0]:
            data, ancillary, _, _ = self.sock.recvmsg(4096, 64)
            sec, nsec = struct.unpack("qq", ancillary[0][2][:16])
            got.append((sec + nsec / 1e9, data))
        return got


class PtyReceiver:
    def __init__(self):
        self.master, slave = os.openpty()
        tty.setraw(self.master)
        tty.setraw(slave)
        self.device = os.ttyname(slave)
        self.send = lambda frame: os.write(self.master, frame)

    def collect(self, seconds):
        got = []
        while select.select([self.master], [], [], seconds)[0]:
            got.append((time.time(), os.read(self.master, 4096)))
        return got


def check_wire(link, receiver, serial):
    for sequence, rule, expected in CASES:
        sent_at = time.time()
        receiver.send(event(sequence))
        got = receiver.collect(DELAY_MS / 1000 + 0.25 if rule and "delay" in rule else 0.25)
        pieces, answer = [data for _, data in got], ack(sequence)
        want = expected(answer) if expected else None
        if want is None:  # garbage: seven bytes that are no answer
            check(len(b"".join(pieces)) == 7 and b"".join(pieces) != answer[:7], "%r" % pieces)
        elif serial:  # a byte stream: the bytes; the split's halves 50 ms apart
            check(b"".join(pieces) == b"".join(want), "%s %s: %r" % (link, rule, pieces))
            check(rule != "split" or got[1][0] - got[0][0] >= 0.04, "split timing %r" % got)
        else:
            check(pieces == want, "%s %s: %r, want %r" % (link, rule, pieces, want))
        if rule and "delay" in rule:
            late = (got[0][0] - sent_at) * 1000
            check(DELAY_MS - 1 <= late <= DELAY_MS + 50, "%s delay %.1f ms" % (link, late))
    receiver.send(event(b"AAAA", b"09"))
    check(receiver.collect(0.3) == [], "%s: an AAAA frame got an answer" % link)


def check_csv(run):
    rows = run.rows()
    inbound = {bytes.fromhex(r["bytes_hex"])[8:12]: r for r in rows if r["direction"] == "in"}
    check((inbound[b"0001"]["verdict"], inbound[b"0001"]["reason"]) ==
          ("NACK", "fault 2: nack sequence 0001"), "%s" % inbound[b"0001"])
    check(inbound[b"0002"]["verdict"] == inbound[b"AAAA"]["verdict"] == "none" and
          inbound[b"0009"]["reason"] == "", "rows %s" % inbound)
    # The late answer's row carries the time it was sent.
    stamp = lambda r: time.mktime(time.strptime(r["time"][:19], "%Y-%m-%dT%H:%M:%S")) + \
        float(r["time"][19:23])
    late = [stamp(r) - stamp(inbound[b"0003"]) for r in rows if r["direction"] == "out" and
            bytes.fromhex(r["bytes_hex"])[8:12] == b"0003"]
    check(len(late) == 1 and DELAY_MS - 5 <= late[0] * 1000 <= DELAY_MS + 50, "late %s" % late)


def wire(bin_dir, serial):
    rules = ["%s:sequence=%s" % (rule, seq.decode()) for seq, rule, _ in CASES if rule]
    # Never acts: "AAAA" frames are left alone whatever the rules say.
    args = ["--format", "sia", "--csv", "t.csv", "--seconds", "30", "--fault",
            "duplicate:line=09"] + [a for rule in rules for a in ("--fault", rule)]
    if serial:
        receiver = PtyReceiver()
        run = Run(bin_dir, [3, 8, 0, 1, 9600, 0, 0, "127.0.0.1", 10000, 10000, 19, 1, 0, "", ""],
                  com3=receiver.device)
        sim = run.start(*args)
        fds = os.path.join("/proc", str(sim.pid), "fd")
        for _ in range(100):  # until the simulator holds the port open
            with contextlib.suppress(OSError):
                if any(os.readlink(os.path.join(fds, fd)) == receiver.device
                       for fd in os.listdir(fds)):
                    break
            time.sleep(0.1)
        time.sleep(0.2)
    else:
        run, emu_port, sim_port = udp_run(bin_dir)
        sim = run.start(*args)
        wait_listening(sim, sim_port)
        receiver = UdpReceiver(emu_port, sim_port)
    check_wire("serial" if serial else "udp", receiver, serial)
    sim.terminate()
    out, err = sim.communicate(timeout=20)
    check(sim.returncode == 0, "exit %d: %s" % (sim.returncode, err))
    check_csv(run)


def seed(bin_dir):
    dropped = []
    for seed_value in ("7", "7", "8"):
        run, emu_port, sim_port = udp_run(bin_dir)
        sim = run.start("--format", "sia", "--csv", "t.csv", "--count", "40",
                        "--fault", "drop:p=0.3", "--seed", seed_value)
        wait_listening(sim, sim_port)
        receiver = UdpReceiver(emu_port, sim_port)
        for n in range(1, 41):
            receiver.send(event(b"%04d" % n))
            receiver.collect(0.01)
        sim.communicate(timeout=20)
        dropped.append([r["sequence"] for r in run.rows()
                        if r["direction"] == "in" and r["reason"] == "fault 1: drop p 0.3"])
    check(0 < len(dropped[0]) < 40 and dropped[0] == dropped[1], "same seed: %s" % dropped)
    check(dropped[2] != dropped[0], "another seed, the same frames: %s" % dropped)


def bad_input(bin_dir):
    run, _, _ = udp_run(bin_dir)
    cases = [
        (["--fault", "nak:every=5"], "--fault 'nak:every=5': unknown fault \"nak\" (known: nack"),
        (["--fault", "drop:p=1.5"], "--fault 'drop:p=1.5': p must be a probability"),
        (["--fault", "delay=61000"], "--fault 'delay=61000': a delay over 60 s"),
        (["--fault", "nack:every"], "--fault 'nack:every': selector \"every\" needs a value"),
        (["--format", "4100", "--fault", "split"], "--fault 'split': split cannot act"),
        # Escape sequences are not echoed to the terminal, a long rule is shortened.
        (["--fault", "\x1b[2J" + "n" * 130000], "--fault '\\x1B[2J" + "n" * 76 + "... (130004 bytes)':"),
    ]
    for args, text in cases:
        sim = run.start(*args)
        out, err = sim.communicate(timeout=20)
        check(sim.returncode == 2 and len(err.splitlines()) == 1 and text in err and
              "\x1b" not in err and len(err) < 1000 and
              err.rstrip().endswith("try 'v7400 --help'"), "%s: %d %r" % (args, sim.returncode, err))


def outage(bin_dir):
    """A 3 s outage after 5 frames against the receiver emulator, which retries each second:
    the summary's figures against the emulator's own account of every event's attempts."""
    run, emu_port, sim_port = udp_run(bin_dir)
    sim = run.start("--format", "sia", "--count", "1000", "--seconds", "30", "--outage",
                    "3@after=5", "--summary-json", "s.json", "--junit", "j.xml", "--strict")
    wait_listening(sim, sim_port)
    emu = run.emulator("--udp", "127.0.0.1", str(sim_port), "--local-port", str(emu_port),
                       "--count", "12", "--rate", "4", "--timeout", "1000", "--retries", "5")
    report = json.loads(emu.communicate(timeout=30)[0])
    sim.terminate()
    out, err = sim.communicate(timeout=20)
    check(sim.returncode == 0, "exit %d: %s %s" % (sim.returncode, out, err))
    events = report["event_attempts"]
    check(len(events) == 12 and all(e["outcome"] == "acked" for e in events), "%s" % report)
    retries = sum(len(e["sent_ms"]) - 1 for e in events)
    summary = json.load(open(run.path("s.json")))["retransmissions"]
    (o,) = summary["outages"]
    check(retries >= 2 and summary["repeats_after_fault"] == retries == report["timed_out"] and
          summary["repeats_after_ack"] == summary["repeats_after_nack"] == 0,
          "repeats: %s / %s" % (summary, report))
    check(summary["most_attempts"] == max(len(e["sent_ms"]) for e in events), "%s" % summary)
    # Every send in the outage went unanswered, so each one timed out at the emulator.
    check(o["frames_during"] == report["timed_out"] and o["in_order"] and o["whole"] and
          o["never_came"] == [] and o["frames_after"] > 0 and o["duration_ms"] == 3000 and
          o["events_silenced"] == sum(len(e["sent_ms"]) > 1 for e in events),
          "outage %s / %s" % (o, report))
    first = min(e["sent_ms"][1] - e["sent_ms"][0] for e in events if len(e["sent_ms"]) > 1)
    check(abs(summary["first_repeat_ms"]["min"] - first) < 50, "%s %s" % (summary, first))
    suite = ElementTree.parse(run.path("j.xml")).getroot()
    names = [c.get("name") for c in suite.iter("testcase")]
    check(suite.tag == "testsuite" and suite.get("failures") == "0" and
          names == ["answers", "line 01: nothing lost", "line 01: nothing given up",
                    "outage 1: delivered whole and in order"], "junit %s" % names)


def late_at_end(bin_dir):
    """Late answers still waiting when --seconds ends the run go as it ends: the summary, the CSV
    and the receiver agree on what went and when."""
    run, emu_port, sim_port = udp_run(bin_dir)
    sim = run.start("--format", "sia", "--seconds", "2", "--fault", "delay=5000", "--csv",
                    "t.csv", "--summary-json", "s.json")
    wait_listening(sim, sim_port)
    receiver = UdpReceiver(emu_port, sim_port)
    started = time.time()
    for sequence in (b"0001", b"0002"):
        receiver.send(event(sequence))
    got = receiver.collect(3.5)
    sim.communicate(timeout=20)
    check([data for _, data in got] == [ack(b"0001"), ack(b"0002")] and
          all(1.5 < at - started < 3 for at, _ in got), "answers %r" % got)
    summary = json.load(open(run.path("s.json")))
    outs = [r for r in run.rows() if r["direction"] == "out"]
    check(summary["sent"] == len(outs) == 2 and summary["late_answers"]["sent_at_end"] == 2 and
          summary["retransmissions"]["delivered"] == 2, "summary %s, out rows %s" % (summary, outs))


if __name__ == "__main__":
    scenarios = {"wire-udp": lambda b: wire(b, False), "wire-pty": lambda b: wire(b, True),
                 "seed": seed, "bad-input": bad_input, "outage": outage,
                 "late-at-end": late_at_end}
    scenarios[sys.argv[2]](os.path.abspath(sys.argv[1]))
    print("ok")
