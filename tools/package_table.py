#!/usr/bin/python3
"""What an MSI carries, as tables: its own (msiinfo), and its programs and libraries, one row each,
as a security reviewer reads them: size, the loader's protections, sections both writable and
executable, what is left of debug data, the DLLs imported, and the calls to the stack check's
failure routine, found through the symbols kept beside the package (the shipped file's code is
the same); and the rules those rows are held to. The installer test holds the test package to
them; before a release ships, check it (docs/shipping.md). Needs python3-pefile.
Usage: tools/package_table.py [--check] PACKAGE.msi (the symbols: PACKAGE-symbols beside it)
"""
import os
import re
import struct
import subprocess
import sys
import tempfile
import zlib

import pefile

FLAGS = {"DYNAMIC_BASE": 0x40, "HIGH_ENTROPY_VA": 0x20, "NX_COMPAT": 0x100, "GUARD_CF": 0x4000}
WRITE_AND_EXECUTE = 0x80000000 | 0x20000000
NM = "x86_64-w64-mingw32-nm"
# What a file built here may import: Windows' own DLLs (dbghelp for crash dumps, setupapi and
# ws2_32 for Bluetooth and network status), the engine library and the plug-in; no runtime DLL
# (libstdc++-6, libgcc_s_seh-1, libwinpthread-1, libssp-0), which a till does not have.
ALLOWED_IMPORTS = {"advapi32.dll", "dbghelp.dll", "dwmapi.dll", "gdi32.dll", "kernel32.dll",
                   "msvcrt.dll", "ole32.dll", "setupapi.dll", "shell32.dll", "user32.dll",
                   "winspool.drv", "ws2_32.dll", "flutter_windows.dll",
                   "flutter_inappwebview_windows_plugin.dll"}
PROGRAMS = ("quenbrel.exe", "quenbrel-printers.exe")
MANIFEST = ('level="asInvoker"', 'supportedOS Id="{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"')


def identity(product):
    """A column of installer/identity.txt (release or test), as {field: value}."""
    path = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "installer",
                        "identity.txt")
    rows = [line.split("\t") for line in open(path).read().splitlines() if line[:1] != "#"]
    return {r[0]: r[rows[0].index(product)] for r in rows[1:]}


def table(msi, name):
    """The rows of one of the MSI's tables, as lists of fields."""
    text = subprocess.run(["msiinfo", "export", msi, name], capture_output=True, text=True,
                          timeout=60).stdout
    return [row.split("\t") for row in text.splitlines()[3:]]


def name(pe, section):
    """A section's name; a long one ("/N") is read from the string table after the symbols."""
    text = section.Name.rstrip(b"\0")
    if text.startswith(b"/"):
        header = pe.FILE_HEADER
        at = header.PointerToSymbolTable + 18 * header.NumberOfSymbols + int(text[1:])
        text = pe.__data__[at:pe.__data__.find(b"\0", at)]
    return text.decode()


def stack_checks(pe, debug):
    """The direct calls (E8 rel32) in |pe|'s code to __stack_chk_fail, whose address the symbols
    of the debug file |debug| give; None without the file or the routine."""
    if not os.path.isfile(debug):
        return None
    symbols = subprocess.run([NM, debug], capture_output=True, text=True, timeout=60).stdout
    found = re.search(r"^([0-9a-f]+) T __stack_chk_fail$", symbols, re.M)
    if not found:
        return None
    target = int(found.group(1), 16) - pe.OPTIONAL_HEADER.ImageBase
    calls = 0
    for section in pe.sections:
        if section.Characteristics & 0x20000000:
            code, base = section.get_data(), section.VirtualAddress
            at = code.find(b"\xe8")
            while 0 <= at <= len(code) - 5:
                calls += base + at + 5 + struct.unpack_from("<i", code, at + 1)[0] == target
                at = code.find(b"\xe8", at + 1)
    return calls


def debug_link(pe, debug):
    """Whether the file names |debug| in its debug link, with that file's checksum."""
    link = next((s.get_data() for s in pe.sections if name(pe, s) == ".gnu_debuglink"), b"")
    linked, _, rest = link.partition(b"\0")
    crc = struct.unpack_from("<I", link, (len(linked) + 4) & ~3)[0] if rest else None
    return (linked.decode() == os.path.basename(debug) and os.path.isfile(debug) and
            zlib.crc32(open(debug, "rb").read()) == crc)


def manifest(pe):
    """The application manifest (RT_MANIFEST), or an empty text."""
    resources = getattr(pe, "DIRECTORY_ENTRY_RESOURCE", None)
    for kind in resources.entries if resources else []:
        if kind.id == 24:
            data = kind.directory.entries[0].directory.entries[0].data.struct
            return pe.get_data(data.OffsetToData, data.Size).decode("utf-8", "replace")
    return ""


def row(path, symbols):
    pe = pefile.PE(path)
    debug = os.path.join(symbols, os.path.basename(path) + ".debug")
    return {
        "file": os.path.basename(path), "size": os.path.getsize(path),
        "flags": [n for n, bit in FLAGS.items() if pe.OPTIONAL_HEADER.DllCharacteristics & bit],
        "write+execute": [name(pe, s) for s in pe.sections
                          if s.Characteristics & WRITE_AND_EXECUTE == WRITE_AND_EXECUTE],
        "debug sections": [name(pe, s) for s in pe.sections
                           if name(pe, s).startswith((".debug", ".zdebug"))],
        "symbols": pe.FILE_HEADER.NumberOfSymbols,
        "imports": sorted(e.dll.decode().lower() for e in
                          getattr(pe, "DIRECTORY_ENTRY_IMPORT", []) +
                          getattr(pe, "DIRECTORY_ENTRY_DELAY_IMPORT", [])),
        "stack checks": stack_checks(pe, debug), "debug link": debug_link(pe, debug),
        "manifest": manifest(pe)}


def rows(package):
    """Every PE file the MSI |package| carries, as rows."""
    symbols = os.path.splitext(package)[0] + "-symbols"
    with tempfile.TemporaryDirectory() as folder:
        subprocess.run(["msiextract", "-C", folder, package], check=True, timeout=120,
                       stdout=subprocess.DEVNULL)
        return [row(os.path.join(d, n), symbols) for d, _, names in sorted(os.walk(folder))
                for n in sorted(names) if open(os.path.join(d, n), "rb").read(2) == b"MZ"]


def breaches(rows, ours=PROGRAMS):
    """What the |rows| break: every file must load at a random address (64-bit), with no
    executable data and no writable code, and carry no debug data; those built here (|ours|)
    must keep their symbols beside the package, check their stack, import only what is allowed,
    and the programs must run as their invoker on Windows 10 and later."""
    found = []
    for r in rows:
        if (not {"DYNAMIC_BASE", "HIGH_ENTROPY_VA", "NX_COMPAT"} <= set(r["flags"]) or
                r["write+execute"] or r["debug sections"] or r["symbols"] or r["file"] in ours and (
                    not set(r["imports"]) <= ALLOWED_IMPORTS or not r["debug link"] or
                    not r["stack checks"] or r["file"] in PROGRAMS and
                    not all(text in r["manifest"] for text in MANIFEST))):
            found.append(r)
    return found


if __name__ == "__main__":
    table_rows = rows(sys.argv[-1])
    for r in table_rows:
        shown = dict(r, manifest=" ".join(re.findall(r'level="\w+"|supportedOS Id="[^"]+"',
                                                      r["manifest"])))
        print("\n".join([shown.pop("file")] + ["  %-14s %s" % item for item in shown.items()]))
    if "--check" in sys.argv and breaches(table_rows):
        sys.exit("breaks the rules: %s" % " ".join(r["file"] for r in breaches(table_rows)))
