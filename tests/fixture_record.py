"""Reads what the fixture installer recorded: one "key value" line each, bytes escaped as %XX."""
import re


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
