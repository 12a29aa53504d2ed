#!/usr/bin/env python3
"""Checks the recipe cards of docs/ against the deployment tools' rules.

A card is the table after a line "<!-- card: NAME tool=TOOL -->" in a page
of docs/: its first column names the field the tool asks for, every other
column one app. The scripts a card names by a link to deploy-scripts.md are
the fenced blocks after "<!-- script: NAME -->". The rules are the
paragraphs of docs/deployment-tool-rules.txt; each is applied, with the
values written there, to every card of the tools it names. Fails on a card
that breaks a rule, on a rule of the file this check does not apply, and on
a rule it applies that the file lacks (so neither can drift from the other).

  check-deployment-cards.py [--root DIR]
  check-deployment-cards.py [--root DIR] --command CARD APP FIELD
      prints the command in that cell (the first `…` in it), as a person
      copies it into the tool; APP is the app's column, counted from 1.
"""
import math
import pathlib
import re
import sys

# The fields that play a part in several rules, by tool.
FIELDS = {
    "intune": {"install": "Install command", "detection": "Detection rules",
               "requirements": "Additional requirement rules", "assignment": "Assignments",
               "return": "Return codes"},
    "configmgr": {"install": "Installation program", "detection": "Detection method",
                  "requirements": "Requirements", "assignment": "Deployment",
                  "return": "Return codes"},
}
SCRIPT_LINK = re.compile(r"\[([a-z0-9-]+)\]\(deploy-scripts\.md")


def choices(value):
    return [part.strip() for part in value.split("|") if part.strip()]


def read_rules(path):
    rules = []
    for paragraph in re.split(r"\n\s*\n", path.read_text(encoding="utf-8")):
        rule = {}
        for line in paragraph.splitlines():
            if line.startswith("#") or not line.strip():
                continue
            key, _, value = line.partition(":")
            rule[key.strip()] = value.strip()
        if rule:
            rules.append(rule)
    return rules


def read_docs(docs):
    cards, scripts = [], {}
    for page in sorted(docs.glob("*.md")):
        lines = page.read_text(encoding="utf-8").splitlines()
        for i, line in enumerate(lines):
            found = re.fullmatch(r"<!-- card: (\S+) tool=(\S+) -->", line.strip())
            if found:
                rows = []
                for row in lines[i + 1:]:
                    if not row.startswith("|"):
                        break
                    rows.append([cell.strip() for cell in row.strip().strip("|").split("|")])
                header, body = (rows[0], rows[2:]) if len(rows) > 2 else ([], [])
                cards.append({"name": found.group(1), "tool": found.group(2), "page": page.name,
                              "apps": header[1:], "fields": {r[0]: r[1:] for r in body}})
            found = re.fullmatch(r"<!-- script: (\S+) -->", line.strip())
            if found:
                body, inside = [], False
                for row in lines[i + 1:]:
                    if row.startswith("```"):
                        if inside:
                            break
                        inside = True
                    elif inside:
                        body.append(row)
                scripts[found.group(1)] = "\n".join(body)
    return cards, scripts


class Check:
    def __init__(self, cards, scripts):
        self.cards, self.scripts, self.faults = cards, scripts, []

    def fault(self, card, app, rule, text):
        where = card["name"] + (f", {card['apps'][app]}" if app is not None and app < len(card["apps"]) else "")
        self.faults.append(f"{card['page']}: card {where}: {rule}: {text}")

    def cell(self, card, field, app):
        values = card["fields"].get(field, [])
        return values[app] if app < len(values) else ""

    def named_scripts(self, card, text, rule):
        names = SCRIPT_LINK.findall(text)
        for name in names:
            if name not in self.scripts:
                self.fault(card, None, rule, f"names the script {name}, which no page holds")
        return [(name, self.scripts[name]) for name in names if name in self.scripts]

    # The rules, by name.
    def rule_fields(self, rule, card, app):
        for field in choices(rule.get(card["tool"], "")):
            if self.cell(card, field, app).strip("`—- ") == "":
                self.fault(card, app, "fields", f'"{field}" is missing or empty')

    def rule_no_variable(self, rule, card, app):
        for field in choices(rule["commands"]):
            for command in re.findall(r"`([^`]*)`", self.cell(card, field, app)):
                if "%" in command:
                    self.fault(card, app, "no-variable", f'"{field}" holds a variable: {command}')

    def all_scripts(self, card, app, rule):
        text = " ".join(values[app] for values in card["fields"].values() if app < len(values))
        return self.named_scripts(card, text, rule)

    def rule_script_output(self, rule, card, app):
        for name, text in self.all_scripts(card, app, "script-output"):
            if "Write-Output" not in text:
                self.fault(card, app, "script-output", f"the script {name} writes nothing to standard output")
            for word in choices(rule["forbidden"]):
                if word in text:
                    self.fault(card, app, "script-output", f"the script {name} holds {word}")
            if re.search(r"\bexit\s+[1-9]", text):
                self.fault(card, app, "script-output", f"the script {name} ends with a non-zero exit code")

    def rule_script_64_bit(self, rule, card, app):
        for field, values in card["fields"].items():
            text = values[app] if app < len(values) else ""
            if SCRIPT_LINK.search(text) and not any(p in text for p in choices(rule["says-64-bit"])):
                self.fault(card, app, "script-64-bit", f'"{field}" names a script but not that it runs as a 64-bit process')

    def rule_registry_view(self, rule, card, app):
        for name, text in self.all_scripts(card, app, "registry-view"):
            for path in choices(rule["redirected"]):
                if path in text and rule["opens-32-bit"] not in text:
                    self.fault(card, app, "registry-view", f"the script {name} reads {path} without opening the 32-bit view")
                if f"HKLM:\\{path}" in text:
                    self.fault(card, app, "registry-view", f"the script {name} reads {path} through HKLM:, the process's own view")
            for line in text.splitlines():
                if "Policies" in line and "WOW6432Node" in line:
                    self.fault(card, app, "registry-view", f"the script {name} reads the shared Policies key through WOW6432Node")

    def rule_required_assignment(self, rule, card, app):
        for field in choices(rule["fields"]):
            if field in card["fields"] and "Required" not in self.cell(card, field, app):
                self.fault(card, app, "required-assignment", f'"{field}" is not Required')

    def rule_retry_code(self, rule, card, app):
        if rule[card["tool"]] not in self.cell(card, FIELDS[card["tool"]]["return"], app):
            self.fault(card, app, "retry-code", f'the return codes lack "{rule[card["tool"]]}"')

    def rule_success_codes(self, rule, card, app):
        for code in choices(rule[card["tool"]]):
            if code not in self.cell(card, FIELDS[card["tool"]]["return"], app):
                self.fault(card, app, "success-codes", f'the return codes lack "{code}"')

    def rule_install_time(self, rule, card, app):
        field, _default, largest = choices(rule[card["tool"]])
        install = self.cell(card, FIELDS[card["tool"]]["install"], app)
        limit = re.search(r"(?:/timeout |PRINTERTIMEOUT=)(\d+)", install)
        seconds = 2 * (int(limit.group(1) if limit else rule["default-limit"]) + 120)
        minutes = re.match(r"\s*(\d+)", self.cell(card, field, app))
        if not minutes:
            self.fault(card, app, "install-time", f'"{field}" gives no number of minutes')
        elif int(minutes.group(1)) * 60 <= seconds or int(minutes.group(1)) > int(largest):
            self.fault(card, app, "install-time",
                       f'"{field}" is {minutes.group(1)}: it must exceed {math.ceil(seconds / 60)} '
                       f"(2 × (the time limit + 120 s)) and be at most {largest}")

    def rule_dependency_supersedence(self, rule, card, app):
        depends = self.cell(card, "Dependencies", app)
        if depends.startswith("None"):
            return
        named = [other for other, name in enumerate(card["apps"]) if other != app and name in depends]
        if not named:
            self.fault(card, app, "dependency-supersedence", "depends on an app that is not on the card")
        for other in named:
            if not self.cell(card, "Supersedence", other).startswith("None"):
                self.fault(card, app, "dependency-supersedence",
                           f"depends on {card['apps'][other]}, which newer apps supersede: a conflict")

    def rule_supersedence_detection(self, rule, card, app):
        if not any(p in self.cell(card, "Supersedence", app) for p in choices(rule["by-update"])):
            return
        # A script's text decides where the detection is a script; else the rule's own words.
        detection = self.cell(card, FIELDS[card["tool"]]["detection"], app)
        named = self.named_scripts(card, detection, "supersedence-detection")
        text = " ".join(t for _, t in named) if named else detection
        if not any(token in text for token in choices(rule["per-release"])):
            self.fault(card, app, "supersedence-detection",
                       "supersedes by update, but its detection is the same in every release: the new app is never installed")

    def rule_printer_requirements(self, rule, card, app):
        if rule["installs-printer"] not in self.cell(card, FIELDS[card["tool"]]["install"], app):
            return
        requirements = self.cell(card, FIELDS[card["tool"]]["requirements"], app)
        scripts = dict(self.named_scripts(card, requirements, "printer-requirements"))
        if rule["script"] not in scripts:
            self.fault(card, app, "printer-requirements", f"installs the printer without the requirement script {rule['script']}")
            return
        for word in choices(rule["asks"]):
            if word not in scripts[rule["script"]]:
                self.fault(card, app, "printer-requirements", f"the script {rule['script']} does not ask {word}")

    def rule_install_folder(self, rule, card, app):
        for name, text in self.all_scripts(card, app, "install-folder"):
            if rule["runs-program"] not in text:
                continue
            if rule["reads"] not in text:
                self.fault(card, app, "install-folder", f"the script {name} looks for the program without reading {rule['reads']}")
            for word in choices(rule["forbidden"]):
                if word in text:
                    self.fault(card, app, "install-folder", f"the script {name} names {word}")

    def rule_gpo_restart(self, rule, card, app):
        if app != 0:
            return
        if rule["deployment-type"] not in self.cell(card, "Deployment type", app):
            self.fault(card, app, "gpo-restart", f'the package is not {rule["deployment-type"]}')
        if rule["when"] not in self.cell(card, "When it runs", app):
            self.fault(card, app, "gpo-restart", f'"When it runs" does not say {rule["when"]}')
        if rule["modifications"] not in self.cell(card, "Modifications", app):
            self.fault(card, app, "gpo-restart", f'the transform lacks {rule["modifications"]}')


def main(argv):
    root = pathlib.Path(__file__).resolve().parent.parent
    if len(argv) > 1 and argv[0] == "--root":
        root, argv = pathlib.Path(argv[1]), argv[2:]
    cards, scripts = read_docs(root / "docs")
    if argv and argv[0] == "--command" and len(argv) == 4:
        for card in cards:
            if card["name"] == argv[1]:
                commands = re.findall(r"`([^`]*)`", Check(cards, scripts).cell(card, argv[3], int(argv[2]) - 1))
                if commands:
                    print(commands[0])
                    return 0
        print(f"no command in card {argv[1]}, app {argv[2]}, field {argv[3]}", file=sys.stderr)
        return 1
    if argv:
        print(__doc__, file=sys.stderr)
        return 2
    rules = read_rules(root / "docs" / "deployment-tool-rules.txt")
    check = Check(cards, scripts)
    applied = {name[len("rule_"):].replace("_", "-") for name in dir(Check) if name.startswith("rule_")}
    written = {rule.get("rule", "") for rule in rules}
    for name in sorted(applied - written):
        check.faults.append(f"deployment-tool-rules.txt: no rule {name}, which this check applies")
    for name in sorted(written - applied):
        check.faults.append(f"deployment-tool-rules.txt: rule {name} is not applied by this check")
    if not cards:
        check.faults.append("no card in docs/")
    for rule in rules:
        if not rule.get("source", "").startswith("https://"):
            check.faults.append(f"deployment-tool-rules.txt: rule {rule.get('rule')} names no source")
        apply = getattr(check, "rule_" + rule.get("rule", "").replace("-", "_"), None)
        for card in cards:
            if apply and card["tool"] in rule.get("tools", "").split():
                for app in range(len(card["apps"])):
                    apply(rule, card, app)
    for fault in check.faults:
        print("FAILED: " + fault)
    if check.faults:
        return 1
    print(f"deployment cards: {len(cards)} cards keep the {len(rules)} rules of deployment-tool-rules.txt")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
