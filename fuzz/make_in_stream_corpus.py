#!/usr/bin/env python3
"""Writes the seed envelopes of in_stream_fuzzer into corpus/in_stream/.

Each seed is a payload envelope as an input stream receives it: flag byte 0
and the data (plain), or flag 1, the u32 length and a zlib stream
(compressed). The data holds object records: u32 body length, 16-byte class
id, u16 version, body.
"""
import os
import struct
import zlib


def record(tag, body, version=1):
    return struct.pack("<I", len(body)) + bytes([tag]) * 16 + \
        struct.pack("<H", version) + body


def plain(data):
    return b"\x00" + data


def compressed(data, flag=1):
    return bytes([flag]) + struct.pack("<I", len(data)) + zlib.compress(data, 9)


NESTED = record(1, record(2, bytes(range(10))) + b"tail-8by", version=8)
SEEDS = {
    "plain_empty": plain(b""),
    "plain_abc": plain(b"abc"),
    "plain_record": plain(b"xy" + record(4, b"body") + b"z"),
    "plain_nested_40_10": plain(NESTED),
    "plain_short_load": plain(record(6, bytes(10), version=1)),
    "compressed_empty": compressed(b""),
    "compressed_nested": compressed(NESTED + record(3, b"", version=2)),
    "compressed_flag80": compressed(b"abc", flag=0x80),
    "impossible_length": b"\x01" + struct.pack("<I", 0xffffffff) + bytes(10),
    "wrong_adler": compressed(b"abc" * 20)[:-1] + b"\x00",
}

here = os.path.join(os.path.dirname(os.path.abspath(__file__)),
                    "corpus", "in_stream")
os.makedirs(here, exist_ok=True)
for name, image in SEEDS.items():
    with open(os.path.join(here, name), "wb") as out:
        out.write(image)
