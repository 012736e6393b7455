#!/usr/bin/env python3
"""Each example scenario against the receiver emulator: with retry settings that meet it every
expectation passes and the exit status is 0; with settings that miss it the named expectations
fail, in the JUnit file read back and in the exit status 1. The outage scenario also shows its
timed phase beginning within 50 ms of its `at`.
scenarios_e2e.py BIN SOURCE_DIR NAME
"""
import datetime
import os
import sys
import xml.etree.ElementTree as ElementTree

from headless_e2e import check, udp_run, wait_listening



def emu(**changes):
    """The emulator's arguments: 20 events, 10 a second, a 1 s time-out and 3 retries."""
    options = {"count": 20, "rate": 10, "timeout": 1000, "retries": 3}
    options.update(changes)
    return [a for key, value in options.items()
            for a in ("--" + key.replace("_", "-"), str(value))]


# name: (the emulator's arguments that meet the scenario, those that miss it, what then fails)
SCENARIOS = {
    "ack-timeout": (emu(), emu(timeout=2000), ["first-repeat=900..1200ms"]),
    "nack-retry": (emu(), emu(retries=0), ["first-repeat<=200ms", "given-up=0"]),
    "wrong-sequence": (emu(), emu(retries=0), ["given-up=0", "first-repeat=900..1200ms"]),
    "duplicate-ack": (emu(), emu(bad_crc_every=5), ["attempts=1", "nacked-own=0"]),
    "outage-buffered": (emu(rate=100, count=300, retries=30), emu(rate=100, count=300),
                        ["outage-whole=true", "outage-recovery<=10s"]),
    # A late ACK still reaches the receiver, so a too-short time-out shows as a second attempt.
    "slow-computer": (emu(timeout=3000), emu(timeout=250, retries=1), ["attempts=1"]),
    "line-late": (emu(line="01,07", count=40, rate=20),
                  emu(line="01,07", count=40, rate=20, timeout=2000),
                  ["first-repeat=900..1200ms@line=07"]),
}


def run(bin_dir, scenario, emu_args):
    sim_run, emu_port, sim_port = udp_run(bin_dir)
    sim = sim_run.start("--scenario", scenario, "--udp", "127.0.0.1", str(emu_port),
                        "--local-port", str(sim_port), "--junit", "j.xml", "--csv", "t.csv")
    wait_listening(sim, sim_port)
    receiver = sim_run.emulator("--udp", "127.0.0.1", str(sim_port), "--local-port",
                                str(emu_port), *emu_args)
    _, emu_err = receiver.communicate(timeout=90)
    check(receiver.returncode in (0, 1), "receiver-emu %s: %s" % (emu_args, emu_err))
    sim.terminate()
    out, err = sim.communicate(timeout=20)
    suite = ElementTree.parse(sim_run.path("j.xml")).getroot()
    failed = {c.get("name"): c.find("failure").get("message")
              for c in suite.iter("testcase") if c.find("failure") is not None}
    return sim.returncode, failed, suite, sim_run.rows(), out + err


def check_phase_start(rows, at_ms):
    """The first frame the outage silenced came within 50 ms of `at` after the first frame."""
    def ms(row):
        return datetime.datetime.fromisoformat(row["time"]).timestamp() * 1000
    ins = [r for r in rows if r["direction"] == "in"]
    silenced = [r for r in ins if r["reason"].startswith("outage 1")]
    check(silenced, "no frame silenced")
    late = ms(silenced[0]) - ms(ins[0])
    answered_before = [r for r in ins if ms(r) < ms(silenced[0]) and r["verdict"] == "ACK"]
    check(at_ms <= late <= at_ms + 50, "outage began %.0f ms after the first frame" % late)
    # Phases keep time on the millisecond tick, read before a frame's record takes its time.
    answered = ms(answered_before[-1]) - ms(ins[0])
    check(answered < at_ms + 1, "a frame answered %.3f ms after the first" % answered)


def main():
    bin_dir, source, name = sys.argv[1], sys.argv[2], sys.argv[3]
    scenario = os.path.join(source, "examples", "scenarios", name + ".toml")
    meets, misses, failing = SCENARIOS[name]
    status, failed, suite, rows, text = run(bin_dir, scenario, meets)
    check(status == 0 and not failed, "%s met: status %s, failed %s\n%s" % (name, status, failed,
                                                                          text))
    check(suite.get("name") and int(suite.get("tests")) > 1, "suite %s" % suite.attrib)
    if name == "outage-buffered":
        check_phase_start(rows, 2000)
    status, failed, suite, rows, text = run(bin_dir, scenario, misses)
    check(status == 1, "%s missed: status %s\n%s" % (name, status, text))
    for expectation in failing:
        check(failed.get(expectation, "").startswith(expectation + ": measured "),
              "%s missed: %s not failed as expected: %s" % (name, expectation, failed))
    print("%s: met and missed as expected; missed: %s" % (name, failed))


if __name__ == "__main__":
    main()
