#!/usr/bin/env python3
"""Writes small, realistic ROM images for the bundled sample definition and
for the shared test fixture, with a manifest of what tells them apart.

For each definition (a top document with its includes) it writes, next to it:

  <name>.rom.bin    a tuned ROM: what the tests and the demo build and save
  <name>.stock.bin  the same ROM as it left the factory
  <name>.roms.json  the manifest: how the images are laid out and which
                    tables, switches and trouble codes differ between them

Layout rules (the manifest repeats the constants):
  * Bytes outside every table, switch and other described item hold the ramp
    0x80 | (offset & 0x7F): never zero and easy to spot in a hex dump.
  * Padding bytes hold 0xEE; bits outside a data type's mask hold the bits of
    0xA5A5A5A5 that the mask leaves out. Both are there to be kept by a save.
  * Mirrored ROM offsets hold identical copies; slave tables hold their
    master's values through the slave's transform, so a build finds them
    consistent and a save writes nothing new.
  * Every switch reads as exactly one of its states; trouble codes are laid
    out where the family named by the ROM information finds them, so each
    image serves as its own second image.
  * The image is as large as the smallest power of two holding every item;
    its CRC-32 is one the ROM information accepts (the stock image takes the
    first, the tuned one the second), fixed by the last four bytes.

The script is not part of the build: its outputs are committed. Run it after
changing a definition; with --check it only compares what it would write with
the files that are there (exit status 1 when they differ).

Python 3 standard library only.
"""

import argparse
import ast
import json
import math
import os
import struct
import sys
import xml.etree.ElementTree as ET
import zlib

DEFINITIONS = ["examples/kestrel.xml", "tests/data/vehicle/kestrel.xml"]

PAD_FILL = 0xEE
MASK_FILL = 0xA5A5A5A5


def ramp(offset):
    return 0x80 | (offset & 0x7F)


# ---------------------------------------------------------------- reading

def strtoul(text):
    """strtoul with base 0: 0x hexadecimal, leading 0 octal, else decimal;
    stops at the first character that does not fit."""
    text = (text or "").strip()
    sign = 1
    if text[:1] in "+-" and text:
        sign = -1 if text[0] == "-" else 1
        text = text[1:]
    base = 10
    if text[:2].lower() == "0x":
        base, text = 16, text[2:]
    elif text[:1] == "0":
        base = 8
    digits = ""
    for c in text:
        if c.lower() in "0123456789abcdef"[:base]:
            digits += c
        else:
            break
    value = int(digits, base) if digits else 0
    return (sign * value) & 0xFFFFFFFF


def value(element, name):
    """The attribute of that name, else the text of the first child of that
    name, else None."""
    if name in element.attrib:
        return element.attrib[name]
    child = element.find(name)
    if child is not None:
        return child.text or ""
    return None


def number_list(text):
    return [strtoul(item) for item in text.split(",")]


class DataType:
    def __init__(self, element):
        self.id = value(element, "id")
        self.storage = (value(element, "storage") or "").lower()
        self.endian = (value(element, "endian") or "").lower()
        mask = value(element, "mask")
        self.mask = strtoul(mask) if mask is not None else 0xFFFFFFFF
        self.min = float(value(element, "min") or "nan")
        self.max = float(value(element, "max") or "nan")
        conv = element.find("conv")
        self.kind = "direct"
        self.scalar = self.offset = 0.0
        self.to_bin = self.to_float = None
        self.labels = []
        if conv is not None:
            kind = (value(conv, "type") or "").lower()
            self.scalar = float(value(conv, "scalar") or 0)
            self.offset = float(value(conv, "offset") or 0)
            self.labels = [l.text for l in conv.findall("label") if l.text]
            if kind in ("slope-int", "pt-slope", "inv-offset"):
                self.kind = kind
            elif not kind and value(conv, "to_bin"):
                self.kind = "expression"
                self.to_bin = value(conv, "to_bin")
                self.to_float = value(conv, "to_float")

    @property
    def width(self):
        return {"8": 1, "8s": 1, "16": 2, "16s": 2, "32": 4, "32s": 4, "float": 4}[self.storage]


class Axis:
    def __init__(self, element):
        self.id = value(element, "id")
        self.role = (value(element, "type") or "").lower()
        self.special = (value(element, "special") or "").lower()
        count = value(element, "count")
        self.count = strtoul(count) if count is not None else None
        self.layout = (value(element, "layout") or "horizontal").lower()
        pad = value(element, "pad")
        self.pad = strtoul(pad) if pad is not None else 0
        rom = value(element, "rom_offset")
        ram = value(element, "ram_offset")
        self.rom_offsets = number_list(rom) if rom is not None else []
        self.ram_offsets = number_list(ram) if ram is not None else []
        self.runs = []  # (rom offset or None, count)
        if rom is None and ram is None:
            for data in element.findall("data"):
                run_count, run_rom = value(data, "count"), value(data, "rom_offset")
                if run_count is None or (run_rom is None and value(data, "ram_offset") is None):
                    continue
                self.runs.append((strtoul(run_rom) if run_rom is not None else None,
                                  strtoul(run_count)))
            if self.runs:
                self.count = (self.count or 0) + sum(c for _, c in self.runs)
        self.datatype_id = value(element, "datatype")
        self.datatype = None
        self.dims = None  # (x, y, depth)
        dims = element.find("dimensions")
        if self.role == "z" and dims is not None:
            x = strtoul(value(dims, "x")) if value(dims, "x") is not None else 1
            y = strtoul(value(dims, "y")) if value(dims, "y") is not None else 1
            self.dims = (x, y, 1)
            self.count = x * y
        self.readonly = element.find("readonly") is not None
        self.labels = [l.text for l in element.findall("label") if l.text]
        if self.special in ("labels", "labels with data") and self.labels:
            self.count = len(self.labels)

    @property
    def calculated(self):
        return self.special == "x-calc" or (
            self.special == "labels with data" and not self.rom_offsets and not self.ram_offsets
            and not self.runs)

    @property
    def in_rom(self):
        """Whether the axis has bytes in the ROM image."""
        if self.special == "labels" or self.calculated:
            return False
        if self.rom_offsets:
            return True
        return bool(self.runs) and all(rom is not None for rom, _ in self.runs)

    @property
    def stride(self):
        return self.datatype.width + self.pad

    def key(self):
        """Axes written the same way read the same bytes."""
        return (self.id, tuple(self.rom_offsets), tuple(self.runs), self.layout, self.pad,
                self.datatype_id)


class Table:
    def __init__(self, element):
        self.id = value(element, "id")
        self.master = value(element, "master_table")
        self.transform = (value(element, "master_z_conv") or "") if self.master else ""
        self.restricted = strtoul(value(element, "restricted") or "0") != 0
        self.ephemeral = strtoul(value(element, "ephemeral") or "0") != 0
        self.axes = {}
        for child in element.findall("axis"):
            axis = Axis(child)
            self.axes[axis.role] = axis


class Toggle:
    def __init__(self, element):
        self.id = value(element, "id")
        self.strict = strtoul(value(element, "validate") or "0") != 0
        self.segments = []  # (offset, enabled, disabled, mask or None)
        for pair in element.findall("toggle_pair"):
            mask = value(pair, "mask_values")
            self.segments.append((
                strtoul(value(pair, "rom_offset") or "0"),
                [v & 0xFF for v in number_list(value(pair, "enabled_values") or "")],
                [v & 0xFF for v in number_list(value(pair, "disabled_values") or "")],
                [v & 0xFF for v in number_list(mask)] if mask else None))


class Definition:
    def __init__(self, top):
        self.top = top
        self.rominfo = {"crcs": [], "dtc": None, "fw_id": None, "features": [],
                        "feature_toggles": [], "liverom": None}
        self.datatypes, self.tables, self.toggles = {}, {}, {}
        self.restricted_toggles = []
        self._read(top)
        self._resolve()

    def _read(self, path):
        root = ET.parse(path).getroot()
        for include in root.findall("include"):
            self._read(os.path.join(os.path.dirname(path), include.text.strip()))
        info = root.find("rominfo")
        if info is not None:
            self._read_rominfo(info)
        for element in root.findall("datatype"):
            self.datatypes[value(element, "id")] = DataType(element)
        for element in root.findall("toggle"):
            toggle = Toggle(element)
            self.toggles[toggle.id] = toggle
        for element in root.findall("table"):
            table = Table(element)
            if table.id in self.tables:
                raise SystemExit(f"{path}: table {table.id} refines another one; not supported")
            self.tables[table.id] = table
        restrictions = root.find("toggle_restrictions")
        if restrictions is not None:
            self.restricted_toggles += [e.text.strip()
                                        for e in restrictions.findall("toggle_restrict")]

    def _read_rominfo(self, info):
        r = self.rominfo
        if value(info, "rom_crc") is not None:
            r["crcs"] = number_list(value(info, "rom_crc"))
        fw = info.find("fw_id")
        if fw is not None:
            r["fw_id"] = (fw.text.strip(), strtoul(value(fw, "offset")))
        elif "fw_id" in info.attrib:
            r["fw_id"] = (info.attrib["fw_id"], strtoul(info.attrib.get("offset")))
        params = info.find("dtc_parser_params")
        if params is not None:
            r["dtc"] = params
        for feature in info.findall("feature_versions/feature"):
            r["features"].append((value(feature, "id"), strtoul(value(feature, "offset")),
                                  int(value(feature, "version") or -1),
                                  (value(feature, "storage") or "8").lower(),
                                  (value(feature, "endian") or "big").lower()))
        for feature in info.findall("feature_toggles/feature"):
            r["feature_toggles"].append((value(feature, "id"), strtoul(value(feature, "offset"))))
        live = info.find("liverom_info")
        if live is not None:
            r["liverom"] = strtoul(value(live, "offset") or "0xFFFFFFFF")

    def _resolve(self):
        for table in self.tables.values():
            for axis in table.axes.values():
                if axis.special == "labels":
                    continue
                axis.datatype = self.datatypes[axis.datatype_id]
                if axis.datatype.labels:
                    axis.special = "labels with data"
                    axis.count = len(axis.datatype.labels)
            counts = {role: a.count if a.count is not None else 1 for role, a in table.axes.items()}
            z = table.axes["z"]
            if len(table.axes) == 1:
                z.dims = (z.count, 1, 1)
            elif z.dims is None:
                z.dims = (counts.get("x", 1), counts.get("y", 1), counts.get("w", 1))
                z.count = z.dims[0] * z.dims[1] * z.dims[2]
            for role, axis in table.axes.items():
                if role == "x":
                    axis.dims = (axis.count, 1, 1)
                elif role == "y":
                    axis.dims = (1, axis.count, 1)
                elif role == "w":
                    axis.dims = (1, 1, axis.count)


# ---------------------------------------------------------------- conversions

def single(v):
    """v narrowed to single precision, as the library's integer conversion does."""
    if abs(v) > 3.4028234663852886e38:
        v = math.copysign(3.4028234663852886e38, v)
    return struct.unpack("<f", struct.pack("<f", v))[0]


def round_half_away(v):
    return math.floor(v + 0.5) if v >= 0 else math.ceil(v - 0.5)


def long_bin(v, storage):
    if storage == "float":
        return struct.unpack("<I", struct.pack("<f", single(v)))[0]
    d = round_half_away(single(v))
    lo, hi = {"8": (0, 255), "8s": (-128, 127), "16": (0, 65535), "16s": (-32768, 32767),
              "32": (0, 0xFFFFFFFF), "32s": (-2**31, 2**31 - 1)}[storage]
    bits = {"8": 8, "8s": 8, "16": 16, "16s": 16}.get(storage, 32)
    return min(max(d, lo), hi) & ((1 << bits) - 1)


def signed(raw, storage):
    bits = {"8s": 8, "16s": 16, "32s": 32}.get(storage)
    if storage == "float":
        return struct.unpack("<f", struct.pack("<I", raw))[0]
    if bits and raw & (1 << (bits - 1)):
        return raw - (1 << bits)
    return raw


def evaluate(expression, x):
    """Arithmetic on x: numbers, + - * / ^ and parentheses."""
    tree = ast.parse(expression.replace("^", "**"), mode="eval")

    def walk(node):
        if isinstance(node, ast.Expression):
            return walk(node.body)
        if isinstance(node, ast.Constant) and isinstance(node.value, (int, float)):
            return float(node.value)
        if isinstance(node, ast.Name) and node.id == "x":
            return float(x)
        if isinstance(node, ast.UnaryOp) and isinstance(node.op, (ast.USub, ast.UAdd)):
            v = walk(node.operand)
            return -v if isinstance(node.op, ast.USub) else v
        if isinstance(node, ast.BinOp):
            a, b = walk(node.left), walk(node.right)
            ops = {ast.Add: lambda: a + b, ast.Sub: lambda: a - b, ast.Mult: lambda: a * b,
                   ast.Div: lambda: a / b, ast.Pow: lambda: a ** b}
            return ops[type(node.op)]()
        raise SystemExit(f"expression not supported here: {expression}")

    return walk(tree)


def to_raw(datatype, v):
    """Engineering value to the raw integer the library stores for it."""
    t, s, o = datatype, datatype.scalar, datatype.offset
    if t.kind == "direct":
        return long_bin(v, t.storage)
    if t.kind == "slope-int":
        return long_bin((v - o) / s, t.storage)
    if t.kind == "pt-slope":
        return long_bin(v / s - o, t.storage)
    if t.kind == "inv-offset":
        return long_bin(0 if v - o == 0 else s / v - o, t.storage)
    r = evaluate(t.to_bin, v)
    if t.storage == "float":
        return long_bin(r, "float")
    r = round_half_away(r)
    if t.storage in ("8", "16", "32"):
        return long_bin(r, t.storage)
    bits = {"8s": 8, "16s": 16, "32s": 32}[t.storage]
    r = min(max(r, -(1 << (bits - 1))), (1 << (bits - 1)) - 1)
    return r & ((1 << bits) - 1)


def to_value(datatype, raw):
    t, s, o = datatype, datatype.scalar, datatype.offset
    r = signed(raw & t.mask, t.storage)
    if t.kind == "slope-int":
        return r * s + o
    if t.kind == "pt-slope":
        return (r + o) * s
    if t.kind == "inv-offset":
        return 0.0 if r + o == 0 else s / (r + o)
    if t.kind == "expression":
        return evaluate(t.to_float, r)
    return float(r)


def raw_bytes(datatype, raw):
    order = "little" if datatype.endian == "little" else "big"
    return raw.to_bytes(datatype.width, order)


def raw_of(datatype, data):
    return int.from_bytes(bytes(data), "little" if datatype.endian == "little" else "big")


# ---------------------------------------------------------------- values

# Engineering values of the stock calibration, by axis id, in buffer order
# (x fastest, then y, then depth). Axes not named here get a smooth ramp
# across their data type's range.
def grid(xs, ys, f):
    return [f(x, y) for y in ys for x in xs]


RPM16 = [800 + 400 * i for i in range(16)]
LOAD16 = [round(0.2 * (i + 1), 2) for i in range(16)]


def stock_afr(rpm, load):
    # Lean cruise at light load, richer towards full load and high speed.
    afr = 14.7 - max(0.0, load - 1.0) * 1.5 - max(0, rpm - 4000) / 4000.0
    return max(11.0, afr)


STOCK = {
    "Engine Speed": RPM16,
    "Engine Load": LOAD16,
    "Fuel Map A": grid(RPM16, LOAD16, stock_afr),
    "Fuel Map B": grid(RPM16, LOAD16, lambda r, l: stock_afr(r, l) - 0.3),
    "Injector Flow": [565.0],
    "Fuel Trim Limits": [-20.0, 20.0],
    "Base Timing": grid(RPM16, LOAD16,
                        lambda r, l: max(2.0, min(40.0, 8 + r / 250.0 - l * 9.0))),
    "Intake Temp": [-20, 0, 20, 30, 40, 50, 60, 80],
    "Timing Compensation IAT": [0.0, 0.0, 0.0, 0.0, -1.0, -2.0, -3.0, -4.5],
    "Map Switch": [0, 1, 2],
    "WGDC Engine Speed": [2000 + 500 * i for i in range(8)],
    "WGDC Engine Load": [0.8 + 0.4 * i for i in range(6)],
    "Wastegate Duty": [min(85.0, 20.0 + 10 * d + 4 * x + 2 * y)
                       for d in range(3) for y in range(6) for x in range(8)],
    "Launch Boost by Gear": [12.0, 14.0, 16.0, 17.0, 17.5],
    "Rev Limit by Gear": [6700, 6800, 6900, 6900, 6900],
    "Catalyst Protection": [3000],
    "Coolant Temp": [-20, 0, 20, 40, 60, 70, 80, 90],
    "Idle Speed Target": [1500, 1400, 1200, 1000, 900, 850, 800, 750],
    "Idle Air Steps": [380, 360, 320, 280, 240, 220, 200, 190],
    "Battery Voltage": [8.0, 10.0, 12.0, 13.0, 14.0, 16.0],
    "Injector Latency": [2.100, 1.450, 1.020, 0.880, 0.760, 0.580],
    "Cam Load": [0.4, 1.0, 1.8, 2.6],
    "Cam Advance Target": grid(RPM16, [0.4, 1.0, 1.8, 2.6],
                               lambda r, l: min(30.0, max(0.0, (r - 800) / 200.0 + l * 4 - 4))),
    "Throttle Rate": [0, 20, 40, 80, 120, 200, 400, 800],
    "Tip-In Enrichment": [0.0, 2.0, 4.0, 7.5, 10.0, 14.0, 20.0, 25.0],
    "Knock Learn Speed": [1500, 3000, 4500, 6000],
    "Knock Learned Values": [-0.5, -1.0, -0.25, 0.0],
    "Top Speed Limit": [180],
}

# The tuned ROM changes these axes (by id) from the stock values.
TUNED = {
    # Richer at full load.
    "Fuel Map A": grid(RPM16, LOAD16, lambda r, l: stock_afr(r, l) - (0.5 if l > 2.0 else 0.0)),
    # More advance in the mid range.
    "Base Timing": grid(RPM16, LOAD16,
                        lambda r, l: max(2.0, min(40.0, 8 + r / 250.0 - l * 9.0))
                        + (1.5 if 2400 <= r <= 4800 else 0.0)),
    # More boost in map positions 1 and 2.
    "Wastegate Duty": [min(85.0, 20.0 + 10 * d + 4 * x + 2 * y) + (5.0 if d else 0.0)
                       for d in range(3) for y in range(6) for x in range(8)],
    "Top Speed Limit": [250],
    "Knock Learned Values": [-1.5, -2.0, -1.0, -0.5],
}

# Switch states (True: enabled) by toggle id; the tuned ROM flips some.
STOCK_TOGGLES = {"Engine Light Self Test": True, "Flex Fuel": False,
                 "P0420 Catalyst Efficiency": True, "Rear O2 Monitoring": True}
TUNED_TOGGLES = {"Engine Light Self Test": False, "Flex Fuel": True,
                 "P0420 Catalyst Efficiency": False}

# Trouble-code table: one entry per state byte; the tuned ROM has the rear
# oxygen sensor codes switched off. The two spare entries hold code FFFF, one
# with its state byte set (the family skips it for its code).
DTC_CODES = [
    0x0011, 0x0021, 0x0030, 0x0031, 0x0032, 0x0037, 0x0038, 0x0050, 0x0051, 0x0052,
    0x0057, 0x0058, 0x0068, 0x0101, 0x0102, 0x0103, 0x0107, 0x0108, 0x0111, 0x0112,
    0x0113, 0x0117, 0x0118, 0x0122, 0x0123, 0x0125, 0x0128, 0x0131, 0x0132, 0x0133,
    0x0134, 0x0137, 0x0138, 0x0139, 0x0141, 0x0171, 0x0172, 0x0174, 0x0175, 0x0181,
    0x0182, 0x0183, 0x0191, 0x0201, 0x0202, 0x0203, 0x0204, 0x0222, 0x0223, 0x0230,
    0x0300, 0x0301, 0x0302, 0x0303, 0x0304, 0x0327, 0x0328, 0x0335, 0x0340, 0xC073,
    0xC101, 0xC155, "spare-off", "spare-on"]
TUNED_DTC_OFF = {0x0137, 0x0138}

# Live ROM information words: calibration id ("KSTR" in ROM), revision, build date.
LIVE_FEATURES_STOCK = {1: 0x5254534B, 2: 0x00010000, 3: 0x20190315}
LIVE_FEATURES_TUNED = {1: 0x5254534B, 2: 0x00010002, 3: 0x20190315}


def dtc_name(high, low):
    return "PCBU"[(high & 0xC0) >> 6] + "%02X%02X" % (high & 0x3F, low)


def ramp_values(axis):
    t = axis.datatype
    lo, hi = t.min, t.max
    n = axis.count
    if axis.role == "z":
        return [lo + (hi - lo) * (0.3 + 0.4 * i / max(1, n - 1)) for i in range(n)]
    return [lo + (hi - lo) * (0.1 + 0.8 * i / max(1, n - 1)) for i in range(n)]


# ---------------------------------------------------------------- writing

class Image:
    """A ROM image that remembers who wrote each byte, so that two items
    never claim one byte."""

    def __init__(self, size):
        self.data = bytearray(ramp(i) for i in range(size))
        self.owner = {}

    def put(self, offset, data, who):
        if offset + len(data) > len(self.data):
            raise SystemExit(f"{who}: bytes at {offset:#x} do not fit the image")
        for i, b in enumerate(data):
            at = offset + i
            if self.owner.get(at, who) != who:
                raise SystemExit(f"{who} overlaps {self.owner[at]} at {at:#x}")
            self.data[at] = b
            self.owner[at] = who


def axis_buffer(axis, values):
    """The axis's bytes as the library holds them in memory: element i at
    i * stride, padding filled."""
    t = axis.datatype
    out = bytearray()
    for v in values:
        raw = to_raw(t, v)
        if raw & ~t.mask & ((1 << (8 * t.width)) - 1):
            raise SystemExit(f"{axis.id}: {v} does not fit under the mask {t.mask:#x}")
        raw = (raw & t.mask) | (MASK_FILL & ~t.mask & ((1 << (8 * t.width)) - 1))
        out += raw_bytes(t, raw) + bytes([PAD_FILL]) * axis.pad
    return out


def vertical_walk(axis):
    """(ROM element number, buffer element number) pairs of a column-first grid."""
    x, y, d = (max(1, n) for n in axis.dims)
    n = 0
    for depth in range(d):
        for i in range(x):
            for j in range(y):
                yield n, i + x * (j + y * depth)
                n += 1


def place_axis(image, axis, buffer, who):
    width = axis.datatype.width
    if axis.rom_offsets:
        for off in axis.rom_offsets:
            if axis.layout == "vertical":
                if axis.pad:
                    raise SystemExit(f"{axis.id}: padded column-first grids are not supported")
                for rom_n, buf_n in vertical_walk(axis):
                    image.put(off + rom_n * width, buffer[buf_n * width:(buf_n + 1) * width], who)
            else:
                image.put(off, buffer, who)
        return
    if axis.pad or axis.layout == "vertical":
        raise SystemExit(f"{axis.id}: runs are written packed and in order here")
    position = 0
    for rom, count in axis.runs:
        image.put(rom, buffer[position:position + count * width], who)
        position += count * width


def read_axis(image, axis):
    """Buffer bytes of an axis read back from the image."""
    width = axis.datatype.width
    if axis.rom_offsets:
        off = axis.rom_offsets[0]
        if axis.layout == "vertical":
            out = bytearray(axis.count * width)
            for rom_n, buf_n in vertical_walk(axis):
                out[buf_n * width:(buf_n + 1) * width] = image[off + rom_n * width:
                                                               off + (rom_n + 1) * width]
            return out
        return bytearray(image[off:off + axis.count * axis.stride])
    out = bytearray()
    for rom, count in axis.runs:
        out += image[rom:rom + count * width]
    return out


def decode(axis, buffer):
    t = axis.datatype
    return [to_value(t, raw_of(t, buffer[i * axis.stride:i * axis.stride + t.width]))
            for i in range(axis.count)]


def is_tie(value, transform, slave_type):
    """Whether a master value lands on a rounding tie in a slave: the slave's
    bytes would then hang on the last bit of the arithmetic."""
    pre = to_raw_unrounded(slave_type, evaluate(transform, value))
    return pre is not None and abs(abs(pre - math.trunc(pre)) - 0.5) < 1e-3


def avoid_ties(axis, values, slaves):
    """Moves master cells that would land on a tie in a transformed slave one
    raw step down."""
    t = axis.datatype
    out = []
    for v in values:
        raw = to_raw(t, v)
        while any(is_tie(to_value(t, raw), transform, st) for transform, st in slaves):
            raw -= 1
        out.append(to_value(t, raw))
    return out


def to_raw_unrounded(datatype, v):
    t, s, o = datatype, datatype.scalar, datatype.offset
    if t.storage == "float":
        return None
    if t.kind == "slope-int":
        return single((v - o) / s)
    if t.kind == "pt-slope":
        return single(v / s - o)
    if t.kind == "direct":
        return single(v)
    return None


def write_tables(definition, image, tuned):
    """Lays out every table; returns the buffer bytes of every axis by its
    key, for the manifest and the checks."""
    written = {}  # axis key -> buffer
    decoded = {}  # axis key -> engineering values held by the image
    transformed = {}  # master table id -> (transform, slave z data type) of its slaves
    for table in definition.tables.values():
        if table.master and table.transform:
            transformed.setdefault(table.master, []).append(
                (table.transform, table.axes["z"].datatype))

    def values_for(axis):
        source = TUNED if tuned and axis.id in TUNED else STOCK
        values = source.get(axis.id)
        return list(values) if values is not None else ramp_values(axis)

    # Masters before their slaves.
    order = sorted(definition.tables.values(), key=lambda t: (t.master is not None, t.id))
    for table in order:
        for role, axis in sorted(table.axes.items()):
            if not axis.in_rom:
                continue
            key = axis.key()
            if table.master and key not in written:
                master_axis = definition.tables[table.master].axes[role]
                source = decoded[master_axis.key()]
                transform = table.transform if role == "z" else ""
                if transform:
                    if axis.pad or axis.datatype.mask != 0xFFFFFFFF:
                        raise SystemExit(
                            f"{table.id}: a transformed slave must be unmasked and unpadded")
                    values = [evaluate(transform, v) for v in source]
                else:
                    values = source
            elif key in written:
                continue
            else:
                values = values_for(axis)
                if role == "z" and table.id in transformed:
                    values = avoid_ties(axis, values, transformed[table.id])
            if len(values) != axis.count:
                raise SystemExit(f"{axis.id}: {len(values)} values for {axis.count} cells")
            buffer = axis_buffer(axis, values)
            place_axis(image, axis, buffer, f"axis {axis.id}")
            written[key] = buffer
            decoded[key] = decode(axis, buffer)
    return written


def toggle_matches(data, segments, which):
    for offset, enabled, disabled, mask in segments:
        values = enabled if which == "enabled" else disabled
        for i, v in enumerate(values):
            m = mask[i] if mask else 0xFF
            if (v & m) != (data[offset + i] & m):
                return False
    return True


def write_toggles(definition, image, tuned):
    states = {}
    for toggle in definition.toggles.values():
        state = STOCK_TOGGLES.get(toggle.id, True)
        if tuned:
            state = TUNED_TOGGLES.get(toggle.id, state)
        for offset, enabled, disabled, mask in toggle.segments:
            values = enabled if state else disabled
            data = bytearray(image.data[offset:offset + len(values)])
            for i, v in enumerate(values):
                m = mask[i] if mask else 0xFF
                data[i] = (data[i] & ~m & 0xFF) | (v & m)
            image.put(offset, data, f"toggle {toggle.id}")
        states[toggle.id] = state
    return states


def param(params, name):
    v = value(params, name)
    return strtoul(v) if v is not None else 0


def write_trouble_codes(definition, image, tuned):
    params = definition.rominfo["dtc"]
    if params is None:
        return None
    family = params.get("id")
    if family != "SUBARU_HITACHI_DTC_PARSER":
        raise SystemExit(f"no trouble-code layout for {family}")
    e, d = param(params, "dtc_enabled_state_address"), param(params, "dtc_definition_address")
    s, k = param(params, "dtc_struct_size"), param(params, "dtc_pcode_idx")
    if d - e != len(DTC_CODES):
        raise SystemExit(f"{family}: {d - e} state bytes for {len(DTC_CODES)} codes")
    enabled, disabled = [], []
    for i, code in enumerate(DTC_CODES):
        if isinstance(code, str):
            state, code_bytes = (0x01 if code == "spare-on" else 0x00), b"\xFF\xFF"
        elif tuned and code in TUNED_DTC_OFF:
            # Switched off the way a save writes a disabled code.
            state, code_bytes = 0x00, b"\x00\x00"
            disabled.append(dtc_name(code >> 8, code & 0xFF))
        else:
            state, code_bytes = 0x01, code.to_bytes(2, "big")
            enabled.append(dtc_name(code >> 8, code & 0xFF))
        image.put(e + i, bytes([state]), f"trouble code {i}")
        image.put(d + k + i * s, code_bytes, f"trouble code {i}")
    return {"family": family, "state_address": e, "definition_address": d,
            "enabled": sorted(enabled), "disabled": sorted(disabled)}


def parse_trouble_codes(data, params):
    """The family's own walk, to check the layout."""
    e, d = param(params, "dtc_enabled_state_address"), param(params, "dtc_definition_address")
    s, k = param(params, "dtc_struct_size"), param(params, "dtc_pcode_idx")
    found = []
    for i in range(d - e):
        at = d + k + i * s
        high, low = data[at], data[at + 1]
        if data[e + i] == 0x01 and (high, low) != (0xFF, 0xFF) and (high, low) != (0x4B, 0xB0):
            found.append(dtc_name(high, low))
    return sorted(found)


def write_rominfo_items(definition, image, tuned):
    r = definition.rominfo
    if r["fw_id"]:
        text, offset = r["fw_id"]
        image.put(offset, text.encode("ascii"), "firmware id")
    for fid, offset, version, storage, endian in r["features"]:
        width = {"8": 1, "8s": 1, "16": 2, "16s": 2}.get(storage, 4)
        image.put(offset, (version & ((1 << (8 * width)) - 1)).to_bytes(
            width, "little" if endian == "little" else "big"), f"feature version {fid}")
    for fid, offset in r["feature_toggles"]:
        image.put(offset, b"\x01", f"feature toggle {fid}")
    live = r["liverom"]
    if live is None or live == 0xFFFFFFFF:
        return None
    features = LIVE_FEATURES_TUNED if tuned else LIVE_FEATURES_STOCK
    table = live + 0x10
    data_at = table + 12 * len(features)
    # Addresses carry the flash segment in their top nibble, as the ECU sees them.
    header = struct.pack("<IIII", 1, 0x10, len(features), 0x80000000 | table)
    image.put(live, header, "live ROM information")
    for n, (key, word) in enumerate(sorted(features.items())):
        block = struct.pack("<iBBBBI", key, 0, 0, 4, 0, 0x80000000 | (data_at + 4 * n))
        image.put(table + 12 * n, block, "live ROM information")
        image.put(data_at + 4 * n, struct.pack("<I", word), "live ROM information")
    return {"offset": live, "features": {str(k): v for k, v in sorted(features.items())}}


def forge_crc(data, at, target):
    """Sets the four bytes at `at` so that the CRC-32 of `data` is `target`."""
    table = [0] * 256
    for i in range(256):
        c = i
        for _ in range(8):
            c = (c >> 1) ^ 0xEDB88320 if c & 1 else c >> 1
        table[i] = c
    top = {table[i] >> 24: i for i in range(256)}
    # Register after the bytes before the patch.
    before = zlib.crc32(bytes(data[:at])) ^ 0xFFFFFFFF
    # Register wanted after the patch: run the tail backwards from the target.
    reg = target ^ 0xFFFFFFFF
    for b in reversed(data[at + 4:]):
        i = top[reg >> 24]
        reg = ((reg ^ table[i]) << 8 | (i ^ b)) & 0xFFFFFFFF
    # Four bytes that take `before` to `reg`.
    indexes = []
    for _ in range(4):
        i = top[reg >> 24]
        indexes.append(i)
        reg = ((reg ^ table[i]) << 8) & 0xFFFFFFFF
    patch = bytearray(4)
    reg = before
    for n, i in enumerate(reversed(indexes)):
        patch[n] = (reg ^ i) & 0xFF
        reg = (reg >> 8) ^ table[i]
    data[at:at + 4] = patch
    assert zlib.crc32(bytes(data)) == target


def image_size(definition):
    end = 0
    for table in definition.tables.values():
        for axis in table.axes.values():
            if not axis.in_rom:
                continue
            length = axis.count * axis.stride
            for off in axis.rom_offsets:
                end = max(end, off + length)
            for rom, count in axis.runs:
                end = max(end, rom + count * axis.datatype.width)
    for toggle in definition.toggles.values():
        for offset, enabled, _, _ in toggle.segments:
            end = max(end, offset + len(enabled))
    r = definition.rominfo
    for _, offset, _, _, _ in r["features"]:
        end = max(end, offset + 4)
    for _, offset in r["feature_toggles"]:
        end = max(end, offset + 1)
    if r["liverom"] not in (None, 0xFFFFFFFF):
        end = max(end, r["liverom"] + 0x100)
    if r["dtc"] is not None:
        d = param(r["dtc"], "dtc_definition_address")
        end = max(end, d + param(r["dtc"], "dtc_struct_size") * len(DTC_CODES))
    size = 1024
    while size < end + 4:  # room for the CRC word
        size *= 2
    return size


def build(definition, tuned):
    size = image_size(definition)
    image = Image(size)
    axes = write_tables(definition, image, tuned)
    toggles = write_toggles(definition, image, tuned)
    codes = write_trouble_codes(definition, image, tuned)
    live = write_rominfo_items(definition, image, tuned)
    crcs = definition.rominfo["crcs"]
    crc = None
    if crcs:
        crc = crcs[1 if tuned and len(crcs) > 1 else 0]
        image.put(size - 4, b"\0\0\0\0", "CRC correction word")
        forge_crc(image.data, size - 4, crc)
    return {"data": image.data, "axes": axes, "toggles": toggles, "codes": codes,
            "live": live, "crc": crc}


def verify(definition, built):
    """Reads the image back the way the library will and checks every rule."""
    data = built["data"]
    for table in definition.tables.values():
        for axis in table.axes.values():
            if not axis.in_rom:
                continue
            buffer = read_axis(data, axis)
            if buffer != built["axes"][axis.key()]:
                raise SystemExit(f"{axis.id} does not read back")
            length = axis.count * axis.stride
            for off in axis.rom_offsets[1:]:
                if data[off:off + length] != data[axis.rom_offsets[0]:axis.rom_offsets[0] + length]:
                    raise SystemExit(f"{axis.id}: mirrored copies differ")
    for toggle in definition.toggles.values():
        on = toggle_matches(data, toggle.segments, "enabled")
        off = toggle_matches(data, toggle.segments, "disabled")
        if on == off or on != built["toggles"][toggle.id]:
            raise SystemExit(f"{toggle.id} does not read as one state")
    if built["codes"] is not None:
        if parse_trouble_codes(data, definition.rominfo["dtc"]) != built["codes"]["enabled"]:
            raise SystemExit("trouble codes do not parse back")
    if built["crc"] is not None and zlib.crc32(bytes(data)) != built["crc"]:
        raise SystemExit("CRC")


def manifest(definition, name, rom, stock):
    different_tables = []
    for table in sorted(definition.tables.values(), key=lambda t: t.id):
        if any(rom["axes"][a.key()] != stock["axes"][a.key()]
               for a in table.axes.values() if a.in_rom):
            different_tables.append(table.id)
    toggles = {tid: {"rom": rom["toggles"][tid], "stock": stock["toggles"][tid]}
               for tid in sorted(definition.toggles)}
    out = {
        "definition": name + ".xml",
        "images": {"rom": name + ".rom.bin", "stock": name + ".stock.bin"},
        "size": len(rom["data"]),
        "fill": {
            "outside": "0x80 | (offset & 0x7F)",
            "padding": PAD_FILL,
            "masked_bits": MASK_FILL,
        },
        "crc32": {"rom": rom["crc"], "stock": stock["crc"],
                  "correction_offset": len(rom["data"]) - 4},
        "different_tables": different_tables,
        "different_toggles": [t for t, s in toggles.items() if s["rom"] != s["stock"]],
        "toggles": toggles,
        "restricted_tables": sorted(t.id for t in definition.tables.values() if t.restricted),
        "restricted_toggles": sorted(definition.restricted_toggles),
        "slave_tables": {t.id: t.master
                         for t in sorted(definition.tables.values(), key=lambda t: t.id)
                         if t.master},
        "ephemeral_tables": sorted(t.id for t in definition.tables.values() if t.ephemeral),
        "second_image": "each image is its own second image; with the stock image as second image "
                        "the ROM image's switched-off trouble codes are found as disabled toggles",
    }
    if rom["codes"]:
        out["trouble_codes"] = {
            "family": rom["codes"]["family"],
            "rom": rom["codes"]["enabled"],
            "stock": stock["codes"]["enabled"],
            "disabled_in_rom": rom["codes"]["disabled"],
        }
    if rom["live"]:
        out["live_rom_info"] = {"offset": rom["live"]["offset"],
                                "rom": rom["live"]["features"],
                                "stock": stock["live"]["features"]}
    return out


def to_json(value, indent=0):
    """JSON with lists of plain values wrapped onto as few lines as read well."""
    pad = "  " * (indent + 1)
    if isinstance(value, dict):
        items = [f"{pad}{json.dumps(k)}: {to_json(v, indent + 1)}" for k, v in value.items()]
        return "{\n" + ",\n".join(items) + "\n" + "  " * indent + "}"
    if isinstance(value, list) and all(not isinstance(v, (dict, list)) for v in value):
        lines, line = [], ""
        for text in (json.dumps(v) for v in value):
            if line and len(pad) + len(line) + len(text) > 96:
                lines.append(line.rstrip())
                line = ""
            line += text + ", "
        if line:
            lines.append(line.rstrip(", "))
        if len(lines) <= 1:
            return "[" + "".join(lines) + "]"
        return "[\n" + ",\n".join(pad + l.rstrip(",") for l in lines) + "\n" + "  " * indent + "]"
    return json.dumps(value)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--check", action="store_true",
                        help="compare with the files on disk instead of writing them")
    args = parser.parse_args()
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    stale = []
    for relative in DEFINITIONS:
        top = os.path.join(root, relative)
        definition = Definition(top)
        name = os.path.splitext(os.path.basename(top))[0]
        rom, stock = build(definition, True), build(definition, False)
        verify(definition, rom)
        verify(definition, stock)
        outputs = {
            name + ".rom.bin": bytes(rom["data"]),
            name + ".stock.bin": bytes(stock["data"]),
            name + ".roms.json": (to_json(manifest(definition, name, rom, stock)) + "\n").encode(),
        }
        for file_name, content in outputs.items():
            path = os.path.join(os.path.dirname(top), file_name)
            if args.check:
                try:
                    with open(path, "rb") as f:
                        if f.read() != content:
                            stale.append(path)
                except OSError:
                    stale.append(path)
            else:
                with open(path, "wb") as f:
                    f.write(content)
                print(os.path.relpath(path, root))
    if stale:
        print("out of date:\n  " + "\n  ".join(stale), file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
