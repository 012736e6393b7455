"""The live control's cost to the answers: `v7400 --headless --control` under paced load, once
left alone and once polled for /v1/report and /metrics ten times a second, in turn in the same
process. The poller runs on the other CPU where there is one, so what is measured is the
program's own time serving the requests, not the poller's."""
import os
import socket
import subprocess
import threading
import time
import urllib.request

RATE = 20_000
SECONDS = 5
POLLS_PER_SECOND = 10
ROUNDS = 2
COST_LIMIT = 0.05


def free_tcp_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


class Poller(threading.Thread):
    """GETs /v1/report and /metrics POLLS_PER_SECOND times a second until stopped."""

    def __init__(self, base):
        super().__init__(daemon=True)
        self.base, self.stop, self.polls, self.slowest = base, threading.Event(), 0, 0.0

    def run(self):
        if hasattr(os, "sched_setaffinity") and (os.cpu_count() or 1) > 1:
            os.sched_setaffinity(0, {1})  # this thread only
        while not self.stop.is_set():
            began = time.monotonic()
            for path in ("/v1/report", "/metrics"):
                with urllib.request.urlopen(self.base + path, timeout=5) as answer:
                    answer.read()
            self.polls += 1
            took = time.monotonic() - began
            self.slowest = max(self.slowest, took)
            self.stop.wait(max(0.0, 1 / POLLS_PER_SECOND - took))


def control_poll(bench, udp_ports):
    local, receiver = udp_ports()
    bench.configure(True, local, receiver)
    target = ["udp", "127.0.0.1", str(local), str(receiver)]
    base = "http://127.0.0.1:%d" % free_tcp_port()
    options = ["--mode", "paced", "--rate", str(RATE), "--count", str(RATE * SECONDS)]
    runs = {"alone": [], "polled": []}
    with bench.simulator(target, True, ["--control", base.rsplit("/", 1)[1]]):
        for _ in range(ROUNDS):
            runs["alone"].append(bench.load(target, options))
            poller = Poller(base)
            poller.start()
            result = bench.load(target, options)
            poller.stop.set()
            poller.join()
            result.update(polls=poller.polls, slowest_poll_s=poller.slowest)
            runs["polled"].append(result)
    return runs


def control_poll_row(runs, row):
    """PASS: the polled runs answer at least 95 % of the frames per second the runs alone do,
    and lose no more frames than they."""
    pick = lambda rs: max(rs, key=lambda r: r["frames_per_s"])
    alone, polled = pick(runs["alone"]), pick(runs["polled"])
    cost = 1 - polled["frames_per_s"] / alone["frames_per_s"] if alone["frames_per_s"] else 1
    return row("headless paced %d frames/s polled %d/s for report+metrics: frames/s, p99 us, "
               "lost (polls)" % (RATE, POLLS_PER_SECOND),
               "%.0f, %.0f, %d (%d)" % (polled["frames_per_s"], polled["p99_us"], polled["lost"],
                                        polled["polls"]),
               "alone %.0f, %.0f, %d" % (alone["frames_per_s"], alone["p99_us"], alone["lost"]),
               "cost <= 5%% (%.1f%%)" % (100 * cost),
               cost <= COST_LIMIT and polled["lost"] <= alone["lost"])
