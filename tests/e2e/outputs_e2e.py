#!/usr/bin/env python3
"""The files the run without a window writes, under what breaks them: a FIFO for each, a flood
of frames that used to make errors, a kill after the answers, frames full of control bytes and
formulas, a short AES packet, a disk that fills up.
outputs_e2e.py BIN fifo|error-flood|kill-log|csv-readers|aes-short|full-disk|whole-files
"""
import contextlib
import csv
import os
import shutil
import signal
import socket
import subprocess
import sys
import time
import json
import xml.etree.ElementTree as ElementTree

from headless_e2e import check, udp_run, wait_listening
from receive_faults_e2e import event_frame, sia


def receiver_socket(port):
    sock = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    sock.bind(("127.0.0.1", port))
    sock.settimeout(5)
    return sock


def exchange(sock, sim_port, frames):
    """Sends each frame and waits for its answer (none for an "AAAA" frame)."""
    for frame in frames:
        sock.sendto(frame, ("127.0.0.1", sim_port))
        if frame[8:12] != b"AAAA":
            sock.recvfrom(2048)


def wait_idle(pid):
    """Waits until the program sleeps in its event loop, done with what it had read."""
    deadline = time.time() + 5
    while open("/proc/%d/stat" % pid).read().rsplit(")", 1)[1].split()[0] != "S":
        check(time.time() < deadline, "the simulator never went idle")


def set_line(run, index, value):
    lines = open(run.path("APSsets.sys"), "rb").read().split(b"\r\n")
    lines[index] = value
    open(run.path("APSsets.sys"), "wb").write(b"\r\n".join(lines))


def fifo(bin_dir):
    run, emu_port, sim_port = udp_run(bin_dir)
    os.mkfifo(run.path("pipe"))
    for option in ("--log", "--csv", "--summary-json"):
        sim = run.start(option, run.path("pipe"), "--seconds", "30")
        out, err = sim.communicate(timeout=5)
        check(sim.returncode == 2 and len(err.splitlines()) == 1 and "Not a regular file" in err,
              "%s FIFO: exit %d %r" % (option, sim.returncode, err))
    out, err = run.start("--csv", "t", "--log", "./t", "--seconds", "2").communicate(timeout=5)
    check("--csv and --log name the same file" in err, "one file twice: %r" % err)
    sim = run.start("--csv", "/dev/null", "--log", "/dev/null", "--seconds", "0.5")
    check(sim.wait(timeout=5) == 0, "/dev/null: %r" % (sim.communicate(),))
    # An error.log beside the program that is a FIFO: frames are answered, SIGTERM ends the run.
    exe = shutil.copy2(os.path.join(bin_dir, "v7400"), run.work)
    os.mkfifo(run.path("error.log"))
    sim = run.start("--format", "sia", exe=exe)
    wait_listening(sim, sim_port)
    exchange(receiver_socket(emu_port), sim_port, [event_frame(n) for n in range(1, 11)])
    sim.send_signal(signal.SIGTERM)
    out, err = sim.communicate(timeout=5)
    check(sim.returncode == 0 and "frames received 10" in out, "FIFO error.log: %r %r" % (out, err))
    # Its lines go to the state folder instead, the same as the window's.
    set_line(run, 9, b"99999")
    out, err = run.start(exe=exe).communicate(timeout=5)
    message = "APSsets.sys line 10: local port 99999 out of range"
    moved = os.path.join(run.work, ".local/state/V7400/error.log")
    check(message in err and message in open(moved).read(), "fall-back log: %r" % err)


def error_flood(bin_dir):
    """Line fields that are no number, in programming steps: error.log stays a few lines."""
    run, emu_port, sim_port = udp_run(bin_dir)
    exe = shutil.copy2(os.path.join(bin_dir, "v7400"), run.work)
    sim = run.start("--format", "sia", "--count", "10000", exe=exe)
    wait_listening(sim, sim_port)
    sock = receiver_socket(emu_port)
    frames = [sia(b"\t%04d01\r\n[NLC06]" % (n % 10000)) if n % 2 else
              sia(b"\tAAAA01A\x1b[]") for n in range(10000)]
    exchange(sock, sim_port, frames)
    out, err = sim.communicate(timeout=20)
    check(sim.returncode == 0 and "frames received 10000" in out, "%r %r" % (out, err))
    path = run.path("error.log")
    lines = open(path, "rb").read().splitlines() if os.path.exists(path) else []
    check(len(lines) <= 5 and all(32 <= b < 127 for line in lines for b in line), lines)


def kill_log(bin_dir):
    """SIGKILL right after the 1,000th answer: the traffic log has every answered frame."""
    run, emu_port, sim_port = udp_run(bin_dir)
    sim = run.start("--format", "sia", "--log", "t.log")
    wait_listening(sim, sim_port)
    exchange(receiver_socket(emu_port), sim_port, [event_frame(n) for n in range(1, 1001)])
    wait_idle(sim.pid)  # the lines of a burst go out once its last frame is answered
    sim.send_signal(signal.SIGKILL)
    sim.communicate(timeout=5)
    lines = open(run.path("t.log"), "rb").read().split(b"\r\n")
    check(lines[-1] == b"" and len(lines) - 1 == 1000, "log lines: %d" % (len(lines) - 1))


def csv_readers(bin_dir):
    run, emu_port, sim_port = udp_run(bin_dir)
    sim = run.start("--format", "sia", "--count", "3", "--csv", "t.csv")
    wait_listening(sim, sim_port)
    stranger = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    stranger.bind(("127.0.0.2", 0))
    stranger.sendto(event_frame(5), ("127.0.0.1", sim_port))
    stranger.sendto(bytes(range(256)) * 2, ("127.0.0.1", sim_port))
    exchange(receiver_socket(emu_port), sim_port, [
        sia(b"\t\x00\x1b\xff\xfe01\r\n[#1234|NBA05]"), sia(b"\t=1+101-1[#1234|NBA05]"),
        event_frame(7)])
    sim.communicate(timeout=10)
    rows = list(csv.DictReader(open(run.path("t.csv"), newline="", encoding="utf-8")))
    ins = [r for r in rows if r["direction"] == "in"]
    check([r["sequence"] for r in ins] ==
          ["0005", "", "\\x00\\x1B\\xFF\\xFE", "'=1+1", "0007"], ins)
    check(ins[0]["verdict"] == "ignored" and ins[0]["line"] == "07", ins[0])
    check(ins[1]["bytes_hex"] == bytes(range(64)).hex().upper() + "...(512 bytes)", ins[1])
    check(ins[2]["line"] == "\\x0D\\x0A" and ins[3]["line"] == "'-1", ins)
    raw = open(run.path("t.csv"), "rb").read()
    check(all(32 <= b < 127 or b in (13, 10) for b in raw), "bytes outside printable ASCII")


def aes_short(bin_dir):
    """A packet that declares 1024 bytes and brings 32: ignored, nothing decrypted shown."""
    run, emu_port, sim_port = udp_run(bin_dir)
    set_line(run, 12, b"1")
    set_line(run, 13, b"0" * 32)
    sim = run.start("--format", "sia", "--seconds", "2", "--csv", "t.csv", "--log", "t.log")
    wait_listening(sim, sim_port)
    receiver_socket(emu_port).sendto(bytes(16) + b"\x04\x00" + bytes(32), ("127.0.0.1", sim_port))
    sim.communicate(timeout=10)
    rows = list(csv.DictReader(open(run.path("t.csv"), newline="")))
    check(len(rows) == 1 and rows[0]["verdict"] == "ignored" and
          rows[0]["reason"] == "declared length 1024, data 32", rows)
    check(open(run.path("t.log"), "rb").read().count(b"\r\n") == 1, "only the totals line")


def full_disk(bin_dir):
    """The CSV on a small tmpfs that fills up mid-row and is then freed: the cut row gets its
    line end before the next one, every other row is whole, and the frames are answered."""
    if os.geteuid() != 0:
        print("skipped: mounting a tmpfs needs root")
        sys.exit(77)
    run, emu_port, sim_port = udp_run(bin_dir)
    disk = run.path("disk")
    os.mkdir(disk)
    subprocess.run(["mount", "-t", "tmpfs", "-o", "size=64k", "tmpfs", disk], check=True)
    try:
        filler = os.path.join(disk, "filler")
        with open(filler, "wb") as f, contextlib.suppress(OSError):
            f.write(bytes(60 * 1024))
        sim = run.start("--format", "sia", "--count", "200", "--csv", os.path.join(disk, "t.csv"))
        wait_listening(sim, sim_port)
        sock = receiver_socket(emu_port)
        exchange(sock, sim_port, [event_frame(n) for n in range(1, 101)])
        os.remove(filler)
        exchange(sock, sim_port, [event_frame(n) for n in range(101, 201)])
        _, err = sim.communicate(timeout=10)
        rows = list(csv.reader(open(os.path.join(disk, "t.csv"), newline="")))
    finally:
        subprocess.run(["umount", disk], check=False)
    check(sim.returncode == 0 and err.count("No space left on device") == 1, err)
    cut = [r for r in rows[1:] if len(r) != len(rows[0])]
    check(len(cut) == 1 and len(cut[0]) < len(rows[0]), cut)
    ins = [r for r in rows if len(r) == len(rows[0]) and r[1] == "in"]
    check([r[5] for r in ins][-100:] == ["%04d" % n for n in range(101, 201)], ins[-3:])


def whole_files(bin_dir):
    """The summary and JUnit files are the old ones or whole new ones: five SIGKILLs mid-run
    leave the old content, and under a file-size limit the CSV stops at it while the run goes on
    and still writes the small files whole. A link to a file not made yet is the same file."""
    for attempt in range(5):
        run, emu_port, sim_port = udp_run(bin_dir)
        for name in ("s.json", "j.xml"):
            open(run.path(name), "w").write("old")
        sim = run.start("--format", "sia", "--summary-json", "s.json", "--junit", "j.xml")
        wait_listening(sim, sim_port)
        exchange(receiver_socket(emu_port), sim_port, [sia(b"%04d" % n) for n in range(1, 20)])
        sim.kill()
        sim.communicate(timeout=20)
        check(all(open(run.path(n)).read() == "old" for n in ("s.json", "j.xml")) and
              sorted(os.listdir(run.work)) == ["APSsets.sys", "config", "j.xml", "s.json"],
              "kill %d: %s" % (attempt, os.listdir(run.work)))
    run, emu_port, sim_port = udp_run(bin_dir)
    sim = subprocess.Popen(["sh", "-c", 'ulimit -f 2; exec "$0" "$@"', os.path.join(bin_dir, "v7400"),
                            "--headless", "--format", "sia", "--count", "60", "--csv", "t.csv",
                            "--summary-json", "s.json", "--junit", "j.xml"],
                           cwd=run.work, env=run.env, stdout=subprocess.PIPE,
                           stderr=subprocess.PIPE, text=True)
    wait_listening(sim, sim_port)
    exchange(receiver_socket(emu_port), sim_port, [sia(b"%04d" % n) for n in range(1, 61)])
    out, err = sim.communicate(timeout=20)
    check(sim.returncode == 0 and "File too large" in err and os.path.getsize(run.path("t.csv"))
          <= 2048 and json.load(open(run.path("s.json")))["acked"] == 60 and
          ElementTree.parse(run.path("j.xml")).getroot().get("failures") == "0",
          "file-size limit: %d %s" % (sim.returncode, err))
    os.symlink(run.path("later.csv"), run.path("link.csv"))
    sim = run.start("--csv", "later.csv", "--pcap", "link.csv")
    out, err = sim.communicate(timeout=20)
    check(sim.returncode == 2 and "name the same file" in err, "dangling link: %r" % err)


if __name__ == "__main__":
    sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
    globals()[sys.argv[2].replace("-", "_")](os.path.abspath(sys.argv[1]))
    print("ok")
