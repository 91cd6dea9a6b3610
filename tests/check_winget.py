#!/usr/bin/env python3
"""Checks the winget manifest beside a release's setup.exe by the rules winget's validation
(winget validate, the community repository's pipeline) applies to what it uses, and against
that setup.exe: its version resource, its SHA-256, its exit codes.
Usage: check_winget.py RELEASE URL   (URL: the folder setup.exe is to be published in)"""
import hashlib
import os
import re
import struct
import subprocess
import sys

import yaml

SCHEMA = "1.12.0"
PACKAGE = "Quillmere.Quillmere"
# Each file's name after the package, and its type as winget spells it: it compares the
# type case by case, in the schema line as in ManifestType.
FILES = {".yaml": "version", ".installer.yaml": "installer", ".locale.en-US.yaml": "defaultLocale"}
# setup.exe's exit codes but 0, and what winget is to tell of each (names of the schema).
EXIT_CODES = {1602: "cancelledByUser", 1603: "contactSupport", 112: "diskFull",
              87: "invalidParameter", 1622: "custom", 1618: "installInProgress",
              32: "packageInUse", 1638: "downgrade"}
faults = []


def expect(condition, message):
    if not condition:
        faults.append(message)


def schema_line(name, text, kind):
    """The first line: winget reads it as YAML and takes type and version from the address,
    which must be the schema's own (compared without regard to case)."""
    first = text.splitlines()[0] if text else ""
    value = yaml.safe_load(first.lstrip("# ")) if first.startswith("#") else None
    url = value.get("yaml-language-server", "") if isinstance(value, dict) else ""
    match = re.search(r"winget-manifest\.(\w+)\.([\d.]+)\.schema\.json$", url)
    expected = f"$schema=https://aka.ms/winget-manifest.{kind}.{SCHEMA}.schema.json"
    expect(match and match.groups() == (kind, SCHEMA) and url.lower() == expected.lower(),
           f"{name}: schema line \"{first}\", not of type {kind} of {SCHEMA}")


def setup_version(setup):
    """The product version in setup.exe's version resource."""
    block = subprocess.run(["wrestool", "-x", "--raw", "--type=16", setup], check=True,
                           capture_output=True).stdout
    at = block.find(struct.pack("<I", 0xFEEF04BD))
    high, low = struct.unpack_from("<II", block, at + 16) if at >= 0 else (0, 0)
    return f"{high >> 16}.{high & 0xFFFF}.{low >> 16}.{low & 0xFFFF}"


def check_installer(manifest, setup, url, publisher):
    expect(manifest.get("InstallerType") == "exe" and manifest.get("Scope") == "machine",
           "not a machine-wide exe installer")
    switches = manifest.get("InstallerSwitches", {})
    expect(switches.get("Silent") and switches.get("SilentWithProgress"),
           "an exe installer without its silent switches")
    codes = [entry.get("InstallerReturnCode") for entry in manifest.get("ExpectedReturnCodes", [])]
    given = {entry.get("InstallerReturnCode"): entry.get("ReturnResponse")
             for entry in manifest.get("ExpectedReturnCodes", [])}
    expect(len(codes) == len(given) and given == EXIT_CODES,
           f"exit codes {codes} {given}, setup.exe's are {EXIT_CODES}, each once")
    for entry in manifest.get("AppsAndFeaturesEntries", []):
        expect(entry.get("DisplayVersion") in (None, "") or
               entry["DisplayVersion"] != manifest["PackageVersion"],
               "the entry's DisplayVersion repeats PackageVersion")
        expect(entry.get("Publisher") == publisher, f"the entry's publisher: {entry}")
    with open(setup, "rb") as file:
        sha256 = hashlib.sha256(file.read()).hexdigest()
    installers = manifest.get("Installers", [])
    expect(len(installers) == 1, f"{len(installers)} installers")
    for installer in installers:
        expect(installer.get("Architecture") == "x86" and
               installer.get("InstallerUrl") == url.rstrip("/") + "/setup.exe" and
               re.match(r"^[Hh][Tt][Tt][Pp][Ss]?://.+$", installer["InstallerUrl"]) and
               str(installer.get("InstallerSha256", "")).lower() == sha256,
               f"installer {installer}: not setup.exe at {url} with SHA-256 {sha256}")
        expect(installer.get("ProductCode") == "Quillmere",
               "no product code Quillmere at installer level")
        expect(installer.get("ElevationRequirement") == "elevationRequired",
               "the installer is not said to need administrator rights")


def main():
    if len(sys.argv) != 3:
        print(__doc__, file=sys.stderr)
        return 2
    release, url = sys.argv[1:]
    setup = os.path.join(release, "setup.exe")
    version = setup_version(setup)
    manifests = {}
    for suffix, kind in FILES.items():
        name = PACKAGE + suffix
        with open(os.path.join(release, name), encoding="utf-8") as file:
            text = file.read()
        manifest = manifests[kind] = yaml.safe_load(text)
        schema_line(name, text, kind)
        expect(manifest.get("ManifestType") == kind and manifest.get("ManifestVersion") == SCHEMA,
               f"{name}: {manifest.get('ManifestType')} of {manifest.get('ManifestVersion')}")
        expect(manifest.get("PackageIdentifier") == PACKAGE and
               manifest.get("PackageVersion") == version,
               f"{name}: {manifest.get('PackageIdentifier')} {manifest.get('PackageVersion')}, "
               f"setup.exe is {version}")
    expect(manifests["version"].get("DefaultLocale") ==
           manifests["defaultLocale"].get("PackageLocale"), "the default locale differs")
    check_installer(manifests["installer"], setup, url, manifests["defaultLocale"].get("Publisher"))
    for fault in faults:
        print(f"winget would refuse: {fault}")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
