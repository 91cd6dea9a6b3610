#!/bin/bash
# Writes the winget manifest of a release beside its setup.exe: the version, installer and
# default-locale files of manifest schema 1.12.0, the newest the community repository takes.
# The version and the maker come from res/version.h as the compiler reads it, the
# installer's SHA-256 from the setup.exe given, which is to be published in the folder at
# URL (http or https).
# Usage: winget-manifest.sh SETUP_EXE URL
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source=$(dirname "$here")
setup=$1
url=$2
schema=1.12.0
id=Quillmere.Quillmere
folder=$(dirname "$setup")

# VERSION_TEXT and VERSION_COMPANY, each on a line of its own, unquoted.
values=$(printf '#include "version.h"\nVERSION_TEXT\nVERSION_COMPANY\n' |
    cpp -P -I "$source/res" - | sed -n 's/^"\(.*\)"$/\1/p')
version=$(sed -n 1p <<<"$values")
company=$(sed -n 2p <<<"$values")
[ -n "$version" ] && [ -n "$company" ] ||
    { echo "release: res/version.h gives no version text or maker" >&2; exit 1; }
sha256=$(sha256sum "$setup" | cut -d' ' -f1 | tr a-f A-F)

# A YAML string in single quotes.
quote() { printf "'%s'" "${1//\'/\'\'}"; }

header() { # TYPE: the schema line every file starts with, and the package
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
# puts the install location last.
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
  ReturnResponse: fileInUse
AppsAndFeaturesEntries:
- DisplayName: Quillmere
  Publisher: $(quote "$company")
  DisplayVersion: $(quote "$version")
  ProductCode: Quillmere
Installers:
- Architecture: x86
  InstallerUrl: $(quote "${url%/}/setup.exe")
  InstallerSha256: $sha256
ManifestType: installer
ManifestVersion: $schema
EOF
} > "$folder/$id.installer.yaml"

{
    header defaultlocale
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
