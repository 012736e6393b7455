#!/usr/bin/env python3
"""Writes the small seed corpora under fuzz/corpus/ (run from the repository root)."""
import os
import struct


def crc16_arc(data):
    crc = 0
    for byte in data:
        crc ^= byte
        for _ in range(8):
            crc = (crc >> 1) ^ 0xA001 if crc & 1 else crc >> 1
    return crc


def sia(sequence, line, data):
    body = b"\t" + sequence + b"01" + line + data
    return b"\n" + b"%04X" % crc16_arc(body) + b"%02X" % len(body) + body + b"\r"


def datagrams(flags, *payloads):
    return bytes([flags]) + b"".join(struct.pack(">H", len(p)) + p for p in payloads)


def write(target, name, data):
    folder = os.path.join("fuzz", "corpus", target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


event = sia(b"0001", b"05", b"[#1234|NBA05]")
write("serial_receive", "sia_two_frames", b"\x01\x14" + event + sia(b"0002", b"07", b"[]"))
write("serial_receive", "4100_frames", b"\x00\x14EVENT 1\x14EVENT 2\x14")
write("serial_receive", "sia_program", b"\x21\x14" + sia(b"0001", b"03", b"[NLC06]") + sia(b"AAAA", b"03", b"[]"))

write("datagram_receive", "sia_plain", datagrams(0x01, event, sia(b"0002", b"05", b"[]")))
write("datagram_receive", "4100_plain", datagrams(0x00, b"EVENT 1\x14", b""))
write("datagram_receive", "sia_aes128", datagrams(0x13, event, sia(b"AAAA", b"05", b"[]")))
write("datagram_receive", "sia_aes256_ipv6", datagrams(0x9B, event))
write("datagram_receive", "raw_packet", datagrams(0x43, bytes(range(34))))
write("datagram_receive", "foreign", datagrams(0x21, event))
write("datagram_receive", "program", datagrams(0x01, sia(b"0001", b"01", b"[NLC06]"), sia(b"AAAA", b"01", b"[]")))


def settings(*lines):
    return b"".join(line + b"\r\n" for line in lines)


write("settings_file", "udp_ipv4", b"\x00" + settings(
    b"1", b"8", b"0", b"1", b"9600", b"0", b"1", b"127.0.0.1", b"10001", b"10000", b"19", b"1",
    b"0", b"", b""))
write("settings_file", "udp_ipv6_dialog", b"\x01" + settings(
    b"1", b"8", b"0", b"1", b"9600", b"0", b"1", b"::1", b"10001", b"10000", b"19", b"1", b"0",
    b"", b"::1"))
write("settings_file", "serial", b"\x00" + settings(
    b"3", b"7", b"2", b"2", b"115200", b"1", b"0", b"", b"", b"", b"0", b"0", b"0", b"", b""))
write("settings_file", "short", b"\x00" + b"1\n8\r0")

write("program_queue", "tk1400", b"\x02A4C123B1612DD272D1371C17149D43")
write("program_queue", "qrv_zt", b"\x07" + b"8904DBA41ECCCC3FC1626E53A13043B026C48BBF33FEFF92")
write("program_queue", "qrv_zt_empty", b"\x03")
write("program_queue", "odd_digits", b"\x06" + b"9536B3216FDAEE1")

write("control_api", "put_faults", b'PUT\n/v1/faults\n\n\n{"rules":["nack:every=5","drop:p=0.1"],"seed":7}')
write("control_api", "outage_token", b'POST\n/v1/outages\n\nBearer t0ken\n{"seconds":30}')
write("control_api", "events", b"GET\n/v1/events\nafter=3&limit=10\n\n")
write("control_api", "metrics", b"GET\n/metrics\n\n\n")
