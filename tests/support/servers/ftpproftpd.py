#!/usr/bin/python3
"""Runs proftpd on 127.0.0.1 for tests, unpacked by scripts/install-deps.sh.

One account, tester / s3cret, from a user file of its own (no system users, no PAM) and mapped
to the caller's uid, so its files are the caller's. As root the session is changed root into the
root folder and PWD answers "/"; otherwise it answers the root's full path. Uploads may
overwrite, resume (REST before STOR) and append (APPE), which proftpd refuses by default.
Prints "PORT HOME", then serves until SIGTERM, SIGINT or the end of standard input.

  ftpproftpd.py [--port N] [--root DIR] [--check]

--check only tells (exit status 0, else 77 with the reason) whether proftpd can run here.
"""

import grp
import os
import pwd
import subprocess
import sys

sys.dont_write_bytecode = True  # no cache files beside the sources
import ftpdaemon  # noqa: E402


def config(port, root, work):
    as_root = os.geteuid() == 0
    lines = [
        "ServerType standalone", 'ServerName "tests"', 'ServerIdent on "proftpd ready."',
        "DefaultAddress 127.0.0.1", "SocketBindTight on", "UseIPv6 off", "Port %d" % port,
        "PidFile " + os.path.join(work, "proftpd.pid"),
        "ScoreboardFile " + os.path.join(work, "proftpd.scoreboard"),
        "SystemLog " + os.path.join(work, "proftpd.log"), "TransferLog none", "WtmpLog off",
        "UseReverseDNS off", "DelayEngine off", "ControlsEngine off", "MaxInstances 100",
        "AuthPAM off", "AuthOrder mod_auth_file.c",
        "AuthUserFile " + os.path.join(work, "passwd"), "AuthGroupFile " + os.path.join(work, "group"),
        "RequireValidShell off", "UseFtpUsers off",
        "AllowOverwrite on", "AllowStoreRestart on", "Umask 022",
    ]
    if as_root:
        # The account is the caller, root; a session must not leave the root folder.
        lines += ["RootLogin on", "DefaultRoot ~"]
    else:
        # Stay who we are: without these proftpd tries to become root.
        lines += ["User " + pwd.getpwuid(os.getuid()).pw_name, "Group " + grp.getgrgid(os.getgid()).gr_name]
    return "\n".join(lines) + "\n"


def main():
    args = ftpdaemon.arguments()
    daemon = ftpdaemon.unpacked("usr/sbin/proftpd")
    if daemon is None:
        ftpdaemon.not_here("proftpd is not unpacked (scripts/install-deps.sh) in any of "
                           + ", ".join(ftpdaemon.unpacked_folders()))
    if args.check:
        return
    home = {}

    def start(port, work):
        root = os.path.abspath(args.root) if args.root else os.path.join(work, "root")
        os.makedirs(root, exist_ok=True)
        home["pwd"] = "/" if os.geteuid() == 0 else root
        ftpdaemon.write_private(os.path.join(work, "passwd"), "tester:%s:%d:%d::%s:/bin/false\n"
                                % (ftpdaemon.password_hash("s3cret"), os.getuid(), os.getgid(), root))
        ftpdaemon.write_private(os.path.join(work, "group"), "testers:x:%d:tester\n" % os.getgid())
        conf = os.path.join(work, "proftpd.conf")
        ftpdaemon.write_private(conf, config(port, root, work))
        return subprocess.Popen([daemon, "-n", "-q", "-c", conf], stdin=subprocess.DEVNULL,
                                stdout=subprocess.DEVNULL, stderr=sys.stderr)

    ftpdaemon.serve(args.port, start, lambda: home["pwd"])


if __name__ == "__main__":
    main()
