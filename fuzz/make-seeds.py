#!/usr/bin/env python3
"""Writes the seed corpora of the fuzz targets into fuzz/corpus/<target>/.

Each seed is a small input in the byte format that its target's header
comment describes, chosen to start the fuzzer on the paths that matter:
complete gestures and calibration sessions, degenerate calibrations, maps
and blocks with values beyond their tables and ranges. Run it from the
repository root; it overwrites the files it writes and touches no others.
"""
import math
import os
import struct

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus")

MODERN_MAP = [(0, 0), (0, 0), (0, 0), (0, 0), (1, 8), (1, 7), (0, 5),
              (0, 3), (0, 5), (0, 3), (0, 1), (0, 2), (1, 2), (1, 1)]
LEGACY_MAP = [(0, 5), (0, 3), (0, 0), (0, 0), (1, 19), (1, 20), (0, 5),
              (0, 3), (0, 5), (0, 3), (0, 1), (0, 2), (1, 2), (1, 1)]
XL = [2048, 128, 128, 3968, 3968, 2048, 2048, 128, 3968]
YL = [2048, 128, 3968, 128, 3968, 128, 3968, 2048, 2048]


def block(cal_x=None, cal_y=None, scale_x=None, scale_y=None, slopes=None, words=None, gmap=None):
    """The 180-byte parameter block image; arguments override the defaults."""
    cal_x = cal_x or [1920, 128, 128, 3968, 3968, 128, 1920, 1920, 3968, 3968]
    cal_y = cal_y or [1920, 128, 3968, 128, 3968, 1920, 128, 3968, 1920, 3968]
    scale_x = scale_x or [1.0] * 6
    scale_y = scale_y or [1.0] * 6
    slopes = slopes or [0.0] * 8
    # AxisFlags .. PressureLimit, offsets 120..150.
    w = [0, 0, 0, 20, 50, 10, 350, 800, 24, 32, 32, 32, 10, 125, 4, 20000]
    for i, v in (words or {}).items():
        w[i] = v
    gmap = gmap or MODERN_MAP
    data = struct.pack("<10H10H6f6f8f16H", *cal_x, *cal_y, *scale_x, *scale_y, *slopes, *w)
    data += bytes(b for entry in gmap for b in entry)
    assert len(data) == 180
    return data


def trace_reports(path):
    """The reports of a trace file as (failed, 12 bytes)."""
    out = []
    with open(path) as f:
        for line in f:
            fields = line.split()
            if not fields or fields[0].startswith("#"):
                continue
            if fields == ["fail"]:
                out.append((True, b""))
                continue
            v = [int(x) for x in fields]
            out.append((False, struct.pack("<4H4B", *v)))
    return out


def write(target, name, data):
    d = os.path.join(ROOT, target)
    os.makedirs(d, exist_ok=True)
    with open(os.path.join(d, name), "wb") as f:
        f.write(data)


def parameter_file_seeds():
    write("parameter_file", "default", block())
    write("parameter_file", "short-179", block()[:179])
    write("parameter_file", "long-200", block() + bytes(range(20)))
    no_map = bytearray(block())
    no_map[152] = 0xFF
    no_map[153] = 0x07
    write("parameter_file", "no-map", bytes(no_map))
    # Rotated, swapped and inverted, with out-of-range words everywhere.
    write("parameter_file", "odd-words", block(words={0: 0x13, 1: 3, 2: 65535, 5: 0, 6: 0, 7: 65535, 8: 0,
                                                       9: 65535, 10: 0, 11: 0, 15: 0}))
    # Non-finite and extreme coefficients.
    inf, nan = math.inf, math.nan
    write("parameter_file", "non-finite", block(scale_x=[1, 1, 1, 1, inf, -inf], scale_y=[1, 1, 1, 1, nan, 3e38],
                                                slopes=[inf, -inf, nan, 1e30, -1e30, 0, 1e-30, -0.0]))
    write("parameter_file", "centre-corner", block(cal_x=[0] * 10, cal_y=[65535] * 10, words={0: 0x02}))
    # Map bytes beyond both tables.
    write("parameter_file", "map-beyond", block(gmap=[(7 + i, 35 + 16 * i) for i in range(14)]))


def report_stream_seeds():
    def records(reports):
        out = b""
        for failed, data in reports:
            out += b"\x00" if failed else b"\x01" + data
        return out

    examples = os.path.join(ROOT, "..", "..", "examples")
    for name in ("circle", "stroke", "pinch", "pan"):
        reports = trace_reports(os.path.join(examples, name + ".trace"))
        write("report_stream", name, block() + records(reports))
    stroke = trace_reports(os.path.join(examples, "stroke.trace"))
    write("report_stream", "stroke-legacy-rotated",
          block(gmap=LEGACY_MAP, words={1: 1, 2: 2}) + records(stroke))
    # A pinch whose map entries change while it runs (tag 3: offset, value).
    pinch = trace_reports(os.path.join(examples, "pinch.trace"))
    half = len(pinch) // 2
    writes = b"\x03\xb0\x2a\x03\xb1\x06\x03\x88\x00"
    write("report_stream", "pinch-map-rewritten", block() + records(pinch[:half]) + writes + records(pinch[half:]))


def gesture_map_seeds():
    write("gesture_map", "modern", bytes(b for e in MODERN_MAP for b in e))
    write("gesture_map", "legacy", bytes(b for e in LEGACY_MAP for b in e))
    write("gesture_map", "ten-bytes", bytes([1, 9, 2, 10, 3, 11, 4, 12, 5, 13]))
    write("gesture_map", "beyond", bytes([6, 34, 7, 35, 255, 255, 0, 200, 100, 1, 8, 2] + [0] * 16))
    write("gesture_map", "long", bytes(range(40)))


def calibration_session_seeds():
    def session(width, height, targets=9, lift_first=False):
        out = struct.pack("<IIH", width, height, 20000) + b"\x06" + struct.pack("<I", 7)
        for i in range(targets):
            if lift_first:
                out += b"\x03"
            # Touch, 60 more ticks of it (show, start, 50 samples, 100 %, hold), release.
            out += b"\x02" + struct.pack("<HH", 1000 + 300 * i, 900 + 250 * i) + b"\x04" + bytes([60]) + b"\x03"
        return out + b"\x03"

    write("calibration_session", "complete-1024x768", session(1024, 768))
    write("calibration_session", "complete-0x0", session(0, 0, lift_first=True))
    write("calibration_session", "complete-1x1", session(1, 1))
    write("calibration_session", "complete-huge", session(0xFFFFFFFF, 70000))
    # Two targets, then the driver goes: 250 failed reads, a probe finds it
    # once, then not.
    unplug = session(1366, 768, targets=2)[:-1] + b"\x00" + b"\x04\xff" + b"\x01" + b"\x00" + b"\x04\xff" + b"\x00"
    write("calibration_session", "unplugged", unplug)
    # Random-looking full reports, a hard touch, a negative one.
    reports = struct.pack("<IIH", 800, 600, 100) + b"\x10\x00\x00\x00\x00"
    reports += b"\x01" + struct.pack("<4H4B", 2000, 2000, 100, 150, 0, 0, 0, 0)
    reports += b"\x01" + struct.pack("<4H4B", 2000, 2000, 150, 100, 0, 0, 0, 0)
    reports += b"\x01" + struct.pack("<4H4B", 65535, 65535, 1, 65535, 255, 255, 255, 255) + b"\x04\x80"
    write("calibration_session", "reports", reports)


def calibration_solve_seeds():
    def points(xs, ys, orientation=0, before=b""):
        return b"".join(struct.pack("<HH", x, y) for x, y in zip(xs, ys)) + bytes([orientation]) + before

    write("calibration_solve", "ideal", points(XL, YL))
    write("calibration_solve", "reversed-y", points(XL, [4095 - y for y in YL], 1))
    write("calibration_solve", "reversed-both", points([4095 - x for x in XL], [4095 - y for y in YL], 2))
    write("calibration_solve", "exchanged", points(YL, XL, 3))
    write("calibration_solve", "half-travel", points([2048 + (x - 2048) // 2 for x in XL],
                                                     [2048 + (y - 2048) // 2 for y in YL]))
    write("calibration_solve", "top-left-1088", points([XL[0], 1088] + XL[2:], YL))
    write("calibration_solve", "left-centre-on-centre", points(XL[:7] + [2048, XL[8]], YL))
    write("calibration_solve", "all-equal", points([2000] * 9, [2000] * 9))
    write("calibration_solve", "with-block", points(XL, YL, 0, block(words={0: 0x13, 2: 3})))
    skew = [(1995, 1990), (3705, 291), (3664, 3747), (362, 233), (249, 3689), (2033, 262), (1957, 3718),
            (3685, 2019), (305, 1961)]
    write("calibration_solve", "skewed", points([p[0] for p in skew], [p[1] for p in skew]))


def points_parser_seeds():
    ideal = "".join("%d %d\n" % p for p in zip(XL, YL))
    write("points_parser", "ideal.txt", ideal.encode())
    write("points_parser", "comments.txt", ("# nine points\n\n" + ideal.replace("\n", "\r\n", 3) + "  # end\n").encode())
    write("points_parser", "eight.txt", "".join("%d %d\n" % p for p in zip(XL[:8], YL[:8])).encode())
    write("points_parser", "max.txt", ("65535 65535\n" * 8 + "65535\t0").encode())
    write("points_parser", "bad.txt", b"1 2\n3 65536\n")


if __name__ == "__main__":
    parameter_file_seeds()
    report_stream_seeds()
    gesture_map_seeds()
    calibration_session_seeds()
    calibration_solve_seeds()
    points_parser_seeds()
