#!/usr/bin/env python3
"""The real simulator under faults on its links, driven only through its settings file, its
preference file and its sockets.

    receive_faults_e2e.py <bin-dir> foreign-flood|serial-unplug|sigterm-flood
"""
import os
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import threading
import time


def crc16_arc(data):
    crc = 0
    for byte in data:
        crc ^= byte
        for _ in range(8):
            crc = (crc >> 1) ^ 0xA001 if crc & 1 else crc >> 1
    return crc


def sia(body):
    return b"\n" + b"%04X%02X" % (crc16_arc(body), len(body)) + body + b"\r"


def event_frame(number, line=b"07"):
    return sia(b"\t%04d01" % (number % 10000) + line + b"[#1234|NBA05]")


def expected_ack(number, line=b"07"):
    return sia(b"\t%04d01" % (number % 10000) + line + b"[]")


class Failure(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


class Simulator:
    """The program in a working directory of its own, with a copy of the executable there so
    that "error.log" beside it belongs to this run alone."""

    def __init__(self, bin_dir, settings, automation_format, com3="/dev/null"):
        self.work = tempfile.mkdtemp(prefix="v7400-e2e-")
        os.chmod(self.work, 0o700)
        shutil.copy2(os.path.join(bin_dir, "v7400"), self.work)
        with open(os.path.join(self.work, "APSsets.sys"), "wb") as f:
            f.write(b"".join(str(v).encode() + b"\r\n" for v in settings))
        config = os.path.join(self.work, "config", "Corvane")
        os.makedirs(config)
        with open(os.path.join(config, "V7400.conf"), "w") as f:
            f.write("[SOFTWARE]\nCorvane\\V7400\\para\\AutomationFormat=%d\n" % automation_format)
            f.write("[Ports]\nCOM3=%s\n" % com3)
        env = dict(os.environ, QT_QPA_PLATFORM="offscreen", XDG_RUNTIME_DIR=self.work,
                   XDG_CONFIG_HOME=os.path.join(self.work, "config"))
        self.output = open(os.path.join(self.work, "sim.out"), "wb")
        self.process = subprocess.Popen([os.path.join(self.work, "v7400")], cwd=self.work,
                                        env=env, stdout=self.output, stderr=subprocess.STDOUT)

    def cpu_seconds(self):
        with open("/proc/%d/stat" % self.process.pid) as f:
            fields = f.read().rsplit(")", 1)[1].split()
        return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")

    def error_lines(self):
        path = os.path.join(self.work, "error.log")
        if not os.path.exists(path):
            return []
        with open(path, "rb") as f:
            return [line for line in f.read().split(b"\r\n") if line]

    def terminate(self, timeout=10):
        self.process.send_signal(signal.SIGTERM)
        try:
            return self.process.wait(timeout)
        except subprocess.TimeoutExpired:
            raise Failure("the simulator did not end within %ds of SIGTERM" % timeout)

    def close(self):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait()
        self.output.close()
        shutil.rmtree(self.work, ignore_errors=True)


def udp_receive_buffer_errors():
    """The system's count of datagrams dropped for a full receive buffer."""
    with open("/proc/net/snmp") as f:
        rows = [line.split() for line in f if line.startswith("Udp:")]
    return int(rows[1][rows[0].index("RcvbufErrors")])


def free_udp_port():
    probe = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    probe.bind(("127.0.0.1", 0))
    port = probe.getsockname()[1]
    probe.close()
    return port


def udp_settings(receiver_port, local_port):
    return [1, 8, 0, 1, 9600, 0, 1, "127.0.0.1", receiver_port, local_port, 19, 1, 0, "", ""]


class UdpReceiver:
    """The receiver's socket on 127.0.0.1."""

    def __init__(self):
        self.sock = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        self.sock.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 8 << 20)
        self.sock.bind(("127.0.0.1", 0))
        self.port = self.sock.getsockname()[1]
        self.simulator_port = free_udp_port()

    def exchange(self, number, timeout=2.0):
        """Sends one frame and returns its answer, or None when none came in time."""
        self.sock.sendto(event_frame(number), ("127.0.0.1", self.simulator_port))
        self.sock.settimeout(timeout)
        try:
            return self.sock.recv(2048)
        except socket.timeout:
            return None

    def wait_until_listening(self, simulator, seconds=15):
        deadline = time.time() + seconds
        while time.time() < deadline:
            check(simulator.process.poll() is None, "the simulator ended at start")
            if self.exchange(0, 0.2) is not None:
                time.sleep(0.3)  # answers to earlier probes may still be on their way
                self.drain()
                return
        raise Failure("the simulator never answered over UDP")

    def drain(self):
        self.sock.settimeout(0)
        try:
            while True:
                self.sock.recv(2048)
        except (BlockingIOError, socket.timeout):
            pass


def foreign_flood(bin_dir):
    """100,000 datagrams from 127.0.0.2 during a real exchange: no answer to them, and the real
    exchange loses nothing."""
    foreign = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    try:
        foreign.bind(("127.0.0.2", 0))
    except OSError:
        print("SKIP: no 127.0.0.2 on this machine")
        return
    receiver = UdpReceiver()
    sim = Simulator(bin_dir, udp_settings(receiver.port, receiver.simulator_port), 1)
    try:
        receiver.wait_until_listening(sim)
        flooded = threading.Event()

        def flood():
            target = ("127.0.0.1", receiver.simulator_port)
            frame = event_frame(9999, b"31")
            shapes = [frame, b"", b"\x00" * 1400, b"short"]
            # Paced at about 50,000 a second, which the program drains with room to spare; a
            # machine busy with other work must not make the system drop datagrams instead.
            for i in range(100000):
                try:
                    foreign.sendto(shapes[i % 4], target)
                except OSError:
                    pass
                if i % 500 == 499:
                    time.sleep(0.01)
            flooded.set()

        thread = threading.Thread(target=flood)
        drops_before = udp_receive_buffer_errors()
        thread.start()
        number, lost, wrong = 1, [], []
        while not flooded.is_set() or number < 2000:
            answer = receiver.exchange(number)
            if answer is None:
                lost.append(number)
            elif answer != expected_ack(number):
                wrong.append((number, answer))
            number += 1
        thread.join()
        dropped = udp_receive_buffer_errors() - drops_before
        check(not lost, "%d of %d real frames unanswered, first %s; the system dropped %d "
              "datagrams for a full buffer; error.log: %r"
              % (len(lost), number - 1, lost[:5], dropped, sim.error_lines()[:3]))
        check(not wrong, "wrong answers: %r" % wrong[:3])
        foreign.settimeout(0.5)
        try:
            answer = foreign.recv(2048)
            raise Failure("the foreign sender got an answer: %r" % answer)
        except socket.timeout:
            pass
        check(receiver.exchange(number) == expected_ack(number), "no answer after the flood")
        check(sim.terminate() == 0, "exit status after SIGTERM")
        check(not sim.error_lines(), "error.log: %r" % sim.error_lines()[:3])
        print("foreign flood: 100000 foreign datagrams ignored, %d real frames answered in order"
              % number)
    finally:
        sim.close()


def sigterm_flood(bin_dir):
    """SIGTERM while frames pour in: the program ends at once and cleanly; what it answered
    before is answered once each and in order."""
    receiver = UdpReceiver()
    sim = Simulator(bin_dir, udp_settings(receiver.port, receiver.simulator_port), 1)
    stop = threading.Event()
    try:
        receiver.wait_until_listening(sim)

        def pour():
            number = 1
            # Below 10000, where the four-digit sequence of the frames would wrap.
            while not stop.is_set() and number < 9000:
                receiver.sock.sendto(event_frame(number), ("127.0.0.1", receiver.simulator_port))
                number += 1
                if number % 32 == 0:
                    time.sleep(0.0005)

        thread = threading.Thread(target=pour)
        thread.start()
        answers = []
        receiver.sock.settimeout(2.0)
        while len(answers) < 3000:
            try:
                answers.append(receiver.sock.recv(2048))
            except socket.timeout:
                break
        status = sim.terminate()
        stop.set()
        thread.join()
        check(status == 0, "exit status %s after SIGTERM" % status)
        check(len(answers) >= 1000, "only %d answers during the flood" % len(answers))
        receiver.drain()
        sequences = [int(a[8:12]) for a in answers]
        check(all(b > a for a, b in zip(sequences, sequences[1:])),
              "answers out of order or repeated")
        check(not sim.error_lines(), "error.log: %r" % sim.error_lines()[:3])
        print("SIGTERM during a flood: clean exit after %d answers in order" % len(answers))
    finally:
        stop.set()
        sim.close()


class Line:
    """A pseudo-terminal pair under fixed paths: COM3 for the program, the peer for us."""

    def __init__(self, work):
        self.device = os.path.join(work, "com3")
        self.peer = os.path.join(work, "peer")
        self.socat = None
        self.fd = -1

    def plug(self):
        self.socat = subprocess.Popen(
            ["socat", "pty,raw,echo=0,link=" + self.device, "pty,raw,echo=0,link=" + self.peer])
        deadline = time.time() + 5
        while not (os.path.exists(self.device) and os.path.exists(self.peer)):
            check(time.time() < deadline, "socat made no pseudo-terminals")
            time.sleep(0.02)
        self.fd = os.open(self.peer, os.O_RDWR | os.O_NOCTTY | os.O_NONBLOCK)

    def unplug(self):
        os.close(self.fd)
        self.fd = -1
        self.socat.terminate()
        self.socat.wait(5)

    def read(self, count, timeout):
        data, deadline = b"", time.time() + timeout
        while len(data) < count and time.time() < deadline:
            try:
                data += os.read(self.fd, 4096)
            except BlockingIOError:
                time.sleep(0.005)
        return data

    def exchange(self, number, timeout=2.0):
        os.write(self.fd, event_frame(number))
        expected = expected_ack(number)
        return self.read(len(expected), timeout)


def serial_unplug(bin_dir):
    """The serial peer vanishes in the middle of a frame and comes back under the same path: no
    busy loop meanwhile, one error.log line, then frames are answered again."""
    if shutil.which("socat") is None:
        print("SKIP: no socat")
        return
    work = tempfile.mkdtemp(prefix="v7400-line-")
    line = Line(work)
    line.plug()
    settings = [3, 8, 0, 1, 115200, 0, 0, "127.0.0.1", 10000, 10000, 19, 1, 0, "", ""]
    sim = Simulator(bin_dir, settings, 1, line.device)
    try:
        deadline = time.time() + 15
        while line.exchange(1, 0.3) != expected_ack(1):
            check(time.time() < deadline and sim.process.poll() is None,
                  "the simulator never answered on the serial line")
        for number in range(2, 6):
            check(line.exchange(number) == expected_ack(number), "answer %d before" % number)
        os.write(line.fd, event_frame(6)[:12])  # cut in the middle
        line.unplug()
        time.sleep(1.0)
        before = sim.cpu_seconds()
        time.sleep(1.0)
        busy = sim.cpu_seconds() - before
        check(busy < 0.3, "%.2f s of CPU in one second with the device away" % busy)
        lines = sim.error_lines()
        check(len(lines) == 1 and b"Serial port lost" in lines[0], "error.log: %r" % lines)

        line.plug()
        deadline = time.time() + 10
        number = 7
        while True:
            answer = line.exchange(number, 0.5)
            if answer == expected_ack(number):
                break
            check(answer == b"", "wrong answer after the device came back: %r" % answer)
            check(time.time() < deadline, "not answering after the device came back")
            number += 1
        for number in range(number + 1, number + 20):
            check(line.exchange(number) == expected_ack(number), "answer %d after" % number)
        check(len(sim.error_lines()) == 1, "error.log: %r" % sim.error_lines())
        check(sim.terminate() == 0, "exit status after SIGTERM")
        print("serial unplug: one error line, %.2f s CPU while away, answering again" % busy)
    finally:
        sim.close()
        if line.fd >= 0:
            line.unplug()
        shutil.rmtree(work, ignore_errors=True)


CASES = {"foreign-flood": foreign_flood, "sigterm-flood": sigterm_flood,
         "serial-unplug": serial_unplug}

if __name__ == "__main__":
    try:
        CASES[sys.argv[2]](sys.argv[1])
    except Failure as failure:
        print("FAIL:", failure)
        sys.exit(1)
