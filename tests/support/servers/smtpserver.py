#!/usr/bin/python3
"""SMTP test server on 127.0.0.1: aiosmtpd on a free port, printed on stdout as "PORT <n>".

Every received message is saved in the given folder as msg-<n>.eml (the message bytes as
received, dot-stuffing removed) and msg-<n>.env (envelope sender on the first line, then one
recipient per line). The .eml file is renamed into place last, so a reader never sees half of it.
Recipients named "nobody@..." are refused with 550, as an unknown mailbox.
Stops on SIGTERM or when stdin closes.
"""
import asyncio
import itertools
import os
import signal
import sys
import threading

from aiosmtpd.smtp import SMTP


class SaveHandler:
    def __init__(self, folder):
        self.folder = folder
        self.counter = itertools.count(1)

    async def handle_RCPT(self, server, session, envelope, address, rcpt_options):
        if address.split("@")[0].lower() == "nobody":
            return "550 No such user here"
        envelope.rcpt_tos.append(address)
        return "250 OK"

    async def handle_DATA(self, server, session, envelope):
        n = next(self.counter)
        base = os.path.join(self.folder, "msg-%d" % n)
        with open(base + ".env", "wb") as f:
            lines = [envelope.mail_from or ""] + list(envelope.rcpt_tos)
            f.write(("\n".join(lines) + "\n").encode("utf-8", "surrogateescape"))
        with open(base + ".tmp", "wb") as f:
            f.write(envelope.original_content)
        os.replace(base + ".tmp", base + ".eml")
        return "250 Message accepted for delivery"


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: smtpserver.py FOLDER")
    folder = sys.argv[1]
    loop = asyncio.new_event_loop()
    asyncio.set_event_loop(loop)
    handler = SaveHandler(folder)
    server = loop.run_until_complete(
        loop.create_server(lambda: SMTP(handler, hostname="smtp.test", loop=loop), "127.0.0.1", 0))
    port = server.sockets[0].getsockname()[1]
    print("PORT %d" % port, flush=True)

    loop.add_signal_handler(signal.SIGTERM, loop.stop)

    def watch_stdin():
        try:
            while sys.stdin.buffer.read(4096):
                pass
        finally:
            loop.call_soon_threadsafe(loop.stop)

    threading.Thread(target=watch_stdin, daemon=True).start()
    try:
        loop.run_forever()
    finally:
        server.close()


if __name__ == "__main__":
    main()
