#!/usr/bin/env python3
"""Writes the seed corpora of the fuzz targets (fuzz/corpus/<target>/seed-*).

The seeds are well-formed inputs of each parser: every message the module
sends, every configuration block, small HEX images, EEPROM dumps and CAN
databases (with the faults CAN database files have). The
fuzzer mutates from there. The configuration file seeds (config_file/) are
files the tool itself saved and are kept as they are.
Run it again after a change of the message layouts; it only rewrites seed-*.
"""
import os
import random

HERE = os.path.dirname(os.path.abspath(__file__))
END, ESC, ESC_END, ESC_ESC = 0xC0, 0xDB, 0xDC, 0xDD


def frame(ftype, command, payload=b"", length=None):
    body = bytes([0, 0, ftype, command]) + bytes(payload)
    n = len(body) if length is None else length
    f = bytearray(body)
    f[1] = n & 0xFF
    cs = 0
    for b in f[1:n]:
        cs ^= b
    f[0] = cs
    return bytes(f)


def slip(f):
    out = bytearray([END])
    for b in f:
        if b == END:
            out += bytes([ESC, ESC_END])
        elif b == ESC:
            out += bytes([ESC, ESC_ESC])
        else:
            out.append(b)
    out.append(END)
    return bytes(out)


def pad(n, fill=0):
    return bytes([fill]) * n


rng = random.Random(11)


def rand(n):
    return bytes(rng.randrange(256) for _ in range(n))


# Block kinds: (read answer, write request, frame length, index byte range).
BLOCKS = [
    (0x84, 0x03, 21, (1, 11)),    # input
    (0x82, 0x01, 30, (1, 34)),    # output
    (0x8A, 0x08, 12, None),       # PWM
    (0xA8, 0x27, 18, None),       # low battery
    (0xA6, 0x25, 14, None),       # CAN setup
    (0xAA, 0x29, 35, None),       # start / kill
    (0xD3, 0x52, 49, (0, 31)),    # CAN input
    (0xE4, 0x64, 20, None),       # CAN input enable
    (0xE2, 0x62, 20, None),       # box name
    (0xD5, 0x54, 31, (0, 19)),    # virtual input
    (0xD9, 0x58, 30, (0, 4)),     # flash
    (0xE6, 0x66, 10, None),       # wiper
    (0xD7, 0x56, 29, None),       # CAN export 1
    (0xDB, 0x5A, 74, (0, 2)),     # CAN exports 2 to 4
]
WRITE_CFMS = [0x81, 0x83, 0x89, 0xA5, 0xA7, 0xA9, 0xD2, 0xD4, 0xD6, 0xD8, 0xDA, 0xE1, 0xE3, 0xE5]


def block_payload(length, index_range, variant):
    n = length - 4
    if variant == 0:
        p = bytearray(pad(n))
    elif variant == 1:
        p = bytearray(pad(n, 0xFF))
    else:
        p = bytearray(rand(n))
    if index_range is not None:
        lo, hi = index_range
        p[0] = [lo, hi, rng.randint(lo, hi)][variant % 3]
    # Names are text: give the name-carrying blocks something readable.
    if variant == 2 and n > 16:
        p[-15:] = b"Headlight left\0"[:15]
    return bytes(p)


def module_frames():
    """One of every frame the module sends the tool."""
    out = []
    t1, t0 = 1, 0
    out.append(frame(t1, 0x87, b"9.08".ljust(13, b"\0") + bytes([0x00, 0x12, 0x34]) + pad(4)))
    out.append(frame(t1, 0x87, b"8.00 build 4711 abc"))
    out.append(frame(t1, 0xA0, bytes([1, 2, 0x01, 0x2C, 0x78, 25])))
    out.append(frame(t1, 0xA1, bytes([0x55, 0x05, 0xAA, 0x55, 0xAA, 0x01])))
    for ch in (1, 18, 19, 34, 0, 35):
        out.append(frame(t1, 0xA2, bytes([ch, 0xF0, 0x08, 0x00, 0x64, 1])))
    out.append(frame(t1, 0x5D, bytes([0x01, 0x23, 8]) + bytes(range(8))))
    out.append(frame(t1, 0x5D, bytes([0x07, 0xFF, 12])))
    out.append(frame(t1, 0xD0, rand(54)))
    out.append(frame(t1, 0xDE, rand(16)))
    out.append(frame(t1, 0xDF, bytes([0x01, 0xF4, 70, 3])))
    for c in (0x86, 0x88, 0xD1, 0xDC):
        out.append(frame(t1, c))
    for c in WRITE_CFMS:
        out.append(frame(t1, c, b"\x02"))
    for read, _w, length, rng_ in BLOCKS:
        out.append(frame(t1, read, block_payload(length, rng_, 2)))
    # The tool windows' answers.
    out.append(frame(t0, 0x80, bytes([3, 9, 8, 7])))
    out.append(frame(t0, 0x01))  # resend request
    out.append(frame(t1, 0xC1, bytes([0, 0x01, 0xE2, 0x40, 12, 16, 3])))
    out.append(frame(t1, 0xC0))
    out.append(frame(t1, 0xA3, b"\x02"))
    out.append(frame(t1, 0xC2, b"\x05"))
    out.append(frame(t1, 0xC3, bytes([1, 12, 0x03, 0xE8, 0x00, 0x64, 0x01, 0x90])))
    out.append(frame(t1, 0xC5))
    out.append(frame(t0, 0xA0, b"\x02"))
    out.append(frame(t0, 0xA1, bytes([1, 0, 0, 0x10, 0x20]) + b"MAIN.C\0\0\0\0\0\0" + bytes([4]) + b"\x01\x02\x03\x04"))
    out.append(frame(t0, 0xA2))
    out.append(frame(t1, 0xE0))
    out.append(frame(t1, 0xDD, bytes([0x00, 0x00]) + bytes(range(16))))
    out.append(frame(t1, 0xDD, bytes([0x10, 0x00]) + rand(16)))
    out.append(frame(t0, 0xA3, bytes([0, 0x08, 0x00]) + b"Hello, EEPROM!!!"))
    out.append(frame(t0, 0xA4, bytes([0, 0x08, 0x00])))
    return out


def write(target, name, data):
    folder = os.path.join(HERE, "corpus", target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, "seed-" + name), "wb") as f:
        f.write(data)


def frames_seeds():
    fr = module_frames()
    # All frames with each start-up of the user, plus a few streams with noise.
    masks = [0x00, 0x01, 0x02, 0x04, 0x0C, 0x10, 0x20, 0x40, 0x80, 0xFF]
    for i, f in enumerate(fr):
        write("frames", "%02d" % i, bytes([masks[i % len(masks)], 0x00]) + slip(f))
        record = bytes([len(f), 0x80 | (i % 8)]) + f
        write("frames_fixed", "%02d" % i, bytes([masks[i % len(masks)]]) + record)
    stream = b"".join(slip(f) for f in fr)
    for m in masks:
        write("frames", "all-%02x" % m, bytes([m, 0xFF]) + stream)
        write("frames_fixed", "all-%02x" % m,
              bytes([m]) + b"".join(bytes([len(f), 0x80 | k % 8]) + f for k, f in enumerate(fr)))
    write("frames", "noise", bytes([0xFF, 0x55]) + bytes([ESC, ESC, END, END]) + rand(300) + slip(fr[0]))
    # An EEPROM read of 0008-0100 answered block by block.
    replies = [frame(0, 0xA3, bytes([0, a & 0xFF, a >> 8]) + rand(16)) for a in range(8, 0x100, 16)]
    write("frames", "eeprom-read", bytes([0x04, 0x01]) + b"".join(slip(f) for f in replies))
    write("frames_fixed", "eeprom-read", bytes([0x04]) + b"".join(bytes([len(f), 0]) + f for f in replies))
    # A compare answered with the image's first block.
    first = frame(1, 0xDD, bytes([0, 0]) + bytes(range(16)))
    write("frames_fixed", "compare", bytes([0x20, len(first), 0]) + first)


def blocks_seeds():
    for k, (read, write_req, length, rng_) in enumerate(BLOCKS):
        for v in range(3):
            p = block_payload(length, rng_, v)
            write("blocks", "%02d-read-%d" % (k, v), bytes([k, length]) + p)
            write("blocks", "%02d-write-%d" % (k, v), bytes([14 + k, length]) + p)
        # Short and over-long length bytes.
        write("blocks", "%02d-short" % k, bytes([k, length // 2]) + block_payload(length, rng_, 2)[: length // 2])
        write("blocks", "%02d-long" % k, bytes([k, 255]) + block_payload(length, rng_, 2))


def hex_record(rtype, address, data):
    body = bytes([len(data), (address >> 8) & 0xFF, address & 0xFF, rtype]) + bytes(data)
    cs = (-sum(body)) & 0xFF
    return ":" + (body + bytes([cs])).hex().upper() + "\r\n"


def hex_seeds():
    eof = hex_record(1, 0, b"")
    write("hex_file", "simple", (hex_record(0, 0, bytes(range(16))) + eof).encode())
    lines = [hex_record(0, a, rand(16)) for a in range(0, 0x100, 16)]
    write("hex_file", "block", ("".join(lines) + eof).encode())
    write("hex_file", "segment", (hex_record(2, 0, b"\x10\x00") + hex_record(0, 0x10, rand(8)) + eof).encode())
    write("hex_file", "linear", (hex_record(4, 0, b"\x00\x01") + hex_record(0, 0xFFF0, rand(16)) + eof).encode())
    write("hex_file", "start", (hex_record(3, 0, b"\x00\x00\x01\x00") + hex_record(5, 0, b"\x00\x00\x01\x00")
                                + hex_record(0, 0x200, rand(4)) + eof).encode())
    write("hex_file", "lf-only", (hex_record(0, 0x40, rand(32)) + eof).replace("\r\n", "\n").encode())
    write("hex_file", "no-eof", hex_record(0, 0, rand(16)).encode())
    write("hex_file", "bad-checksum", (":10000000" + "00" * 16 + "00\r\n" + eof).encode())
    write("hex_file", "beyond", (hex_record(4, 0, b"\x00\x02") + hex_record(0, 0xFFF8, rand(16)) + eof).encode())


def ini_seeds():
    crlf = lambda text: text.replace("\n", "\r\n").encode("cp1252")
    write("ini_file", "plain", crlf("[INPUT]\nNAME1=Ignition\nMODE1=1\n\n[OUTPUT]\nDELAY1=0x10\nON_TIME1=$FF\n"))
    write("ini_file", "numbers", crlf("[N]\na=2147483647\nb=-2147483648\nc=0xFFFFFFFF\nd=4294967296\n"
                                      "e=1.5\nf=-0.000001\ng=1E300\nh=12345678901234567\ni=+7\nj=1e-320\n"))
    write("ini_file", "quotes-blanks", crlf("[Q]\n  a = \" x \" \nb='y'\nc=\"z'\nd=\"\"\ne=\t\n=no key\n"))
    write("ini_file", "repeats-case", crlf("before=1\n[Sec]\nKey=1\nkey=2\n[SEC]\nKEY=3\nother=4\n"
                                           "[sec ]\n[\u00c9t\u00e9]\n\u00e9=1\n\u00c9=2\n[open\nx=1\n"))
    write("ini_file", "mixed-ends", b"[A]\nx=1\r\ny=2\r\rz\n[B]\r\n;comment\r\n\r\nq=\xe4\x80\r\n")


def eeprom_line(address, data):
    cells = ",".join("%02X" % b for b in data[:15]) + ",%02X;" % data[15]
    ascii_ = "".join(chr(b) if 33 <= b <= 126 else ". " for b in data)
    return "%04X:%s//%s\n" % (address, cells, ascii_)


def eeprom_seeds():
    write("eeprom_text", "hello", eeprom_line(0, b"Hello. World!!!!").encode())
    write("eeprom_text", "rows", "".join(eeprom_line(a, rand(16)) for a in range(0, 0x200, 16)).encode("latin-1"))
    write("eeprom_text", "odd", ("0008:41,42\n\n" + "3E60:" + "FF," * 15 + "FF;//\r\n" + "zzzz:00\n"
                                 + "0100:" + "00," * 15 + "00;//\n").encode())
    write("eeprom_text", "last-row", eeprom_line(0x3E60, rand(16)).encode("latin-1"))
    write("eeprom_raw", "empty", b"")
    write("eeprom_raw", "short", rand(5))
    write("eeprom_raw", "rows", rand(32))
    write("eeprom_raw", "full", rand(999 * 16))
    write("eeprom_raw", "over", rand(999 * 16 + 3))


DBC_HEADER = ('VERSION ""\r\n\r\n\r\nNS_ : \r\n\tNS_DESC_\r\n\tCM_\r\n\tBA_DEF_\r\n\tBA_\r\n\tVAL_\r\n'
              '\tSIG_VALTYPE_\r\n\r\nBS_:\r\n\r\nBU_: ECU Dash Relvane\r\n\r\n')
DBC_VEHICLE = (
    'BO_ 421 EngineData: 8 ECU\r\n'
    ' SG_ Speed : 0|16@1+ (0.01,0) [0|655.35] "km/h" Dash,Relvane\r\n'
    ' SG_ Temp : 23|8@0- (1,-40) [-40|87] "\xb0C" Dash\r\n'
    ' SG_ Flags : 32|4@1+ (1,0) [0|15] "" Dash\r\n\r\n'
    'BO_ 768 Gearbox: 8 ECU\r\n'
    ' SG_ Mux M : 8|8@1+ (1,0) [0|255] "" Dash\r\n'
    ' SG_ Gear m3 : 16|8@1+ (1,0) [0|8] "" Dash\r\n'
    ' SG_ Torque m4 : 31|16@0- (0.5,0) [-1000|1000] "Nm" Dash\r\n\r\n'
    'BO_ 2566844926 J1939: 8 ECU\r\n'
    ' SG_ Rpm : 24|16@1+ (0.125,0) [0|8000] "rpm" Dash\r\n'
    ' SG_ Ratio : 32|32@1- (1,0) [0|0] "" Dash\r\n\r\n'
    'BO_ 3221225472 VECTOR__INDEPENDENT_SIG_MSG: 0 Vector__XXX\r\n'
    ' SG_ Orphan : 0|8@1+ (1,0) [0|0] "" Vector__XXX\r\n\r\n'
    'CM_ "Test vehicle";\r\n'
    'CM_ BU_ ECU "Engine control";\r\n'
    'CM_ BO_ 421 "Engine";\r\n'
    'CM_ SG_ 421 Speed "Vehicle speed,\r\nfrom the \\"wheels\\"";\r\n'
    'BA_DEF_ BO_ "GenMsgCycleTime" INT 0 65535;\r\n'
    'BA_DEF_ "BusType" STRING ;\r\n'
    'BA_DEF_ SG_ "Kind" ENUM "a","b";\r\n'
    'BA_DEF_DEF_ "GenMsgCycleTime" 0;\r\n'
    'BA_DEF_DEF_ "BusType" "CAN";\r\n'
    'BA_ "GenMsgCycleTime" BO_ 421 100;\r\n'
    'BA_ "Kind" SG_ 768 Gear 1;\r\n'
    'VAL_ 768 Gear 0 "Neutral" 3 "Third" ;\r\n'
    'SIG_VALTYPE_ 2566844926 Ratio : 1;\r\n')


def dbc_seeds():
    vehicle = DBC_HEADER + DBC_VEHICLE
    write("dbc", "vehicle", vehicle.encode("latin-1"))
    write("dbc", "vehicle-utf8-lf", b"\xef\xbb\xbf" + vehicle.replace("\r\n", "\n").encode("utf-8"))
    good = 'BO_ 100 A: 8 X\n SG_ S : 0|8@1+ (1,0) [0|255] "" Y\n'
    faults = {
        "unknown-section": good + 'FOO_ 1 2 3;\nBAR_ "x\n y";\nBO_ 200 B: 8 X\n',
        "truncated": good + " SG_ T : 8|8@1+ (1,0)\n",
        "bad-number": good + ' SG_ T : 8|8@1+ (0.1x,0) [0|1] "" Y\n',
        "past-the-end": good + ' SG_ T : 60|8@0+ (1,0) [0|1] "" Y\n',
        "duplicate-id": good + 'BO_ 100 B: 8 X\n SG_ T : 0|8@1+ (1,0) [0|1] "" Y\n',
        "no-semicolon": good + 'CM_ BO_ 100 "kept"\nBO_ 200 B: 8 X\n',
        "open-text": good + 'CM_ "open\nBO_ 200 B: 8 X\n',
        "mux-without-multiplexor": good + ' SG_ T m1 : 8|8@1+ (1,0) [0|1] "" Y\n',
        "comment-lines": "// written by hand\n" + good + "// the end\n",
        "can-fd": 'BO_ 300 Fd: 64 X\n SG_ Far : 504|8@1+ (1,0) [0|0] "" Y\n SG_ W : 7|64@0- (1,0) [0|0] "" Y\n',
    }
    for name, text in faults.items():
        write("dbc", name, text.encode("latin-1"))
    many = "".join('BO_ %d M%d: 8 ECU\n SG_ A%d : %d|%d@%d%s (0.5,-3) [0|0] "u" Dash\n'
                   % (i, i, i, (i * 7) % 48, 1 + i % 16, i % 2, "+-"[i % 2 == 0]) for i in range(1, 300))
    write("dbc", "many", (DBC_HEADER + many).encode("latin-1"))


if __name__ == "__main__":
    frames_seeds()
    blocks_seeds()
    hex_seeds()
    ini_seeds()
    eeprom_seeds()
    dbc_seeds()
