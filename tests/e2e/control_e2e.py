#!/usr/bin/env python3
"""The live control (--control) against a headless run under the receiver emulator's traffic:
rules replaced mid-run act from the next frame on, an outage begun and ended through it is in
the report, and /metrics parses and agrees with the summary JSON; then the refusals (an address
beyond loopback without a token, a request without the token, a port taken) and the window.
control_e2e.py BIN SCENARIO (live | access)
"""
import json
import re
import sys
import time
import urllib.error
import urllib.request

try:
    from prometheus_client.parser import text_string_to_metric_families
except ImportError:  # a Python of its own on the PATH: Debian's package is beside the system's
    sys.path.append("/usr/lib/python3/dist-packages")
    from prometheus_client.parser import text_string_to_metric_families

from headless_e2e import check, udp_run, wait_listening


def call(base, method, path, body=None, token=None):
    """(status, decoded answer) of one request."""
    request = urllib.request.Request(base + path, method=method,
                                     data=None if body is None else json.dumps(body).encode())
    if token:
        request.add_header("Authorization", "Bearer " + token)
    try:
        with urllib.request.urlopen(request, timeout=10) as answer:
            status, text = answer.status, answer.read().decode()
    except urllib.error.HTTPError as error:
        status, text = error.code, error.read().decode()
    return status, (text if path == "/metrics" else json.loads(text))


def start(run, *args, window=False):
    """The simulator with --control on a free port; it and the control's base address."""
    sim = run.start("--control", "127.0.0.1:0", *args, window=window)
    lines = []
    while not lines or "control: listening on" not in lines[-1]:
        lines.append(sim.stderr.readline())
        check(lines[-1] and len(lines) < 20, "no listening line: %r" % lines)
    return sim, re.search(r"listening on (http://\S+)", lines[-1]).group(1)


def wait_frames(base, count, emu):
    while call(base, "GET", "/v1/status")[1]["frames"]["in"] < count:
        check(emu.poll() is None, "the emulator ended before frame %d" % count)
        time.sleep(0.02)


def live(bin_dir):
    run, emu_port, sim_port = udp_run(bin_dir)
    sim, base = start(run, "--udp", "127.0.0.1", str(emu_port), "--local-port", str(sim_port),
                      "--format", "sia", "--csv", "t.csv", "--log", "t.log", "--quiet",
                      "--summary-json", "s.json", "--expect", "given-up=0")
    wait_listening(sim, sim_port)
    emu = run.emulator("--udp", "127.0.0.1", str(sim_port), "--local-port", str(emu_port),
                       "--count", "150", "--rate", "50", "--timeout", "300", "--retries", "10")
    wait_frames(base, 20, emu)
    status, faults = call(base, "PUT", "/v1/faults", {"rules": ["nack:first=2"], "seed": 7})
    check(status == 200 and faults == {"rules": ["nack:first=2"], "seed": 7}, str(faults))
    wait_frames(base, 50, emu)
    check(call(base, "PUT", "/v1/faults", {"rules": ["drop:first=1"]})[0] == 200, "2nd rules")
    wait_frames(base, 80, emu)
    status, outage = call(base, "POST", "/v1/outages", {"seconds": 30})
    check(status == 200 and outage["outage"] == 1, str(outage))
    time.sleep(1)
    check(call(base, "GET", "/v1/status")[1]["outage"]["number"] == 1, "outage in the status")
    check(call(base, "DELETE", "/v1/outages") == (200, {"ended": 1}), "outage ended")
    check(call(base, "DELETE", "/v1/outages")[0] == 409, "a second end")
    receiver = json.loads(emu.communicate(timeout=60)[0])
    check(all(e["outcome"] == "acked" for e in receiver["event_attempts"]), "receiver gave up")
    report = call(base, "GET", "/v1/report")[1]
    outage = report["outages"][0]
    check(outage["whole"] and outage["in_order"] and 900 <= outage["duration_ms"] < 5000,
          "outage in the report: %s" % outage)
    retries = sum(len(e["sent_ms"]) - 1 for e in receiver["event_attempts"])
    check(report["repeats_after_nack"] == 2 and
          report["repeats_after_nack"] + report["repeats_after_fault"] == retries,
          "repeats %s, the receiver's retries %d" % (report, retries))
    events = call(base, "GET", "/v1/events?after=0&limit=1000")[1]["events"]
    check([e["id"] for e in events] == list(range(1, 151)) and
          sum(e["attempts"] for e in events) == report["attempts"], "events %s" % events[:3])
    check(sum(a.get("outage") == 1 for e in events for a in e["listed"]) ==
          outage["frames_during"], "the journal's silenced attempts")
    check(call(base, "GET", "/v1/expectations")[1]["met"] == 1, "expectations so far")
    metrics = call(base, "GET", "/metrics")[1]
    sim.terminate()
    err = sim.communicate(timeout=20)[1]
    check(sim.returncode == 0, "exit %s: %s" % (sim.returncode, err))
    check_rows_after_changes(run)
    check_metrics(metrics, json.load(open(run.path("s.json"))))
    for said in ("faults set to nack:first=2", "faults set to drop:first=1",
                 "outage 1 started, 30 s", "outage 1 ended"):
        check("v7400: control: " + said in err, "standard error lacks %r: %s" % (said, err))


def check_rows_after_changes(run):
    """The first frame after each change is the first the new rule acts on."""
    log = open(run.path("t.log"), encoding="latin-1").read()
    ins = [r for r in run.rows() if r["direction"] == "in"]
    for line, reasons in (("control: faults set to nack:first=2", ["fault 1: nack first 2"] * 2),
                          ("control: faults set to drop:first=1", ["fault 1: drop first 1"])):
        n = int(re.findall(r" <(\d+)> :", log[:log.index(line)])[-1])  # frames before it
        got = [r["reason"] for r in ins[n - 1:n + len(reasons) + 1]]
        check(got == [""] + reasons + [""], "%s: rows %d.. say %s" % (line, n, got))


def check_metrics(text, summary):
    samples = [s for f in text_string_to_metric_families(text) for s in f.samples]
    def total(name, **labels):
        return sum(s.value for s in samples if s.name == name and
                   all(s.labels.get(k) == v for k, v in labels.items()))
    frames = "v7400_frames_total"
    for verdict, key in (("ACK", "acked"), ("NACK", "nacked"), ("none", "not_answered")):
        check(total(frames, direction="in", verdict=verdict) == summary[key], verdict)
    check(total(frames, direction="out") == summary["sent"], "frames out")
    r = summary["retransmissions"]
    for kind in ("after_ack", "after_nack", "after_fault"):
        check(total("v7400_repeats_total", kind=kind) == r["repeats_" + kind], kind)
    check(total("v7400_retry_interval_seconds_count") == sum(
        i["count"] for i in r["retry_intervals_ms"]), "retry intervals")
    check(total("v7400_given_up_events") == r["given_up"] and
          total("v7400_outages_started_total") == 1 and total("v7400_outage_active") == 0 and
          total("v7400_answer_duration_seconds_count") > 0, "metrics %s" % text)


def access(bin_dir):
    run, emu_port, sim_port = udp_run(bin_dir)
    link = ("--udp", "127.0.0.1", str(emu_port), "--local-port", str(sim_port))
    refused = run.start("--control", "0.0.0.0:0", *link)
    err = refused.communicate(timeout=20)[1]
    check(refused.returncode == 2 and "--control-token" in err and err.count("\n") == 1, err)
    sim, base = start(run, "--control-token", "s3cret", *link)
    check(call(base, "GET", "/v1/status")[0] == 401, "a request without the token")
    check(call(base, "GET", "/v1/status", token="s3cret")[0] == 200, "with the token")
    taken = run.start("--control", base.rsplit("/", 1)[1], *link[:3], "--local-port",
                      str(sim_port + 2))
    err = taken.communicate(timeout=20)[1]
    check(taken.returncode == 2 and "cannot listen" in err, "a port taken: %s" % err)
    sim.terminate()
    sim.communicate(timeout=20)
    window, base = start(run, *link, window=True)
    check(call(base, "PUT", "/v1/faults", {"rules": ["drop:every=3"]})[0] == 200, "window PUT")
    check(call(base, "GET", "/v1/status")[1]["faults"]["rules"] == ["drop:every=3"], "window")
    window.terminate()
    window.communicate(timeout=20)


if __name__ == "__main__":
    {"live": live, "access": access}[sys.argv[2]](sys.argv[1])
    print("%s: passed" % sys.argv[2])
