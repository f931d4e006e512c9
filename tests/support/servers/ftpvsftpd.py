#!/usr/bin/python3
"""Runs vsftpd on 127.0.0.1 for tests and benchmarks, from a configuration of its own.

Anonymous login (USER anonymous or ftp, any password) into a root folder that it may write.
Prints "PORT HOME" on the first line of standard output, then serves until SIGTERM, SIGINT or
the end of standard input; the temporary files go with it. vsftpd runs as the user that starts it
and changes root nowhere (it refuses a writable root inside a changed root), so sessions start
in the root folder and PWD answers its full path.

  ftpvsftpd.py [--port N] [--root DIR] [--check]

--check only tells (exit status 0, else 77 with the reason) whether vsftpd can run here.
"""

import os
import subprocess
import sys

sys.dont_write_bytecode = True  # no cache files beside the sources
import ftpdaemon  # noqa: E402

VSFTPD = "/usr/sbin/vsftpd"


def config(port, root, work):
    return "\n".join([
        "listen=YES", "listen_ipv6=NO", "listen_address=127.0.0.1", "listen_port=%d" % port,
        "background=NO", "run_as_launching_user=YES",
        "anonymous_enable=YES", "local_enable=NO", "anon_root=" + root,
        "write_enable=YES", "anon_upload_enable=YES", "anon_mkdir_write_enable=YES",
        "anon_other_write_enable=YES", "anon_umask=022", "anon_world_readable_only=NO",
        "allow_writeable_chroot=YES", "secure_chroot_dir=" + os.path.join(work, "empty"),
        "nopriv_user=nobody", "seccomp_sandbox=NO", "isolate=NO", "isolate_network=NO",
        "connect_from_port_20=NO", "port_enable=YES", "pasv_enable=YES", "use_localtime=NO",
        "hide_ids=NO", "dirmessage_enable=NO", "ftpd_banner=vsftpd ready.",
        "xferlog_enable=YES", "vsftpd_log_file=" + os.path.join(work, "vsftpd.log"),
        "syslog_enable=NO",
        # ASCII downloads go out with CR LF, as RFC 959 has it; uploads are stored as they
        # come, so a test sees the line ends the client put on the wire.
        "ascii_download_enable=YES", "",
    ])


def main():
    args = ftpdaemon.arguments()
    if not os.access(VSFTPD, os.X_OK):
        ftpdaemon.not_here(VSFTPD + " is not installed")
    if args.check:
        return
    home = {}

    def start(port, work):
        os.makedirs(os.path.join(work, "empty"), 0o755, exist_ok=True)
        root = os.path.abspath(args.root) if args.root else os.path.join(work, "root")
        os.makedirs(root, exist_ok=True)
        home["pwd"] = root
        conf = os.path.join(work, "vsftpd.conf")
        ftpdaemon.write_private(conf, config(port, root, work))
        return subprocess.Popen([VSFTPD, conf], stdin=subprocess.DEVNULL,
                                stdout=subprocess.DEVNULL, stderr=sys.stderr)

    ftpdaemon.serve(args.port, start, lambda: home["pwd"])


if __name__ == "__main__":
    main()
