"""What a package's Upgrade table means: which installed versions of the
package's UpgradeCode each row catches, and what the package then does with
them: removes them (the upgrade), or refuses to install (a launch condition
on the row's property). check-msi-tables.py applies the three rules at the
end with it.

Windows Installer's rules, as its documentation states them:
- Upgrade Table, https://learn.microsoft.com/en-us/windows/win32/msi/upgrade-table:
  a row catches the versions from VersionMin to VersionMax, each bound
  included only with its bit (VersionMinInclusive 256, VersionMaxInclusive
  512); a null bound is none. Windows Installer uses only the first three
  fields of a product version and ignores a fourth: 7.0.0.5 is caught
  wherever 7.0.0 is. Language lists LANGIDs separated by commas (null: every
  language); LanguagesExclusive (1024) catches every language but those. An
  OnlyDetect (2) row finds products without removing them; MigrateFeatures
  (1) carries a removed product's feature states over.
- MsiRecordSetString function,
  https://learn.microsoft.com/en-us/windows/win32/api/msiquery/nf-msiquery-msirecordsetstringw:
  an empty string is stored as null, so an empty bound is no bound.
- RemoveExistingProducts Action,
  https://learn.microsoft.com/en-us/windows/win32/msi/removeexistingproducts-action:
  it removes the products found for the rows; without it in
  InstallExecuteSequence a found product stays installed.
- LaunchCondition Table,
  https://learn.microsoft.com/en-us/windows/win32/msi/launchcondition-table:
  a condition that is false ends the installation with its Description.
- ICE61, https://learn.microsoft.com/en-us/windows/win32/msi/ice61: an
  ActionProperty is public, not set in the Property table, listed in
  SecureCustomProperties and used by one row only; VersionMin and VersionMax
  are valid product versions, VersionMax not below VersionMin; no row
  removes a newer version of the product. (One that removes the product's
  own version is ICE61's warning, kept by design: see check-msi-tables.py.)
- SecureCustomProperties Property,
  https://learn.microsoft.com/en-us/windows/win32/msi/securecustomproperties:
  only the public properties listed there (besides the restricted ones) are
  passed to the server side of an installation with elevated privileges.
  FindRelatedProducts runs once, in the user interface sequence when there
  is one (FindRelatedProducts Action,
  https://learn.microsoft.com/en-us/windows/win32/msi/findrelatedproducts-action),
  so a product it found under a property left out is not removed."""

MIGRATE_FEATURES, ONLY_DETECT = 1, 2
MIN_INCLUSIVE, MAX_INCLUSIVE, LANGUAGES_EXCLUSIVE = 256, 512, 1024
LIMITS = (255, 255, 65535, 65535)
HIGHEST = (255 * 256 + 255) * 65536 + 65535  # 255.255.65535

# What docs/msi-package.md ("Upgrades") and installer/build_msi.cmake promise
# of each build, for an installed version older than, of, or newer than the
# package's own (three fields), and the words of the refusal.
DEVELOPMENT_COMMENT = "Development build, not for distribution"
PROMISES = {
    "development": {"older": "removed", "this": "removed", "newer": "refused"},
    "release": {"older": "removed", "this": "refused", "newer": "refused"},
}
VERBS = {"removed": "remove", "refused": "refuse"}
REFUSALS = {
    "development": "A newer version of Tarnwell PDF Printer Software is already installed.",
    "release": "A newer version of Tarnwell PDF Printer Software, or another build of this "
               "version, is already installed.",
}


def number(version):
    """A product version's first three fields as one number that orders like
    them; None when it is no valid product version (major.minor.build, an
    optional fourth field)."""
    parts = version.split(".")
    if not (3 <= len(parts) <= 4 and all(p.isdigit() and int(p) <= limit
                                         for p, limit in zip(parts, LIMITS))):
        return None
    major, minor, build = (int(p) for p in parts[:3])
    return (major * 256 + minor) * 65536 + build


def text(value):
    return "%d.%d.%d" % (value >> 24, (value >> 16) & 255, value & 65535)


def probes(version):
    """Installed versions to ask the rows about, each with its place beside
    `version`: the lowest and highest there are, the nearest on either side,
    and the version itself, also with another fourth field. None when
    `version` is no valid product version."""
    own = number(version)
    if own is None:
        return None
    fields = version.split(".")
    fourth = (int(fields[3]) + 1 if len(fields) == 4 else 1) % 65536
    found = {"0.0.0": "older", text(own - 1): "older"} if own > 0 else {}
    found.update({text(own): "this", "%s.%d" % (text(own), fourth): "this"})
    if own < HIGHEST:
        found.update({text(own + 1): "newer", text(HIGHEST): "newer"})
    return found


class Row:
    """One Upgrade row: the versions (as numbers, lowest to highest) and the
    languages it catches, and what becomes of a product it finds."""

    def __init__(self, row, refused):
        self.code, self.property = row["UpgradeCode"], row["ActionProperty"]
        attributes = int(row["Attributes"])
        self.languages = {entry.strip() for entry in row["Language"].split(",") if entry.strip()}
        self.other_languages = bool(attributes & LANGUAGES_EXCLUSIVE)
        self.lowest = self.bound(row["VersionMin"], attributes & MIN_INCLUSIVE, 1, 0)
        self.highest = self.bound(row["VersionMax"], attributes & MAX_INCLUSIVE, -1, HIGHEST)
        if attributes & ONLY_DETECT:
            self.outcome = "refused" if self.property in refused else None
        else:
            self.outcome = "removed"
        self.migrates = bool(attributes & MIGRATE_FEATURES) and self.outcome == "removed"

    @staticmethod
    def bound(version, inclusive, step, absent):
        if not version:
            return absent
        value = number(version)
        return None if value is None else value if inclusive else value + step

    def catches(self, version, language):
        value = number(version)
        if None in (value, self.lowest, self.highest) or not self.lowest <= value <= self.highest:
            return False
        return not self.languages or (language in self.languages) != self.other_languages

    def words(self):
        if self.outcome is None:
            return "%s only finds it" % self.property
        return "%s %ss it%s" % (self.property, VERBS[self.outcome],
                                ", carrying its feature states over" if self.migrates else "")


def properties(package):
    return {row["Property"]: row["Value"] for row in package.rows("Property")}


def read(package):
    """The package's properties and its Upgrade rows. A row's found products
    are refused when a launch condition is just NOT its property."""
    refused = {condition["Condition"].split()[1]: condition["Description"]
               for condition in package.rows("LaunchCondition")
               if len(condition["Condition"].split()) == 2
               and condition["Condition"].split()[0] == "NOT"}
    return properties(package), [Row(row, refused) for row in package.rows("Upgrade")], refused


def ice61_upgrade_rows(package):
    faults, seen = [], set()
    values = properties(package)
    secure = set(values.get("SecureCustomProperties", "").split(";"))
    own = number(values.get("ProductVersion", ""))
    for row in package.rows("Upgrade"):
        name = row["ActionProperty"]
        if name in values:
            faults.append("the ActionProperty %s is set in the Property table" % name)
        if name != name.upper():
            faults.append("the ActionProperty %s is no public property (lower-case letters)" % name)
        if name not in secure:
            faults.append("the ActionProperty %s is not listed in SecureCustomProperties: an "
                          "elevated installation would not see what it found" % name)
        if name in seen:
            faults.append("the ActionProperty %s serves more than one row" % name)
        seen.add(name)
        bounds = {column: number(row[column])
                  for column in ("VersionMin", "VersionMax") if row[column]}
        for column, value in bounds.items():
            if value is None:
                faults.append("%s: the %s '%s' is no product version" % (name, column, row[column]))
        low, high = bounds.get("VersionMin", -1), bounds.get("VersionMax", HIGHEST)
        if None not in (low, high) and high < low:
            faults.append("%s: VersionMax %s is below VersionMin %s"
                          % (name, row["VersionMax"], row["VersionMin"]))
        caught = Row(row, set())
        if (own is not None and caught.outcome == "removed"
                and row["UpgradeCode"] == values.get("UpgradeCode")
                and None not in (caught.lowest, caught.highest)
                and caught.highest > own and caught.highest >= caught.lowest):
            faults.append("%s removes %s, a newer version than this package's %s"
                          % (name, text(caught.highest), values.get("ProductVersion")))
    return faults


def upgrade_rows_whole(package):
    """Every row names the package's own UpgradeCode; found products are
    removed only with RemoveExistingProducts in the sequence; and every
    installed version is removed or refused by exactly one row: none leaves
    two products side by side, two would remove what they refuse."""
    values, rows, _ = read(package)
    faults = ["%s names the UpgradeCode %s, not the package's own %s"
              % (row.property, row.code, values.get("UpgradeCode")) for row in rows
              if row.code != values.get("UpgradeCode")]
    steps = {row["Action"] for row in package.rows("InstallExecuteSequence") if row["Sequence"]}
    if any(row.outcome == "removed" for row in rows) and "RemoveExistingProducts" not in steps:
        faults.append("rows remove what they find, but InstallExecuteSequence has no "
                      "RemoveExistingProducts: the old version would stay installed")
    places = probes(values.get("ProductVersion", ""))
    if places is None:
        return faults + ["the ProductVersion is no product version to read the rows against"]
    language = values.get("ProductLanguage", "")
    for version in places:
        acting = [row for row in rows if row.code == values.get("UpgradeCode")
                  and row.outcome and row.catches(version, language)]
        if not acting:
            faults.append("%s is neither removed nor refused: it would stay installed beside "
                          "this package" % version)
        elif len(acting) > 1:
            faults.append("%s is caught by more than one row (%s)"
                          % (version, "; ".join(sorted(row.words() for row in acting))))
    return faults


def upgrade_as_the_build_promises(package):
    """A development build (ARPCOMMENTS says it) removes every version up to
    its own, a rebuild of its own included, and refuses newer ones; a release
    build removes older versions only and refuses the rest, its own version
    among them. Each build's refusal has its own words."""
    values, rows, refused = read(package)
    kind = "development" if values.get("ARPCOMMENTS") == DEVELOPMENT_COMMENT else "release"
    faults = []
    language = values.get("ProductLanguage", "")
    for version, place in (probes(values.get("ProductVersion", "")) or {}).items():
        done = {row.outcome for row in rows if row.code == values.get("UpgradeCode")
                and row.outcome and row.catches(version, language)}
        promised = PROMISES[kind][place]
        if done != {promised}:
            did = " and ".join(VERBS[outcome] for outcome in sorted(done))
            faults.append("a %s build must %s %s (%s version); its rows %s it" % (
                kind, VERBS[promised], version, place, did or "neither remove nor refuse"))
    for row in rows:
        if row.outcome == "refused" and refused[row.property] != REFUSALS[kind]:
            faults.append("a %s build's refusal (NOT %s) says '%s'"
                          % (kind, row.property, refused[row.property]))
    return faults
