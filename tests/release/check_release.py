#!/usr/bin/python3
"""Static checks of the release files of both architectures (nothing 32-bit
runs here): machine type, subsystem and OS version (Windows XP), imported
DLLs (known DLLs only, the installers' too), ASLR and NX, version resource,
the embedded manifest's architecture, stripping with a debug link, sizes;
and the seven files of dist/ with what each holds (the Windows Installer
packages read with msitools' msiinfo and msiextract).

Usage: tests/release/check_release.py [REPO_ROOT]   (after scripts/package)
"""
import pathlib
import re
import subprocess
import sys
import tempfile
import zipfile
import zlib

import pefile

ROOT = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else pathlib.Path(__file__).parents[2])
VERSION = (ROOT / "VERSION").read_text().strip()
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
# Known DLLs: the loader maps these from the system folder only, never from
# the program's, and their own dependencies with them. Microsoft documents
# the mechanism and its registry key (Session Manager\KnownDLLs), not the
# lists; these are the entries that matter here, per Windows version. XP
# lists no msvcrt.dll: it comes in as a dependency of listed ones (shell32,
# ole32). Only what every version has may be imported; the other system
# DLLs (setupapi, newdev, hid, comctl32, wtsapi32) the programs load at run
# time by full path: imported, a DLL of the name beside them would load.
_EVERYWHERE = {"kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll", "shell32.dll", "comdlg32.dll",
               "ole32.dll"}
KNOWN_DLLS = {
    "XP": _EVERYWHERE | {"msvcrt.dll"},
    "7 to 11": _EVERYWHERE | {"msvcrt.dll", "setupapi.dll"},
}
ALWAYS_KNOWN = set.intersection(*KNOWN_DLLS.values())
# comctl32.dll is no known DLL, but a manifest that depends on the common
# controls assembly has it resolved in the system's side-by-side store.
COMMON_CONTROLS = "Microsoft.Windows.Common-Controls"
# DllCharacteristics: randomised base (which needs the relocations kept),
# no code run from data pages, and for x64 a base above 4 GB.
HARDENING = {"x64": {"DYNAMIC_BASE", "NX_COMPAT", "HIGH_ENTROPY_VA"}, "x86": {"DYNAMIC_BASE", "NX_COMPAT"}}

# Functions of those DLLs that Windows XP does not have (Vista and later),
# which a MinGW runtime or a newer-API call could bring in; and the
# secure-CRT functions, which XP's msvcrt.dll lacks.
NEWER_THAN_XP = re.compile(r"^(GetTickCount64|InitOnce\w*|\w*ConditionVariable\w*|\w*SRWLock\w*|"
                           r"Fls(Alloc|Free|GetValue|SetValue)|GetFileInformationByHandleEx|CreateSymbolicLink\w*|"
                           r"GetFinalPathNameByHandle\w*|CompareStringEx|LCMapStringEx|\w+_s)$")

# The substitute driver's commands, in the test builds' rtouchctl only.
DRIVER_COMMANDS = ["install", "uninstall", "feed", "record", "driver-state", "unplug", "plug", "read-wait"]

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


def check_imports(pe, label):
    dlls = {entry.dll.decode().lower() for entry in pe.DIRECTORY_ENTRY_IMPORT}
    unsafe = dlls - ALWAYS_KNOWN
    if any(COMMON_CONTROLS in text for text in manifests(pe)):
        unsafe.discard("comctl32.dll")
    check(not unsafe, f"{label}: imports only known DLLs ({', '.join(sorted(dlls))}; not known: {sorted(unsafe)})")


def check_hardening(pe, label, wanted):
    prefix = "IMAGE_DLLCHARACTERISTICS_"
    flags = {name[len(prefix):] for name, value in pefile.DLL_CHARACTERISTICS.items()
             if isinstance(name, str) and name.startswith(prefix) and pe.OPTIONAL_HEADER.DllCharacteristics & value}
    check(wanted <= flags, f"{label}: {', '.join(sorted(wanted))} set ({', '.join(sorted(flags))})")
    if "DYNAMIC_BASE" in wanted:
        relocs = pe.OPTIONAL_HEADER.DATA_DIRECTORY[pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_BASERELOC"]]
        stripped = pe.FILE_HEADER.Characteristics & pefile.IMAGE_CHARACTERISTICS["IMAGE_FILE_RELOCS_STRIPPED"]
        check(relocs.Size > 0 and not stripped, f"{label}: relocations kept ({relocs.Size} bytes)")


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
    check_imports(pe, label)
    check_hardening(pe, label, HARDENING[arch])
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
    if name == "rtouchctl.exe":
        # The command table's names, as the compiler stores them.
        carried = [c for c in DRIVER_COMMANDS if b"\0" + c.encode() + b"\0" in data]
        check(not carried, f"{label}: no substitute driver command {carried}")
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
    {f"rtouch-{VERSION}-{arch}.zip" for arch in ARCHES} | {f"rtouch-{VERSION}-x64-devkit.zip"} | \
    {f"rtouch-{VERSION}-{arch}.msi" for arch in ARCHES}
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
        # NSIS's own program, which the uninstaller is made of too.
        check_imports(pe, setup.name)
    portable = dist / f"rtouch-{VERSION}-{arch}.zip"
    if portable.exists():
        z = zipfile.ZipFile(portable)
        check(sorted(z.namelist()) == ["rtouch.exe", "rtouchctl.exe"], f"{portable.name}: {z.namelist()}")
        for name in z.namelist():
            pe = pefile.PE(data=z.read(name))
            check(pe.FILE_HEADER.Machine == machine and version_strings(pe).get("FileVersion") == VERSION,
                  f"{portable.name}: {name} is the {arch} release")
# The packages' fixed identities: a changed UpgradeCode would install beside
# the fleet's earlier versions instead of upgrading them.
MSI_ARCHES = {  # summary information's platform, UpgradeCode, 64-bit components
    "x64": ("x64;1033", "{95F9CE58-E841-4D05-8ED1-4D460691B669}", True),
    "x86": ("Intel;1033", "{3B5C1C8D-3FF2-41E4-A3BA-7DCE47637B22}", False),
}
MSI_COMPONENT_64BIT = 0x100
MSI_UPGRADE_ONLY_DETECT = 0x2
MSI_UPGRADE_VERSION_MAX_INCLUSIVE = 0x200
# Custom action types that run no code: error message, set directory, set
# property. Anything else could start a program as SYSTEM.
MSI_CA_NO_CODE = {19, 35, 51}
MSI_CA_BASE_TYPE = 0x3F


def msi_table(msi, table):
    """The rows of TABLE as dicts (msiinfo export: names, types, key, rows)."""
    lines = subprocess.run(["msiinfo", "export", str(msi), table], check=True, capture_output=True,
                           text=True).stdout.replace("\r", "").split("\n")
    names = lines[0].split("\t")
    return [dict(zip(names, line.split("\t"))) for line in lines[3:] if line]


def check_msi(msi, arch, zip_path):
    platform, upgrade_code, win64 = MSI_ARCHES[arch]
    suminfo = subprocess.run(["msiinfo", "suminfo", str(msi)], check=True, capture_output=True, text=True).stdout
    check(f"Template: {platform}\n" in suminfo, f"{msi.name}: platform {platform}")
    props = {row["Property"]: row["Value"] for row in msi_table(msi, "Property")}
    for key, want in (("ProductName", "rtouch"), ("Manufacturer", "ZRN"), ("ProductVersion", VERSION),
                      ("ALLUSERS", "1"), ("UpgradeCode", upgrade_code)):
        check(props.get(key) == want, f"{msi.name}: {key} {props.get(key)!r}")
    check(re.fullmatch(r"\d+\.\d+\.\d+", VERSION) is not None, f"ProductVersion {VERSION} has three fields")
    # A default in the Property table would hide that the command line gave none.
    check("AUTOSTART" not in props, f"{msi.name}: AUTOSTART from the command line or the install before")
    check(props.get("MsiLogging") == "voicewarmup", f"{msi.name}: logs every run (MsiLogging)")
    conditions = [row["Condition"] for row in msi_table(msi, "LaunchCondition")]
    refuses_64bit = "NOT VersionNT64"
    check((refuses_64bit in conditions) == (arch == "x86"),
          f"{msi.name}: {'refuses' if arch == 'x86' else 'needs no refusal of'} 64-bit Windows: {conditions}")
    # Takeover32 removes the x86 setup's values in the 32-bit view.
    components = [c for c in msi_table(msi, "Component") if c["Component"] != "Takeover32"]
    check(all(bool(int(c["Attributes"]) & MSI_COMPONENT_64BIT) == win64 for c in components),
          f"{msi.name}: every component {'64' if win64 else '32'}-bit")
    upgrades = [(row["VersionMin"], row["VersionMax"], int(row["Attributes"])) for row in msi_table(msi, "Upgrade")
                if row["UpgradeCode"] == upgrade_code]
    check(any(lo == "" and hi == VERSION and not a & MSI_UPGRADE_VERSION_MAX_INCLUSIVE and not a & MSI_UPGRADE_ONLY_DETECT
              for lo, hi, a in upgrades), f"{msi.name}: removes every older build, not this one: {upgrades}")
    sequence = {row["Action"]: int(row["Sequence"]) for row in msi_table(msi, "InstallExecuteSequence")}
    after = sorted((n, action) for action, n in sequence.items() if n > sequence.get("InstallInitialize", n))
    check(after[:1] == [(sequence.get("RemoveExistingProducts"), "RemoveExistingProducts")],
          f"{msi.name}: the older version removed right after InstallInitialize, within the transaction")
    # The one program that runs: the package's rtouchctl, on PARAMETERSFILE.
    rows = msi_table(msi, "CustomAction")
    actions = {row["Action"]: int(row["Type"]) for row in rows}
    programs = {row["Action"] for row in rows if int(row["Type"]) & MSI_CA_BASE_TYPE not in MSI_CA_NO_CODE}
    conditions = {row["Action"]: row["Condition"] for row in msi_table(msi, "InstallExecuteSequence")}
    check(all(next(r for r in rows if r["Action"] == a)["Source"] == "rtouchctl" and
              conditions.get(a, "").startswith("PARAMETERSFILE AND ") for a in programs),
          f"{msi.name}: only rtouchctl runs, only for PARAMETERSFILE {actions}")
    with tempfile.TemporaryDirectory() as tmp:
        subprocess.run(["msiextract", "-C", tmp, str(msi)], check=True, capture_output=True)
        files = {p.name: p.read_bytes() for p in pathlib.Path(tmp).rglob("*") if p.is_file()}
    if zip_path.exists():
        z = zipfile.ZipFile(zip_path)
        check(files == {name: z.read(name) for name in z.namelist()}, f"{msi.name}: the programs of {zip_path.name}")


for arch in ARCHES:
    msi = dist / f"rtouch-{VERSION}-{arch}.msi"
    if msi.exists():
        check_msi(msi, arch, dist / f"rtouch-{VERSION}-{arch}.zip")
        print(f"    {msi.name}: {msi.stat().st_size} bytes")

devkit = dist / f"rtouch-{VERSION}-x64-devkit.zip"
if devkit.exists():
    names = sorted(zipfile.ZipFile(devkit).namelist())
    check(names == sorted(["rtouchctl.exe", "rtouchdrv.sys", "rtouchdrv.inf", "key_viewer.exe",
                           "LOADING-THE-DRIVER.txt"]), f"{devkit.name}: {names}")

print(f"release checks: {len(failures)} failed")
sys.exit(1 if failures else 0)
