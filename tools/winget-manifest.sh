#!/bin/bash
# Writes the winget manifest of a release beside its setup.exe: the version, installer and
# default-locale files of manifest schema 1.12.0, the newest the community repository takes.
# VERSION is setup.exe's, the maker shared/version.h's, the installer's SHA-256 that of the
# setup.exe given, which is to be published in the folder at URL (http or https).
# Usage: winget-manifest.sh SETUP_EXE URL VERSION
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source=$(dirname "$here")
setup=$1
url=$2
version=$3
schema=1.12.0
id=Quillmere.Quillmere
folder=$(dirname "$setup")

company=$(sed -n 's/^#define VERSION_COMPANY "\(.*\)"$/\1/p' "$source/shared/version.h")
[ -n "$version" ] && [ -n "$company" ] ||
    { echo "release: no version given, or shared/version.h names no maker" >&2; exit 1; }
sha256=$(sha256sum "$setup" | cut -d' ' -f1 | tr a-f A-F)

# A YAML string in single quotes.
quote() { printf "'%s'" "${1//\'/\'\'}"; }

header() { # TYPE: the schema line every file starts with, the type as winget spells it
           # (it compares it case by case with the file's ManifestType), and the package
    echo "# yaml-language-server: \$schema=https://aka.ms/winget-manifest.$1.$schema.schema.json"
    echo
    echo "PackageIdentifier: $id"
    echo "PackageVersion: $(quote "$version")"
}

{
    header version
    echo "DefaultLocale: en-US"
    echo "ManifestType: version"
    echo "ManifestVersion: $schema"
} > "$folder/$id.yaml"

# setup.exe's switches and exit codes; /D= takes the rest of the command line, and winget
# puts the install location last. The entry's DisplayVersion is the package's version, so
# it is left out, as the community repository asks. setup.exe always needs administrator
# rights, and its entry is found by its key's name, the product code.
{
    header installer
    cat <<EOF
InstallerType: exe
Scope: machine
InstallModes:
- interactive
- silent
- silentWithProgress
InstallerSwitches:
  Silent: /S
  SilentWithProgress: /passive
  InstallLocation: /D=<INSTALLPATH>
  Log: /LOG="<LOGPATH>"
ExpectedReturnCodes:
- InstallerReturnCode: 1602
  ReturnResponse: cancelledByUser
- InstallerReturnCode: 1603
  ReturnResponse: contactSupport
- InstallerReturnCode: 112
  ReturnResponse: diskFull
- InstallerReturnCode: 87
  ReturnResponse: invalidParameter
- InstallerReturnCode: 1622
  ReturnResponse: custom
- InstallerReturnCode: 1618
  ReturnResponse: installInProgress
- InstallerReturnCode: 32
  ReturnResponse: packageInUse
- InstallerReturnCode: 1638
  ReturnResponse: downgrade
AppsAndFeaturesEntries:
- DisplayName: Quillmere
  Publisher: $(quote "$company")
  ProductCode: Quillmere
Installers:
- Architecture: x86
  InstallerUrl: $(quote "${url%/}/setup.exe")
  InstallerSha256: $sha256
  ProductCode: Quillmere
  ElevationRequirement: elevationRequired
ManifestType: installer
ManifestVersion: $schema
EOF
} > "$folder/$id.installer.yaml"

{
    header defaultLocale
    cat <<EOF
PackageLocale: en-US
Publisher: $(quote "$company")
PublisherUrl: https://quillmere.example.com/
PackageName: Quillmere
PackageUrl: https://quillmere.example.com/
License: Proprietary
ShortDescription: A writing tool for Windows 98 and later.
ManifestType: defaultLocale
ManifestVersion: $schema
EOF
} > "$folder/$id.locale.en-US.yaml"
echo "release: winget manifest $id $version for ${url%/}/setup.exe"
