"""The winget manifests of a release: the multi-file set (version, installer,
default locale) that the Windows Package Manager reads, written by
scripts/release.sh --winget-url beside the update directory.

    python3 scripts/winget_manifests.py check-url URL VERSION
    python3 scripts/winget_manifests.py write OUTDIR VERSION URL SHA256

check-url refuses an address that is not http(s) or whose path does not name
this version: winget checks the downloaded bytes against the manifest's hash,
so the address must serve this release's bytes for as long as the manifest
is published. The update directory's tarnquill.exe is replaced at every
release (a query string does not change what a static host serves).

The exit codes come from install/QuietInstall.h, so a code added there
without a response here fails the release rather than shipping unlisted."""

import os
import re
import sys
import urllib.parse

HERE = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
IDENTIFIER = "Veltrano.tarnquill"
MANIFEST_VERSION = "1.6.0"
LOCALE = "zh-CN"
# What the Apps & features entry shows (install/UninstallEntry.cpp).
ENTRY_NAME = "Veltrano"
ENTRY_PUBLISHER = "Veltrano"
SWITCHES = "/install /quiet"
# Each failure of the silent installation, as winget tells it to the user.
RESPONSES = {
    "kInstallFolderUnusable": "contactSupport",
    "kInstallWriteFailed": "diskFull",
    "kInstallUpdateBusy": "installInProgress",
    "kInstallNoImage": "contactSupport",
}


def fail(message):
    sys.exit("release: " + message)


def names_version(url, version):
    """The version as a whole dotted number in the address's path."""
    parts = urllib.parse.urlsplit(url)
    if parts.scheme.lower() not in ("http", "https") or not parts.netloc:
        return False
    return re.search(r"(?<![0-9.])" + re.escape(version) + r"(?![0-9]|\.[0-9])",
                     urllib.parse.unquote(parts.path)) is not None


def exit_codes():
    with open(os.path.join(HERE, "install", "QuietInstall.h"), encoding="utf-8") as f:
        codes = dict(re.findall(r"constexpr int (kInstall\w+) = (\d+);", f.read()))
    codes.pop("kInstallDone", None)
    unknown = sorted(set(codes) - set(RESPONSES))
    if not codes or unknown:
        fail("no winget response for the exit codes %s of install/QuietInstall.h" % ", ".join(unknown or ["(none)"]))
    return sorted((int(code), RESPONSES[name]) for name, code in codes.items())


def header(kind):
    return ("# yaml-language-server: $schema=https://aka.ms/winget-manifest.%s.%s.schema.json\n\n"
            "PackageIdentifier: %s\n" % (kind, MANIFEST_VERSION, IDENTIFIER))


def footer(kind):
    return "ManifestType: %s\nManifestVersion: %s\n" % (kind, MANIFEST_VERSION)


def write(out, version, url, sha256):
    if not names_version(url, version):
        fail("the winget address %s does not name version %s in its path" % (url, version))
    if not re.fullmatch(r"[0-9A-Fa-f]{64}", sha256):
        fail("no SHA-256 of the released executable")
    codes = exit_codes()
    files = {
        IDENTIFIER + ".yaml":
            header("version") + "PackageVersion: %s\nDefaultLocale: %s\n" % (version, LOCALE) + footer("version"),
        IDENTIFIER + ".locale.%s.yaml" % LOCALE:
            header("defaultLocale") +
            "PackageVersion: %s\nPackageLocale: %s\n" % (version, LOCALE) +
            "Publisher: %s\nPackageName: %s\n" % (ENTRY_PUBLISHER, ENTRY_NAME) +
            "License: Proprietary\n"
            "ShortDescription: Veltrano 文档转换服务的桌面客户端\n" + footer("defaultLocale"),
        IDENTIFIER + ".installer.yaml":
            header("installer") +
            "PackageVersion: %s\n" % version +
            "InstallerType: exe\nScope: machine\nElevationRequirement: elevationRequired\n"
            "InstallModes:\n- silent\n- silentWithProgress\n"
            "InstallerSwitches:\n  Silent: %s\n  SilentWithProgress: %s\n" % (SWITCHES, SWITCHES) +
            "UpgradeBehavior: install\n"
            "ExpectedReturnCodes:\n" +
            "".join("- InstallerReturnCode: %d\n  ReturnResponse: %s\n" % c for c in codes) +
            "AppsAndFeaturesEntries:\n- DisplayName: %s\n  Publisher: %s\n  DisplayVersion: %s\n"
            % (ENTRY_NAME, ENTRY_PUBLISHER, version) +
            "Installers:\n- Architecture: x86\n  InstallerUrl: '%s'\n  InstallerSha256: %s\n"
            % (url.replace("'", "''"), sha256.upper()) +
            footer("installer"),
    }
    os.makedirs(out, exist_ok=True)
    for name, text in files.items():
        with open(os.path.join(out, name), "w", encoding="utf-8", newline="\n") as f:
            f.write(text)


def main(argv):
    if len(argv) == 3 and argv[0] == "check-url":
        if not names_version(argv[1], argv[2]):
            fail("the winget address %s does not name version %s in its path: it must be this "
                 "release's own address (the update directory's tarnquill.exe changes at every release)"
                 % (argv[1], argv[2]))
        exit_codes()
        return
    if len(argv) == 5 and argv[0] == "write":
        write(*argv[1:])
        return
    sys.exit(__doc__)


if __name__ == "__main__":
    main(sys.argv[1:])
