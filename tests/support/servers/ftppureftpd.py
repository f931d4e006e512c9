#!/usr/bin/python3
"""Runs pure-ftpd on 127.0.0.1 for tests, unpacked by scripts/install-deps.sh.

One account, tester / s3cret, in a password database of its own (no system users, no PAM),
changed root into the root folder, so PWD answers "/". pure-ftpd serves no root login, so it runs
in a user namespace whose account is the caller outside: it needs root. Prints "PORT HOME", then
serves until SIGTERM, SIGINT or the end of standard input.

  ftppureftpd.py [--port N] [--root DIR] [--check]

--check only tells (exit status 0, else 77 with the reason) whether pure-ftpd can run here.
"""

import os
import subprocess
import sys

sys.dont_write_bytecode = True  # no cache files beside the sources
import ftpdaemon  # noqa: E402


def main():
    args = ftpdaemon.arguments()
    daemon = ftpdaemon.unpacked("usr/sbin/pure-ftpd")
    pw = ftpdaemon.unpacked("usr/bin/pure-pw")
    if daemon is None or pw is None:
        ftpdaemon.not_here("pure-ftpd is not unpacked (scripts/install-deps.sh) in any of "
                           + ", ".join(ftpdaemon.unpacked_folders()))
    if os.geteuid() != 0:
        ftpdaemon.not_here("pure-ftpd runs here only as root")
    if args.check:
        return

    def start(port, work):
        root = os.path.abspath(args.root) if args.root else os.path.join(work, "root")
        os.makedirs(root, exist_ok=True)
        users = os.path.join(work, "pureftpd.passwd")
        ftpdaemon.write_private(users, "tester:%s:%d:%d::%s/./::::::::::::\n"
                                % (ftpdaemon.password_hash("s3cret"), ftpdaemon.LOGIN_UID,
                                   ftpdaemon.LOGIN_UID, root))
        db = os.path.join(work, "pureftpd.pdb")
        subprocess.run([pw, "mkdb", db, "-f", users], check=True, stdout=subprocess.DEVNULL)
        return ftpdaemon.popen_as_login_owner(
            [daemon, "-S", "127.0.0.1,%d" % port, "-l", "puredb:" + db, "-E", "-A", "-H",
             "-f", "none", "-g", os.path.join(work, "pure-ftpd.pid")],
            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=sys.stderr)

    ftpdaemon.serve(args.port, start, "/")


if __name__ == "__main__":
    main()
