#!/usr/bin/python3
"""A pyftpdlib FTP server on 127.0.0.1 for tests and benchmarks.

Prints the port it listens on as the first line of standard output, then serves until SIGTERM,
SIGINT or the end of standard input. Names and command arguments are passed through as bytes
(non-UTF-8 names survive), and LIST/NLST match wildcards in the last path part, as most
servers do.

  ftpserver.py [--port N] [--root DIR] [--user NAME --password PW ...] [--anonymous]
               [--anonymous-write]

--user and --password may be given several times; the n-th password goes with the n-th user.
"""

import argparse
import fnmatch
import glob
import os
import shutil
import signal
import sys
import tempfile

sys.dont_write_bytecode = True  # no cache files beside the sources
from ftplifetime import stop_when_stdin_closes  # noqa: E402
from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import BufferedIteratorProducer, FTPHandler
from pyftpdlib.ioloop import AsyncChat
from pyftpdlib.servers import FTPServer

FULL = "elradfmwMT"


class GlobbingHandler(FTPHandler):
    # Bytes that are no UTF-8 travel as they are, in names, replies and listings.
    unicode_errors = "surrogateescape"

    def push(self, s):
        AsyncChat.push(self, s.encode("utf8", self.unicode_errors))

    def _matches(self, path):
        basedir, pattern = os.path.split(path)
        if not glob.has_magic(pattern) or not self.fs.isdir(basedir):
            return None
        names = self.run_as_current_user(self.fs.listdir, basedir)
        return basedir, sorted(n for n in names if fnmatch.fnmatchcase(n, pattern))

    def ftp_LIST(self, path):
        found = self._matches(path)
        if found is None:
            return FTPHandler.ftp_LIST(self, path)
        basedir, names = found
        producer = BufferedIteratorProducer(self.fs.format_list(basedir, names))
        self.push_dtp_data(producer, isproducer=True, cmd="LIST")
        return path

    def ftp_NLST(self, path):
        found = self._matches(path)
        if found is None:
            return FTPHandler.ftp_NLST(self, path)
        _, names = found
        data = "".join(n + "\r\n" for n in names)
        self.push_dtp_data(data.encode("utf8", self.unicode_errors), cmd="NLST")
        return path


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--port", type=int, default=0)
    parser.add_argument("--root")
    parser.add_argument("--user", action="append", default=[])
    parser.add_argument("--password", action="append", default=[])
    parser.add_argument("--anonymous", action="store_true")
    parser.add_argument("--anonymous-write", action="store_true")
    args = parser.parse_args()

    own_root = args.root is None
    root = tempfile.mkdtemp(prefix="ftpserver-") if own_root else os.path.abspath(args.root)

    authorizer = DummyAuthorizer()
    for i, user in enumerate(args.user):
        password = args.password[i] if i < len(args.password) else ""
        authorizer.add_user(user, password, root, perm=FULL)
    if args.anonymous or args.anonymous_write:
        authorizer.add_anonymous(root, perm=FULL if args.anonymous_write else "elr")

    handler = GlobbingHandler
    handler.authorizer = authorizer
    handler.banner = "pyftpdlib ready."
    handler.permit_foreign_addresses = False
    handler.auth_failed_timeout = 0  # tests try wrong passwords on purpose
    server = FTPServer(("127.0.0.1", args.port), handler)

    def stop(*_):
        raise KeyboardInterrupt

    signal.signal(signal.SIGTERM, stop)

    stop_when_stdin_closes()

    print(server.address[1], flush=True)
    try:
        server.serve_forever(handle_exit=False)
    except KeyboardInterrupt:
        pass
    finally:
        server.close_all()
        if own_root:
            shutil.rmtree(root, ignore_errors=True)


if __name__ == "__main__":
    main()
