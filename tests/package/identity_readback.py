#!/usr/bin/env python3
"""Reads the product's identity back from packages built by qrpack with an
independent reader (Debian's python3-pefile): the version resource of the
package and of its uninstaller, field by field, and their icons, image by
image; and a package built from stub programs that do not declare the
capability, which must hold them unchanged.

usage: identity_readback.py QRPACK MKINSTALLDAT STUB_BIN_DIR WORK_DIR
"""
import os
import shutil
import struct
import subprocess
import sys

import pefile

QRPACK, MKINSTALLDAT, STUB_BIN, WORK = sys.argv[1:5]
RT_ICON, RT_GROUP_ICON, RT_VERSION = 3, 14, 16
failures = []


def check(ok, what):
    if not ok:
        failures.append(what)
        print("FAIL:", what)


def dib(w, h, seed):
    header = struct.pack("<IiiHHIIiiII", 40, w, 2 * h, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = bytes((i * 31 + seed) & 0xFF for i in range(w * h * 4))
    mask = bytes(((w + 31) // 32 * 4) * h)
    return header + pixels + mask


def ico(images):
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for w, h, data in images:
        out += struct.pack("<BBBBHHII", w % 256, h % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    return out + b"".join(d for _, _, d in images)


def qrpack(*args):
    r = subprocess.run([QRPACK, *args], cwd=WORK, capture_output=True)
    if r.returncode != 0:
        sys.exit("qrpack %s failed: %s" % (args, r.stderr.decode("utf-8", "replace")))
    return r.stdout.decode("utf-8")


def strings_of(pe):
    """The version resource's one string table: (LangID, {name: value})."""
    for info in pe.FileInfo[0]:
        if info.Key == b"StringFileInfo":
            table = info.StringTable[0]
            return table.LangID.decode(), {k.decode(): v.decode("utf-8") for k, v in table.entries.items()}
    return None, {}


def icons_of(pe):
    """The images of the first icon group, in its order."""
    groups = [e for e in pe.DIRECTORY_ENTRY_RESOURCE.entries if e.id == RT_GROUP_ICON]
    icons = {}
    for e in pe.DIRECTORY_ENTRY_RESOURCE.entries:
        if e.id == RT_ICON:
            for name in e.directory.entries:
                leaf = name.directory.entries[0].data.struct
                icons[name.id] = pe.get_data(leaf.OffsetToData, leaf.Size)
    if not groups:
        return []
    leaf = groups[0].directory.entries[0].directory.entries[0].data.struct
    group = pe.get_data(leaf.OffsetToData, leaf.Size)
    count = struct.unpack_from("<H", group, 4)[0]
    return [icons[struct.unpack_from("<H", group, 6 + 14 * i + 12)[0]] for i in range(count)]


def check_program(path, description, original_name, images):
    pe = pefile.PE(path)
    lang, s = strings_of(pe)
    fixed = pe.VS_FIXEDFILEINFO[0]
    name = os.path.basename(path)
    check(lang == "080404b0", "%s: string table %s" % (name, lang))
    expected = {
        "CompanyName": "示例工作室",
        "FileDescription": description,
        "FileVersion": "2.1.0",
        "LegalCopyright": "版权所有 © 示例工作室",
        "OriginalFilename": original_name,
        "ProductName": "我的工具",
        "ProductVersion": "2.1.0",
    }
    for key, value in expected.items():
        check(s.get(key) == value, "%s: %s is %r, not %r" % (name, key, s.get(key), value))
    check(s.get("QrMakerVersion", "") != "", "%s: no QrMakerVersion" % name)
    check((fixed.FileVersionMS, fixed.FileVersionLS) == (0x20001, 0), "%s: fixed file version" % name)
    check((fixed.ProductVersionMS, fixed.ProductVersionLS) == (0x20001, 0), "%s: fixed product version" % name)
    translation = [v for info in pe.FileInfo[0] if info.Key == b"VarFileInfo" for v in info.Var]
    check(translation and translation[0].entry.get(b"Translation") == "0x0804 0x04b0",
          "%s: translation %s" % (name, translation and translation[0].entry))
    check(icons_of(pe) == images, "%s: icon images differ from the source's" % name)


def package_head(path):
    data = open(path, "rb").read()
    config_offset = struct.unpack_from("<i", data, len(data) - 8)[0] ^ 0x71
    return data[:config_offset]


def without_mark(image):
    mark = "QRIDENTITY".encode("utf-16-le")
    at = image.find(mark)
    assert at >= 0, "no capability mark in our stub"
    return image[: at + len(mark) - 2] + b"X" + image[at + len(mark) - 1 :]


def digest_field_masked(image):
    pe = pefile.PE(data=image)
    field = [s for s in pe.sections if s.Name.rstrip(b"\0") == b".qrdig"][0].PointerToRawData
    return image[:field] + bytes(64) + image[field + 64 :]


shutil.rmtree(WORK, ignore_errors=True)
os.makedirs(WORK)
images = [dib(16, 16, 1), dib(32, 32, 2), dib(48, 48, 3)]
open(os.path.join(WORK, "product.ico"), "wb").write(ico([(16, 16, images[0]), (32, 32, images[1]), (48, 48, images[2])]))
open(os.path.join(WORK, "a.txt"), "wb").write(b"hello")
setup = open(os.path.join(STUB_BIN, "setup.exe"), "rb").read()
uninst = open(os.path.join(STUB_BIN, "uninst.exe"), "rb").read()
qrpack_args = ["--name", "我的工具", "--dir", "MyTool", "--publisher", "示例工作室", "--version", "2.1.0"]

# Our stub programs: both carry the product's identity.
subprocess.run([MKINSTALLDAT, os.path.join(STUB_BIN, "setup.exe"), os.path.join(STUB_BIN, "uninst.exe"),
                os.path.join(WORK, "ours.dat")], check=True)
qrpack("build", *qrpack_args, "--install-dat", "ours.dat", "--icon", "product.ico", "-o", "我的工具安装.exe", "a.txt")
qrpack("extract", "我的工具安装.exe", "out")
check_program(os.path.join(WORK, "我的工具安装.exe"), "我的工具 安装程序", "我的工具安装.exe", images)
check_program(os.path.join(WORK, "out", "uninst.exe"), "我的工具 卸载程序", "uninst.exe", images)
listing = qrpack("list", "我的工具安装.exe")
check("  FileDescription: 我的工具 安装程序" in listing, "qrpack list shows no FileDescription:\n" + listing)

# An executable's first icon group, as --icon: a program of wine's (a
# dependency), whose icons pefile reads on its own.
program = "/usr/lib/x86_64-linux-gnu/wine/x86_64-windows/notepad.exe"
if os.path.exists(program):
    qrpack("build", *qrpack_args, "--install-dat", "ours.dat", "--icon", program, "-o", "notepad_icon.exe", "a.txt")
    source = icons_of(pefile.PE(program))
    check(len(source) > 1 and icons_of(pefile.PE(os.path.join(WORK, "notepad_icon.exe"))) == source,
          "the package's icon is not notepad.exe's first icon group")

# Stub programs of an earlier version: the package holds them as they are.
old_setup, old_uninst = without_mark(setup), without_mark(uninst)
open(os.path.join(WORK, "old_setup.exe"), "wb").write(old_setup)
open(os.path.join(WORK, "old_uninst.exe"), "wb").write(old_uninst)
subprocess.run([MKINSTALLDAT, os.path.join(WORK, "old_setup.exe"), os.path.join(WORK, "old_uninst.exe"),
                os.path.join(WORK, "old.dat")], check=True)
qrpack("build", *qrpack_args, "--install-dat", "old.dat", "--icon", "product.ico", "-o", "old.exe", "a.txt")
qrpack("extract", "old.exe", "old_out")
head = package_head(os.path.join(WORK, "old.exe"))
check(digest_field_masked(head) == digest_field_masked(old_setup), "old stub: the package's head differs")
extracted = open(os.path.join(WORK, "old_out", "uninst.exe"), "rb").read()
check(digest_field_masked(extracted[: len(old_uninst)]) == digest_field_masked(old_uninst),
      "old stub: the uninstaller differs")
check(not hasattr(pefile.PE(data=head), "VS_FIXEDFILEINFO"), "old stub: a version resource appeared")

if failures:
    sys.exit("%d checks failed" % len(failures))
print("all identity fields read back")
