#!/usr/bin/python3
# Drives a running Vantrel through the accessibility bus along the road a person takes: the main
# window, a new script from the wizard (a GET from a loopback FTP server started here), the
# syntax check, Save As under a name with a blank, a run in the runner, its log, a print to a PDF
# file, a Send-To item made and removed, a stand-alone program made and run, the about box, a help
# viewer that cannot start, the wizard over unsaved text, a read-only script, closing with unsaved
# changes, and a start whose Scripts folder cannot be made. Every step leaves a screenshot in the
# shots folder.
#
# Usage: drive_editor.py <work folder> <program folder> <shots folder> <test server folder>
#        drive_editor.py --press <role> <name> [<window name>]  (presses it from a process of its
#                        own: the bus call that opens a modal window returns only once it closes)
#        drive_editor.py --dump  (prints the editor's accessible tree, for writing this driver)
import os
import shutil
import stat
import re
import subprocess
import sys
import time

import pyatspi

STEP_SECONDS = 20  # the longest any one wait may take
ROLES = {"button": pyatspi.ROLE_PUSH_BUTTON, "menu": pyatspi.ROLE_MENU_ITEM, "tab": pyatspi.ROLE_PAGE_TAB,
         "check": pyatspi.ROLE_CHECK_BOX}


def wait_for(what, probe, seconds=STEP_SECONDS, step=0.2):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        try:
            found = probe()
        except Exception:  # a node went away while it was looked at: look again
            found = None
        if found:
            return found
        time.sleep(step)
    if len(sys.argv) > 3 and os.path.isdir(sys.argv[3]):  # what the bus showed, to mend the driver by
        with open(os.path.join(sys.argv[3], "tree.txt"), "w") as out:
            dump(editor(), out=out)
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


def application(name):
    desktop = pyatspi.Registry.getDesktop(0)
    for i in range(desktop.childCount):
        app = desktop.getChildAtIndex(i)
        if app is not None and app.name == name:
            return app
    return None


def editor():
    return application("Vantrel")


def windows(app):
    """The application's showing top-level windows."""
    shown = []
    for i in range(app.childCount if app else 0):
        w = app.getChildAtIndex(i)
        if w is not None and w.getState().contains(pyatspi.STATE_SHOWING):
            shown.append(w)
    return shown


def window(app, name):
    return next((w for w in windows(app) if w.name == name), None)


def named(name, role=None):
    return lambda n: n.name == name and (role is None or n.getRole() == role)


def press(node):
    action = node.queryAction()
    for i in range(action.nActions):
        if action.getName(i).lower() in ("press", "click", "activate", "toggle"):
            action.doAction(i)
            return
    action.doAction(0)


def dump(node, depth=0, out=sys.stdout):
    try:
        print("  " * depth + "%s %r %r" % (node.getRoleName(), node.name, node.description), file=out)
        for i in range(node.childCount):
            dump(node.getChildAtIndex(i), depth + 1, out)
    except Exception:
        pass


if sys.argv[1] == "--dump":
    dump(editor())
    sys.exit(0)

if sys.argv[1] == "--press":
    role, name = ROLES[sys.argv[2]], sys.argv[3]
    app = wait_for("the editor on the bus", editor)
    scope = (lambda: window(app, sys.argv[4])) if len(sys.argv) > 4 else (lambda: app)
    target = wait_for(name, lambda: find(scope(), named(name, role)))
    try:
        press(target)
    except Exception:
        pass  # the bus call timed out while a modal window stayed open: it was pressed
    sys.exit(0)

work, program, shots, servers = sys.argv[1:5]
os.makedirs(shots, exist_ok=True)
pressers = []
shot_count = 0


def shoot(name):
    global shot_count
    shot_count += 1
    path = os.path.join(shots, "%02d-%s.png" % (shot_count, name))
    time.sleep(0.3)  # the last repaint reaches the server
    subprocess.run(["import", "-window", "root", path], check=True, timeout=30)


def press_later(role, name, in_window=None):
    """Presses from another process, for commands that open a modal window."""
    argv = [sys.executable, os.path.abspath(__file__), "--press", role, name] + ([in_window] if in_window else [])
    pressers.append(subprocess.Popen(argv))


def read_bytes(path):
    with open(path, "rb") as f:
        return f.read()


def press_now(role, name, scope):
    press(wait_for(name, lambda: find(scope(), named(name, ROLES[role]))))


def new_window(app, pred, what):
    """A window that is not the main window, when it shows."""
    return wait_for(what, lambda: next((w for w in windows(app) if not is_main(w) and pred(w)), None))


def box_with(app, text):
    """A message box whose label starts with `text`."""
    return new_window(app, lambda w: find(w, lambda n: n.getRole() == pyatspi.ROLE_LABEL
                                          and (n.name or "").startswith(text)), "a box saying " + text)


def answer(box, button):
    press(wait_for(button + " in " + (box.name or "the box"), lambda: find(box, named(button, ROLES["button"]))))
    wait_for("the box to close", lambda: gone(box))


def gone(node):
    try:
        return not node.getState().contains(pyatspi.STATE_SHOWING)
    except Exception:
        return True


def set_text(node, text):
    node.queryEditableText().setTextContents(text)
    wait_for("the text %r" % text, lambda: node.queryText().getText(0, -1) == text)


def click(node):
    x, y, w, h = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    pyatspi.Registry.generateMouseEvent(x + w // 2, y + h // 2, pyatspi.MOUSE_B1C)


def changed_mark(main):
    # The mark is a panel of the status bar, readable as text of its own.
    bar = find(main, lambda n: n.getRole() == pyatspi.ROLE_STATUS_BAR)
    return find(bar, lambda n: n is not bar and n.name == "Changed!")


def showing_button(scope, name):
    return find(scope, lambda n: n.name == name and n.getRole() == ROLES["button"]
                and n.getState().contains(pyatspi.STATE_SHOWING))


def editor_text(app):
    memo = find(app, named("Workbench", pyatspi.ROLE_TEXT)) or find(app, lambda n: n.name == "Workbench"
                                                                     and n.getRole() != pyatspi.ROLE_LABEL)
    return memo, memo.queryText().getText(0, -1)


def start_ftp_server(root):
    server = subprocess.Popen(["/usr/bin/python3", os.path.join(servers, "ftpserver.py"), "--root", root,
                               "--user", "road", "--password", "test"], stdin=subprocess.PIPE,
                              stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    port = server.stdout.readline().strip()
    if not port.isdigit():
        sys.exit("the FTP server did not start")
    return server, int(port)


def x_windows():
    """The title of each top-level X window that has one, with whether it carries an icon."""
    tree = subprocess.run(["xwininfo", "-root", "-children"], capture_output=True, text=True, timeout=30).stdout
    found = {}
    for wid in re.findall(r"^\s+(0x[0-9a-f]+)", tree, re.M):
        props = subprocess.run(["xprop", "-len", "64", "-id", wid, "_NET_WM_NAME", "_NET_WM_ICON"],
                               capture_output=True, text=True, timeout=30).stdout
        title = re.search(r'^_NET_WM_NAME\(UTF8_STRING\) = "(.*)"$', props, re.M)
        if title:
            found[title.group(1)] = "_NET_WM_ICON(CARDINAL)" in props
    return found


def title_and_icon(title):
    """The window list shows exactly this title (nothing appended) and the program's icon."""
    shown = wait_for("an X window titled " + repr(title), lambda: (lambda w: w if title in w else None)(x_windows()))
    if not shown[title]:
        sys.exit("the window %r carries no icon" % title)


def is_main(w):
    """The main window: its title is composed from parts, the last of them "FTP scripts"."""
    return w.getRole() == pyatspi.ROLE_FRAME and (w.name or "").endswith("FTP scripts")


def main_window(app):
    return next((w for w in windows(app) if is_main(w)), None)


scripts = os.path.join(program, "Scripts")
ftp_root = os.path.join(work, "ftp root")
arrived = os.path.join(work, "arrived")
os.makedirs(ftp_root)
os.makedirs(arrived)
with open(os.path.join(ftp_root, "report.txt"), "w") as f:
    f.write("fetched over FTP\n")
server, port = start_ftp_server(ftp_root)
try:
    # --- the editor starts: a splash may come first, then the main window
    app = wait_for("the editor on the bus", editor)
    first = wait_for("the editor's first window", lambda: windows(app))
    if not any(is_main(w) for w in first):
        shoot("splash")
    main = wait_for("the main window", lambda: main_window(app), 30)
    wait_for("the script list", lambda: find(main, named("Script files", pyatspi.ROLE_LIST)))
    shoot("main-window")
    title_and_icon("Vantrel Dolmark - FTP scripts")

    # --- the wizard: host, login and one GET
    press_later("menu", "Scripting Wizard")
    wizard = new_window(app, lambda w: w.name == "Scripting Wizard...", "the wizard")
    shoot("wizard")
    title_and_icon("Scripting Wizard...")
    press_now("check", "Do not dial up!", lambda: wizard)
    press_now("tab", "Host", lambda: wizard)
    host = wait_for("the Host page", lambda: find(wizard, lambda n: n.name == "Host" and n.getRole()
                                                    != pyatspi.ROLE_PAGE_TAB and n.childCount > 0))
    fields = {}
    for caption in ("FTP Host:", "User login:", "Password:", "Port:"):
        fields[caption] = wait_for(caption, lambda: find(host, lambda n: n.name == caption and n.getRole()
                                                         in (pyatspi.ROLE_TEXT, pyatspi.ROLE_PASSWORD_TEXT)
                                                         and n.getState().contains(pyatspi.STATE_ENABLED)))
    for caption, text in (("FTP Host:", "127.0.0.1"), ("User login:", "road"), ("Password:", "test"),
                          ("Port:", str(port))):
        set_text(fields[caption], text)
    shoot("wizard-host")
    press_now("tab", "Activity", lambda: wizard)
    commands = wait_for("the command list", lambda: find(wizard, named("Select a command:", pyatspi.ROLE_COMBO_BOX)))
    click(commands)
    choice = "Get a file from the remote host"
    item = wait_for("the GET command in the list", lambda: find(commands, lambda n: n.name == choice and n.getState()
                                                                .contains(pyatspi.STATE_SHOWING)))
    time.sleep(0.8)  # a popup ignores the release of a click that came too soon after it opened
    click(item)
    remote = wait_for("the remote name field", lambda: find(wizard, lambda n: n.name == "Filename to get from host::"
                                                             and n.getState().contains(pyatspi.STATE_SHOWING)))
    local = wait_for("the local name field", lambda: find(wizard, lambda n: n.name == "Local destination filename:"
                                                           and n.getRole() == pyatspi.ROLE_TEXT))
    set_text(remote, "report.txt")
    set_text(local, os.path.join(arrived, "report.txt"))
    press_now("button", "Submit!", lambda: wizard)
    lines = wait_for("the submitted lines", lambda: find(wizard, named("Command lines")))
    wait_for("the GET line", lambda: "report.txt" in lines.queryText().getText(0, -1))
    shoot("wizard-activity")
    press_now("button", "Finish", lambda: wizard)
    memo, text = wait_for("the wizard's script in the editor",
                          lambda: (lambda m, t: (m, t) if "report.txt" in t else None)(*editor_text(app)))
    # A pause typed in before the disconnect keeps the runner's window up long enough to be seen.
    memo.queryEditableText().insertText(text.index("\ndisconnect") + 1, "WAITSECONDS 5\n", len("WAITSECONDS 5\n"))
    wait_for("the typed pause", lambda: "WAITSECONDS 5" in editor_text(app)[1])
    shoot("wizard-script")

    # --- the syntax check
    press_later("button", "Syntax check commands...")
    box = box_with(app, "No errors found in script!")
    shoot("syntax-check")
    answer(box, "OK")

    # --- Save As under a name with a blank (the editor writes it with "_")
    press_later("menu", "Save As...")
    dialog = new_window(app, lambda w: w.name == "Save As", "the save dialog")
    name_field = wait_for("the file name field", lambda: find(dialog, lambda n: n.getRole() == pyatspi.ROLE_TEXT
                                                               and (n.name or "").startswith("File name")))
    set_text(name_field, "Road Test")
    shoot("save-as")
    press_now("button", "Save", lambda: dialog)
    saved = os.path.join(scripts, "Road_Test.ftp")
    wait_for(saved, lambda: os.path.exists(saved))
    history = os.path.join(scripts, "Road_Test.History.txt")

    # --- run it in the runner: the file arrives
    press_now("menu", "Perform the selected script...", lambda: app)
    got = os.path.join(arrived, "report.txt")
    # The download comes before the pause: the runner's window is still up with its log.
    wait_for("the downloaded file", lambda: os.path.exists(got) and open(got).read() == "fetched over FTP\n")
    shoot("runner")
    title_and_icon("Script Vantrel")
    wait_for("the history file", lambda: os.path.exists(history), 30)

    # --- view its log (xdg-open is a recorder here)
    record = os.path.join(work, "xdg-open.txt")
    press_now("menu", "View log of current Script", lambda: app)
    viewed = wait_for("xdg-open", lambda: os.path.exists(record) and open(record).read().strip())
    if viewed != history:
        sys.exit("xdg-open got %r, expected %r" % (viewed, history))
    shoot("view-log")

    # --- print to a PDF file through the print dialog
    pdf = os.path.join(work, "printed.pdf")
    press_later("button", "Print current Scriptfile...")
    printing = new_window(app, lambda w: find(w, named("Print", ROLES["button"])), "the print dialog")
    output = wait_for("the output file field", lambda: find(printing, lambda n: n.getRole() == pyatspi.ROLE_TEXT
                                                             and (n.name or "").startswith("Output file")))
    set_text(output, pdf)
    shoot("print-dialog")
    press_now("button", "Print", lambda: printing)
    wait_for("the PDF file", lambda: os.path.exists(pdf) and os.path.getsize(pdf) > 0, 30)
    pdf_text = wait_for("the PDF's text", lambda: subprocess.run(["pdftotext", pdf, "-"], capture_output=True,
                                                                  text=True, timeout=10).stdout
                        if not any(p.poll() is None for p in pressers[-1:]) else None)
    for expected in ("Filename:", saved, "report.txt", "Page 1"):
        if expected not in pdf_text:
            sys.exit("the printed script lacks %r:\n%s" % (expected, pdf_text))

    # --- onto the Send-To list and off it again
    item_file = os.path.join(os.environ["XDG_DATA_HOME"], "applications", "Pellisar", "Road test.desktop")
    press_later("menu", "Add this script to the Send-To menu")
    answer(box_with(app, "The SendTo menu is used"), "Yes")
    describe = new_window(app, lambda w: find(w, named("Description", pyatspi.ROLE_TEXT)), "the description form")
    set_text(find(describe, named("Description", pyatspi.ROLE_TEXT)), "Road test")
    shoot("send-to-description")
    press_now("button", "OK", lambda: describe)
    wait_for(item_file, lambda: os.path.exists(item_file))
    with open(item_file) as f:
        launcher = next(line[5:].strip() for line in f if line.startswith("Exec="))
    press_later("menu", "Remove this script from the Send-To menu")
    box = box_with(app, "Remove Road test from")
    shoot("send-to-remove")
    answer(box, "Yes")
    wait_for("the item removed", lambda: not os.path.exists(item_file))
    if os.path.exists(os.path.join(program, "Launchers", "Road test")):
        sys.exit("the launcher stayed: " + launcher)

    # --- a stand-alone program of the script, run on its own
    made = os.path.join(program, "Road_Test")
    press_later("menu", "Create a program for the script")
    dialog = new_window(app, lambda w: w.name == "Create EXE file for script...", "the program's save dialog")
    shoot("program-save")
    press_now("button", "Save", lambda: dialog)
    wait_for(made, lambda: os.path.exists(made) and os.stat(made).st_mode & stat.S_IXUSR
             and not any(w.name == "Working..." for w in windows(app)))
    os.remove(got)
    run = subprocess.run([made], capture_output=True, text=True, timeout=60)
    if run.returncode != 0 or not os.path.exists(got):
        sys.exit("the stand-alone program ended %d without the file:\n%s%s" % (run.returncode, run.stdout, run.stderr))
    if not os.path.exists(made + ".History.txt"):
        sys.exit("the stand-alone program left no history beside itself")
    shoot("program-ran")

    # --- the about box, by whatever it shows and its OK
    press_later("menu", "About...")
    about = new_window(app, lambda w: find(w, named("OK", ROLES["button"])), "the about box")
    shoot("about")
    answer(about, "OK")

    # --- scripts other programs make are listed at once, a name that is not UTF-8 too; 0xFF bytes
    # outside password lines stay as they are; a Latin-1 script becomes UTF-8 only when asked
    latin = os.path.join(os.fsencode(scripts), b"caf\xe9.ftp")
    with open(latin, "wb") as f:
        f.write(b'; caf\xe9\r\nMESSAGE "\xffyes\xff"\r\n')
    real = os.path.join(work, "elsewhere", "real.ftp")
    os.makedirs(os.path.dirname(real))
    with open(real, "wb") as f:
        f.write(b"HOST=x\r\n")
    linked = os.path.join(scripts, "Linked.ftp")
    os.symlink(real, linked)
    listing = find(main, named("Script files", pyatspi.ROLE_LIST))
    wait_for("the new scripts in the list", lambda: find(listing, named("caf\u00e9.ftp"))
             and find(listing, named("Linked.ftp")))
    # Chosen with the mouse: a question it brings up does not hold the driver.
    choose = lambda name: click(wait_for(name, lambda: find(listing, named(name))))
    choose("caf\u00e9.ftp")
    memo, text = wait_for("the Latin-1 script", lambda: (lambda m, t: (m, t) if "\u00ffyes\u00ff" in t else None)(
        *editor_text(app)))
    memo.queryEditableText().insertText(0, "\u20ac ", 2)
    wait_for("the change mark", lambda: changed_mark(main))
    shoot("latin1-script-listed")
    press_later("menu", "Save")
    box = box_with(app, "The script")
    shoot("save-as-utf8-asked")
    answer(box, "Yes")
    wait_for("the script as UTF-8", lambda: read_bytes(latin) == b'\xe2\x82\xac ; caf\xc3\xa9\r\nMESSAGE "\xc3\xbfyes'
             b'\xc3\xbf"\r\n')

    # --- changed by another program meanwhile: asked, and No keeps the other program's file
    with open(latin, "ab") as f:
        f.write(b"; theirs\r\n")
    memo.queryEditableText().insertText(0, "x", 1)
    wait_for("the change mark", lambda: changed_mark(main))
    press_later("menu", "Save")
    box = box_with(app, "The file")
    shoot("changed-on-disk-asked")
    answer(box, "No")
    if not read_bytes(latin).endswith(b"; theirs\r\n") or not changed_mark(main):
        sys.exit("the other program's change was overwritten, or the mark went")

    # --- a script that is a symbolic link is saved into the file it names; the link stays
    choose("Linked.ftp")
    answer(box_with(app, "The file has changed..."), "No")
    memo, text = wait_for("the linked script", lambda: (lambda m, t: (m, t) if t == "HOST=x" else None)(
        *editor_text(app)))
    memo.queryEditableText().insertText(0, ";", 1)
    wait_for("the change mark", lambda: changed_mark(main))
    press_later("menu", "Save")
    wait_for("the linked file written", lambda: read_bytes(real) == b";HOST=x\r\n")
    if not os.path.islink(linked):
        sys.exit("the link was replaced by a file")
    choose("Road_Test.ftp")
    wait_for("the road script again", lambda: "report.txt" in editor_text(app)[1])

    # --- help with no viewer for it: said in a box
    press_later("menu", "Help with commands")
    box = box_with(app, "No program could be started to show")
    shoot("help-no-viewer")
    answer(box, "OK")

    # --- over unsaved text the wizard's Finish asks first: Cancel keeps the wizard open, and the
    # wizard's own Cancel keeps the text, its name and its change mark
    memo, text = editor_text(app)
    typed = "; typed and not saved\n"
    memo.queryEditableText().insertText(0, typed, len(typed))
    wait_for("the change mark", lambda: changed_mark(main))
    press_later("menu", "Scripting Wizard")
    wizard = new_window(app, lambda w: w.name == "Scripting Wizard...", "the wizard")
    press_later("button", "Finish", "Scripting Wizard...")
    box = box_with(app, "The file has changed...")
    shoot("wizard-finish-asks")
    answer(box, "Cancel")
    if gone(wizard):
        sys.exit("Cancel of the question closed the wizard")
    press(wait_for("the wizard's Cancel", lambda: showing_button(wizard, "Cancel")))
    wait_for("the wizard to close", lambda: gone(wizard))
    memo, text = editor_text(app)
    if not text.startswith(typed) or not changed_mark(main) or not find(main, lambda n: n.getRole() == pyatspi.ROLE_STATUS_BAR
                                                                      and saved in (n.description or "")):
        sys.exit("the wizard's Cancel lost the text, its name or its mark: %r" % text[:80])
    shoot("wizard-cancelled-text-kept")

    # --- a read-only script is not replaced: the editor says so, the text stays changed
    with open(saved, "rb") as f:
        before = f.read()
    os.chmod(saved, 0o444)
    press_later("menu", "Save")
    box = box_with(app, "The script")
    shoot("save-read-only")
    answer(box, "OK")
    with open(saved, "rb") as f:
        if f.read() != before:
            sys.exit("the read-only script was replaced")
    if not changed_mark(main):
        sys.exit("the failed save cleared the change mark")
    os.chmod(saved, 0o644)

    # --- close with unsaved changes: asked; Cancel keeps the editor, No closes it unsaved
    memo, text = editor_text(app)
    memo.queryEditableText().insertText(0, "; changed and not saved\r\n", len("; changed and not saved\r\n"))
    wait_for("the change mark", lambda: changed_mark(main))
    press_later("menu", "Exit")
    box = new_window(app, lambda w: find(w, named("Cancel", ROLES["button"])), "the question before closing")
    shoot("close-asked")
    answer(box, "Cancel")
    if main_window(editor()) is None:
        sys.exit("Cancel closed the editor")
    press_later("menu", "Exit")
    box = new_window(app, lambda w: find(w, named("No", ROLES["button"])), "the question before closing")
    answer(box, "No")
    wait_for("the editor to close", lambda: editor() is None or main_window(editor()) is None)
    with open(saved, "rb") as f:
        if f.read() != before:
            sys.exit("No saved the script")
    # The close that asked first kept the window's settings itself, not only the program's end.
    settings = os.path.join(work, "home", ".config", "vantrel", "ftploc.ini")
    with open(settings, encoding="latin-1") as f:
        section = f.read().partition("[ScriptMainScreen]")[2].partition("\n[")[0]
    if "Visible=0" not in section.split():
        sys.exit("the close did not save the window's settings:\n" + section)

    # --- a start whose Scripts folder cannot be made says so in a box as well as on standard error
    blocked = os.path.join(work, "blocked program")
    os.makedirs(blocked)
    shutil.copy(os.path.join(program, "Vantrel"), blocked)
    with open(os.path.join(blocked, "Scripts"), "w") as f:
        f.write("a file, not a folder\n")
    wait_for("the first editor to leave the bus", lambda: editor() is None, 30)
    second = subprocess.Popen([os.path.join(blocked, "Vantrel")], stderr=subprocess.PIPE, text=True)
    try:
        app = wait_for("the second editor on the bus", editor)
        box = box_with(app, "Cannot create the folder")
        shoot("scripts-folder-blocked")
        answer(box, "OK")
        err = second.communicate(timeout=STEP_SECONDS)[1]
    finally:
        if second.poll() is None:
            second.kill()
            second.wait()
    if second.returncode != 1 or "Cannot create the folder" not in err:
        sys.exit("the blocked start ended %d: %s" % (second.returncode, err))
    print("driven to the end; screenshots in", shots)
finally:
    for p in pressers:
        if p.poll() is None:
            p.kill()
        p.wait()
    server.terminate()
    server.wait(timeout=10)
    server.stdin.close()
