#!/usr/bin/env python3
"""--pcap beside --csv, read back by tshark with and without the v7400.lua dissector: every packet
matches its CSV row. pcap_e2e.py BIN udp-aes|pty|sigkill|full-disk|dissector-fuzz"""
import csv
import glob
import json
import os
import random
import resource
import shutil
import signal
import struct
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from headless_e2e import Run, check, crc16_arc, wait_listening  # noqa: E402

FIELDS = ["frame.comment", "v7400.sequence", "v7400.line", "v7400.event",
          "v7400.checksum.status", "udp.srcport", "udp.dstport"]


def tshark(*args, lua=None):
    command = ["tshark", "-n"] + (["-X", "lua_script:" + lua] if lua else []) + list(args)
    done = subprocess.run(command, capture_output=True, text=True, errors="replace", timeout=60)
    # tshark warns when run as root (a CI container); that says nothing about the file.
    done.stderr = "".join(line for line in done.stderr.splitlines(True)
                          if not line.startswith('Running as user "root"'))
    return done


def packets(bin_dir, capture):
    """One dict per packet, from tshark -T fields with the dissector."""
    done = tshark("-r", capture, "-T", "fields", "-E", "separator=\t", "-E", "occurrence=f",
                  *sum((["-e", f] for f in FIELDS), []), lua=os.path.join(bin_dir, "v7400.lua"))
    check(done.returncode == 0 and "Lua" not in done.stderr, "tshark: %s" % done.stderr)
    return [dict(zip(FIELDS, line.split("\t"))) for line in done.stdout.splitlines()]


def csv_rows(path):
    with open(path, newline="") as f:
        return list(csv.DictReader(f))


def compare(bin_dir, capture, rows):
    """The same sequence, line, verdict and event code per packet as per CSV row; a NACKed frame
    has a bad checksum by the dissector's own check, an ACKed one a good one."""
    plain = tshark("-r", capture)
    check(plain.returncode == 0 and plain.stderr == "", "tshark -r without the dissector: %r"
          % plain.stderr)
    got = packets(bin_dir, capture)
    check(len(got) == len(rows) > 0, "%d packets, %d rows" % (len(got), len(rows)))
    for packet, row in zip(got, rows):
        verdict = packet["frame.comment"].split(":")[0]
        expected_verdict = row["verdict"] if row["direction"] == "in" else "out"
        check(verdict == expected_verdict, "verdict %s / %s" % (packet, row))
        if row["reason"]:
            check(packet["frame.comment"] == row["verdict"] + ": " + row["reason"],
                  "comment %s / %s" % (packet, row))
        check((packet["v7400.sequence"], packet["v7400.line"], packet["v7400.event"]) ==
              (row["sequence"], row["line"], row["event"]), "fields %s / %s" % (packet, row))
        if row["verdict"] in ("ACK", "NACK"):
            status = "good" if row["verdict"] == "ACK" else "bad"
            check(packet["v7400.checksum.status"] == status, "checksum %s / %s" % (packet, row))
    return got


def udp_aes(bin_dir):
    key = "00112233445566778899AABBCCDDEEFF"
    masked = subprocess.run([os.path.join(bin_dir, "receiver-emu"), "--masked-key", key],
                            capture_output=True, text=True, check=True).stdout.strip()
    emu_port = random.randrange(20000, 40000)
    run = Run(bin_dir, [1, 8, 0, 1, 9600, 0, 1, "127.0.0.1", emu_port, 10000, 19, 1, 1, masked,
                        ""])
    sim = run.start("--format", "sia", "--count", "12", "--csv", "t.csv", "--pcap", "t.pcapng",
                    "--pcap-wire", "--summary-json", "s.json")
    wait_listening(sim, 10000)
    emu = run.emulator("--udp", "127.0.0.1", "10000", "--local-port", str(emu_port), "--key", key,
                       "--count", "9", "--line", "01,02", "--bad-crc-every", "3",
                       "--data", "#1234|NFA07")
    emu.communicate(timeout=30)
    out, err = sim.communicate(timeout=30)
    check(sim.returncode == 0, "exit %d: %s" % (sim.returncode, err))
    rows = csv_rows(run.path("t.csv"))
    check(sum(r["verdict"] == "NACK" for r in rows) == 3, "three NACKs")
    check(all(r["event"] == "FA" and r["event_text"] == "Fire alarm, zone 07" for r in rows
              if r["direction"] == "in"), "events in the CSV")
    check("event codes: FA " in out, "summary: " + out)
    capture = run.path("t.pcapng")
    # Interface 0: the frames; interface 1: the AES packets as they went on the wire.
    wire = subprocess.run(["tshark", "-n", "-r", capture, "-Y", "frame.interface_id == 1",
                           "-T", "fields", "-e", "udp.length", "-e", "udp.srcport"],
                          capture_output=True, text=True).stdout.split("\n")[:-1]
    check(len(wire) == len(rows), "wire packets %d" % len(wire))
    check(all((int(w.split()[0]) - 8 - 18) % 16 == 0 for w in wire), "AES sizes %s" % wire)
    whole = tshark("-r", capture)
    check(whole.returncode == 0 and whole.stderr == "", "tshark -r: %r" % whole.stderr)
    only_decoded = run.path("decoded.pcapng")
    subprocess.run(["tshark", "-r", capture, "-Y", "frame.interface_id == 0", "-w",
                    only_decoded], check=True, capture_output=True)
    got = compare(bin_dir, only_decoded, rows)
    ports = {(p["udp.srcport"], p["udp.dstport"]) for p in got}
    check(ports == {(str(emu_port), "10000"), ("10000", str(emu_port))}, "ports %s" % ports)


def pty(bin_dir):
    emu = subprocess.Popen([os.path.join(bin_dir, "receiver-emu"), "--pty", "--count", "8",
                            "--bad-crc-every", "3", "--start-delay", "700", "--line", "03"],
                           stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    device = emu.stdout.readline().strip()
    run = Run(bin_dir, [3, 8, 0, 1, 9600, 0, 0, "127.0.0.1", 10000, 10000, 19, 1, 0, "", ""],
              com3=device)
    sim = run.start("--format", "sia", "--count", "10", "--csv", "t.csv", "--pcap", "t.pcapng")
    emu.communicate(timeout=30)
    out, err = sim.communicate(timeout=30)
    check(sim.returncode == 0, "exit %d: %s" % (sim.returncode, err))
    rows = csv_rows(run.path("t.csv"))
    check(sum(r["verdict"] == "NACK" for r in rows) == 2, "two NACKs")
    compare(bin_dir, run.path("t.pcapng"), rows)
    # Serial packets keep their direction.
    directions = tshark("-r", run.path("t.pcapng"), "-T", "fields", "-e",
                        "frame.packet_flags_direction").stdout.split()
    check([int(d, 0) for d in directions] == [1 if r["direction"] == "in" else 2 for r in rows],
          "directions %s" % directions)


def sigkill(bin_dir):
    """A run killed mid-flow leaves a capture that reads to its last whole packet; a capture
    that cannot be written is refused before anything is answered."""
    run = Run(bin_dir, [1, 8, 0, 1, 9600, 0, 1, "127.0.0.1", 10001, 10000, 19, 1, 0, "", ""])
    out, err = run.start("--pcap", "/nonexistent/t.pcapng").communicate(timeout=20)
    check(len(err.splitlines()) == 1 and "--pcap: cannot write capture file" in err, err)
    sim = run.start("--format", "sia", "--pcap", "t.pcapng")
    wait_listening(sim, 10000)
    emu = run.emulator("--udp", "127.0.0.1", "10000", "--local-port", "10001", "--count", "0")
    capture = run.path("t.pcapng")
    for _ in range(100):
        if os.path.exists(capture) and os.path.getsize(capture) > 20000:
            break
        time.sleep(0.05)
    sim.send_signal(signal.SIGKILL)
    sim.wait()
    emu.kill()
    emu.communicate()
    done = tshark("-r", capture, "-T", "fields", "-e", "frame.number")
    numbers = done.stdout.split()
    check(done.returncode == 0 and len(numbers) > 50 and done.stderr == "", "after SIGKILL: %d packets, %r"
          % (len(numbers), done.stderr))


def full_disk(bin_dir):
    """A capture that stops growing (a file size limit stands in for a full disk) is reported
    once, on standard error and in "error.log"; every frame is still answered, and the file
    still reads to its last whole packet."""
    run = Run(bin_dir, [1, 8, 0, 1, 9600, 0, 1, "127.0.0.1", 10001, 10000, 19, 1, 0, "", ""])
    exe = shutil.copy2(os.path.join(bin_dir, "v7400"), run.work)

    def limit():
        signal.signal(signal.SIGXFSZ, signal.SIG_IGN)
        resource.setrlimit(resource.RLIMIT_FSIZE, (4000, 4000))
    sim = run.start("--format", "sia", "--count", "60", "--pcap", "t.pcapng", exe=exe,
                    preexec_fn=limit)
    wait_listening(sim, 10000)
    emu = run.emulator("--udp", "127.0.0.1", "10000", "--local-port", "10001", "--count", "60")
    report = json.loads(emu.communicate(timeout=30)[0])
    out, err = sim.communicate(timeout=30)
    check(sim.returncode == 0 and report["acked"] == 60, "answered: %s %s" % (report, err))
    check(len(err.splitlines()) == 1 and "Cannot write capture file" in err, err)
    check(err.strip()[len("v7400: "):] in open(run.path("error.log")).read(), "error.log")
    done = tshark("-r", run.path("t.pcapng"), "-T", "fields", "-e", "frame.number")
    check(done.returncode == 0 and done.stderr == "" and 10 < len(done.stdout.split()) < 120,
          "capture after the disk filled: %r %r" % (done.stdout, done.stderr))


def write_pcap(path, payloads, link_type):
    with open(path, "wb") as f:
        f.write(struct.pack("<IHHiIII", 0xA1B2C3D4, 2, 4, 0, 0, 262144, link_type))
        for data in payloads:
            f.write(struct.pack("<IIII", 0, 0, len(data), len(data)) + data)


def dissector_fuzz(bin_dir):
    """Malformed frames (the fuzz corpus, every cut of a good frame, random bytes) are marked,
    never an error of the dissector."""
    root = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "fuzz", "corpus")
    payloads = [open(p, "rb").read() for p in sorted(glob.glob(os.path.join(root, "*", "*")))]
    body = b"\t00420105[#1234|NBA05]"
    good = b"\n%04X%02X" % (crc16_arc(body), len(body)) + body + b"\r"
    payloads += [good[:n] for n in range(1, len(good) + 1)]
    payloads += [good.replace(b"[#1234|NBA05]", d) for d in
                 (b"[#|N", b"[#1234|", b"[#1234|N\xffA]", b"[", b"[]", b"[CMD0E06]")]
    rng = random.Random(7)
    payloads += [bytes(rng.randrange(256) for _ in range(rng.randrange(1, 80))) for _ in range(50)]
    payloads += [b"\n" + bytes(rng.randrange(256) for _ in range(rng.randrange(1, 40)))
                 for _ in range(50)]
    payloads = [p for p in payloads if p]
    path = os.path.join(run_dir(), "fuzz.pcap")
    write_pcap(path, payloads, 147)
    done = tshark("-r", path, "-V", lua=os.path.join(bin_dir, "v7400.lua"))
    check(done.returncode == 0, "tshark: %s" % done.stderr)
    check("Lua Error" not in done.stdout + done.stderr and "Not dissected" not in done.stdout,
          "dissector error: %s" % [l for l in done.stdout.splitlines() if "Lua" in l][:3])
    check(done.stdout.count("V7400 automation link") == len(payloads), "one tree per frame")
    check("Expert Info (Error/Checksum): Bad checksum" in done.stdout, "checksum expert info")
    check("Burglary alarm, zone 05" in done.stdout, "the good frame's event")


def run_dir():
    import tempfile
    return tempfile.mkdtemp(prefix="v7400-pcap-")


if __name__ == "__main__":
    bin_dir, scenario = sys.argv[1], sys.argv[2]
    {"udp-aes": udp_aes, "pty": pty, "sigkill": sigkill, "full-disk": full_disk,
     "dissector-fuzz": dissector_fuzz}[scenario](bin_dir)
    print("ok: " + scenario)
