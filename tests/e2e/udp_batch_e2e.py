#!/usr/bin/env python3
"""`v7400 --headless` on UDP under load: 100,000 SIA frames 32 in flight, then a burst of 10,000
with strangers' datagrams mixed in. Every answer is checked byte for byte and in order, the
strangers get none, and the summary counts each datagram once. udp_batch_e2e.py BIN"""
import collections
import json
import selectors
import signal
import socket
import sys

from headless_e2e import check, udp_run, wait_listening
from answer_faults_e2e import ack, event

IN_FLIGHT = 32
FLIGHT_FRAMES = 100_000
BURST_FRAMES = 10_000
STRANGER_EVERY = 5

# Sequences 0001..9999 over and over, on two lines; frames and answers made once.
SEQUENCES = [b"%04d" % n for n in range(1, 10000)]
LINES = (b"05", b"17")
FRAMES = {(s, l): event(s, l) for s in SEQUENCES for l in LINES}
ANSWERS = {(s, l): ack(s, l) for s in SEQUENCES for l in LINES}


def key(n):
    return SEQUENCES[n % len(SEQUENCES)], LINES[n // len(SEQUENCES) % 2]


class Receiver:
    def __init__(self, port, sim_port):
        self.sock = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        self.sock.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 8 << 20)
        self.sock.bind(("127.0.0.1", port))
        self.sock.settimeout(5)
        self.to = ("127.0.0.1", sim_port)
        self.expected = collections.deque()
        self.checked = 0

    def send(self, n):
        self.sock.sendto(FRAMES[key(n)], self.to)
        self.expected.append((n, ANSWERS[key(n)]))

    def take_answer(self):
        """The next answer must be the oldest frame's ACK, byte for byte."""
        try:
            data = self.sock.recv(65536)
        except socket.timeout:
            check(False, "no answer after %d; waiting for frame %d" % (self.checked,
                                                                      self.expected[0][0]))
        n, answer = self.expected.popleft()
        check(data == answer, "answer %d: %r, expected %r" % (n, data, answer))
        self.checked += 1


def in_flight(receiver):
    sent = 0
    while sent < FLIGHT_FRAMES or receiver.expected:
        while sent < FLIGHT_FRAMES and len(receiver.expected) < IN_FLIGHT:
            receiver.send(sent)
            sent += 1
        receiver.take_answer()


def burst(receiver, sim_port, first):
    strangers = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    strangers.bind(("127.0.0.2", 0))
    strangers.setblocking(False)
    count = 0
    for i in range(BURST_FRAMES):
        receiver.send(first + i)
        if i % STRANGER_EVERY == 0:
            strangers.sendto(FRAMES[key(i)], ("127.0.0.1", sim_port))
            count += 1
    while receiver.expected:
        receiver.take_answer()
    watch = selectors.DefaultSelector()
    watch.register(strangers, selectors.EVENT_READ)
    check(not watch.select(0.5), "a stranger was answered")
    return count


def main(bin_dir):
    run, emu_port, sim_port = udp_run(bin_dir)
    sim = run.start("--format", "sia", "--summary-json", "s.json")
    wait_listening(sim, sim_port)
    receiver = Receiver(emu_port, sim_port)
    in_flight(receiver)
    strangers = burst(receiver, sim_port, FLIGHT_FRAMES)
    sim.send_signal(signal.SIGTERM)
    out, err = sim.communicate(timeout=60)
    check(sim.returncode == 0, "exit %d: %s" % (sim.returncode, err))
    summary = json.load(open(run.path("s.json")))
    frames = FLIGHT_FRAMES + BURST_FRAMES
    check(receiver.checked == frames, "answers checked %d" % receiver.checked)
    check((summary["acked"], summary["ignored"], summary["sent"]) == (frames, strangers, frames),
          "summary %s" % {k: summary[k] for k in ("acked", "ignored", "sent")})
    print("%d answers in order, byte for byte; %d strangers ignored" % (frames, strangers))


if __name__ == "__main__":
    main(sys.argv[1])
