#!/usr/bin/env python3
"""Writes the seed corpus of the fuzz targets into corpus/: real frames of
both instruments, whole, cut, run together and garbled, wrapped in the
operation scripts that the reception fuzzers read (reception_fuzzer.cpp), and
number fields for the number-rule fuzzer. Rerun after changing the script
format; the output is committed."""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))

# Reception script operations (first byte modulo 8).
def arrive(data):
    out = b""
    while True:  # a chunk holds at most 255 bytes
        chunk, data = data[:255], data[255:]
        out += bytes([0, len(chunk)]) + chunk
        if not data:
            return out

# Analog inputs: which export, then an index from the fuzzer's table.
EA, NEA, EAD, NEAD, PEAD, EADOUBLE, NEADOUBLE = 0, 1, 2, 3, 4, 5, 6
STDEA, STDNEA, STDEAD, STDNEAD, STDEAS, STDEADOUBLE, STDNEADOUBLE = 7, 8, 9, 10, 11, 12, 13
INDEX = {0: 0, 1: 1, 2: 2, 3: 3, 4: 4, 5: 5, -1: 6, -2: 7, -3: 8, 15: 9,
         "min": 10, "max": 11}
DOUBLE_INDEX = {0.0: 0, 0.5: 2, 1.5: 3, 2.5: 4, 3.5: 5, 4.5: 6, -0.5: 7,
                "nan": 14, "inf": 16}

def call(which, index=0):
    if which in (EADOUBLE, NEADOUBLE, STDEADOUBLE, STDNEADOUBLE):
        return bytes([3, which, DOUBLE_INDEX[index]])
    return bytes([3, which, INDEX[index]])

def every_input(indexes):
    out = b""
    for n in indexes:
        for which in (EA, NEA, EAD, NEAD, PEAD, STDEA, STDNEA, STDEAD, STDNEAD, STDEAS):
            out += call(which, n)
    return out

def heal():
    return bytes([6, 0])

def fail_queries():
    return bytes([6, 1])

def fail_queries_after(successes):
    return bytes([6, 2, successes])

def set_clock(ms):
    return bytes([6, 3]) + struct.pack("<I", ms)

def other_export(which):
    return bytes([7, which, INDEX[0], DOUBLE_INDEX[0.0]]) + struct.pack("<d", 1.5) + struct.pack("<i", 1)

def thermometer_frame(sign="0", t2unit="1", t1unit="01", t2flag="0", t1flag="1",
                      t2="0235", t1="0123", first="\x02"):
    return (first + sign + t2unit + t1unit + t2flag + t1flag + t2 + t1 + "\r").encode("latin-1")

def lightmeter_frame(unit="15", reading="0123", head="\x0240", middle="000000"):
    return (head + unit + middle + reading + "\r").encode("latin-1")

def reception_seeds(frame, variants, indexes):
    f = frame()
    seeds = {
        "one_frame": arrive(f) + every_input(indexes),
        "split_10_6": arrive(f[:10]) + call(EAD, 0) + arrive(f[10:]) + every_input(indexes),
        "two_frames": arrive(f + f) + call(EA, 0) + arrive(f) + every_input(indexes),
        "thirty_without_cr": arrive(b"0123456789" * 3) + call(EAD, 0) + arrive(f) + every_input(indexes),
        "cr_first": arrive(b"\r") + call(NEA, 0) + arrive(f) + every_input(indexes),
        "tail_3": arrive(f[-3:]) + call(EAD, 0) + arrive(f) + every_input(indexes),
        "tail_8": arrive(f[-8:]) + every_input(indexes) + arrive(f) + every_input(indexes),
        "full_then_cr": arrive(f[:-1] * 2) + call(EAD, 0) + arrive(b"\r") + every_input(indexes),
        "fails_mid_drain": fail_queries_after(9) + arrive(f) + call(EAD, 0) + heal() + arrive(f)
                           + every_input(indexes),
        "fails_in_byte_wait": fail_queries_after(3) + set_clock(0xFFFFFF00) + arrive(f) + call(EA, 0)
                              + heal() + every_input(indexes),
        "query_fails": arrive(f) + fail_queries() + every_input(indexes) + heal() + every_input(indexes),
        "extreme_indexes": arrive(f) + every_input([4, -1, "min", "max"])
                           + b"".join(call(w, x) for w in (EADOUBLE, NEADOUBLE, STDEADOUBLE, STDNEADOUBLE)
                                      for x in (0.5, 2.5, 3.5, -0.5, "nan", "inf")),
        "other_exports": arrive(f) + b"".join(other_export(w) for w in range(41)) + every_input(indexes),
    }
    for name, frames in variants.items():
        seeds[name] = b"".join(arrive(v) + every_input(indexes) for v in frames)
    return seeds

def thermometer_seeds():
    variants = {
        "worked_example": [thermometer_frame("2", "1", "02", "0", "1", "0123", "0456")],
        "signs_units_flags": [thermometer_frame(s, u2, u1, d2, d1)
                              for s, u2, u1, d2, d1 in (("1", "2", "02", "1", "1"), ("3", "1", "01", "0", "0"),
                                                       ("0", "2", "00", "2", " "), ("9", "0", "20", "1", "0"))],
        "number_fields": [thermometer_frame(t2=a, t1=b) for a, b in
                          (("-012", "23.5"), ("2.5 ", "-12 "), ("1E3 ", "1E50"), ("AB12", "12 3"),
                           ("    ", "9E99"), ("1E-9", ".5E1"), ("0000", "9999"))],
        "short_frames": [thermometer_frame()[:n] + b"\r" for n in (5, 6, 11, 12, 14)],
    }
    return reception_seeds(thermometer_frame, variants, [0, 1, 2, 3])

def lightmeter_seeds():
    variants = {
        "units": [lightmeter_frame(u) for u in ("16", "15", "61", "1 ", "  ")],
        "readings": [lightmeter_frame("16", r) for r in
                     ("0123", "9999", "12.5", "13.5", "-7.2", "1E3 ", "12 3", "1.5x", "-12x", "    ", "1E50")],
        "short_frames": [lightmeter_frame()[:n] + b"\r" for n in (5, 6, 11, 12, 14)],
    }
    return reception_seeds(lightmeter_frame, variants, [0, 1])

def number_rule_seeds():
    fields = ["0235", " 235", "23.5", "-012", "1E3", "235 ", "-12 ", "2.5 ", "12\r", "12 3", "AB12",
              "    ", "", "-", "1E50", "9E99", "1E-9", ".5E1", "-0", "1E+x", "12\x00" "5", "+.E1"]
    seeds = {"field_%02d" % i: f.encode("latin-1") for i, f in enumerate(fields)}
    # Bytes 0 and 1 double as position and width into the rest.
    seeds["frame_t1"] = bytes([12, 4]) + thermometer_frame()
    seeds["frame_t2"] = bytes([8, 4]) + thermometer_frame()
    seeds["frame_short"] = bytes([12, 4]) + thermometer_frame()[:13]
    seeds["past_end"] = bytes([255, 255]) + b"0235"
    seeds["half_even"] = struct.pack("<d", 2.5)
    seeds["saturates"] = struct.pack("<d", 3e9)
    return seeds

def write(target, seeds):
    folder = os.path.join(HERE, "corpus", target)
    os.makedirs(folder, exist_ok=True)
    for name in os.listdir(folder):
        os.remove(os.path.join(folder, name))
    for name, data in seeds.items():
        with open(os.path.join(folder, name), "wb") as out:
            out.write(data)

write("thermometer", thermometer_seeds())
write("lightmeter", lightmeter_seeds())
write("number_rule", number_rule_seeds())
