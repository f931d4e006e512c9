#!/usr/bin/python3
# Drives a running Vantrel through the accessibility bus: selects a script in the list, runs it
# from the Tools menu after a syntax check, waits for the runner's history file, then views the
# log from the View menu.
# Usage: drive_editor.py <script name> <history file> <xdg-open record file>
#        drive_editor.py --press <push button name>  (presses it from a process of its own)
import os
import subprocess
import sys
import time

import pyatspi

DEADLINE = time.monotonic() + 60


def wait_for(what, probe, step=0.2):
    while time.monotonic() < DEADLINE:
        found = probe()
        if found:
            return found
        time.sleep(step)
    sys.exit("timed out waiting for " + what)


def find(node, pred):
    if node is None:
        return None
    try:
        if pred(node):
            return node
        for i in range(node.childCount):
            hit = find(node.getChildAtIndex(i), pred)
            if hit is not None:
                return hit
    except Exception:
        return None
    return None


def editor():
    desktop = pyatspi.Registry.getDesktop(0)
    for i in range(desktop.childCount):
        app = desktop.getChildAtIndex(i)
        if app is not None and app.name == "Vantrel":
            return app
    return None


def named(name, role=None):
    return lambda n: n.name == name and (role is None or n.getRole() == role)


def press(node):
    action = node.queryAction()
    for i in range(action.nActions):
        if action.getName(i).lower() in ("press", "click", "activate", "toggle"):
            action.doAction(i)
            return
    action.doAction(0)


if sys.argv[1] == "--press":
    app = wait_for("the editor on the bus", editor)
    press(wait_for(sys.argv[2], lambda: find(app, named(sys.argv[2], pyatspi.ROLE_PUSH_BUTTON))))
    sys.exit(0)

script, history, record = sys.argv[1:4]
app = wait_for("the editor on the bus", editor)
scripts = wait_for("the script list", lambda: find(app, named("Script files", pyatspi.ROLE_LIST)))
item = wait_for("the script in the list", lambda: find(scripts, named(script)))
press(item)  # the cell's Toggle selects it
status = wait_for("the script loaded", lambda: find(app, lambda n: n.getRole() == pyatspi.ROLE_STATUS_BAR
                                                   and script in (n.description or "")))

# The syntax check reports in a message box whose text the bus can read. The bus call that
# presses its button returns only once the box is closed, so another process presses it.
checking = subprocess.Popen([sys.executable, os.path.abspath(__file__), "--press", "Syntax check commands..."])
report = wait_for("the syntax check's report",
                  lambda: find(app, lambda n: n.getRole() == pyatspi.ROLE_LABEL
                               and (n.name or "").startswith("No errors found in script!")))
if "Command parameters are not validated." not in report.name:
    sys.exit("the syntax check said %r" % report.name)
box = report
while box is not None and box.getRole() not in (pyatspi.ROLE_DIALOG, pyatspi.ROLE_ALERT):
    box = box.parent
press(wait_for("the report's OK", lambda: find(box, named("OK", pyatspi.ROLE_PUSH_BUTTON))))
if checking.wait(timeout=30) != 0:
    sys.exit("pressing the syntax check failed")

run = wait_for("Tools > Perform", lambda: find(app, named("Perform the selected script...", pyatspi.ROLE_MENU_ITEM)))
press(run)

wait_for("the history file", lambda: os.path.exists(history), 0.5)

view = wait_for("View > View log", lambda: find(app, named("View log of current Script", pyatspi.ROLE_MENU_ITEM)))
press(view)
got = wait_for("xdg-open", lambda: os.path.exists(record) and open(record).read().strip())
if got != history:
    sys.exit("xdg-open got %r, expected %r" % (got, history))

exit_item = wait_for("File > Exit", lambda: find(app, named("Exit", pyatspi.ROLE_MENU_ITEM)))
press(exit_item)
print("driven: selected, checked, ran, viewed", got)
