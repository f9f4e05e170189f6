"""Reads what the fixture installer recorded: one "key value" line each, bytes escaped as %XX."""
import os
import re
import time


def read_record(path):
    record = {}
    with open(path, "rb") as record_file:
        for line in record_file.read().split(b"\n"):
            if line:
                key, _, value = line.partition(b" ")
                record[key.decode()] = re.sub(rb"%([0-9A-F]{2})", lambda m: bytes([int(m[1], 16)]), value)
    return record


def arguments(record):
    count = sum(1 for key in record if key.startswith("argument"))
    return [record["argument%d" % i] for i in range(count)]


def remove_record(path):
    if os.path.exists(path):
        os.remove(path)


def wait_for_record(path, key, timeout=20):
    """Waits until the record at path holds key; returns the record, or None on time-out."""
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        if os.path.exists(path):
            record = read_record(path)
            if key in record:
                return record
        time.sleep(0.05)
    return None
