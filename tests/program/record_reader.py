#!/usr/bin/env python3
"""An independent reader of one sonar recording on a card folder.

Usage: record_reader.py CARD_FOLDER NAME [--pulled]

Reads CARD_FOLDER/RECORD/NAME/B00b.SON and B00b.IDX of every beam and the
thumb header CARD_FOLDER/RECORD/NAME.DAT, all big-endian, and checks them
against each other: each record's marker, tags and size, every index entry
against its record's offset and time stamp, and the 64-byte thumb header's
counts, beam mask, first ping period, last record size and name. Prints one
line "ok PINGS BEAMMASK TOTALMS" and exits 0, or prints the faults and
exits 1. With --pulled (the card was pulled during the recording) only the
records the index lists count: the records written after the last update
of index and thumb header may follow them.
"""
import os
import struct
import sys

HEAD = 67
# (offset of the tag, tag, value size) of the head's fields after the marker.
FIELDS = [(4, 0x80, 4), (9, 0x81, 4), (14, 0x82, 4), (19, 0x83, 4), (24, 0x84, 4), (29, 0x85, 4),
          (34, 0x87, 4), (39, 0x50, 1), (41, 0x51, 1), (43, 0x92, 4), (48, 0x53, 1), (50, 0x54, 1),
          (52, 0x95, 4), (57, 0x56, 1), (59, 0x57, 1), (61, 0xA0, 4), (66, 0x21, 0)]


def main():
    card, name = sys.argv[1], sys.argv[2]
    pulled = "--pulled" in sys.argv[3:]
    marker = 0xC0DEAB21  # the simulator's pings count as the transducer's
    faults = []
    folder = os.path.join(card, "RECORD", name)
    if not os.path.isdir(folder):
        print("no folder", folder)
        return 1
    records = []  # (ping index, time stamp, size, beam)
    mask = 0
    for beam in range(5):
        son = os.path.join(folder, "B%03d.SON" % beam)
        idx = os.path.join(folder, "B%03d.IDX" % beam)
        if not os.path.exists(son):
            if os.path.exists(idx):
                faults.append("beam %d: index without data" % beam)
            continue
        mask |= 1 << beam
        data = open(son, "rb").read()
        index = open(idx, "rb").read()
        if len(index) % 8:
            faults.append("beam %d: index of %d bytes" % (beam, len(index)))
        entries = [struct.unpack_from(">II", index, i) for i in range(0, len(index) - len(index) % 8, 8)]
        at = 0
        n = 0
        while at < len(data) and not (pulled and n == len(entries)):
            if len(data) - at < HEAD:
                faults.append("beam %d: %d bytes left at %d" % (beam, len(data) - at, at))
                break
            (m,) = struct.unpack_from(">I", data, at)
            if m != marker:
                faults.append("beam %d record %d: marker %08x" % (beam, n, m))
            for off, tag, _ in FIELDS:
                if data[at + off] != tag:
                    faults.append("beam %d record %d: tag %02x at %d, not %02x" % (beam, n, data[at + off], off, tag))
            ping, ts = struct.unpack_from(">I", data, at + 5)[0], struct.unpack_from(">I", data, at + 10)[0]
            if data[at + 40] != beam:
                faults.append("beam %d record %d: beam field %d" % (beam, n, data[at + 40]))
            samples = struct.unpack_from(">I", data, at + 62)[0]
            size = HEAD + samples
            if n >= len(entries):
                faults.append("beam %d record %d: no index entry" % (beam, n))
            elif entries[n] != (ts, at):
                faults.append("beam %d record %d: index (%d, %d), record at %d time %d" %
                              (beam, n, entries[n][0], entries[n][1], at, ts))
            records.append((ping, ts, size, beam))
            at += size
            n += 1
        if at != len(data) and not pulled:
            faults.append("beam %d: last record runs past the end" % beam)
        if n != len(entries):
            faults.append("beam %d: %d records, %d index entries" % (beam, n, len(entries)))
        for a, b in zip(entries, entries[1:]):
            if b[0] < a[0] or b[1] <= a[1]:
                faults.append("beam %d: index out of order at %r" % (beam, b))
    records.sort()
    if [r[0] for r in records] != list(range(len(records))):
        faults.append("ping indices are not 0..%d" % (len(records) - 1))
    if records and records[0][1] != 0:
        faults.append("first time stamp %d" % records[0][1])
    for a, b in zip(records, records[1:]):
        if b[1] < a[1]:
            faults.append("time stamp falls at ping %d" % b[0])
    thumb = open(os.path.join(card, "RECORD", name + ".DAT"), "rb").read()
    if len(thumb) != 64:
        faults.append("thumb header of %d bytes" % len(thumb))
        thumb = thumb.ljust(64, b"\0")
    (version, water, volts, wpt_valid, model, temp, press, status, icon, depth, when, lon, lat, wname, pings,
     total, psize, first, bmask) = struct.unpack(">BBBBIII BBhIii12s IIIII".replace(" ", ""), thumb)
    wname = wname.rstrip(b"\0").decode("ascii", "replace")
    checks = [("version", version, 193), ("name", wname, name + ".SON"), ("pings", pings, len(records)),
              ("beam mask", bmask, mask)]
    if records:
        checks += [("total time", total, records[-1][1]), ("ping size", psize, records[-1][2])]
    if len(records) > 1:
        checks.append(("first ping period", first, records[1][1]))
    for what, got, want in checks:
        if got != want:
            faults.append("thumb header %s %r, not %r" % (what, got, want))
    if faults:
        print("\n".join(faults[:40]))
        return 1
    print("ok %d %d %d" % (len(records), mask, total))
    return 0


if __name__ == "__main__":
    sys.exit(main())
