"""Marks a Windows program to be copied whole into memory when Windows starts it from a removable
drive or the network (IMAGE_FILE_REMOVABLE_RUN_FROM_SWAP, IMAGE_FILE_NET_RUN_FROM_SWAP). Windows
otherwise reads a program's pages from its medium as they are first touched, and a disc taken out
while the menu is open would end it at the first page not yet read. GNU ld has no switch for these
flags: this runs after linking, before signing, and writes the header's checksum anew.

Usage: run_from_swap.py PROGRAM.exe"""
import struct
import sys

RUN_FROM_SWAP = 0x0400 | 0x0800


def checksum(data: bytes, field: int) -> int:
    """The PE checksum: the 16-bit words' sum with carries folded back, the field itself taken as 0,
    plus the file's length."""
    words = data[:field] + bytes(4) + data[field + 4:] + bytes(len(data) % 2)
    total = 0
    for (word,) in struct.iter_unpack("<H", words):
        total += word
        total = (total & 0xFFFF) + (total >> 16)
    return total + len(data)


def main(path: str):
    with open(path, "rb") as program:
        data = bytearray(program.read())
    header = struct.unpack_from("<I", data, 0x3C)[0]
    if data[:2] != b"MZ" or data[header:header + 4] != b"PE\0\0":
        sys.exit(f"run_from_swap: {path} is not a Windows program")
    characteristics = header + 22  # after the signature and the file header's first 18 bytes
    field = header + 24 + 64       # the optional header's CheckSum, in PE32 and PE32+ alike
    struct.pack_into("<H", data, characteristics, struct.unpack_from("<H", data, characteristics)[0] | RUN_FROM_SWAP)
    struct.pack_into("<I", data, field, checksum(data, field))
    with open(path, "r+b") as program:
        program.write(data)


if __name__ == "__main__":
    main(*sys.argv[1:])
