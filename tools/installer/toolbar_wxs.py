#!/usr/bin/env python3
"""Writes the WiX source of a configured toolbar's Windows Installer package,
for wixl (msitools), which knows a part of WiX 3 only.

  toolbar_wxs.py --name NAME --file STEM --company TEXT [--version N]
                 --config INI --dll64 DLL --dll32 DLL --icon ICO
                 [--banner BMP] [--notice TXT] [--animation GIF --animation-name NAME]
                 --output FILE.wxs --queries FILE.sql
  toolbar_wxs.py --upgrade-code NAME    prints the upgrade code of NAME's packages
  toolbar_wxs.py --product-version N    prints the package version of "Config Version" N

It installs what the NSIS installer installs, where that puts it: both DLLs,
the configuration, banner, notice, animated banner and icon in Program Files\\NAME, the three
values the band reads in both registry views, then the registration of each
DLL by its own regsvr32. Called by make_installer.sh --msi.
"""
import argparse
import os
import sys
import uuid
from xml.sax.saxutils import quoteattr

BAND_ID = "{239C3CF1-51CD-435E-8519-61775A6780CF}"
BAND_KEY = "SOFTWARE\\Microsoft\\Internet Explorer\\Explorer Bars\\" + BAND_ID
TOOLBAR_LIST_KEY = "SOFTWARE\\Microsoft\\Internet Explorer\\Toolbar"
BARS_KEY = "SOFTWARE\\Microsoft\\Internet Explorer\\Explorer Bars"

# The upgrade code of a toolbar is a name-based UUID of its name in this
# namespace: every package of one toolbar shares it, whoever builds it, and
# two toolbars never do. Changing it would orphan every installed toolbar.
UPGRADE_NAMESPACE = uuid.UUID("3110a289-c17f-4cce-a602-c1157a28f9ef")

# The band's registration (its values, the class, the browser's lists) is one
# per machine, whichever toolbar holds it: every package puts it into these
# components, so that Windows Installer counts the packages that hold it and
# removes it with the last one only. Removing one toolbar's package then
# leaves another toolbar's registration in place. Changing them would make
# every installed package the only holder of its own copy again.
REGISTRATION_COMPONENTS = {64: "{6D1B4C0E-3F7A-4E55-9C2B-8A40F1D7E611}",
                           32: "{6D1B4C0E-3F7A-4E55-9C2B-8A40F1D7E632}"}


def upgrade_code(name):
    return "{" + str(uuid.uuid5(UPGRADE_NAMESPACE, name)).upper() + "}"


def product_version(config_version):
    """Windows Installer compares major (0-255), minor (0-255) and build
    (0-65535) only: "Config Version" N up to 2^32 - 1 is spread over the three
    so that a greater N is always a greater version. Without one: 0.0.0."""
    n = int(config_version) if config_version else 0
    if not 0 <= n < 1 << 32:
        raise ValueError(f"Config Version {n} is above {(1 << 32) - 1}")
    return f"{n >> 24}.{(n >> 16) & 0xFF}.{n & 0xFFFF}"


def formatted(text):
    """Text as itself in a column of the Formatted type, where brackets and
    braces have meanings of their own."""
    return "".join(f"[\\{c}]" if c in "[]{}" else c for c in text)


def attr(text):
    return quoteattr(text)


def wxs(a):
    # wixl (0.101) stores text beyond ASCII in the package's tables as empty
    # text: such a package would install a toolbar without a name.
    for what, text in [("name", a.name), ("file name", a.file), ("company", a.company)]:
        if not text.isascii():
            raise ValueError(f"the toolbar's {what} \"{text}\" has letters beyond ASCII, which wixl "
                             "cannot put into a package; ./run installer can install it")
    version = product_version(a.version)
    next_version = product_version(int(a.version or 0) + 1)
    name = formatted(a.name)
    # The band reads the directory without a trailing backslash, which no
    # directory property of Windows Installer gives; the directory is fixed
    # below Program Files for that reason. Its name comes from a property,
    # whose value is taken as it is. (wixl 0.101 crashed on the name written
    # out after the reference when it had letters beyond ASCII.)
    install_path = "[ProgramFiles64Folder][ToolbarFolderName]"
    files = [("Config", a.file + ".ini", a.config)]
    if a.banner:
        files.append(("Banner", a.file + ".bmp", a.banner))
    if a.notice:
        files.append(("Notice", "Copyrights.txt", a.notice))
    if a.animation:
        # Under the name the configuration gives it, which the band looks for.
        if not a.animation_name.isascii():
            raise ValueError(f"the animated banner's name \"{a.animation_name}\" has letters beyond "
                             "ASCII, which wixl cannot put into a package; ./run installer can "
                             "install it")
        files.append(("Animation", a.animation_name, a.animation))
    files.append(("Icon", "Pelliquester.ico", a.icon))
    # What the list of installed programs shows as the size, in kilobytes.
    size_kb = (sum(os.path.getsize(f) for f in [a.dll64, a.dll32] + [s for _, _, s in files])
               + 1023) // 1024

    def registry(view):
        # The installation's values first: registration takes the toolbar's
        # name from them. The values registration writes itself are listed
        # too (the same data), and its class key with "-" (removed with the
        # last package that holds them), so that uninstalling takes them away without calling
        # DllUnregisterServer, which would take the user's values in the
        # band's key with it.
        rows = [
            ("HKLM", BAND_KEY, "InstallPath", install_path),
            ("HKLM", BAND_KEY, "Toolbar Name", name),
            ("HKLM", BAND_KEY, "Toolbar File", formatted(a.file)),
            ("HKLM", TOOLBAR_LIST_KEY, BAND_ID, name),
            ("HKLM", BARS_KEY, BAND_ID, ""),
            ("HKCR", "CLSID\\" + BAND_ID, "-", ""),
            ("HKLM", BAND_KEY + "\\MRUKeywords", "-", ""),
        ]
        return "\n".join(
            f'          <RegistryValue Id="Reg{view}_{i}" Root="{root}" Key={attr(key)} '
            f'Name={attr(formatted(value_name) if value_name != "-" else "-")} '
            f'Type="string" Value={attr(value)} KeyPath="{"yes" if i == 0 else "no"}"/>'
            for i, (root, key, value_name, value) in enumerate(rows))

    file_components = "\n".join(
        f'        <Component Id="{cid}" Guid="*" Win64="yes">\n'
        f'          <File Id="{cid}File" Name={attr(target)} Source={attr(source)} KeyPath="yes"/>\n'
        f'        </Component>'
        for cid, target, source in files)

    return f"""<?xml version="1.0" encoding="utf-8"?>
<Wix xmlns="http://schemas.microsoft.com/wix/2006/wi">
  <Product Id="*" Name={attr(a.name)} Language="1033" Version="{version}"
           Manufacturer={attr(a.company)} UpgradeCode="{upgrade_code(a.name)}">
    <Package InstallerVersion="500" Compressed="yes" InstallScope="perMachine"
             Manufacturer={attr(a.company)} Description={attr(a.name + " toolbar for Internet Explorer")}/>
    <Media Id="1" Cabinet="toolbar.cab" EmbedCab="yes"/>

    <Condition Message="A newer version of this toolbar is installed.">NOT NEWER_FOUND</Condition>
    <!-- Any older package of this toolbar, or one of the same version, is
         removed first; a newer one stays and this one refuses. -->
    <Upgrade Id="{upgrade_code(a.name)}">
      <UpgradeVersion Minimum="0.0.0" IncludeMinimum="yes" Maximum="{next_version}" Property="OLDER_FOUND"/>
      <UpgradeVersion Minimum="{next_version}" IncludeMinimum="yes" OnlyDetect="yes" Property="NEWER_FOUND"/>
    </Upgrade>

    <Icon Id="ToolbarIcon" SourceFile={attr(a.icon)}/>
    <Property Id="ARPPRODUCTICON" Value="ToolbarIcon"/>
    <Property Id="ToolbarFolderName" Value={attr(a.name)}/>
    <Property Id="ARPNOMODIFY" Value="1"/>
    <Property Id="ARPNOREPAIR" Value="1"/>
    <Property Id="ARPCONTACT" Value={attr(a.company)}/>
    <Property Id="ARPSIZE" Value="{size_kb}"/>

    <Directory Id="TARGETDIR" Name="SourceDir">
      <Directory Id="ProgramFiles64Folder">
        <Directory Id="ToolbarDirectory" Name={attr(a.name)}>
        <Component Id="Band64" Guid="*" Win64="yes">
          <File Id="Dll64" Name="Pelliquester.dll" Source={attr(a.dll64)} KeyPath="yes"/>
        </Component>
        <Component Id="Band32" Guid="*">
          <File Id="Dll32" Name="Pelliquester32.dll" Source={attr(a.dll32)} KeyPath="yes"/>
        </Component>
        <Component Id="Registration64" Guid="{REGISTRATION_COMPONENTS[64]}" Win64="yes">
{registry(64)}
        </Component>
        <Component Id="Registration32" Guid="{REGISTRATION_COMPONENTS[32]}">
{registry(32)}
        </Component>
{file_components}
        </Directory>
      </Directory>
    </Directory>

    <Feature Id="Toolbar" Level="1">
      <ComponentRef Id="Band64"/>
      <ComponentRef Id="Band32"/>
      <ComponentRef Id="Registration64"/>
      <ComponentRef Id="Registration32"/>
{chr(10).join(f'      <ComponentRef Id="{cid}"/>' for cid, _, _ in files)}
    </Feature>

    <!-- Registration by each DLL's own DllRegisterServer, through the
         regsvr32 of its architecture, once the files and values are in
         place. -->
    <CustomAction Id="SetInstallLocation" Property="ARPINSTALLLOCATION" Value="[ToolbarDirectory]"/>
    <CustomAction Id="FindRegsvr64" Property="Regsvr64" Value="[System64Folder]regsvr32.exe"/>
    <CustomAction Id="FindRegsvr32" Property="Regsvr32" Value="[SystemFolder]regsvr32.exe"/>
    <CustomAction Id="Register64" Property="Regsvr64" ExeCommand='/s "[ToolbarDirectory]Pelliquester.dll"'
                  Execute="deferred" Impersonate="no" Return="check"/>
    <CustomAction Id="Register32" Property="Regsvr32" ExeCommand='/s "[ToolbarDirectory]Pelliquester32.dll"'
                  Execute="deferred" Impersonate="no" Return="check"/>
    <!-- wixl places an action given only "After" at the end: the numbers
         are given. An older package goes before anything is installed
         (InstallValidate is 1400), so that its removal cannot take away
         what this one writes; registration follows WriteRegistryValues
         (5000) and goes before RegisterUser (6000). -->
    <InstallExecuteSequence>
      <RemoveExistingProducts Sequence="1410"/>
      <Custom Action="SetInstallLocation" Sequence="1005">NOT REMOVE</Custom>
      <Custom Action="FindRegsvr64" Sequence="1010">NOT REMOVE</Custom>
      <Custom Action="FindRegsvr32" Sequence="1020">NOT REMOVE</Custom>
      <Custom Action="Register64" Sequence="5010">NOT REMOVE</Custom>
      <Custom Action="Register32" Sequence="5020">NOT REMOVE</Custom>
    </InstallExecuteSequence>
  </Product>
</Wix>
"""


def leftover_queries(a):
    """What updates of the configuration leave beside it goes with the
    package, as the NSIS uninstaller deletes it too. wixl has no RemoveFile:
    the rows are added to its package afterwards by msibuild, one SQL query
    each."""
    # wixl makes the table, empty.
    queries = []
    for i, suffix in enumerate([" Default.ini", " Internet.ini", " Update.ini"]):
        file_name = (a.file + suffix).replace("'", "''")
        # InstallMode 2: when the component is removed.
        queries.append("INSERT INTO `RemoveFile` (`FileKey`, `Component_`, `FileName`, "
                       f"`DirProperty`, `InstallMode`) VALUES ('Leftover{i}', 'Band64', "
                       f"'{file_name}', 'ToolbarDirectory', 2)")
    return queries


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--upgrade-code")
    parser.add_argument("--product-version")
    for option in ["name", "file", "company", "version", "config", "dll64", "dll32", "icon",
                   "banner", "notice", "animation", "animation-name", "output", "queries"]:
        parser.add_argument("--" + option)
    a = parser.parse_args()
    if a.upgrade_code is not None:
        print(upgrade_code(a.upgrade_code))
        return 0
    if a.product_version is not None:
        print(product_version(a.product_version))
        return 0
    missing = [o for o in ["name", "file", "company", "config", "dll64", "dll32", "icon", "output",
                           "queries"]
               if not getattr(a, o)]
    if missing:
        parser.error("missing --" + ", --".join(missing))
    try:
        text = wxs(a)
    except ValueError as error:
        print(f"installer: {error}", file=sys.stderr)
        return 1
    with open(a.output, "w", encoding="utf-8") as out:
        out.write(text)
    with open(a.queries, "w", encoding="utf-8") as out:
        out.write("".join(q + "\n" for q in leftover_queries(a)))
    return 0


if __name__ == "__main__":
    sys.exit(main())
