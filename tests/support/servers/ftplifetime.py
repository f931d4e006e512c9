"""Shared by the test servers: end the server when its standard input closes."""

import signal
import sys
import threading


def stop_when_stdin_closes(stop=None):
    """Calls stop() (default: SIGTERM to the main thread) once standard input reaches its end."""

    def watch():
        try:
            while sys.stdin.buffer.read(4096):
                pass
        except OSError:
            pass
        if stop is None:
            # To the main thread itself, so its wait for sockets ends at once.
            signal.pthread_kill(threading.main_thread().ident, signal.SIGTERM)
        else:
            stop()

    threading.Thread(target=watch, daemon=True).start()
