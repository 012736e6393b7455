#!/usr/bin/env python3
"""--pcap beside --csv, read back by tshark with and without the v7400.lua dissector: every packet
matches its CSV row. pcap_e2e.py BIN udp-aes|faults|pty|sigkill|full-disk|dissector-fuzz"""
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
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from headless_e2e import Run, check, crc16_arc, wait_listening  # noqa: E402

FIELDS = ["frame.comment", "v7400.sequence", "v7400.line", "v7400.event",
          "v7400.checksum.status", "udp.srcport", "udp.dstport", "frame.packet_flags_direction"]
PLAIN_UDP = [1, 8, 0, 1, 9600, 0, 1, "127.0.0.1", 10001, 10000, 19, 1, 0, "", ""]


def tshark(*args, lua=None):
    """tshark's run; its stderr without the warning it gives as root (a CI container)."""
    command = ["tshark", "-n"] + (["-X", "lua_script:" + lua] if lua else []) + list(args)
    done = subprocess.run(command, capture_output=True, text=True, errors="replace", timeout=60)
    done.stderr = "".join(line for line in done.stderr.splitlines(True)
                          if not line.startswith('Running as user "root"'))
    check(done.returncode == 0 and done.stderr == "", "tshark %s: %r" % (args, done.stderr))
    return done.stdout


def compare(bin_dir, capture, rows):
    """Per packet the CSV row's sequence, line, verdict, reason, event code and direction."""
    tshark("-r", capture)  # without the dissector
    out = tshark("-r", capture, "-T", "fields", "-E", "occurrence=f",
                 *sum((["-e", f] for f in FIELDS), []), lua=os.path.join(bin_dir, "v7400.lua"))
    got = [dict(zip(FIELDS, line.split("\t"))) for line in out.splitlines()]
    check(len(got) == len(rows) > 0, "%d packets, %d rows" % (len(got), len(rows)))
    for packet, row in zip(got, rows):
        inbound = row["direction"] == "in"
        comment = (row["verdict"] + (": " + row["reason"] if row["reason"] else "")
                   if inbound else "out")
        check((packet["frame.comment"], packet["v7400.sequence"], packet["v7400.line"],
               packet["v7400.event"], int(packet["frame.packet_flags_direction"], 0)) ==
              (comment, row["sequence"], row["line"], row["event"], 1 if inbound else 2),
              "packet %s / row %s" % (packet, row))
        if row["verdict"] in ("ACK", "NACK"):
            status = "good" if row["verdict"] == "ACK" else "bad"
            check(packet["v7400.checksum.status"] == status, "checksum %s / %s" % (packet, row))
    return got


def finish(run, sim, emu):
    report, (out, err) = json.loads(emu.communicate(timeout=30)[0]), sim.communicate(timeout=30)
    check(sim.returncode == 0, "exit %d: %s" % (sim.returncode, err))
    return report, out, err, list(csv.DictReader(open(run.path("t.csv"), newline="")))


def udp_aes(bin_dir):
    key = "00112233445566778899AABBCCDDEEFF"
    masked = subprocess.check_output([os.path.join(bin_dir, "receiver-emu"), "--masked-key", key],
                                     text=True).strip()
    emu_port = random.randrange(20000, 40000)
    run = Run(bin_dir, PLAIN_UDP[:8] + [emu_port, 10000, 19, 1, 1, masked, ""])
    sim = run.start("--format", "sia", "--count", "12", "--csv", "t.csv", "--pcap", "t.pcapng",
                    "--pcap-wire")
    wait_listening(sim, 10000)
    emu = run.emulator("--udp", "127.0.0.1", "10000", "--local-port", str(emu_port), "--key", key,
                       "--count", "9", "--line", "01,02", "--bad-crc-every", "3",
                       "--data", "#1234|NFA07")
    _, out, _, rows = finish(run, sim, emu)
    check(sum(r["verdict"] == "NACK" for r in rows) == 3 and "event codes: FA " in out and
          {r["event_text"] for r in rows if r["direction"] == "in"} == {"Fire alarm, zone 07"},
          "NACKs and events: %s" % out)
    # Interface 0: the frames; interface 1: the AES packets as they went on the wire.
    capture = run.path("t.pcapng")
    wire = tshark("-r", capture, "-Y", "frame.interface_id == 1", "-T", "fields",
                  "-e", "udp.length").split()
    check(len(wire) == len(rows) and all((int(w) - 8 - 18) % 16 == 0 for w in wire),
          "AES packets on the wire: %s" % wire)
    tshark("-r", capture, "-Y", "frame.interface_id == 0", "-w", run.path("frames.pcapng"))
    got = compare(bin_dir, run.path("frames.pcapng"), rows)
    check({(p["udp.srcport"], p["udp.dstport"]) for p in got} ==
          {(str(emu_port), "10000"), ("10000", str(emu_port))}, "the ports")


def faults(bin_dir):
    """AES on ports other than 10000 (the heuristic finds the frames) with a spoiled checksum, a
    split answer and a wrong sequence: what the dissector makes of each; microsecond stamps."""
    key, port, emu_port = "00" * 16, random.randrange(42000, 44000), random.randrange(45600, 46900)
    masked = subprocess.check_output([os.path.join(bin_dir, "receiver-emu"), "--masked-key", key],
                                     text=True).strip()
    run = Run(bin_dir, PLAIN_UDP[:8] + [emu_port, port, 19, 1, 1, masked, ""])
    sim = run.start("--format", "sia", "--count", "11", "--pcap", "t.pcapng", "--pcap-wire",
                    "--fault", "bad-crc:every=3:first=3", "--fault", "split:every=5:first=5",
                    "--fault", "wrong-sequence:every=7:first=7")
    wait_listening(sim, port)
    run.emulator("--udp", "127.0.0.1", str(port), "--local-port", str(emu_port), "--key", key,
                 "--count", "8", "--timeout", "300").communicate(timeout=30)
    sim.communicate(timeout=30)
    check(subprocess.check_output(["capinfos", run.path("t.pcapng")], text=True)
          .count("Time resolution = 0x06") == 2, "if_tsresol on both interfaces")
    names = ["frame.interface_id", "frame.time_epoch", "frame.comment", "v7400.kind", "udp.length",
             "v7400.sequence", "v7400.checksum", "v7400.checksum.expected", "v7400.answer",
             "v7400.aes.length", "v7400.aes.padding", "_ws.expert.message"]
    out = tshark("-r", run.path("t.pcapng"), "-T", "fields", "-E", "occurrence=a", "-E",
                 "aggregator=|", *sum((["-e", f] for f in names), []),
                 lua=os.path.join(bin_dir, "v7400.lua"))
    got = [dict(zip(names, line.split("\t"))) for line in out.splitlines()]
    frames, wire = ([p for p in got if p["frame.interface_id"] == i] for i in "01")
    check(len(frames) == len(wire) > 20 and all(p["v7400.kind"] for p in frames) and
          any(p["frame.time_epoch"][-6:-3] != "000" for p in got), "microseconds: %s" % got)
    check(all(p["v7400.kind"] == "AES packet" and int(plain["udp.length"]) - 8 ==
              int(p["v7400.aes.length"]) == int(p["udp.length"]) - 26 - int(p["v7400.aes.padding"])
              for plain, p in zip(frames, wire)), "AES packets: %s" % wire)
    bad, one, two, wrong = faulted = [p for p in frames if p["frame.comment"][:10] == "out: fault"]
    check((bad["frame.comment"], one["frame.comment"], two["frame.comment"], one["v7400.kind"],
           two["v7400.kind"], two["v7400.answer"]) == ("out: fault 1: bad-crc every 3 first 3",
          "out: fault 2: split every 5 first 5; piece 1 of 2", "out: fault 2: split every 5 first "
          "5; piece 2 of 2", "answer piece", "answer piece|answer", "ACK"), "%s" % faulted)
    check(bad["v7400.checksum"] == "\\x00" + bad["v7400.checksum.expected"][1:] and
          "Bad checksum %s, expected %s" % (bad["v7400.checksum"], bad["v7400.checksum.expected"])
          in bad["_ws.expert.message"], "bad-crc: %s" % bad)
    answered = frames[frames.index(wrong) - 1]["v7400.sequence"]
    check(wrong["frame.comment"] == "out: fault 3: wrong-sequence every 7 first 7; answers " +
          answered and "ACK carries sequence 0021, the frame it answers " + answered in
          wrong["_ws.expert.message"], "wrong-sequence %s" % wrong)


def pty(bin_dir):
    emu = subprocess.Popen([os.path.join(bin_dir, "receiver-emu"), "--json", "--pty", "--count",
                            "8", "--bad-crc-every", "3", "--start-delay", "700", "--line", "03"],
                           stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    device = emu.stdout.readline().strip()
    run = Run(bin_dir, [3] + PLAIN_UDP[1:6] + [0] + PLAIN_UDP[7:], com3=device)
    sim = run.start("--format", "sia", "--count", "10", "--csv", "t.csv", "--pcap", "t.pcapng")
    _, _, _, rows = finish(run, sim, emu)
    check(sum(r["verdict"] == "NACK" for r in rows) == 2, "two NACKs")
    compare(bin_dir, run.path("t.pcapng"), rows)


def sigkill(bin_dir):
    """A bad --pcap path is refused; a run killed mid-flow leaves a readable capture."""
    run = Run(bin_dir, PLAIN_UDP)
    _, err = run.start("--pcap", "/nonexistent/t.pcapng").communicate(timeout=20)
    check(len(err.splitlines()) == 1 and "--pcap: cannot write capture file" in err, err)
    sim = run.start("--format", "sia", "--pcap", "t.pcapng")
    wait_listening(sim, 10000)
    emu = run.emulator("--udp", "127.0.0.1", "10000", "--local-port", "10001", "--count", "0")
    while not os.path.exists(run.path("t.pcapng")) or os.path.getsize(run.path("t.pcapng")) < 2e4:
        time.sleep(0.05)  # the test's time-out ends a run that never gets there
    sim.kill(), sim.wait(), emu.kill(), emu.communicate()
    check(len(tshark("-r", run.path("t.pcapng")).splitlines()) > 50, "packets after SIGKILL")


def full_disk(bin_dir):
    """A capture that stops growing (a file size limit stands in for a full disk) is reported
    once, on standard error and in "error.log"; every frame is still answered, and the file
    reads to its last whole packet."""
    run = Run(bin_dir, PLAIN_UDP)
    exe = shutil.copy2(os.path.join(bin_dir, "v7400"), run.work)

    def limit():
        signal.signal(signal.SIGXFSZ, signal.SIG_IGN)
        resource.setrlimit(resource.RLIMIT_FSIZE, (4000, 4000))
    sim = run.start("--format", "sia", "--count", "60", "--pcap", "t.pcapng", "--csv", "t.csv",
                    exe=exe, preexec_fn=limit)
    wait_listening(sim, 10000)
    emu = run.emulator("--udp", "127.0.0.1", "10000", "--local-port", "10001", "--count", "60")
    report, _, err, _ = finish(run, sim, emu)
    logged = open(run.path("error.log")).read()
    check(report["acked"] == 60 and "Cannot write capture file" in err and
          all(line[len("v7400: "):] in logged for line in err.splitlines()), err)
    check(10 < len(tshark("-r", run.path("t.pcapng")).splitlines()) < 120, "whole packets")


def dissector_fuzz(bin_dir):
    """Malformed frames (the fuzz corpus, every cut of a good frame, spoiled data, random bytes)
    are marked, never an error of the dissector."""
    root = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "fuzz", "corpus")
    payloads = [open(p, "rb").read() for p in sorted(glob.glob(os.path.join(root, "*", "*")))]
    body = b"\t00420105[#1234|NBA05]"
    good = b"\n%04X%02X" % (crc16_arc(body), len(body)) + body + b"\r"
    payloads += (cuts := [good[:n] for n in range(1, len(good) + 1)])
    payloads += [good.replace(b"[#1234|NBA05]", d) for d in (b"[#|N", b"[#1|N\xffA]", b"[", b"[]")]
    rng, lua = random.Random(7), os.path.join(bin_dir, "v7400.lua")
    payloads += [start + bytes(rng.randrange(256) for _ in range(rng.randrange(1, 80)))
                 for start in (b"", b"\n") for _ in range(50)]
    out = tshark("-r", write_pcap(147, filter(None, payloads)), "-V", lua=lua)
    check("Lua Error" not in out and "Not dissected" not in out, "a dissector error")
    check(out.count("V7400 automation link") == len(list(filter(None, payloads))), "every frame")
    check("(Error/Checksum): Bad checksum" in out and "alarm, zone 05" in out, "expert info")
    # UDP on port 43000: the heuristic takes the whole frame, none of the others.
    udp = [struct.pack(">BBHIBBHIIHHHH", 0x45, 0, 28 + len(d), 0, 64, 17, 0, 0x7F000001, 0x7F000001,
                       43000, 43001, 8 + len(d), 0) + d for d in payloads[-100:] + [
        good.replace(b"NBA05", b"NBA06"), good.replace(b"16\t", b"17\t")] + cuts]
    kinds = tshark("-r", write_pcap(101, udp), "-T", "fields", "-e", "v7400.kind", lua=lua)
    check(kinds.splitlines() == [""] * (len(udp) - 1) + ["event"], "heuristic: %r" % kinds)


def write_pcap(link, packets):
    path = os.path.join(tempfile.mkdtemp(prefix="v7400-pcap-"), "fuzz.pcap")
    with open(path, "wb") as f:  # classic pcap
        f.write(struct.pack("<IHHiIII", 0xA1B2C3D4, 2, 4, 0, 0, 262144, link))
        for data in packets:
            f.write(struct.pack("<IIII", 0, 0, len(data), len(data)) + data)
    return path


if __name__ == "__main__":
    bin_dir, scenario = sys.argv[1], sys.argv[2]
    {"udp-aes": udp_aes, "faults": faults, "pty": pty, "sigkill": sigkill, "full-disk": full_disk,
     "dissector-fuzz": dissector_fuzz}[scenario](bin_dir)
    print("ok: " + scenario)
