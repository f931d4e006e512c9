#!/usr/bin/python3
"""Runs vsftpd on 127.0.0.1 for tests and benchmarks, from a configuration of its own.

Anonymous login (USER anonymous or ftp, any password) into a root folder that it may write.
Prints the port on the first line of standard output, then serves until SIGTERM, SIGINT or the
end of standard input; the temporary files go with it. vsftpd runs as the user that starts it
and changes root nowhere (it refuses a writable root inside a changed root), so sessions start
in the root folder and PWD answers its full path.

  ftpvsftpd.py [--port N] [--root DIR]
"""

import argparse
import os
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import threading
import time

sys.dont_write_bytecode = True  # no cache files beside the sources
from ftplifetime import stop_when_stdin_closes  # noqa: E402

VSFTPD = "/usr/sbin/vsftpd"


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


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


def answers(port, seconds):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        try:
            with socket.create_connection(("127.0.0.1", port), timeout=1) as s:
                s.settimeout(2)
                return s.recv(64).startswith(b"220")
        except OSError:
            time.sleep(0.05)
    return False


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--port", type=int, default=0)
    parser.add_argument("--root")
    args = parser.parse_args()
    if not os.access(VSFTPD, os.X_OK):
        print(VSFTPD + " is not installed", file=sys.stderr)
        sys.exit(77)

    work = tempfile.mkdtemp(prefix="vsftpd-")
    os.mkdir(os.path.join(work, "empty"), 0o755)
    own_root = args.root is None
    root = os.path.join(work, "root") if own_root else os.path.abspath(args.root)
    if own_root:
        os.mkdir(root)

    child = None
    try:
        for _ in range(5):
            port = args.port or free_port()
            conf = os.path.join(work, "vsftpd.conf")
            with open(conf, "w") as f:
                f.write(config(port, root, work))
            os.chmod(conf, 0o600)
            child = subprocess.Popen([VSFTPD, conf], stdin=subprocess.DEVNULL,
                                     stdout=subprocess.DEVNULL, stderr=sys.stderr)
            if answers(port, 5):
                break
            child.kill()
            child.wait()
            child = None
            if args.port:
                break
        if child is None:
            print("vsftpd did not start", file=sys.stderr)
            sys.exit(1)

        done = threading.Event()
        signal.signal(signal.SIGTERM, lambda *_: done.set())
        signal.signal(signal.SIGINT, lambda *_: done.set())

        stop_when_stdin_closes(done.set)
        print(port, flush=True)
        while not done.wait(0.2):
            if child.poll() is not None:
                break
    finally:
        if child is not None and child.poll() is None:
            child.terminate()
            try:
                child.wait(5)
            except subprocess.TimeoutExpired:
                child.kill()
                child.wait()
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
