#!/usr/bin/python3
"""Applies the rules of Windows Installer's package validation (the ICEs a
validator runs on this package's tables) to a package, through msitools'
`msiinfo`, since no validator runs on Linux.
    check-msi-tables.py PACKAGE            prints every fault; fails if any
    check-msi-tables.py --planted PACKAGE  also plants each rule's fault in a
                                           copy (msibuild) and fails unless
                                           that rule reports it
ICE61 (an Upgrade row that lets the same version in) stays a warning by
design: same-version upgrades replace a rebuilt package. The package's own
rules come last: the restart request is turned into MsiSetMode by an
immediate action after InstallFinalize, the printer properties are not
secure ones, and the Upgrade rows, asked about installed versions around the
package's own (msi_upgrade.py), name its UpgradeCode, remove or refuse each
version once, and do what a development or a release build promises."""
import os
import re
import shutil
import subprocess
import sys
import tempfile

sys.dont_write_bytecode = True  # no __pycache__ left beside the scripts
import msi_upgrade  # noqa: E402 (the folder of this script is on the path)

GUID = re.compile(r"^\{[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}\}$")
SHORT_NAME = re.compile(r'^[^\\?|><:/*"+,;=\[\] .]{1,8}(\.[^\\?|><:/*"+,;=\[\] .]{1,3})?$')
LONG_NAME_FORBIDDEN = re.compile(r'[\\?|><:/*"]')
# The profile folders. Validation counts what goes there as per-user data
# whatever ALLUSERS says (a package may be installed either way).
PROFILE_FOLDERS = {"ProgramMenuFolder", "StartMenuFolder", "DesktopFolder", "StartupFolder",
                   "TemplateFolder", "AdminToolsFolder", "AppDataFolder", "LocalAppDataFolder",
                   "FavoritesFolder", "PersonalFolder", "NetHoodFolder", "PrintHoodFolder",
                   "RecentFolder", "SendToFolder", "MyPicturesFolder"}
# Standard actions in the order ICE27 requires, where present.
STANDARD_ORDER = ["CostInitialize", "FileCost", "CostFinalize", "InstallValidate",
                  "InstallInitialize", "ProcessComponents", "UnpublishFeatures",
                  "RemoveRegistryValues", "RemoveShortcuts", "RemoveFiles", "InstallFiles",
                  "CreateShortcuts", "WriteRegistryValues", "RegisterUser", "RegisterProduct",
                  "PublishFeatures", "PublishProduct", "InstallFinalize"]
# Properties only a command line may set (ICE87).
COMMAND_LINE_ONLY = {"ACTION", "ADDLOCAL", "ADDSOURCE", "ADDDEFAULT", "ADVERTISE",
                     "COMPADDLOCAL", "COMPADDSOURCE", "COMPADDDEFAULT", "FILEADDLOCAL",
                     "FILEADDSOURCE", "FILEADDDEFAULT", "PATCH", "REINSTALL", "REMOVE"}
PRINTER_PROPERTIES = {"INSTALLPRINTER", "REMOVEPRINTER", "PRINTERTIMEOUT", "PRINTERUPDATE"}
IN_SCRIPT, NO_IMPERSONATE, ROLLBACK, COMMIT = 1024, 2048, 256, 512
REGISTRY_KEY_PATH = 4


class Package:
    def __init__(self, path):
        self.path = path
        self.tables = set(run("msiinfo", "tables", path).split())

    def rows(self, table):
        """The table's rows as dictionaries by column name; empty when absent."""
        if table not in self.tables:
            return []
        lines = run("msiinfo", "export", self.path, table).replace("\r", "").split("\n")
        columns = lines[0].split("\t")
        return [dict(zip(columns, line.split("\t"))) for line in lines[3:] if line]

    def summary(self):
        text = run("msiinfo", "suminfo", self.path)
        return dict(line.split(": ", 1) for line in text.splitlines() if ": " in line)


def run(*command):
    return subprocess.run(command, check=True, capture_output=True, text=True,
                          errors="replace").stdout


def names(value):
    """The names in a Filename value: "SHORT~1.EXT|Long name" or one name."""
    return value.split("|", 1) if "|" in value else [value]


def ice03_short_names(package):
    faults = []
    directories = {row["Directory"]: row for row in package.rows("Directory")}
    values = [("File", row["File"], row["FileName"], row["Component_"]) for row in package.rows("File")]
    values += [("Shortcut", row["Shortcut"], row["Name"], row["Directory_"])
               for row in package.rows("Shortcut")]
    for row in directories.values():
        if not row["Directory_Parent"]:
            continue  # the root's name is a source folder property
        for part in row["DefaultDir"].split(":"):
            if part != ".":
                values.append(("Directory", row["Directory"], part, row["Directory_Parent"]))
    short_names = {}
    for table, key, value, place in values:
        parts = names(value)
        if not SHORT_NAME.match(parts[0]):
            faults.append("%s %s: '%s' has no valid short (8.3) name" % (table, key, value))
        if len(parts) == 2 and (not parts[1] or LONG_NAME_FORBIDDEN.search(parts[1])):
            faults.append("%s %s: '%s' is no valid long name" % (table, key, parts[1]))
        other = short_names.setdefault((table, place, parts[0].upper()), key)
        if other != key:
            faults.append("%s %s and %s share the short name %s" % (table, other, key, parts[0]))
    return faults


def ice08_component_guids(package):
    faults, seen = [], {}
    for row in package.rows("Component"):
        guid = row["ComponentId"]
        if not GUID.match(guid):
            faults.append("Component %s: '%s' is no upper-case GUID in braces" % (row["Component"], guid))
        elif seen.setdefault(guid, row["Component"]) != row["Component"]:
            faults.append("Components %s and %s share the GUID %s" % (seen[guid], row["Component"], guid))
    return faults


def ice18_key_paths(package):
    faults = []
    files = {row["File"]: row["Component_"] for row in package.rows("File")}
    registry = {row["Registry"]: row["Component_"] for row in package.rows("Registry")}
    for row in package.rows("Component"):
        key, component = row["KeyPath"], row["Component"]
        if not key:
            continue
        owners = registry if int(row["Attributes"]) & REGISTRY_KEY_PATH else files
        if owners.get(key) != component:
            faults.append("Component %s: its key path %s is not one of its own %s" % (
                component, key, "registry values" if owners is registry else "files"))
    return faults


def ice21_features(package):
    featured = {row["Component_"] for row in package.rows("FeatureComponents")}
    return ["Component %s belongs to no feature" % row["Component"]
            for row in package.rows("Component") if row["Component"] not in featured]


def ice24_product_properties(package):
    faults = []
    properties = {row["Property"]: row["Value"] for row in package.rows("Property")}
    for name in ("ProductCode", "UpgradeCode"):
        if not GUID.match(properties.get(name, "")):
            faults.append("%s '%s' is no upper-case GUID in braces" % (name, properties.get(name)))
    version = properties.get("ProductVersion", "")
    parts = version.split(".")
    limits = (255, 255, 65535, 65535)
    if not (3 <= len(parts) <= 4 and all(p.isdigit() and int(p) <= limit
                                         for p, limit in zip(parts, limits))):
        faults.append("ProductVersion '%s' is not major.minor.build" % version)
    if not properties.get("ProductLanguage", "").isdigit():
        faults.append("ProductLanguage '%s' is no language number" % properties.get("ProductLanguage"))
    return faults


def folder_scope(package, directory):
    """'user' for files and shortcuts in a profile folder, else 'machine'."""
    parents = {row["Directory"]: row["Directory_Parent"] for row in package.rows("Directory")}
    while directory:
        if directory in PROFILE_FOLDERS:
            return "user"
        directory = parents.get(directory)
    return "machine"


def registry_scope(root):
    return {"1": "user", "-1": "either"}.get(root, "machine")


def ice38_43_57_shortcuts_and_scopes(package):
    faults = []
    features = {row["Feature"] for row in package.rows("Feature")}
    registry = {row["Registry"]: row for row in package.rows("Registry")}
    components = {row["Component"]: row for row in package.rows("Component")}
    scopes = {name: set() for name in components}
    for row in package.rows("File"):
        scopes[row["Component_"]].add(folder_scope(package, components[row["Component_"]]["Directory_"]))
    for row in registry.values():
        scopes[row["Component_"]].add(registry_scope(row["Root"]))
    for row in package.rows("Shortcut"):
        scopes[row["Component_"]].add(folder_scope(package, row["Directory_"]))
    user_profile = {name for name, row in components.items()
                    if folder_scope(package, row["Directory_"]) == "user"}
    shortcut_components = {row["Component_"] for row in package.rows("Shortcut")
                           if row["Target"] not in features}

    def registry_key_path(name):
        row = components[name]
        key = registry.get(row["KeyPath"]) if int(row["Attributes"]) & REGISTRY_KEY_PATH else None
        return key if key and key["Component_"] == name and key["Root"] in ("1", "-1") else None

    for name in sorted(user_profile):
        if not registry_key_path(name):
            faults.append("ICE38: Component %s installs to a user profile folder; its key path "
                          "must be its own registry value under HKCU" % name)
    for name in sorted(shortcut_components):
        if not registry_key_path(name):
            faults.append("ICE43: Component %s has non-advertised shortcuts; its key path must "
                          "be its own registry value under HKCU, not a file" % name)
    for name, found in sorted(scopes.items()):
        if "user" in found and "machine" in found:
            faults.append("ICE57: Component %s mixes per-user and per-machine data" % name)
        elif "either" in found and len(found) > 1:
            faults.append("ICE57: Component %s mixes data that may be per-user or per-machine "
                          "(HKMU) with data that is one of them" % name)
    return faults


def ice39_summary(package):
    faults = []
    summary = package.summary()
    properties = {row["Property"]: row["Value"] for row in package.rows("Property")}
    if not GUID.match(summary.get("Revision number (UUID)", "")):
        faults.append("the PackageCode '%s' is no upper-case GUID in braces"
                      % summary.get("Revision number (UUID)"))
    template = summary.get("Template", "")
    if template != "Intel;" + properties.get("ProductLanguage", ""):
        faults.append("the template '%s' is not Intel;<ProductLanguage>" % template)
    for field in ("Created", "Last saved"):
        if not summary.get(field):
            faults.append("the summary has no '%s' date" % field)
    return faults


def sequence(package):
    return {row["Action"]: int(row["Sequence"]) for row in package.rows("InstallExecuteSequence")
            if row["Sequence"]}


def ice12_directory_setters(package):
    faults = []
    steps = sequence(package)
    cost_finalize = steps.get("CostFinalize", 0)
    directories = {row["Directory"] for row in package.rows("Directory")}
    for row in package.rows("CustomAction"):
        base = int(row["Type"]) & 0x3F
        step = steps.get(row["Action"])
        if step is None:
            continue
        if base == 35 and step < cost_finalize:
            faults.append("%s sets a folder (type 35) before CostFinalize" % row["Action"])
        if base == 51 and row["Source"] in directories and step > cost_finalize:
            faults.append("%s sets the folder property %s after CostFinalize"
                          % (row["Action"], row["Source"]))
    return faults


def ice27_order(package):
    steps = sequence(package)
    present = [action for action in STANDARD_ORDER if action in steps]
    return ["%s (%d) must come before %s (%d)" % (a, steps[a], b, steps[b])
            for a, b in zip(present, present[1:]) if steps[a] >= steps[b]]


def ice60_versioned_files(package):
    """A versioned file has a language unless it is a font, and no hash: the
    hash is for unversioned files (a companion file's Version names a file)."""
    fonts = {row["File_"] for row in package.rows("Font")}
    versioned = {row["File"]: row for row in package.rows("File")
                 if row["Version"][:1].isdigit()}
    faults = ["the file %s is versioned (%s); it cannot be hashed (MsiFileHash)"
              % (row["File_"], versioned[row["File_"]]["Version"])
              for row in package.rows("MsiFileHash") if row["File_"] in versioned]
    faults += ["the file %s is versioned and not a font, but has no language" % name
               for name, row in sorted(versioned.items())
               if name not in fonts and not row["Language"]]
    return faults


def ice63_remove_existing_products(package):
    steps = sequence(package)
    if "RemoveExistingProducts" not in steps:
        return []
    at = steps["RemoveExistingProducts"]
    initialize, finalize = steps.get("InstallInitialize", 0), steps.get("InstallFinalize", 0)
    if at < initialize and at > steps.get("InstallValidate", 0) or at > finalize:
        return []
    if initialize < at < finalize:
        earlier = max(step for action, step in steps.items() if step < at)
        anchor = [action for action, step in steps.items() if step == earlier]
        if set(anchor) & {"InstallInitialize", "InstallExecute", "InstallExecuteAgain"}:
            return []
    return ["RemoveExistingProducts (%d) must follow InstallValidate, InstallInitialize, "
            "InstallExecute or InstallFinalize directly" % at]


def ice68_custom_action_types(package):
    faults = []
    for row in package.rows("CustomAction"):
        kind = int(row["Type"])
        if not kind & IN_SCRIPT and kind & NO_IMPERSONATE:
            faults.append("%s (type %d) is immediate but carries the no-impersonate bit (2048)"
                          % (row["Action"], kind))
        if kind & (ROLLBACK | COMMIT) and not kind & IN_SCRIPT:
            faults.append("%s (type %d) is a rollback or commit action outside the script"
                          % (row["Action"], kind))
    return faults


def ice69_component_references(package):
    faults = []
    files = {row["File"]: row["Component_"] for row in package.rows("File")}
    for row in package.rows("Shortcut"):
        for column in ("Target", "Arguments", "WkDir"):
            for kind, name in re.findall(r"\[([#!$])([^\]]+)\]", row.get(column, "")):
                owner = name if kind == "$" else files.get(name)
                if owner != row["Component_"]:
                    faults.append("Shortcut %s: its %s refers to [%s%s] of component %s, "
                                  "not its own %s" % (row["Shortcut"], column, kind, name, owner,
                                                      row["Component_"]))
    return faults


def ice77_script_actions(package):
    steps = sequence(package)
    types = {row["Action"]: int(row["Type"]) for row in package.rows("CustomAction")}
    low, high = steps.get("InstallInitialize", 0), steps.get("InstallFinalize", 0)
    return ["%s runs in the script but is sequenced at %d, outside InstallInitialize (%d) and "
            "InstallFinalize (%d)" % (action, step, low, high)
            for action, step in steps.items()
            if types.get(action, 0) & IN_SCRIPT and not low < step < high]


def ice82_sequence_numbers(package):
    seen, faults = {}, []
    for action, step in sorted(sequence(package).items()):
        if step in seen:
            faults.append("%s and %s share the sequence number %d" % (seen[step], action, step))
        seen[step] = action
    return faults


def ice87_command_line_properties(package):
    return ["the Property table sets %s, which only a command line may" % row["Property"]
            for row in package.rows("Property") if row["Property"] in COMMAND_LINE_ONLY]


def restart_after_install_finalize(package):
    steps = sequence(package)
    actions = [row for row in package.rows("CustomAction")
               if row["Target"] == "RestartIfRequested" and int(row["Type"]) & 0x3F == 1]
    finalize = steps.get("InstallFinalize", 0)
    if not any(steps.get(row["Action"], 0) > finalize and not int(row["Type"]) & IN_SCRIPT
               for row in actions):
        return ["no immediate RestartIfRequested action is sequenced after InstallFinalize: "
                "a restart the printer step needs would be lost"]
    return []


def printer_properties_not_secure(package):
    properties = {row["Property"]: row["Value"] for row in package.rows("Property")}
    listed = set(properties.get("SecureCustomProperties", "").split(";")) & PRINTER_PROPERTIES
    return ["SecureCustomProperties lists %s: a standard user's repair could steer the "
            "LocalSystem printer step" % name for name in sorted(listed)]


RULES = {
    "ICE03": ice03_short_names,
    "ICE08": ice08_component_guids,
    "ICE12": ice12_directory_setters,
    "ICE18": ice18_key_paths,
    "ICE21": ice21_features,
    "ICE24": ice24_product_properties,
    "ICE27": ice27_order,
    "ICE38/43/57": ice38_43_57_shortcuts_and_scopes,
    "ICE39": ice39_summary,
    "ICE60": ice60_versioned_files,
    "ICE61": msi_upgrade.ice61_upgrade_rows,
    "ICE63": ice63_remove_existing_products,
    "ICE68": ice68_custom_action_types,
    "ICE69": ice69_component_references,
    "ICE77": ice77_script_actions,
    "ICE82": ice82_sequence_numbers,
    "ICE87": ice87_command_line_properties,
    "restart": restart_after_install_finalize,
    "secure": printer_properties_not_secure,
    "upgrade": msi_upgrade.upgrade_rows_whole,
    "upgrade-build": msi_upgrade.upgrade_as_the_build_promises,
}

UPGRADE_CODE = "{8EC25168-BBE5-415A-AA82-DC032266B827}"


def upgrade_row(action_property, attributes, version_max="", version_min="", code=UPGRADE_CODE,
                language=""):
    """msibuild arguments that make an Upgrade row anew (Attributes, the
    versions and the language belong to the table's key, which an UPDATE
    cannot change)."""
    return ["-q", "DELETE FROM `Upgrade` WHERE `ActionProperty` = '%s'" % action_property,
            "-q", "INSERT INTO `Upgrade` (`UpgradeCode`, `VersionMin`, `VersionMax`, `Language`, "
                  "`Attributes`, `ActionProperty`) VALUES ('%s', '%s', '%s', '%s', %d, '%s')"
                  % (code, version_min, version_max, language, attributes, action_property)]


# The planted Upgrade faults say what they need of the rows and of the
# build's kind, so that they apply to a development and a release package
# alike: a development build's rows and mark, and a release build's.
DEVELOPMENT_ROWS = (upgrade_row("WIX_UPGRADE_DETECTED", 513, version_max="@VERSION@")
                    + upgrade_row("WIX_DOWNGRADE_DETECTED", 2, version_min="@VERSION@"))
RELEASE_ROWS = (upgrade_row("WIX_UPGRADE_DETECTED", 1, version_max="@VERSION@")
                + upgrade_row("WIX_DOWNGRADE_DETECTED", 258, version_min="@VERSION@"))
AS_RELEASE = ["-q", "DELETE FROM `Property` WHERE `Property` = 'ARPCOMMENTS'"]
AS_DEVELOPMENT = AS_RELEASE + ["-q", "INSERT INTO `Property` (`Property`, `Value`) "
                                     "VALUES ('ARPCOMMENTS', 'Development build, not for distribution')"]


# Planted faults, each for one rule: msibuild arguments applied to a copy,
# and the text the rule's report must hold. In both, @VERSION@ stands for the
# package's ProductVersion (three fields), @NEXT@ for the version after it.
PLANTED = [
    ("ICE03", ["-q", "UPDATE `File` SET `FileName` = 'Tarnwell PDF Printer Software.exe' "
                     "WHERE `File` = 'Program'"], "no valid short"),
    ("ICE08", ["-q", "UPDATE `Component` SET `ComponentId` = '{0389D0CA-968F-427A-9313-FD348D36ECDE}' "
                     "WHERE `Component` = 'Program'"], "share the GUID"),
    ("ICE12", ["-q", "UPDATE `CustomAction` SET `Source` = 'INSTALLDIR' "
                     "WHERE `Action` = 'SetInstallPrinterData'"], "folder property INSTALLDIR"),
    ("ICE18", ["-q", "UPDATE `Component` SET `KeyPath` = 'HandCursor' "
                     "WHERE `Component` = 'Program'"], "Component Program"),
    ("ICE21", ["-q", "DELETE FROM `FeatureComponents` WHERE `Component_` = 'StartMenuShortcut'"],
     "StartMenuShortcut belongs to no feature"),
    ("ICE24", ["-q", "UPDATE `Property` SET `Value` = '7.0' WHERE `Property` = 'ProductVersion'"],
     "ProductVersion"),
    ("ICE27", ["-q", "UPDATE `InstallExecuteSequence` SET `Sequence` = 6650 "
                     "WHERE `Action` = 'InstallFiles'"], "InstallFiles"),
    ("ICE38/43/57", ["-q", "UPDATE `Shortcut` SET `Component_` = 'Program' "
                           "WHERE `Shortcut` = 'StartMenuShortcut'"], "ICE43: Component Program"),
    ("ICE38/43/57", ["-q", "UPDATE `Component` SET `Attributes` = 0, `KeyPath` = '' "
                           "WHERE `Component` = 'StartMenuShortcut'"], "ICE38: Component StartMenuShortcut"),
    ("ICE38/43/57", ["-q", "INSERT INTO `Registry` (`Registry`, `Root`, `Key`, `Name`, `Value`, "
                           "`Component_`) VALUES ('PlantedUserValue', 1, 'Software\\Planted', "
                           "'Value', '1', 'Program')"], "ICE57: Component Program"),
    ("ICE38/43/57", ["-q", "UPDATE `Registry` SET `Root` = -1 "
                           "WHERE `Component_` = 'StartMenuShortcut'"], "ICE57: Component StartMenuShortcut"),
    ("ICE39", ["-s", "Tarnwell PDF Printer Software", "Quellmark", "Intel;1033",
               "{98128ec0-47e1-5795-ae0f-00515490aecf}"], "PackageCode"),
    ("ICE60", ["-q", "INSERT INTO `MsiFileHash` (`File_`, `Options`, `HashPart1`, `HashPart2`, "
                     "`HashPart3`, `HashPart4`) VALUES ('PackageSetup', 0, 1, 2, 3, 4)"],
     "PackageSetup is versioned"),
    ("ICE61", ["-q", "UPDATE `Property` SET `Value` = 'WIX_DOWNGRADE_DETECTED' "
                     "WHERE `Property` = 'SecureCustomProperties'"],
     "WIX_UPGRADE_DETECTED is not listed in SecureCustomProperties"),
    ("ICE61", upgrade_row("WIX_UPGRADE_DETECTED", 513, version_max="@NEXT@"),
     "removes @NEXT@, a newer version"),
    ("ICE63", ["-q", "UPDATE `InstallExecuteSequence` SET `Sequence` = 1550 "
                     "WHERE `Action` = 'RemoveExistingProducts'"], "RemoveExistingProducts"),
    ("ICE68", ["-q", "UPDATE `CustomAction` SET `Type` = 2099 "
                     "WHERE `Action` = 'DefaultInstallPrinter'"], "DefaultInstallPrinter (type 2099)"),
    ("ICE68", ["-q", "UPDATE `CustomAction` SET `Type` = 2113 WHERE `Action` = 'CheckPrinter'"],
     "CheckPrinter (type 2113)"),
    ("ICE69", ["-q", "UPDATE `Shortcut` SET `Target` = '[#Program]' "
                     "WHERE `Shortcut` = 'StartMenuShortcut'"], "[#Program]"),
    ("ICE77", ["-q", "UPDATE `InstallExecuteSequence` SET `Sequence` = 6700 "
                     "WHERE `Action` = 'InstallPrinter'"], "InstallPrinter runs in the script"),
    ("ICE82", ["-q", "UPDATE `InstallExecuteSequence` SET `Sequence` = 1460 "
                     "WHERE `Action` = 'CheckPrinter'"], "share the sequence number 1460"),
    ("ICE87", ["-q", "INSERT INTO `Property` (`Property`, `Value`) VALUES ('REMOVE', 'ALL')"],
     "sets REMOVE"),
    ("restart", ["-q", "UPDATE `InstallExecuteSequence` SET `Sequence` = 6590 "
                       "WHERE `Action` = 'RestartIfRequested'"], "RestartIfRequested"),
    ("secure", ["-q", "UPDATE `Property` SET `Value` = 'PRINTERTIMEOUT;WIX_UPGRADE_DETECTED' "
                      "WHERE `Property` = 'SecureCustomProperties'"], "lists PRINTERTIMEOUT"),
    ("upgrade", upgrade_row("WIX_UPGRADE_DETECTED", 513, version_max="@VERSION@",
                            code="{8EC25168-BBE5-415A-AA82-DC032266B828}"),
     "names the UpgradeCode {8EC25168-BBE5-415A-AA82-DC032266B828}"),
    ("upgrade", ["-q", "DELETE FROM `InstallExecuteSequence` "
                       "WHERE `Action` = 'RemoveExistingProducts'"],
     "no RemoveExistingProducts"),
    ("upgrade", upgrade_row("WIX_UPGRADE_DETECTED", 1, version_max="@VERSION@")
     + upgrade_row("WIX_DOWNGRADE_DETECTED", 2, version_min="@VERSION@"),
     "@VERSION@ is neither removed nor refused"),
    ("upgrade", upgrade_row("WIX_UPGRADE_DETECTED", 1537, version_max="@VERSION@", language="1033"),
     "0.0.0 is neither removed nor refused"),
    ("upgrade", upgrade_row("WIX_UPGRADE_DETECTED", 513, version_max="@VERSION@")
     + upgrade_row("WIX_DOWNGRADE_DETECTED", 258, version_min="@VERSION@"),
     "@VERSION@ is caught by more than one row (WIX_DOWNGRADE_DETECTED refuses it; "
     "WIX_UPGRADE_DETECTED removes it"),
    ("upgrade-build", AS_RELEASE + DEVELOPMENT_ROWS,
     "a release build must refuse @VERSION@ (this version); its rows remove it"),
    ("upgrade-build", AS_DEVELOPMENT + RELEASE_ROWS,
     "a development build must remove @VERSION@ (this version); its rows refuse it"),
    ("upgrade-build", AS_DEVELOPMENT + ["-q", "UPDATE `LaunchCondition` SET `Description` = 'A newer "
                                              "version of Tarnwell PDF Printer Software, or another "
                                              "build of this version, is already installed.' "
                                              "WHERE `Condition` = 'NOT WIX_DOWNGRADE_DETECTED'"],
     "refusal (NOT WIX_DOWNGRADE_DETECTED) says 'A newer version of Tarnwell PDF Printer "
     "Software, or another build"),
]


def check(path):
    package = Package(path)
    return [(rule, fault) for rule, function in RULES.items() for fault in function(package)]


def placeholders(path):
    """A function that puts the package's version in for @VERSION@ and the
    version after it for @NEXT@."""
    version = {row["Property"]: row["Value"] for row in Package(path).rows("Property")}.get(
        "ProductVersion", "").split(".")
    if not (len(version) >= 3 and all(field.isdigit() for field in version[:3])):
        sys.exit("FAILED: no faults can be planted around the ProductVersion '%s'" % ".".join(version))
    major, minor, build = (int(field) for field in version[:3])
    values = {"@VERSION@": "%d.%d.%d" % (major, minor, build),
              "@NEXT@": "%d.%d.%d" % (major, minor, build + 1)}

    def fill(words):
        for name, value in values.items():
            words = words.replace(name, value)
        return words
    return fill


def main():
    planted = sys.argv[1:2] == ["--planted"]
    if len(sys.argv) != 2 + planted:
        sys.exit("usage: check-msi-tables.py [--planted] PACKAGE")
    path = sys.argv[-1]
    faults = check(path)
    for rule, fault in faults:
        print("FAILED: %s: %s" % (rule, fault))
    missed = 0
    if planted:
        fill = placeholders(path)
        work = tempfile.mkdtemp()
        try:
            for rule, arguments, expected in PLANTED:
                arguments, expected = [fill(argument) for argument in arguments], fill(expected)
                copy = os.path.join(work, "planted.msi")
                shutil.copyfile(path, copy)
                run("msibuild", copy, *arguments)
                found = [fault for name, fault in check(copy) if name == rule and expected in fault]
                if found:
                    print("planted %s fault reported: %s" % (rule, found[0]))
                else:
                    print("FAILED: a planted %s fault (%s) was not reported" % (rule, " ".join(arguments)))
                    missed += 1
        finally:
            shutil.rmtree(work)
    if not faults:
        print("%s: the tables pass %d rules (%s)" % (os.path.basename(path), len(RULES),
                                                     ", ".join(RULES)))
    return 1 if faults or missed else 0


if __name__ == "__main__":
    sys.exit(main())
