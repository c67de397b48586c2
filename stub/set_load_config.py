#!/usr/bin/env python3
"""Points a PE32+ image's load configuration directory at _load_config_used.

The GNU linker of binutils 2.40 fills in no load configuration directory (it
does so for the TLS directory from _tls_used, not for _load_config_used), so
after the link this sets data directory 10 to the structure's address, read
from the linker map, and to the size the structure states in its first four
bytes, and brings the image's checksum up to date when it has one. Usage: set_load_config.py IMAGE MAP
"""
import re
import struct
import sys

LOAD_CONFIG_DIRECTORY = 10
SYMBOL = "_load_config_used"


def fail(message):
    sys.exit(f"set_load_config: {message}")


def symbol_address(map_path):
    pattern = re.compile(r"^\s*0x([0-9a-fA-F]+)\s+" + SYMBOL + r"\s*$")
    with open(map_path, encoding="utf-8", errors="replace") as f:
        for line in f:
            m = pattern.match(line)
            if m:
                return int(m.group(1), 16)
    fail(f"{SYMBOL} is not in {map_path}")


def file_offset(sections, rva):
    for virtual_address, virtual_size, raw_size, raw_offset in sections:
        if virtual_address <= rva < virtual_address + max(virtual_size, raw_size):
            if rva - virtual_address >= raw_size:
                fail("the structure lies outside the section's file data")
            return raw_offset + rva - virtual_address
    fail(f"address {rva:#x} lies in no section")


def pe_checksum(image, checksum_at):
    """The optional header's CheckSum: the 16-bit words of the file (the
    field itself as zero) added with end-around carry, plus the file's size."""
    data = bytes(image[:checksum_at]) + b"\0\0\0\0" + bytes(image[checksum_at + 4:])
    if len(data) % 2:
        data += b"\0"
    total = 0
    for (word,) in struct.iter_unpack("<H", data):
        total += word
        total = (total & 0xFFFF) + (total >> 16)
    return (total + len(image)) & 0xFFFFFFFF


def main(image_path, map_path):
    with open(image_path, "rb") as f:
        image = bytearray(f.read())
    nt = struct.unpack_from("<I", image, 0x3C)[0]
    if image[nt:nt + 4] != b"PE\0\0":
        fail(f"{image_path} is no PE image")
    coff = nt + 4
    section_count, = struct.unpack_from("<H", image, coff + 2)
    optional_size, = struct.unpack_from("<H", image, coff + 16)
    opt = coff + 20
    magic, = struct.unpack_from("<H", image, opt)
    if magic != 0x20B:
        fail(f"{image_path} is not a PE32+ image")
    image_base, = struct.unpack_from("<Q", image, opt + 24)
    directory_count, = struct.unpack_from("<I", image, opt + 108)
    if directory_count <= LOAD_CONFIG_DIRECTORY:
        fail("the image has no load configuration directory entry")
    entry = opt + 112 + 8 * LOAD_CONFIG_DIRECTORY
    sections = []
    table = opt + optional_size
    for i in range(section_count):
        at = table + 40 * i
        virtual_size, virtual_address, raw_size, raw_offset = struct.unpack_from("<IIII", image, at + 8)
        sections.append((virtual_address, virtual_size, raw_size, raw_offset))
    rva = symbol_address(map_path) - image_base
    size, = struct.unpack_from("<I", image, file_offset(sections, rva))
    if rva % 8 or size == 0:
        fail("the structure is misaligned or states no size")
    struct.pack_into("<II", image, entry, rva, size)
    checksum_at = opt + 64
    if struct.unpack_from("<I", image, checksum_at)[0] != 0:
        struct.pack_into("<I", image, checksum_at, pe_checksum(image, checksum_at))
    with open(image_path, "wb") as f:
        f.write(image)


if __name__ == "__main__":
    if len(sys.argv) != 3:
        fail("usage: set_load_config.py IMAGE MAP")
    main(sys.argv[1], sys.argv[2])
