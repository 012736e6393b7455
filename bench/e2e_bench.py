#!/usr/bin/env python3
"""End-to-end table: the real simulator (SIA, automatic ACK, auto scroll, traffic log on) against
load-gen, in turn with the bare responder (the floor), over UDP IPv4 and a pseudo-terminal; then
`v7400 --headless` (traffic log on through --log, no display variables) the same way.

    bench/e2e_bench.py <bin-dir> [--offscreen] [--json FILE] [--profile FILE]

The simulator runs on a private Xvfb screen, where xdotool ticks "Save All Data To Log File"
and names the log file in the dialog, as a user would. --offscreen runs it on Qt's offscreen
platform instead, with the traffic log off (nothing can tick the box there).

--profile FILE runs only the stop-and-wait UDP figure (or, with --paced, the paced one; with
--headless, the run without a window), records the simulator meanwhile with `perf record -g` and
writes the head of `perf report --no-children` to FILE.

Placement: a wake-up from one CPU to the other costs tens of microseconds, more than a bare
responder spends on a frame, and the scheduler places the load tool and the responder either
way. So every figure is taken with the load tool, the simulator and the bare responder pinned
to one CPU (`taskset`), and the ratios come from those runs; the stop-and-wait and 32-in-flight
figures are then taken once more split over two CPUs and printed beside them.
"""
import argparse
import contextlib
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

from control_bench import control_poll, control_poll_row

STOP_AND_WAIT_SECONDS = 3
ROUNDS = 3
WINDOW_FRAMES = 100_000
PACED_RATE = 1000
PACED_SECONDS = 5
FAULT_DELAY_MS = 20
MB = 1024 * 1024
BIG_DATAGRAMS = 32_000
BIG_DATAGRAM_SIZE = 65_507
BIG_RSS_LIMIT_MB = 400
# load-gen numbers every run from 0001, so the first run ends a round (9999) and the second goes
# on at 0001 as one run would: 20 rounds, then the rest of the 2,000,000.
GROWTH_FIRST = 20 * 9999
GROWTH_FRAMES = 2_000_000
GROWTH_TIMEOUT_MS = 20
GROWTH_LIMIT_MB = 8
GROWTH_FAULTS = ["--fault", "nack:p=0.05", "--fault", "duplicate:p=0.05", "--seed", "1"]
FLOOD_DELAY_MS = 3000
FLOOD_RATE = 20_000
FLOOD_SECONDS = 5
FLOOD_TIMEOUT_MS = 6000
FLOOD_LATE_LIMIT_MS = 10


PINNED = {"load": "0", "sim": "0"}
SPLIT = {"load": "0", "sim": "1"}


def on_cpu(args, cpu):
    return ["taskset", "-c", cpu] + args if cpu is not None else args


class Bench:
    def __init__(self, bin_dir, offscreen):
        self.placement = PINNED
        self.bin = os.path.abspath(bin_dir)
        self.offscreen = offscreen
        self.work = tempfile.mkdtemp(prefix="v7400-bench-")
        self.env = dict(os.environ, QT_QPA_PLATFORM="offscreen", HOME=self.work,
                        XDG_CONFIG_HOME=os.path.join(self.work, "config"),
                        XDG_RUNTIME_DIR=self.work)
        self.children = []
        self.log_checks = []
        if not offscreen:
            # -noreset: a client that connects while the server resets (after its last
            # client left) is refused.
            xvfb = self.spawn(["Xvfb", "-displayfd", "1", "-screen", "0", "1024x768x24",
                               "-nolisten", "tcp", "-noreset"], stdout=subprocess.PIPE,
                              text=True, stderr=subprocess.DEVNULL)
            self.env.update(DISPLAY=":" + xvfb.stdout.readline().strip(), QT_QPA_PLATFORM="xcb")

    def close(self):
        for child in self.children:
            if child.poll() is None:
                child.kill()
                child.wait()
        shutil.rmtree(self.work, ignore_errors=True)

    def spawn(self, args, **kwargs):
        child = subprocess.Popen(args, env=self.env, **kwargs)
        self.children.append(child)
        return child

    # --- what a user has: the settings file and the preference file -----------------------
    def configure(self, udp, local_port=0, receiver_port=0, com_device=None):
        lines = ["3" if not udp else "1", "8", "0", "1", "115200", "0", "1" if udp else "0",
                 "127.0.0.1", str(receiver_port), str(local_port), "19", "1", "0", "", ""]
        with open(os.path.join(self.work, "APSsets.sys"), "w", newline="") as f:
            f.write("".join(line + "\r\n" for line in lines))
        folder = os.path.join(self.work, "config", "Corvane")
        os.makedirs(folder, exist_ok=True)
        para = "Corvane\\V7400\\para\\"
        text = ("[SOFTWARE]\n" + para + "AutomationFormat=1\n" + para + "AckMode=1\n" +
                para + "AutoScroll=1\n")
        if com_device:
            text += "[Ports]\nCOM3=" + com_device + "\n"
        with open(os.path.join(folder, "V7400.conf"), "w") as f:
            f.write(text)

    @contextlib.contextmanager
    def simulator(self, target_args, headless=False, extra=(), answer_ms=300, behaviour=False):
        """Starts the program and waits until it answers a frame within `answer_ms`; keeps in
        `probes` how many frames that took. `behaviour`: the Receiver behaviour window open."""
        log = open(os.path.join(self.work, "sim.out"), "w")
        args, env = [os.path.join(self.bin, "v7400")] + list(extra), self.env
        if headless:
            with contextlib.suppress(FileNotFoundError):
                os.remove(self.traffic_log())
            args += ["--headless", "--log", self.traffic_log()]
            env = {k: v for k, v in self.env.items()
                   if k not in ("DISPLAY", "QT_QPA_PLATFORM", "WAYLAND_DISPLAY")}
        sim = subprocess.Popen(on_cpu(args, self.placement["sim"]), env=env, cwd=self.work,
                               stdout=log, stderr=subprocess.STDOUT)
        self.children.append(sim)
        try:
            deadline = time.time() + 15
            self.probes = 0
            wait = str(answer_ms)
            while self.load(target_args, ["--count", "1", "--timeout-ms", wait,
                                          "--idle-abort-ms", wait])["answered"] != 1:
                self.probes += 1
                if sim.poll() is not None or time.time() > deadline:
                    raise RuntimeError("the simulator does not answer: " +
                                       open(os.path.join(self.work, "sim.out")).read())
            self.probes += 1
            if not self.offscreen and not headless:
                self.start_traffic_log()
            if behaviour:
                self.open_behaviour_window()
            yield sim
        finally:
            sim.send_signal(signal.SIGTERM)
            try:
                sim.wait(timeout=20)
            except subprocess.TimeoutExpired:
                sim.kill()
                sim.wait()
            log.close()
        if not self.offscreen or headless:
            self.check_traffic_log()

    def xdotool(self, *args):
        return subprocess.run(["xdotool"] + list(args), env=self.env, capture_output=True,
                              text=True).stdout

    def traffic_log(self):
        return os.path.join(self.work, "traffic.txt")

    def start_traffic_log(self):
        """Ticks the log box of the main window and names the file in the open dialog."""
        with contextlib.suppress(FileNotFoundError):
            os.remove(self.traffic_log())
        for window in self.xdotool("search", "--onlyvisible", "--name", "V7400").split():
            geometry = self.xdotool("getwindowgeometry", "--shell", window)
            g = dict(line.split("=") for line in geometry.split())
            if int(g["WIDTH"]) >= 700:
                self.xdotool("mousemove", str(int(g["X"]) + 290), str(int(g["Y"]) + 482),
                             "click", "1")
                break
        time.sleep(1)
        self.xdotool("key", "ctrl+a")
        self.xdotool("type", "--delay", "1", self.traffic_log())
        self.xdotool("key", "Return")
        for _ in range(50):
            if os.path.exists(self.traffic_log()):
                return
            time.sleep(0.1)
        raise RuntimeError("could not switch the traffic log on through the window")

    def open_behaviour_window(self):
        """Ctrl+R in the main window, as a user opens the Receiver behaviour window."""
        for window in self.xdotool("search", "--onlyvisible", "--name", "V7400").split():
            self.xdotool("windowfocus", "--sync", window)
            self.xdotool("key", "ctrl+r")
        for _ in range(50):
            if self.xdotool("search", "--onlyvisible", "--name", "Receiver behaviour").strip():
                return
            time.sleep(0.1)
        raise RuntimeError("the Receiver behaviour window did not open on Ctrl+R")

    def check_traffic_log(self):
        """After SIGTERM the log ends with its totals line; keeps how many frames it holds."""
        with open(self.traffic_log(), "rb") as f:
            lines = f.read().split(b"\r\n")
        totals = [l for l in lines if l.startswith(b"Total received: ")]
        self.log_checks.append({"lines": len(lines) - 2, "totals": totals[-1].decode()
                                if totals else "missing"})

    @contextlib.contextmanager
    def bare_udp(self):
        bare = self.spawn(on_cpu([os.path.join(self.bin, "bare-responder"), "udp", "0"],
                                 self.placement["sim"]), stdout=subprocess.PIPE, text=True)
        try:
            yield ["udp", "127.0.0.1", bare.stdout.readline().strip(), "0"]
        finally:
            bare.kill()
            bare.wait()

    @contextlib.contextmanager
    def pty_pair(self):
        socat = self.spawn(["socat", "-d", "-d", "pty,raw,echo=0", "pty,raw,echo=0"],
                           stderr=subprocess.PIPE, text=True)
        try:
            ptys = []
            while len(ptys) < 2:
                line = socat.stderr.readline()
                if not line:
                    raise RuntimeError("socat gave no pseudo-terminals")
                ptys += re.findall(r"PTY is (\S+)", line)
            yield ptys
        finally:
            socat.kill()
            socat.wait()

    @contextlib.contextmanager
    def bare_serial(self, device):
        bare = self.spawn(on_cpu([os.path.join(self.bin, "bare-responder"), "serial", device],
                                 self.placement["sim"]))
        try:
            yield
        finally:
            bare.kill()
            bare.wait()

    def load(self, target_args, options):
        out = subprocess.run(on_cpu([os.path.join(self.bin, "load-gen")] + target_args + options +
                                    ["--json"], self.placement["load"]),
                             env=self.env, capture_output=True, text=True, timeout=600)
        if not out.stdout.strip():
            raise RuntimeError("load-gen failed: " + out.stderr)
        return json.loads(out.stdout)


def status_mb(pid, field):
    with open("/proc/%d/status" % pid) as f:
        for line in f:
            if line.startswith(field + ":"):
                return int(line.split()[1]) / 1024
    return 0.0


def peak_rss_mb(pid):
    return status_mb(pid, "VmHWM")


def udp_ports():
    base = random.randint(20000, 40000)
    return base, base + 1


def best(results):
    return max(results, key=lambda r: r["frames_per_s"])


def stop_and_wait_udp(bench, profile, headless=False):
    sim_runs, bare_runs = [], []
    local, receiver = udp_ports()
    bench.configure(True, local, receiver)
    target = ["udp", "127.0.0.1", str(local), str(receiver)]
    options = ["--mode", "stop", "--count", "10000000", "--seconds", str(STOP_AND_WAIT_SECONDS)]
    with bench.simulator(target, headless) as sim:
        for _ in range(ROUNDS):
            sim_runs.append(bench.load(target, options))
            with bench.bare_udp() as bare:
                bare_runs.append(bench.load(bare, options))
        if profile:
            record(bench, sim.pid, target, options, profile)
    return best(sim_runs), best(bare_runs)


def record(bench, pid, target, options, out_file):
    data = os.path.join(bench.work, "perf.data")
    perf_log = open(os.path.join(bench.work, "perf.log"), "w")
    perf = subprocess.Popen(["perf", "record", "-g", "-o", data, "-p", str(pid)],
                            stdout=perf_log, stderr=subprocess.STDOUT)
    time.sleep(0.5)
    bench.load(target, options)
    perf.send_signal(signal.SIGINT)
    perf.wait()
    perf_log.close()
    print(open(os.path.join(bench.work, "perf.log")).read().strip(), file=sys.stderr)
    with open(out_file, "w") as f:
        for title, sort in (("by library", "dso"), ("by symbol", "comm,dso,sym")):
            report = subprocess.run(["perf", "report", "--no-children", "--stdio", "--sort",
                                     sort, "-g", "none", "-i", data],
                                    capture_output=True, text=True).stdout
            flat = [l for l in report.splitlines() if re.match(r"\s+\d+\.\d+%", l)]
            f.write("-- %s\n" % title + "\n".join(flat[:25]) + "\n")


def window_and_memory(bench, headless=False, behaviour=False, profile=None):
    local, receiver = udp_ports()
    bench.configure(True, local, receiver)
    target = ["udp", "127.0.0.1", str(local), str(receiver)]
    options = ["--mode", "window", "--window", "32", "--count", str(WINDOW_FRAMES)]
    # The program and the floor take turns, the best run of each kept: this machine's speed
    # drifts within a minute, and turns give both the same spells.
    sim_runs, bare_runs = [], []
    with bench.simulator(target, headless, behaviour=behaviour) as sim:
        for _ in range(ROUNDS):
            sim_runs.append(bench.load(target, options))
            with bench.bare_udp() as bare:
                bare_runs.append(bench.load(bare, options))
        # Every run must answer every frame: the losses are any run's, the count the fewest.
        result = dict(best(sim_runs), lost=max(r["lost"] for r in sim_runs),
                      answered=min(r["answered"] for r in sim_runs))
        result["peak_rss_mb"] = peak_rss_mb(sim.pid)
        if profile:
            record(bench, sim.pid, target, options, profile)
    return result, best(bare_runs)


def paced(bench, profile=None, behaviour=False):
    local, receiver = udp_ports()
    bench.configure(True, local, receiver)
    target = ["udp", "127.0.0.1", str(local), str(receiver)]
    options = ["--mode", "paced", "--rate", str(PACED_RATE),
               "--count", str(PACED_RATE * PACED_SECONDS)]
    with bench.simulator(target, behaviour=behaviour) as sim:
        result = bench.load(target, options)
        if profile:
            record(bench, sim.pid, target, options, profile)
    with bench.bare_udp() as bare:
        floor = bench.load(bare, options)
    return result, floor


def paced_delay(bench):
    """`--fault delay=` on every frame at the paced rate, headless: how far each answer is
    from its due time."""
    local, receiver = udp_ports()
    bench.configure(True, local, receiver)
    target = ["udp", "127.0.0.1", str(local), str(receiver)]
    options = ["--mode", "paced", "--rate", str(PACED_RATE),
               "--count", str(PACED_RATE * PACED_SECONDS)]
    with bench.simulator(target, True, ["--fault", "delay=%d" % FAULT_DELAY_MS]):
        probe = bench.spawn(on_cpu([sys.executable, "-c", SLEEP_PROBE, str(PACED_SECONDS)],
                                   bench.placement["sim"]), stdout=subprocess.PIPE, text=True)
        result = bench.load(target, options)
        result["machine_p99_ms"] = float(probe.communicate(timeout=60)[0])
        return result


# The machine's own timer: how late a plain 20 ms sleep wakes on the program's CPU, in the same
# seconds as the delay row runs. This is the floor under that row's p99.
SLEEP_PROBE = r"""
import sys, time
end, late = time.monotonic() + float(sys.argv[1]), []
while time.monotonic() < end:
    start = time.perf_counter()
    time.sleep(0.02)
    late.append(time.perf_counter() - start - 0.02)
late.sort()
print("%.3f" % (1000 * late[int(len(late) * 0.99)]))
"""


def paced_delay_row(result):
    error = lambda us: us / 1000 - FAULT_DELAY_MS
    return row("headless delay=%d on every frame at %d frames/s: error p50 / p99 (ms, lost)"
               % (FAULT_DELAY_MS, PACED_RATE),
               "%.2f / %.2f (%d)" % (error(result["p50_us"]), error(result["p99_us"]),
                                     result["lost"]),
               "sleep p99 %.2f" % result["machine_p99_ms"], "p99 < 2 ms",
               error(result["p99_us"]) < 2 and result["lost"] == 0)


def rss_growth(bench):
    """Headless with NACK and duplicate faults, 32 in flight: VmRSS after the first GROWTH_FIRST
    frames and again after GROWTH_FRAMES, two load-gen runs against the same process. A NACK
    names sequence 0000, so load-gen books it as unexpected and its frame as timed out; the short
    timeout frees the frame's place in the window soon."""
    local, receiver = udp_ports()
    bench.configure(True, local, receiver)
    target = ["udp", "127.0.0.1", str(local), str(receiver)]
    options = ["--mode", "window", "--window", "32", "--timeout-ms", str(GROWTH_TIMEOUT_MS)]
    with bench.simulator(target, True, GROWTH_FAULTS) as sim:
        runs = [bench.load(target, options + ["--count", str(GROWTH_FIRST)])]
        rss = [status_mb(sim.pid, "VmRSS")]
        runs.append(bench.load(target, options + ["--count", str(GROWTH_FRAMES - GROWTH_FIRST)]))
        rss.append(status_mb(sim.pid, "VmRSS"))
    totals = re.match(r"Total received: (\d+)", bench.log_checks[-1]["totals"])
    return {"runs": runs, "rss_mb": rss, "received": int(totals.group(1)) if totals else 0}


def rss_growth_row(result):
    """PASS needs every frame sent, the program to have taken in all of them (its traffic log's
    totals: the frames of the runs and those of the start-up check) and the growth in bounds."""
    sent = sum(r["sent"] for r in result["runs"])
    acked = sum(r["answered"] for r in result["runs"])
    every = (sent == GROWTH_FRAMES and all(r["not_sent"] == 0 for r in result["runs"]) and
             GROWTH_FRAMES < result["received"] <= GROWTH_FRAMES + 20)
    before, after = result["rss_mb"]
    return row("headless RSS growth 200k -> 2M frames, faults on (MB; ACKed of %d)" % sent,
               "%+.1f (%.1f -> %.1f; %d)" % (after - before, before, after, acked), "-",
               "<= %d MB" % GROWTH_LIMIT_MB, every and after - before <= GROWTH_LIMIT_MB)


def delay_flood(bench):
    """Headless, every answer FLOOD_DELAY_MS late, and a flood far faster than one frame per
    answer time: does the program go on reading while thousands of answers wait, and does each
    one still go on time?

    load-gen in paced mode sends on its schedule without waiting for answers and times every
    answer from its own send, so each ACK's lateness is known. Its sequence names run 0001..9999
    and it holds a frame back while its namesake is unanswered: at most 9999 wait at once. So
    at FLOOD_RATE the flood comes in bursts of 9999 frames, the first from 0 to 0.5 s and the
    next as the first burst's answers free their names (from 3 s on), arriving while those
    answers fall due. A window of 2000 would send only 2000 frames per answer time, a thinner
    flood. The timeout is well above the delay so that a late ACK is still counted; the
    start-up probe waits as long. The summary (--summary-json) gives the program's own count of
    frames in and of late answers refused for a full queue."""
    local, receiver = udp_ports()
    bench.configure(True, local, receiver)
    target = ["udp", "127.0.0.1", str(local), str(receiver)]
    summary = os.path.join(bench.work, "summary.json")
    with contextlib.suppress(FileNotFoundError):
        os.remove(summary)
    options = ["--mode", "paced", "--rate", str(FLOOD_RATE), "--seconds", str(FLOOD_SECONDS),
               "--count", str(FLOOD_RATE * FLOOD_SECONDS), "--timeout-ms", str(FLOOD_TIMEOUT_MS),
               "--idle-abort-ms", str(FLOOD_TIMEOUT_MS)]
    extra = ["--fault", "delay=%d" % FLOOD_DELAY_MS, "--summary-json", summary]
    with bench.simulator(target, True, extra, answer_ms=FLOOD_TIMEOUT_MS):
        result = bench.load(target, options)
        probes = bench.probes
    with open(summary) as f:
        program = json.load(f)
    totals = re.match(r"Total received: (\d+)", bench.log_checks[-1]["totals"])
    return {"run": result, "probes": probes, "summary": program,
            "log_received": int(totals.group(1)) if totals else -1}


def delay_flood_row(result):
    """PASS needs the program to have taken in every frame sent (its summary and its traffic log
    agree: the flood and the probe that found it answering, or at most every probe), every
    frame to get its exact ACK once, none refused, the answers not early (p50) and their
    lateness p99 under FLOOD_LATE_LIMIT_MS."""
    run, program = result["run"], result["summary"]
    sent = run["sent"]
    took = lambda n: sent + 1 <= n <= sent + result["probes"]
    every_in = took(program["received"]) and took(result["log_received"])
    every_answer = (run["answered"] == sent and run["lost"] == 0 and run["unexpected"] == 0 and
                    program["late_answers"]["refused"] == 0)
    late = lambda us: us / 1000 - FLOOD_DELAY_MS
    on_time = late(run["p50_us"]) >= 0 and late(run["p99_us"]) < FLOOD_LATE_LIMIT_MS
    return row("headless delay=%d flood: frames in = frames sent, lateness p99 (ms)"
               % FLOOD_DELAY_MS,
               "in %d of %d sent (+1 of %d probes); ACKed %d, lost %d, unexpected %d, "
               "refused %d; late p50 / p99 %.2f / %.2f"
               % (program["received"] - 1, sent, result["probes"], run["answered"], run["lost"],
                  run["unexpected"], program["late_answers"]["refused"], late(run["p50_us"]),
                  late(run["p99_us"])),
               "-", "all in, all ACKed, p99 < %d ms" % FLOOD_LATE_LIMIT_MS,
               every_in and every_answer and on_time)


def stop_and_wait_pty(bench):
    options = ["--mode", "stop", "--count", "10000000", "--seconds", str(STOP_AND_WAIT_SECONDS)]
    sim_runs, bare_runs = [], []
    with bench.pty_pair() as sim_ptys, bench.pty_pair() as bare_ptys:
        bench.configure(False, com_device=sim_ptys[0])
        target = ["serial", sim_ptys[1]]
        with bench.simulator(target), bench.bare_serial(bare_ptys[0]):
            for _ in range(ROUNDS):
                sim_runs.append(bench.load(target, options))
                bare_runs.append(bench.load(["serial", bare_ptys[1]], options))
    return best(sim_runs), best(bare_runs)


# --- the largest datagrams at the display cap: peak memory ---------------------------------
def crc16_arc(data):
    table = crc16_arc.table
    crc = 0
    for byte in data:
        crc = (crc >> 8) ^ table[(crc ^ byte) & 0xFF]
    return crc


def _crc_table():
    table = []
    for n in range(256):
        crc = n
        for _ in range(8):
            crc = (crc >> 1) ^ 0xA001 if crc & 1 else crc >> 1
        table.append(crc)
    return table


crc16_arc.table = _crc_table()


def sia_frame(body):
    return b"\n" + b"%04X" % crc16_arc(body) + b"%02X" % (len(body) & 0xFF) + body + b"\r"


def big_frames(count):
    """SIA event frames of BIG_DATAGRAM_SIZE bytes (high bytes, the longest decimal text) with
    their exact ACKs; a few distinct ones, sent in turn."""
    filler = bytes(random.Random(7).randrange(0x80, 0x100) for _ in range(BIG_DATAGRAM_SIZE))
    frames = []
    for n in range(1, count + 1):
        address = b"%04d0105" % n
        body = b"\t" + address + b"[#1234|"
        body += filler[:BIG_DATAGRAM_SIZE - len(body) - 9] + b"]"
        frames.append((sia_frame(body), sia_frame(b"\t" + address + b"[]")))
    return frames


def big_datagram_memory(bench):
    """Peak RSS with both lists at the cap of the longest UDP datagrams, every one answered byte
    for byte (stop-and-wait). The traffic log stays off: it would take 10 GB of disk."""
    local, receiver = udp_ports()
    bench.configure(True, local, receiver)
    frames = big_frames(50)
    sock = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    sock.bind(("127.0.0.1", receiver))
    sock.settimeout(2)
    sim = bench.spawn([os.path.join(bench.bin, "v7400")], cwd=bench.work,
                      stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    answered, started = 0, time.time()
    try:
        for i in range(BIG_DATAGRAMS + 20):
            frame, ack = frames[i % len(frames)]
            sock.sendto(frame, ("127.0.0.1", local))
            try:
                reply = sock.recv(65536)
            except socket.timeout:
                reply = None
            if i < 20:  # the first ones only wait for the window to come up
                if reply is None and time.time() - started > 15:
                    break
                continue
            if reply != ack:
                break
            answered += 1
        rss = peak_rss_mb(sim.pid)
    finally:
        sim.send_signal(signal.SIGTERM)
        sim.wait(timeout=20)
        sock.close()
    return {"answered": answered, "peak_rss_mb": rss, "seconds": time.time() - started}


def big_datagram_row(result):
    every = result["answered"] == BIG_DATAGRAMS
    return row("peak RSS, %d datagrams of %d bytes (MB)" % (BIG_DATAGRAMS, BIG_DATAGRAM_SIZE),
               "%.1f" % result["peak_rss_mb"] if every else
               "%.1f after %d" % (result["peak_rss_mb"], result["answered"]),
               "-", "< %d MB" % BIG_RSS_LIMIT_MB,
               every and result["peak_rss_mb"] < BIG_RSS_LIMIT_MB)


def row(name, sim, bare, target, passed):
    return {"figure": name, "v7400": sim, "bare": bare, "target": target,
            "result": "-" if passed is None else "PASS" if passed else "FAIL"}


def headless_rows(sw, window):
    """`v7400 --headless` against the bare responder measured in the same run."""
    (sim_sw, bare_sw), (sim_win, bare_win) = sw, window
    ratio = lambda sim, bare: sim["frames_per_s"] / bare["frames_per_s"] if bare[
        "frames_per_s"] else 0
    sw_ratio, win_ratio = ratio(sim_sw, bare_sw), ratio(sim_win, bare_win)
    return [
        row("headless UDP stop-and-wait frames/s", "%.0f" % sim_sw["frames_per_s"],
            "%.0f" % bare_sw["frames_per_s"], ">= 85%% of bare (%.1f%%)" % (100 * sw_ratio),
            sw_ratio >= 0.85),
        row("headless UDP 32 in flight frames/s (lost of %d)" % WINDOW_FRAMES,
            "%.0f (%d)" % (sim_win["frames_per_s"], sim_win["lost"]),
            "%.0f (%d)" % (bare_win["frames_per_s"], bare_win["lost"]),
            ">= 70%% of bare (%.1f%%), none lost" % (100 * win_ratio),
            win_ratio >= 0.70 and sim_win["lost"] == 0 and sim_win["answered"] == WINDOW_FRAMES),
    ]


def table(sw, window, paced_run, pty):
    (sim_sw, bare_sw), (sim_win, bare_win), (sim_pace, bare_pace), (sim_pty, bare_pty) = \
        sw, window, paced_run, pty
    ratio = sim_sw["frames_per_s"] / bare_sw["frames_per_s"] if bare_sw["frames_per_s"] else 0
    every_frame = sim_win["answered"] == WINDOW_FRAMES
    rss = sim_win["peak_rss_mb"]
    return [
        row("UDP stop-and-wait frames/s", "%.0f" % sim_sw["frames_per_s"],
            "%.0f" % bare_sw["frames_per_s"], ">= 20%% of bare (%.1f%%)" % (100 * ratio),
            ratio >= 0.20),
        row("UDP stop-and-wait p50 / p99 latency (us)",
            "%.0f / %.0f" % (sim_sw["p50_us"], sim_sw["p99_us"]),
            "%.0f / %.0f" % (bare_sw["p50_us"], bare_sw["p99_us"]), "-", None),
        row("UDP 32 in flight frames/s (lost of %d)" % WINDOW_FRAMES,
            "%.0f (%d)" % (sim_win["frames_per_s"], sim_win["lost"]),
            "%.0f (%d)" % (bare_win["frames_per_s"], bare_win["lost"]),
            ">= 50000, none lost", sim_win["frames_per_s"] >= 50000 and sim_win["lost"] == 0
            and every_frame),
        row("UDP ACK p99 at paced %d frames/s (us, lost)" % PACED_RATE,
            "%.0f (%d)" % (sim_pace["p99_us"], sim_pace["lost"]),
            "%.0f (%d)" % (bare_pace["p99_us"], bare_pace["lost"]), "< 1000 us",
            sim_pace["p99_us"] < 1000 and sim_pace["lost"] == 0),
        row("peak RSS after %d frames (MB)" % WINDOW_FRAMES,
            "%.1f" % rss if every_frame else "%.1f after %d" % (rss, sim_win["answered"]),
            "-", "< 200 MB", every_frame and rss < 200),
        row("pty serial stop-and-wait frames/s", "%.0f" % sim_pty["frames_per_s"],
            "%.0f" % bare_pty["frames_per_s"], ">= 5000", sim_pty["frames_per_s"] >= 5000),
    ]


def behaviour_rows(paced_run, window):
    """The window with Receiver behaviour open: its table and timeline follow the traffic."""
    (sim_pace, bare_pace), (sim_win, bare_win) = paced_run, window
    return [
        row("Receiver behaviour open: UDP ACK p99 at paced %d frames/s (us, lost)" % PACED_RATE,
            "%.0f (%d)" % (sim_pace["p99_us"], sim_pace["lost"]),
            "%.0f (%d)" % (bare_pace["p99_us"], bare_pace["lost"]), "< 1000 us",
            sim_pace["p99_us"] < 1000 and sim_pace["lost"] == 0),
        row("Receiver behaviour open: UDP 32 in flight frames/s (lost of %d)" % WINDOW_FRAMES,
            "%.0f (%d)" % (sim_win["frames_per_s"], sim_win["lost"]),
            "%.0f (%d)" % (bare_win["frames_per_s"], bare_win["lost"]), "none lost",
            sim_win["lost"] == 0 and sim_win["answered"] == WINDOW_FRAMES),
    ]


def split_rows(headless, sw, window):
    """The same figures with the load tool on one CPU and the simulator on the other."""
    (sim_sw, bare_sw), (sim_win, bare_win) = sw, window
    who = "headless" if headless else "window"
    ratio = sim_win["frames_per_s"] / bare_win["frames_per_s"] if bare_win["frames_per_s"] else 0
    win_target, win_passed = "(%.1f%%)" % (100 * ratio), None
    if headless:
        win_target = ">= 80%% of bare %s, none lost" % win_target
        win_passed = ratio >= 0.80 and sim_win["lost"] == 0
    return [
        row("split CPUs: %s UDP stop-and-wait frames/s" % who, "%.0f" % sim_sw["frames_per_s"],
            "%.0f" % bare_sw["frames_per_s"], "-", None),
        row("split CPUs: %s UDP 32 in flight frames/s" % who, "%.0f" % sim_win["frames_per_s"],
            "%.0f" % bare_win["frames_per_s"], win_target, win_passed),
    ]


def udp_rows(bench):
    """The UDP receive path alone: headless and window, pinned and split, and the delay row
    three runs in a row."""
    rows = split_rows(False, stop_and_wait_udp(bench, None), window_and_memory(bench))
    rows = [dict(r, figure=r["figure"].replace("split CPUs", "pinned")) for r in rows]
    rows += headless_rows(stop_and_wait_udp(bench, None, True), window_and_memory(bench, True))
    rows += [paced_delay_row(paced_delay(bench)) for _ in range(3)]
    if (os.cpu_count() or 1) > 1:
        bench.placement = SPLIT
        rows += split_rows(False, stop_and_wait_udp(bench, None), window_and_memory(bench))
        rows += split_rows(True, stop_and_wait_udp(bench, None, True),
                           window_and_memory(bench, True))
        bench.placement = PINNED
    return rows


def print_table(rows):
    heads = ["figure", "v7400", "bare", "target", "result"]
    widths = [max(len(h), *(len(r[h]) for r in rows)) for h in heads]
    line = lambda cells: "| " + " | ".join(c.ljust(w) for c, w in zip(cells, widths)) + " |"
    print(line(heads))
    print("|" + "|".join("-" * (w + 2) for w in widths) + "|")
    for r in rows:
        print(line([r[h] for h in heads]))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("bin_dir")
    parser.add_argument("--offscreen", action="store_true",
                        help="Qt's offscreen platform, traffic log off")
    parser.add_argument("--json", help="also write the table and the raw runs as JSON")
    parser.add_argument("--profile", help="only profile a stop-and-wait UDP run into this file")
    parser.add_argument("--paced", action="store_true", help="with --profile: the paced figure")
    parser.add_argument("--in-flight", action="store_true",
                        help="with --profile: the 32-in-flight figure")
    parser.add_argument("--headless", action="store_true",
                        help="with --profile: the run without a window")
    parser.add_argument("--only", choices=["rss-growth", "delay-flood", "control-poll",
                                           "behaviour", "udp"],
                        help="only this row (behaviour: the rows with Receiver behaviour open; "
                             "udp: the UDP rows, headless and window, pinned and split)")
    args = parser.parse_args()
    # The headless rows need no screen; the behaviour rows need Xvfb.
    bench = Bench(args.bin_dir,
                  args.offscreen or args.only in ("rss-growth", "delay-flood", "control-poll"))
    try:
        if args.only == "udp":
            print_table(udp_rows(bench))
            return 0
        if args.only == "behaviour":
            rows = behaviour_rows(paced(bench, behaviour=True),
                                  window_and_memory(bench, behaviour=True))
            print_table(rows)
            return 0
        if args.only:
            if args.only == "rss-growth":
                runs = {"rss_growth": rss_growth(bench)}
                rows = [rss_growth_row(runs["rss_growth"])]
            elif args.only == "control-poll":
                runs = {"control_poll": control_poll(bench, udp_ports)}
                rows = [control_poll_row(runs["control_poll"], row)]
            else:
                runs = {"delay_flood": delay_flood(bench)}
                rows = [delay_flood_row(runs["delay_flood"])]
            print_table(rows)
            print("traffic log: %d frame lines, %s" % (bench.log_checks[-1]["lines"],
                                                       bench.log_checks[-1]["totals"]))
            if args.json:
                with open(args.json, "w") as f:
                    json.dump({"table": rows, "runs": runs}, f, indent=1)
            return 0
        if args.profile and args.in_flight:
            sim, bare = window_and_memory(bench, args.headless, profile=args.profile)
            print("32 in flight UDP: v7400 %.0f frames/s, bare %.0f frames/s; profile in %s" %
                  (sim["frames_per_s"], bare["frames_per_s"], args.profile))
            return 0
        if args.profile and args.paced:
            sim, bare = paced(bench, args.profile)
            print("paced UDP: v7400 ACK p99 %.0f us, bare %.0f us; profile in %s" %
                  (sim["p99_us"], bare["p99_us"], args.profile))
            return 0
        if args.profile:
            sim, bare = stop_and_wait_udp(bench, args.profile, args.headless)
            print("stop-and-wait UDP: v7400 %.0f frames/s, bare %.0f frames/s; profile in %s" %
                  (sim["frames_per_s"], bare["frames_per_s"], args.profile))
            return 0
        print("end-to-end: stop-and-wait UDP ...", file=sys.stderr)
        sw = stop_and_wait_udp(bench, None)
        print("end-to-end: 32 in flight, %d frames ..." % WINDOW_FRAMES, file=sys.stderr)
        window = window_and_memory(bench)
        print("end-to-end: paced %d frames/s ..." % PACED_RATE, file=sys.stderr)
        paced_run = paced(bench)
        behaviour = []
        if not bench.offscreen:
            print("end-to-end: Receiver behaviour open, paced and 32 in flight ...",
                  file=sys.stderr)
            behaviour = behaviour_rows(paced(bench, behaviour=True),
                                       window_and_memory(bench, behaviour=True))
        print("end-to-end: pseudo-terminal stop-and-wait ...", file=sys.stderr)
        pty = stop_and_wait_pty(bench)
        print("end-to-end: headless, stop-and-wait and 32 in flight ...", file=sys.stderr)
        headless = (stop_and_wait_udp(bench, None, True), window_and_memory(bench, True))
        print("end-to-end: %d datagrams of %d bytes ..." % (BIG_DATAGRAMS, BIG_DATAGRAM_SIZE),
              file=sys.stderr)
        big = big_datagram_memory(bench)
        print("end-to-end: headless, delay on every frame, paced ...", file=sys.stderr)
        delayed = paced_delay(bench)
        print("end-to-end: headless, faults on, RSS after %d and %d frames ..." %
              (GROWTH_FIRST, GROWTH_FRAMES), file=sys.stderr)
        growth = rss_growth(bench)
        print("end-to-end: headless, delay=%d ms on every frame, flood at %d frames/s ..." %
              (FLOOD_DELAY_MS, FLOOD_RATE), file=sys.stderr)
        flood = delay_flood(bench)
        print("end-to-end: headless, paced, the live control polled ...", file=sys.stderr)
        polled = control_poll(bench, udp_ports)
        split = []
        if (os.cpu_count() or 1) > 1:
            print("end-to-end: split over two CPUs ...", file=sys.stderr)
            bench.placement = SPLIT
            split = split_rows(False, stop_and_wait_udp(bench, None), window_and_memory(bench))
            split += split_rows(True, stop_and_wait_udp(bench, None, True),
                                window_and_memory(bench, True))
    finally:
        bench.close()
    rows = (table(sw, window, paced_run, pty) + behaviour + headless_rows(*headless) +
            [big_datagram_row(big), paced_delay_row(delayed), rss_growth_row(growth),
             delay_flood_row(flood), control_poll_row(polled, row)] + split)
    print("v7400 on %s, traffic log %s; load tool and program on CPU 0 unless the row says "
          "split" % ("Qt offscreen" if args.offscreen else "Xvfb", "off" if args.offscreen else "on"))
    print_table(rows)
    for check in bench.log_checks:
        print("traffic log: %d frame lines, %s" % (check["lines"], check["totals"]))
    if args.json:
        with open(args.json, "w") as f:
            json.dump({"table": rows, "traffic_logs": bench.log_checks,
                       "runs": {"stop_and_wait_udp": sw, "window": window,
                                "paced": paced_run, "pty": pty,
                                "headless": headless, "big_datagrams": big,
                                "paced_delay": delayed, "rss_growth": growth,
                                "delay_flood": flood, "control_poll": polled}}, f,
                      indent=1)
    return 0


if __name__ == "__main__":
    sys.exit(main())
