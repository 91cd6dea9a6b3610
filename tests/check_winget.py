#!/usr/bin/env python3
"""Checks the winget manifest beside a release's setup.exe by the rules winget's own
validation applies (winget validate, and the community repository's pipeline) to what it
uses, and against that setup.exe: its version resource, its SHA-256, its exit codes.
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
COMMON = {"PackageIdentifier", "PackageVersion", "ManifestType", "ManifestVersion"}
# The top-level fields of each type that this manifest may use, as the schema names them.
FIELDS = {
    "version": COMMON | {"DefaultLocale"},
    "installer": COMMON | {"InstallerType", "Scope", "InstallModes", "InstallerSwitches",
                           "ExpectedReturnCodes", "AppsAndFeaturesEntries", "Installers",
                           "ElevationRequirement", "ProductCode"},
    "defaultLocale": COMMON | {"PackageLocale", "Publisher", "PublisherUrl", "PackageName",
                               "PackageUrl", "License", "ShortDescription"},
}
RESPONSES = {"packageInUse", "packageInUseByApplication", "installInProgress", "fileInUse",
             "missingDependency", "diskFull", "insufficientMemory", "invalidParameter",
             "noNetwork", "contactSupport", "rebootRequiredToFinish", "rebootRequiredForInstall",
             "rebootInitiated", "cancelledByUser", "alreadyInstalled", "downgrade",
             "blockedByPolicy", "systemNotSupported", "custom"}
# setup.exe's exit codes but 0, and what winget is to tell of each.
EXIT_CODES = {1602: "cancelledByUser", 1603: "contactSupport", 112: "diskFull",
              87: "invalidParameter", 1622: "custom", 1618: "installInProgress",
              32: "packageInUse", 1638: "downgrade"}
HEADER = re.compile(r"winget-manifest\.(\w+)\.([\d.]+)\.schema\.json$")

faults = []


def expect(condition, message):
    if not condition:
        faults.append(message)


def schema_header(name, text, kind, version):
    """The schema line, first in the file: winget reads it as YAML and takes the type and
    version from its address, which must be the schema's own."""
    first = text.splitlines()[0] if text else ""
    value = yaml.safe_load(first.lstrip("# ")) if first.startswith("#") else None
    url = value.get("yaml-language-server", "") if isinstance(value, dict) else ""
    match = HEADER.search(url)
    expect(match and match.group(1) == kind and match.group(2) == version,
           f"{name}: schema line \"{first}\" does not name type {kind} of {version}")
    expected = f"$schema=https://aka.ms/winget-manifest.{kind}.{version}.schema.json"
    expect(url.lower() == expected.lower(), f"{name}: schema {url}, not {expected}")


def setup_version(setup):
    """The product version in setup.exe's version resource."""
    block = subprocess.run(["wrestool", "-x", "--raw", "--type=16", setup], check=True,
                           capture_output=True).stdout
    at = block.find(struct.pack("<I", 0xFEEF04BD))
    expect(at >= 0, "setup.exe carries no version resource")
    high, low = struct.unpack_from("<II", block, at + 16)
    return f"{high >> 16}.{high & 0xFFFF}.{low >> 16}.{low & 0xFFFF}"


def check_installer(manifest, setup, url, locale):
    expect(manifest.get("InstallerType") == "exe" and manifest.get("Scope") == "machine",
           "not a machine-wide exe installer")
    switches = manifest.get("InstallerSwitches", {})
    expect(switches.get("Silent") == "/S" and switches.get("SilentWithProgress") == "/passive",
           f"switches {switches}")
    codes = manifest.get("ExpectedReturnCodes", [])
    seen = [entry.get("InstallerReturnCode") for entry in codes]
    expect(len(seen) == len(set(seen)) and 0 not in seen, f"return codes {seen}: repeated or 0")
    for entry in codes:
        expect(entry.get("ReturnResponse") in RESPONSES, f"no response {entry}")
    given = {entry.get("InstallerReturnCode"): entry.get("ReturnResponse") for entry in codes}
    expect(given == EXIT_CODES, f"exit codes {given}, setup.exe's are {EXIT_CODES}")
    for entry in manifest.get("AppsAndFeaturesEntries", []):
        expect(entry.get("DisplayVersion", "") != manifest["PackageVersion"],
               "the entry's DisplayVersion repeats PackageVersion")
        expect(entry.get("Publisher") == locale.get("Publisher"), f"entry {entry}")
    with open(setup, "rb") as file:
        sha256 = hashlib.sha256(file.read()).hexdigest()
    installers = manifest.get("Installers", [])
    expect(len(installers) == 1, f"{len(installers)} installers")
    for installer in installers:
        expect(installer.get("Architecture") == "x86" and
               installer.get("InstallerUrl") == url.rstrip("/") + "/setup.exe" and
               re.match(r"^[Hh][Tt][Tt][Pp][Ss]?://.+$", installer.get("InstallerUrl", "")) and
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
    manifests = {}
    for suffix, kind in FILES.items():
        name = PACKAGE + suffix
        with open(os.path.join(release, name), encoding="utf-8") as file:
            text = file.read()
        manifest = yaml.safe_load(text)
        manifests[kind] = manifest
        expect(manifest.get("ManifestType") == kind,
               f"{name}: ManifestType {manifest.get('ManifestType')}, not {kind}")
        expect(manifest.get("ManifestVersion") == SCHEMA, f"{name}: not schema {SCHEMA}")
        schema_header(name, text, kind, SCHEMA)
        unknown = set(manifest) - FIELDS[kind]
        expect(not unknown, f"{name}: fields winget does not know there: {sorted(unknown)}")
        expect(manifest.get("PackageIdentifier") == PACKAGE and
               manifest.get("PackageVersion") == setup_version(setup),
               f"{name}: package {manifest.get('PackageIdentifier')} "
               f"{manifest.get('PackageVersion')}, setup.exe is {setup_version(setup)}")
    expect(manifests["version"].get("DefaultLocale") ==
           manifests["defaultLocale"].get("PackageLocale"), "default locale differs")
    check_installer(manifests["installer"], setup, url, manifests["defaultLocale"])
    for fault in faults:
        print(f"winget would refuse: {fault}")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
