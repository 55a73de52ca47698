#!/usr/bin/env python3
"""Writes the seed corpus of each fuzz target from the unit tests' cases (fuzz/corpus/<target>/)."""
import struct
from pathlib import Path

ROOT = Path(__file__).resolve().parent / "corpus"


def table(line_end: bytes, idle: bytes, blank: bool = True) -> bytes:
    rows = [b"Name    PercentIdleTime  ", b"0       97               ", b"1       99               ",
            b"_Total  " + idle + b"               "]
    text = b"".join(r + line_end for r in rows)
    return text + (line_end if blank else b"")


def if_table(rows) -> bytes:
    """Rows of (interface index, bytes in, bytes out)."""
    data = bytearray(4 + 860 * len(rows))
    struct.pack_into("<I", data, 0, len(rows))
    for i, (index, inbound, outbound) in enumerate(rows):
        struct.pack_into("<I", data, 4 + i * 860 + 512, index)
        struct.pack_into("<I", data, 4 + i * 860 + 552, inbound)
        struct.pack_into("<I", data, 4 + i * 860 + 576, outbound)
    return bytes(data)


SEEDS = {
    "text_helpers": [b"_Total   98\0Total", b"a,,b,\0,", b"l1\r\nl2\r\n\0\r\n", b"\xa3\xb1\xa3\xb2",
                     b"\x81\x41A\0A", b"12.5", b"\xa1\xa1\xa3\xad\xa3\xb5", b"\xb0\xa1\xb0\xa1\0\xa1\xb0"],
    "speed_text": [struct.pack("<IId", 0x100, 0xFFFFFF00, 1000.9), struct.pack("<IId", 4113, 1000, 1536.0),
                   struct.pack("<IId", 0, 0, 10291.2), b"0", b"1001.0"],
    "cpu_table": [table(b"\r\r\n", b"98"), table(b"\r\n", b"100"), table(b"\r\r\n", b"0", False),
                  "名称    空闲\r\r\n_Total  95\r\r\n\r\r\n".encode("gbk"), b"Node - ERROR\r\nDescription = Invalid query\r\n"],
    "row_choice": [b"\x01" + if_table([(1, 0, 0), (6, 5000, 3000), (3, 1, 9)]) * 2,
                   b"\x02" + if_table([(1, 10, 10), (4, 20, 20)]) + if_table([(4, 5, 5)]) + if_table([]),
                   b"\x04" + b"".join(if_table([(1, 5000 + 102400 * t, 5000 + 102400 * t), (4, 9000, 7000)])
                                     for t in range(5)),
                   b"\x02" + if_table([(8, 0xFFFFFF00, 0x7FFFFFFF), (8, 5, 5)]) * 3,
                   b"\xff\x00\x00\x00" * 8],
}

for target, seeds in SEEDS.items():
    folder = ROOT / target
    folder.mkdir(parents=True, exist_ok=True)
    for number, seed in enumerate(seeds, 1):
        (folder / f"seed-{number}").write_bytes(seed)
