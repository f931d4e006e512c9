#!/usr/bin/python3
"""SMTP test server on 127.0.0.1: OpenSMTPD (Debian's opensmtpd; its daemon is never started by
the package here) on a free port, printed on stdout as "PORT <n>".

It accepts mail for any recipient from 127.0.0.1 and delivers it into a maildir of its own; each
message is then saved in the given folder as smtpserver.py saves it: msg-<n>.eml (the message
as delivered, OpenSMTPD's Return-Path, Delivered-To and Received lines first, its line ends
CR LF again as on the wire) and msg-<n>.env
(envelope sender, then one recipient per line, in the order delivered; OpenSMTPD delivers one
copy per recipient, so the .env may grow after the .eml appears). Runs in a mount namespace of
its own, over a private queue and control socket, so several may run at once: it needs root.
Stops on SIGTERM or when stdin closes.

  smtpopensmtpd.py FOLDER | --check
"""

import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import time

sys.dont_write_bytecode = True  # no cache files beside the sources
import ftpdaemon  # noqa: E402
from ftplifetime import stop_when_stdin_closes  # noqa: E402

SMTPD = "/usr/sbin/smtpd"
DELIVERY_UID = ftpdaemon.LOGIN_UID  # maildir deliveries refuse root


def config(port, work, maildir):
    return "\n".join([
        "table vusers file:%s/vusers" % work,
        "table users file:%s/users" % work,
        "listen on 127.0.0.1 port %d" % port,
        'action "catch" maildir "%s" virtual <vusers> userbase <users>' % maildir,
        'match from local for any action "catch"',
        "",
    ])


def greets(port, seconds):
    return ftpdaemon.answers(port, seconds)


def header(raw, name):
    head = raw.split(b"\n\n", 1)[0].split(b"\r\n\r\n", 1)[0]
    m = re.search(rb"(?im)^" + name + rb":[ \t]*(.*(?:\r?\n[ \t].*)*)", head)
    return m.group(1).strip() if m else b""


class Collector:
    """Turns maildir deliveries into msg-<n>.eml / .env, one pair per message."""

    def __init__(self, maildir, folder):
        self.new = os.path.join(maildir, "new")
        self.folder = folder
        self.seen = set()
        self.numbers = {}  # message id -> n

    def poll(self):
        try:
            names = sorted(os.listdir(self.new), key=lambda n: os.stat(os.path.join(self.new, n)).st_mtime_ns)
        except FileNotFoundError:
            return
        for name in names:
            if name in self.seen:
                continue
            self.seen.add(name)
            with open(os.path.join(self.new, name), "rb") as f:
                raw = f.read().replace(b"\r\n", b"\n").replace(b"\n", b"\r\n")
            received = header(raw, b"Received")
            m = re.search(rb"\bid ([0-9a-f]+)", received)
            key = m.group(1) if m else name.encode()
            sender = header(raw, b"Return-Path").strip(b"<>")
            recipient = header(raw, b"Delivered-To")
            base = os.path.join(self.folder, "msg-%d")
            if key not in self.numbers:
                n = self.numbers[key] = len(self.numbers) + 1
                with open(base % n + ".env", "wb") as f:
                    f.write(sender + b"\n" + recipient + b"\n")
                with open(base % n + ".tmp", "wb") as f:
                    f.write(raw)
                os.replace(base % n + ".tmp", base % n + ".eml")
            else:
                with open(base % self.numbers[key] + ".env", "ab") as f:
                    f.write(recipient + b"\n")


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: smtpopensmtpd.py FOLDER | --check")
    if not os.access(SMTPD, os.X_OK):
        ftpdaemon.not_here(SMTPD + " is not installed (opensmtpd)")
    if os.geteuid() != 0:
        ftpdaemon.not_here("OpenSMTPD runs here only as root")
    if sys.argv[1] == "--check":
        return
    folder = os.path.abspath(sys.argv[1])

    work = tempfile.mkdtemp(prefix="smtpd-")
    os.chmod(work, 0o711)  # the delivery user reaches its maildir through it
    child = None
    try:
        maildir = os.path.join(work, "Maildir")
        os.mkdir(maildir, 0o700)
        os.chown(maildir, DELIVERY_UID, DELIVERY_UID)
        ftpdaemon.write_private(os.path.join(work, "vusers"), "@ catcher\n")
        ftpdaemon.write_private(os.path.join(work, "users"), "catcher %d:%d:%s\n"
                                % (DELIVERY_UID, DELIVERY_UID, work))
        for sub in ("spool", "run"):
            os.mkdir(os.path.join(work, sub), 0o711)
        for _ in range(5):
            port = ftpdaemon.free_port()
            conf = os.path.join(work, "smtpd.conf")
            ftpdaemon.write_private(conf, config(port, work, maildir))
            # The queue (/var/spool/smtpd) and the control socket (/run/smtpd.sock) are fixed
            # paths: each server gets its own under a private mount.
            script = ('mount --bind "$1/spool" /var/spool && mount --bind "$1/run" /run && '
                      'exec %s -d -f "$1/smtpd.conf"' % SMTPD)
            child = subprocess.Popen(["unshare", "--mount", "--propagation", "private", "/bin/sh", "-c",
                                      script, "sh", work], stdin=subprocess.DEVNULL,
                                     stdout=subprocess.DEVNULL, stderr=sys.stderr)
            if greets(port, 10):
                break
            ftpdaemon.stop(child)
            child = None
        if child is None:
            print("OpenSMTPD did not start", file=sys.stderr)
            sys.exit(1)

        done = threading.Event()
        signal.signal(signal.SIGTERM, lambda *_: done.set())
        stop_when_stdin_closes(done.set)
        collector = Collector(maildir, folder)
        print("PORT %d" % port, flush=True)
        while not done.wait(0.05):
            collector.poll()
            if child.poll() is not None:
                break
    finally:
        if child is not None:
            ftpdaemon.stop(child)
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
