#!/usr/bin/env python3
"""Builds examples/hello.fiad: a two-line TI BASIC program, tokenized by hand.

    10 PRINT "HELLO FROM TAPE"
    20 GOTO 10
"""
import struct

PRINT, GOTO, QUOTED, LINE_REF = 0x9C, 0x86, 0xC7, 0xC9
text = b"HELLO FROM TAPE"
line10 = bytes([PRINT, QUOTED, len(text)]) + text + b"\x00"
line20 = bytes([GOTO, LINE_REF, 0x00, 10, 0x00])

end = 0x37D7                      # highest address the program uses
size = 8 + 1 + len(line20) + 1 + len(line10)
start = end - size + 1            # bottom of the line number table
ptr20 = start + 8 + 1             # first token of line 20
ptr10 = ptr20 + len(line20) + 1
first = start + 7                 # top byte of the table: the entry of line 10
table = struct.pack(">HHHH", 20, ptr20, 10, ptr10)
dump = table + bytes([len(line20)]) + line20 + bytes([len(line10)]) + line10
program = struct.pack(">HHHH", first ^ start, first, start, end) + dump

header = bytearray(128)
header[0:10] = b"HELLO     "
header[12] = 0x01                 # program file
header[15] = 1                    # one sector
# A tape carries whole 64-byte records, so a FIAD made from tape says its
# last sector holds whole records: the 42-byte program is one record.
header[16] = 64
with open("examples/hello.fiad", "wb") as f:
    f.write(bytes(header) + program + bytes(256 - len(program)))
