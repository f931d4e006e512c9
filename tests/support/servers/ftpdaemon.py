"""Shared by the scripts that run a system FTP daemon (vsftpd, proftpd, pure-ftpd) for tests.

Each script writes a configuration of its own into a temporary work folder, starts the daemon in
the foreground on a free 127.0.0.1 port, prints "PORT HOME" (HOME: the folder PWD answers after
login) on the first line of standard output and serves until SIGTERM, SIGINT or the end of
standard input. The work folder goes with it.
"""

import argparse
import ctypes
import os
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import threading
import time

from ftplifetime import stop_when_stdin_closes

# Exit status of a script whose daemon is not on this machine (ctest's usual skip code).
NOT_HERE = 77


def arguments():
    """--port (0: a free one), --root (the folder served) and --check (exit 77 when the server
    cannot run here), as every server script takes them."""
    parser = argparse.ArgumentParser()
    parser.add_argument("--port", type=int, default=0)
    parser.add_argument("--root")
    parser.add_argument("--check", action="store_true")
    return parser.parse_args()


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def answers(port, seconds):
    """Whether a 220 greeting comes on the port within `seconds`."""
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        try:
            with socket.create_connection(("127.0.0.1", port), timeout=1) as s:
                s.settimeout(2)
                return s.recv(64).startswith(b"220")
        except OSError:
            time.sleep(0.05)
    return False


def unpacked_folders():
    """Where scripts/install-deps.sh unpacks the daemons whose packages cannot be installed
    beside vsftpd's (they all provide ftp-server)."""
    own = os.environ.get("VANTREL_TEST_SERVERS")
    if own:
        return [own]
    cache = os.environ.get("XDG_CACHE_HOME") or os.path.expanduser("~/.cache")
    return ["/var/cache/vantrel/test-servers", os.path.join(cache, "vantrel", "test-servers")]


def unpacked(relative):
    """The path of an unpacked program, or None."""
    for folder in unpacked_folders():
        path = os.path.join(folder, "root", relative)
        if os.access(path, os.X_OK):
            return path
    return None


def not_here(why):
    print(why, file=sys.stderr)
    sys.exit(NOT_HERE)


def serve(fixed_port, start, home):
    """Runs start(port, work) -> Popen until it greets, retrying on another port when the
    chosen one was taken meanwhile; then serves as the module says. `home` may be a function,
    asked once the server runs."""
    work = tempfile.mkdtemp(prefix="ftpd-")
    child = None
    try:
        for _ in range(5):
            port = fixed_port or free_port()
            child = start(port, work)
            if answers(port, 5):
                break
            stop(child)
            child = None
            if fixed_port:
                break
        if child is None:
            print("the server did not start", file=sys.stderr)
            sys.exit(1)

        done = threading.Event()
        signal.signal(signal.SIGTERM, lambda *_: done.set())
        signal.signal(signal.SIGINT, lambda *_: done.set())
        stop_when_stdin_closes(done.set)
        print(port, home() if callable(home) else home, flush=True)
        while not done.wait(0.2):
            if child.poll() is not None:
                break
    finally:
        if child is not None:
            stop(child)
        shutil.rmtree(work, ignore_errors=True)


def stop(child):
    if child.poll() is None:
        child.terminate()
        try:
            child.wait(5)
        except subprocess.TimeoutExpired:
            child.kill()
            child.wait()


def write_private(path, text):
    with open(path, "w") as f:
        f.write(text)
    os.chmod(path, 0o600)


def password_hash(password):
    import warnings
    with warnings.catch_warnings():
        warnings.simplefilter("ignore", DeprecationWarning)
        import crypt
    return crypt.crypt(password, crypt.mksalt(crypt.METHOD_SHA512))


# --- a daemon whose logins must not be root, yet whose files must be the caller's ---

CLONE_NEWUSER = 0x10000000
# Inside the namespace: root is a uid of nobody's outside; LOGIN_UID is the caller outside.
SPARE_OUTER_ID = 3999999999
LOGIN_UID = 4242


def popen_as_login_owner(args, **kwargs):
    """Starts args as root of a new user namespace in which LOGIN_UID is the caller (who must be
    root): a daemon that refuses root logins then serves a LOGIN_UID account, and every file it
    reads, writes or creates belongs to the caller, as the tests' own files do."""
    ready_r, ready_w = os.pipe()
    go_r, go_w = os.pipe()

    libc = ctypes.CDLL(None, use_errno=True)  # loaded here, not in the forked child

    def enter():  # in the child, before exec; the parent maps its ids meanwhile
        if libc.unshare(CLONE_NEWUSER) != 0:
            os._exit(126)
        os.write(ready_w, b"%d\n" % os.getpid())
        if os.read(go_r, 1) != b"x":
            os._exit(126)
        os.setresgid(0, 0, 0)
        os.setresuid(0, 0, 0)

    def map_ids():
        try:
            line = os.read(ready_r, 32)
            if not line:
                return
            pid = int(line)
            for name, outer in (("uid_map", os.getuid()), ("gid_map", os.getgid())):
                with open("/proc/%d/%s" % (pid, name), "w") as f:
                    f.write("0 %d 1\n%d %d 1\n" % (SPARE_OUTER_ID, LOGIN_UID, outer))
            os.write(go_w, b"x")
        except OSError as e:
            print("cannot map the ids of the server: %s" % e, file=sys.stderr)
        finally:
            os.close(go_w)  # an unmapped child reads nothing and ends

    mapper = threading.Thread(target=map_ids, daemon=True)
    mapper.start()
    try:
        return subprocess.Popen(args, preexec_fn=enter, **kwargs)
    finally:
        os.close(ready_w)
        os.close(go_r)
        mapper.join(5)
        os.close(ready_r)
