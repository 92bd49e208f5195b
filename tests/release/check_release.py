#!/usr/bin/python3
"""Static checks of the release files of both architectures (nothing 32-bit
runs here): machine type, subsystem and OS version (Windows XP), imported
DLLs, version resource, the embedded manifest's architecture, stripping with
a debug link, sizes; and the five files of dist/ with what each holds.

Usage: tests/release/check_release.py [REPO_ROOT]   (after scripts/package)
"""
import pathlib
import re
import sys
import zipfile
import zlib

import pefile

ROOT = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else pathlib.Path(__file__).parents[2])
VERSION = re.search(r"project\(rtouch VERSION ([0-9.]+)", (ROOT / "CMakeLists.txt").read_text()).group(1)
# The processorArchitecture a program's own manifest must name: Windows
# refuses to start a program whose manifest names another architecture.
MANIFEST_ARCH = {pefile.MACHINE_TYPE["IMAGE_FILE_MACHINE_AMD64"]: "amd64",
                 pefile.MACHINE_TYPE["IMAGE_FILE_MACHINE_I386"]: "x86"}
# Programs that carry a manifest (resource type 24, id 1).
MANIFESTED = {"rtouch.exe", "rtouchctl.exe"}
ARCHES = {  # machine, subsystem version (XP 5.1, XP x64 5.2)
    "x64": (pefile.MACHINE_TYPE["IMAGE_FILE_MACHINE_AMD64"], (5, 2)),
    "x86": (pefile.MACHINE_TYPE["IMAGE_FILE_MACHINE_I386"], (5, 1)),
}
PROGRAMS = {  # subsystem, size limit for x64 in bytes
    "rtouch.exe": (pefile.SUBSYSTEM_TYPE["IMAGE_SUBSYSTEM_WINDOWS_GUI"], 256 * 1024),
    "rtouchctl.exe": (pefile.SUBSYSTEM_TYPE["IMAGE_SUBSYSTEM_WINDOWS_CUI"], 512 * 1024),
}
# DLLs that every Windows since XP has; no MinGW runtime DLL.
SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "shell32.dll", "comctl32.dll", "comdlg32.dll",
               "advapi32.dll", "setupapi.dll", "hid.dll", "newdev.dll", "msvcrt.dll"}

# Functions of those DLLs that Windows XP does not have (Vista and later),
# which a MinGW runtime or a newer-API call could bring in; and the
# secure-CRT functions, which XP's msvcrt.dll lacks.
NEWER_THAN_XP = re.compile(r"^(GetTickCount64|InitOnce\w*|\w*ConditionVariable\w*|\w*SRWLock\w*|"
                           r"Fls(Alloc|Free|GetValue|SetValue)|GetFileInformationByHandleEx|CreateSymbolicLink\w*|"
                           r"GetFinalPathNameByHandle\w*|CompareStringEx|LCMapStringEx|\w+_s)$")

failures = []


def check(ok, what):
    print(("ok: " if ok else "FAIL: ") + what)
    if not ok:
        failures.append(what)


def version_strings(pe):
    strings = {}
    for info in getattr(pe, "FileInfo", []):
        for entry in info:
            for table in getattr(entry, "StringTable", []):
                strings.update({k.decode(): v.decode() for k, v in table.entries.items()})
    return strings


def manifests(pe):
    """The texts of the program's RT_MANIFEST resources."""
    texts = []
    for kind in getattr(getattr(pe, "DIRECTORY_ENTRY_RESOURCE", None), "entries", []):
        if kind.id != pefile.RESOURCE_TYPE["RT_MANIFEST"]:
            continue
        for entry in kind.directory.entries:
            for lang in entry.directory.entries:
                texts.append(pe.get_data(lang.data.struct.OffsetToData, lang.data.struct.Size).decode("utf-8"))
    return texts


def check_manifest(pe, label, name):
    texts = manifests(pe)
    check(len(texts) == (1 if name in MANIFESTED else 0), f"{label}: {len(texts)} manifest(s)")
    want = MANIFEST_ARCH[pe.FILE_HEADER.Machine]
    for text in texts:
        named = re.findall(r'processorArchitecture="([^"]*)"', text)
        check(named and all(a.lower() == want for a in named), f"{label}: manifest names {named}, machine {want}")
        # Without an execution level a 32-bit program runs virtualised.
        level = re.findall(r'requestedExecutionLevel\s+level="([^"]*)"', text)
        check(level == ["asInvoker"], f"{label}: manifest asks for execution level {level}")


def check_program(path, arch, name):
    machine, (major, minor) = ARCHES[arch]
    subsystem, limit = PROGRAMS[name]
    data = path.read_bytes()
    pe = pefile.PE(data=data)
    oh = pe.OPTIONAL_HEADER
    label = f"{arch} {name}"
    check(pe.FILE_HEADER.Machine == machine, f"{label}: machine {pe.FILE_HEADER.Machine:#x}")
    check(oh.Subsystem == subsystem, f"{label}: subsystem {oh.Subsystem}")
    check((oh.MajorSubsystemVersion, oh.MinorSubsystemVersion) == (major, minor),
          f"{label}: subsystem version {oh.MajorSubsystemVersion}.{oh.MinorSubsystemVersion:02d}")
    check((oh.MajorOperatingSystemVersion, oh.MinorOperatingSystemVersion) == (major, minor),
          f"{label}: OS version {oh.MajorOperatingSystemVersion}.{oh.MinorOperatingSystemVersion:02d}")
    dlls = {entry.dll.decode().lower() for entry in pe.DIRECTORY_ENTRY_IMPORT}
    check(dlls <= SYSTEM_DLLS, f"{label}: imports only system DLLs ({', '.join(sorted(dlls))})")
    newer = sorted(f.name.decode() for entry in pe.DIRECTORY_ENTRY_IMPORT for f in entry.imports
                   if f.name and NEWER_THAN_XP.match(f.name.decode()))
    check(not newer, f"{label}: no function newer than Windows XP imported {newer}")
    strings = version_strings(pe)
    check(strings.get("ProductName") == "rtouch", f"{label}: ProductName {strings.get('ProductName')!r}")
    for key in ("FileVersion", "ProductVersion"):
        check(strings.get(key) == VERSION, f"{label}: {key} {strings.get(key)!r}")
    for key in ("FileDescription", "CompanyName", "LegalCopyright"):
        check(bool(strings.get(key)), f"{label}: {key} {strings.get(key)!r}")
    fixed = pe.VS_FIXEDFILEINFO[0]
    parts = [int(p) for p in VERSION.split(".")] + [0, 0, 0]
    check((fixed.FileVersionMS, fixed.FileVersionLS) == (parts[0] << 16 | parts[1], parts[2] << 16 | parts[3]),
          f"{label}: fixed file version")
    check(pe.FILE_HEADER.NumberOfSymbols == 0, f"{label}: stripped")
    check_manifest(pe, label, name)
    return pe, len(data), limit


def check_debug_link(pe, path, label):
    # .gnu_debuglink: a long section name, so found by its content (the
    # debug file's name, then a CRC-32 of that file).
    link = (path.name + ".debug\0").encode()
    section = next((s for s in pe.sections if s.get_data().startswith(link)), None)
    check(section is not None, f"{label}: debug link")
    if section is None:
        return
    raw = section.get_data()
    name = raw[:raw.index(b"\0")].decode()
    crc = int.from_bytes(raw[(len(name) + 4) & ~3:][:4], "little")
    debug = path.parent / name
    check(name == path.name + ".debug" and debug.exists(), f"{label}: debug file {name} beside it")
    if debug.exists():
        check(zlib.crc32(debug.read_bytes()) == crc, f"{label}: debug file matches the link's checksum")


for arch in ARCHES:
    for name in PROGRAMS:
        path = ROOT / "build" / f"release-{arch}" / name
        if not path.exists():
            check(False, f"{path} missing (run scripts/package)")
            continue
        pe, size, limit = check_program(path, arch, name)
        check_debug_link(pe, path, f"{arch} {name}")
        print(f"    {arch} {name}: {size} bytes")
        if arch == "x64":
            check(size <= limit, f"x64 {name}: {size} bytes, at most {limit}")

dist = ROOT / "dist"
expected = {f"rtouch-{VERSION}-{arch}-setup.exe" for arch in ARCHES} | \
    {f"rtouch-{VERSION}-{arch}.zip" for arch in ARCHES} | {f"rtouch-{VERSION}-x64-devkit.zip"}
present = {p.name for p in dist.glob(f"rtouch-{VERSION}-*")}
check(present == expected, f"dist/: {', '.join(sorted(present))}")
for arch, (machine, _) in ARCHES.items():
    setup = dist / f"rtouch-{VERSION}-{arch}-setup.exe"
    if setup.exists():
        pe = pefile.PE(str(setup), fast_load=True)
        check(pe.FILE_HEADER.Machine == machine, f"{setup.name}: machine {pe.FILE_HEADER.Machine:#x}")
        pe.parse_data_directories()
        strings = version_strings(pe)
        check(strings.get("ProductVersion") == VERSION, f"{setup.name}: ProductVersion {strings.get('ProductVersion')!r}")
    portable = dist / f"rtouch-{VERSION}-{arch}.zip"
    if portable.exists():
        z = zipfile.ZipFile(portable)
        check(sorted(z.namelist()) == ["rtouch.exe", "rtouchctl.exe"], f"{portable.name}: {z.namelist()}")
        for name in z.namelist():
            pe = pefile.PE(data=z.read(name))
            check(pe.FILE_HEADER.Machine == machine and version_strings(pe).get("FileVersion") == VERSION,
                  f"{portable.name}: {name} is the {arch} release")
devkit = dist / f"rtouch-{VERSION}-x64-devkit.zip"
if devkit.exists():
    names = sorted(zipfile.ZipFile(devkit).namelist())
    check(names == sorted(["rtouchctl.exe", "rtouchdrv.sys", "rtouchdrv.inf", "key_viewer.exe",
                           "LOADING-THE-DRIVER.txt"]), f"{devkit.name}: {names}")

print(f"release checks: {len(failures)} failed")
sys.exit(1 if failures else 0)
