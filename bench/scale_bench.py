"""How Trevask's cost grows with its input: time and peak resident memory per tenfold step.

Inputs: lines logged by a looping script, command-line parameters (variables), the length of one
script line full of variables and in-line functions, and the entries of one listing (vsftpd on
127.0.0.1). Each time is the median of the runs, less the median of a script that only sets a
variable (the runner's fixed start and close pauses). The growth factor is the time of a step over
the time of the step before: about 10 means linear, about 100 quadratic. Targets are checked at
the largest step of the inputs that have one.
"""

import argparse
import os
import shutil
import signal
import statistics
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from transfer_bench import Vsftpd, run  # noqa: E402

MIB = 1024 * 1024
# One piece of the long line: a variable, a date function, the text functions.
LINE_PIECE = "%%Word%% DAY(2024-05-01) SUBSTR(abcdef,2,3) POSITION(c,abc) LENGTH(abc) "


def script(folder, name, lines):
    path = os.path.join(folder, name)
    with open(path, "w", newline="") as f:
        f.write("\r\n".join(lines) + "\r\n")
    return path


def log_lines(folder, n, _server):
    # Each round logs its LET line; IF and GOTO are not echoed.
    return [script(folder, "log.ftp", [
        "NUMVARIABLE n", ":top", "LET n = n + 1", f"IF %%n%% < {n}", "GOTO :top", "ENDIF"])]


def variables(folder, n, _server):
    # Every parameter becomes a variable Param<i>; ALLPARAMS reads each of them once.
    path = script(folder, "vars.ftp", ["ALLPARAMS LET last = %%ALLPAR%%", f"LET check = %%Param{n}%%"])
    return [path] + [f"p{i}" for i in range(1, n + 1)]


def line_length(folder, n, _server):
    piece = LINE_PIECE
    body = piece * (n // len(piece) + 1)
    # A line of no command: it is rewritten, and nothing else is done with it.
    return [script(folder, "line.ftp", ["LET Word = w", "X " + body[:n]])]


def listing(folder, n, server):
    data = os.path.join(server.root, "list")
    shutil.rmtree(data, ignore_errors=True)
    os.makedirs(data)
    for i in range(n):
        open(os.path.join(data, f"f{i:06d}.txt"), "w").close()
    return [script(folder, "list.ftp", [
        "HOST=127.0.0.1", f"PORT={server.port}", "USER=anonymous", "PASSWORD=bench@example.com",
        "CONNECT", "REMOTE-CD /list", "REMOTE-EXISTS(*)", "DISCONNECT"])]


INPUTS = [
    # name, steps, what makes the run, target (time s, peak MiB) at the last step or None
    ("log lines", [1000, 10000, 100000, 1000000], log_lines, (None, 64)),
    ("variables", [1000, 10000, 100000], variables, (2.0, None)),
    ("line bytes", [10000, 100000, 1000000, 10000000], line_length, (1.0, 64)),
    ("listing entries", [1000, 10000, 100000], listing, None),
]


def measure(trevask, env, args, runs):
    # The peak comes from /usr/bin/time: a child forked by this script would count this
    # script's own memory (a 10 MB line built here) in its peak.
    times, peaks = [], []
    with tempfile.NamedTemporaryFile("r") as peak:
        for _ in range(runs):
            t, *_ = run(["/usr/bin/time", "-f", "%M", "-o", peak.name, trevask] + args, env)
            peak.seek(0)
            times.append(t)
            peaks.append(int(peak.read().split()[-1]) / 1024)
    return statistics.median(times), max(peaks)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--trevask", required=True)
    ap.add_argument("--runs", type=int, default=3)
    ap.add_argument("--only", default="", help="comma-separated input numbers (1-4)")
    args = ap.parse_args()
    trevask = os.path.abspath(args.trevask)
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen")
    only = {int(x) for x in args.only.split(",") if x}
    signal.signal(signal.SIGTERM, lambda s, _f: sys.exit(f"stopped by signal {s}"))

    work = tempfile.mkdtemp(prefix="scale-bench-")
    server = None
    missed = 0
    try:
        folder = os.path.join(work, "scripts")
        os.makedirs(folder)
        base_t, base_rss = measure(trevask, env, [script(folder, "base.ftp", ["LET x = 1"])], args.runs)
        print(f"baseline (a script that sets one variable): {base_t:.2f} s, {base_rss:.1f} MiB peak")
        for number, (name, steps, make, target) in enumerate(INPUTS, 1):
            if only and number not in only:
                continue
            if make is listing and server is None:
                server = Vsftpd(work)
            print(f"\n{name}:")
            print(f"  {'size':>10} {'time s':>8} {'net s':>8} {'peak MiB':>9} {'growth':>7}")
            previous = None
            for n in steps:
                t, rss = measure(trevask, env, make(folder, n, server), args.runs)
                net = max(t - base_t, 0.0)
                growth = f"{net / previous:7.1f}" if previous and previous > 0.005 else "      -"
                print(f"  {n:>10} {t:8.2f} {net:8.2f} {rss:9.1f} {growth}")
                previous = net
            if target:
                limit_t, limit_rss = target
                checks = []
                if limit_t is not None:
                    checks.append((net < limit_t, f"{net:.2f} s net < {limit_t} s"))
                if limit_rss is not None:
                    checks.append((rss < limit_rss, f"{rss:.1f} MiB < {limit_rss} MiB"))
                for ok, text in checks:
                    missed += not ok
                    print(f"  target at {steps[-1]}: {text}: {'MET' if ok else 'MISSED'}")
    finally:
        if server:
            server.stop()
        shutil.rmtree(work, ignore_errors=True)
    print("\nall targets MET" if not missed else f"\n{missed} target(s) MISSED")
    return 1 if missed else 0


if __name__ == "__main__":
    sys.exit(main())
