"""Runs the transfer workloads with Trevask, curl and lftp against one vsftpd on 127.0.0.1.

Every program uses active mode. Runs alternate between the programs in a fixed order (A B A B)
after a warm-up round; per workload it prints the median wall time of each program, the
Trevask/peer ratio taken pair by pair (median, min, max), Trevask's peak resident memory and
whether the targets are met. Every run's result is compared byte for byte with its source.
Trevask runs without a display (Qt's offscreen platform), so the figures do not depend on a
desktop.

Each run of a one-file workload moves the file --repeat times over one control connection (curl
and lftp the same count), so the transfers, not the starts, make up the measured time. Trevask's
own start and close (its start timer, its one-second close timer and pause) are taken out by a
baseline measured in every round: a script that only sets a variable. Its connect, login and
transfers stay in, as the peers' whole runs do. Before every run
of a tree workload the loopback TIME_WAIT connections earlier runs left are waited out (past a
few thousand every new data connection slows), or only counted with --time-wait count.
--load busy (or both) runs the workloads beside busy processes the benchmark starts and stops
itself, one per core asked for.
"""

import argparse
import filecmp
import os
import shutil
import signal
import socket
import statistics
import subprocess
import sys
import tempfile
import time

# Targets: time ratios Trevask/peer (1.11 = 90 % of the peer's throughput) and peak memory.
TARGET_RATIO = {"curl": 1.11, "lftp": 1.0}
# The worst single pair against curl.
TARGET_MAX_RATIO = {"curl": 1.25}
TARGET_RSS_MIB = 64
# Linux keeps a closed connection in TIME_WAIT for 60 s.
TIME_WAIT_S = 60


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def write_random(path, size):
    chunk = os.urandom(1 << 20)
    with open(path, "wb") as f:
        left = size
        while left > 0:
            n = min(left, len(chunk))
            f.write(chunk[:n])
            left -= n


class Vsftpd:
    def __init__(self, work):
        self.root = os.path.join(work, "root")  # anonymous root: must not be writable
        self.data = os.path.join(self.root, "data")
        os.makedirs(self.data)
        os.chmod(self.root, 0o755)
        os.makedirs("/var/run/vsftpd/empty", exist_ok=True)
        self.port = free_port()
        conf = os.path.join(work, "vsftpd.conf")
        with open(conf, "w") as f:
            f.write("\n".join([
                "listen=YES", "listen_ipv6=NO", "listen_address=127.0.0.1",
                f"listen_port={self.port}", "background=NO", "anonymous_enable=YES",
                "no_anon_password=YES", f"anon_root={self.root}", "local_enable=NO",
                "write_enable=YES", "anon_upload_enable=YES", "anon_mkdir_write_enable=YES",
                "anon_other_write_enable=YES", "anon_umask=022", "port_enable=YES",
                "connect_from_port_20=NO", "pasv_enable=YES", "seccomp_sandbox=NO",
                "xferlog_enable=NO", "use_sendfile=YES", "max_clients=0", "max_per_ip=0",
                "secure_chroot_dir=/var/run/vsftpd/empty", "ftp_username=ftp", ""]))
        self.proc = subprocess.Popen(["/usr/sbin/vsftpd", conf], stdout=subprocess.DEVNULL,
                                     stderr=subprocess.PIPE)
        deadline = time.monotonic() + 10
        while time.monotonic() < deadline:
            try:
                with socket.create_connection(("127.0.0.1", self.port), timeout=1):
                    return
            except OSError:
                if self.proc.poll() is not None:
                    raise SystemExit("vsftpd did not start: " + self.proc.stderr.read().decode())
                time.sleep(0.05)
        raise SystemExit("vsftpd did not answer")

    def writable(self, path):
        os.makedirs(path, exist_ok=True)
        shutil.chown(path, "ftp", "ftp")
        os.chmod(path, 0o777)

    def stop(self):
        self.proc.send_signal(signal.SIGTERM)
        try:
            self.proc.wait(5)
        except subprocess.TimeoutExpired:
            self.proc.kill()


def run(cmd, env=None):
    """Wall time, peak resident memory (KiB) and CPU time (user + system) of one run; fails
    loudly on a failed run."""
    # Standard error goes to a file: a pipe read only at the end would stall a program that
    # writes more than the pipe holds. No terminal input: lftp would wait at its prompt.
    with tempfile.TemporaryFile() as err:
        start = time.monotonic()
        proc = subprocess.Popen(cmd, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                stderr=err, env=env)
        _, status, usage = os.wait4(proc.pid, 0)
        elapsed = time.monotonic() - start
        code = os.waitstatus_to_exitcode(status)
        if code != 0:
            err.seek(0)
            text = err.read().decode(errors="replace")
            raise SystemExit(f"{cmd[0]} failed ({code}): {text[-2000:]}")
    return elapsed, usage.ru_maxrss, usage.ru_utime + usage.ru_stime


def loopback_time_waits():
    """The loopback connections in TIME_WAIT, by their two ends."""
    found = set()
    with open("/proc/net/tcp") as f:
        next(f)
        for line in f:
            fields = line.split()
            local, remote, state = fields[1], fields[2], fields[3]
            if state == "06" and ("0100007F:" in local or "0100007F:" in remote):
                found.add((local, remote))
    return found


class TimeWaits:
    """The TIME_WAIT connections the benchmark's own runs leave. Other programs on the machine
    make loopback connections too: theirs are counted apart and not waited for."""

    def __init__(self, mode):
        self.mode = mode
        self.left = set()  # left by the last run
        self.before = set()
        self.seen = []  # per run: (ours found, ours still there at the start, others)

    def before_run(self):
        now = loopback_time_waits()
        ours = self.left & now
        found = len(ours)
        if self.mode == "wait":
            deadline = time.monotonic() + TIME_WAIT_S + 5
            while ours and time.monotonic() < deadline:
                time.sleep(0.5)
                now = loopback_time_waits()
                ours &= now
        self.seen.append((found, len(ours), len(now - ours)))
        self.before = now

    def after_run(self):
        self.left = loopback_time_waits() - self.before

    def report(self):
        if not self.seen:
            return ""
        found = [x[0] for x in self.seen]
        others = [x[2] for x in self.seen]
        text = (f"  TIME_WAIT left by the previous run: {min(found)}-{max(found)} before a run, "
                f"{max(x[1] for x in self.seen)} at most still there at its start "
                f"({'waited out' if self.mode == 'wait' else 'only counted'}); "
                f"others' loopback TIME_WAIT: {min(others)}-{max(others)}")
        self.seen = []
        return text


class BusyLoad:
    """Processes that each keep one core busy, started and stopped by the benchmark."""

    def __init__(self, cores):
        self.procs = [subprocess.Popen([sys.executable, "-c", "while True: pass"],
                                       stdin=subprocess.DEVNULL) for _ in range(cores)]

    def stop(self):
        for p in self.procs:
            p.kill()
        for p in self.procs:
            p.wait()
        self.procs = []


def load_average():
    with open("/proc/loadavg") as f:
        return " ".join(f.read().split()[:3])


def tree_files(top):
    out = set()
    for dirpath, _, files in os.walk(top):
        for name in files:
            out.add(os.path.relpath(os.path.join(dirpath, name), top))
    return out


def measure(title, prepare, check, programs, tree, cores, baseline, env, args, time_waits):
    """Runs one workload in alternating rounds and prints its figures."""
    names = list(programs)
    times = {n: [] for n in names}
    cpu = {n: [] for n in names}
    base = []
    base_cpu = []
    peak = 0
    for round_no in range(args.runs + 1):  # round 0 is the warm-up
        elapsed, _, used = run(baseline, env)
        if round_no > 0:
            base.append(elapsed)
            base_cpu.append(used)
        for name in names:
            prepare()
            if tree:
                time_waits.before_run()
            elapsed, rss, used = run(programs[name], env if name == "Trevask" else None)
            if tree:
                time_waits.after_run()
            check()
            if round_no > 0:
                times[name].append(elapsed)
                cpu[name].append(used)
                if name == "Trevask":
                    peak = max(peak, rss)
    load_text = f"beside {cores} busy cores" if cores else "without added load"
    print(f"\nWorkload {title}, {load_text} (load average now {load_average()})")
    if tree:
        print(time_waits.report())
    base_s = statistics.median(base)
    tv = times["Trevask"]
    tv_net = [t - base_s for t in tv]
    rss_ok = peak / 1024 < TARGET_RSS_MIB
    print(f"  baseline median {base_s:8.3f} s (min {min(base):.3f} max {max(base):.3f}), "
          f"CPU {statistics.median(base_cpu):.3f} s: a script that only sets a variable, i.e. "
          f"Trevask's start, its close timer and pause; taken off its times (connect, login and "
          f"transfers stay in)")
    if not tree:
        print(f"  every run moves the file {args.repeat} times over one connection, "
              f"{args.repeat * args.size_mib} MiB in all")
    print(f"  Trevask  median {statistics.median(tv):8.3f} s measured, "
          f"{statistics.median(tv_net):8.3f} s without the baseline; "
          f"CPU {statistics.median(cpu['Trevask']):.3f} s; peak RSS {peak / 1024:.1f} MiB ({'met' if rss_ok else 'MISSED'}: "
          f"< {TARGET_RSS_MIB} MiB)")
    for name in names[1:]:
        peer = times[name]
        ratios = [a / b for a, b in zip(tv_net, peer)]
        median = statistics.median(ratios)
        # Workloads with curl aim at curl; lftp is only a reference there.
        verdict = ""
        if name == names[1]:
            target = TARGET_RATIO[name]
            verdict = f" ({'met' if median <= target else 'MISSED'}: median <= {target}"
            top = TARGET_MAX_RATIO.get(name)
            if top:
                verdict += f"; {'met' if max(ratios) <= top else 'MISSED'}: max <= {top}"
            verdict += ")"
        print(f"  {name:8} median {statistics.median(peer):8.3f} s; "
              f"CPU {statistics.median(cpu[name]):.3f} s; Trevask/{name} "
              f"median {median:.3f} min {min(ratios):.3f} max {max(ratios):.3f}{verdict}")
        print("           pairs " + " ".join(f"{r:.3f}" for r in ratios))
    sys.stdout.flush()


def stop_on_signal(signum, _frame):
    raise SystemExit(f"stopped by signal {signum}")


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--trevask", required=True)
    ap.add_argument("--runs", type=int, default=8, help="measured rounds (alternating pairs)")
    ap.add_argument("--size-mib", type=int, default=1024)
    ap.add_argument("--repeat", type=int, default=6,
                    help="transfers of the one file per run (every program the same count)")
    ap.add_argument("--files", type=int, default=2000)
    ap.add_argument("--only", default="", help="comma-separated workload numbers")
    ap.add_argument("--load", choices=["quiet", "busy", "both"], default="quiet",
                    help="run beside busy cores started by the benchmark, or both ways")
    ap.add_argument("--load-cores", type=int, default=4)
    ap.add_argument("--time-wait", choices=["wait", "count"], default="wait",
                    help="before each tree run: wait for TIME_WAIT connections to end, or "
                         "only count them")
    args = ap.parse_args()
    trevask = os.path.abspath(args.trevask)
    trevask_env = dict(os.environ, QT_QPA_PLATFORM="offscreen")
    # A terminated benchmark still stops the server and removes its files.
    signal.signal(signal.SIGTERM, stop_on_signal)
    signal.signal(signal.SIGHUP, stop_on_signal)

    work = tempfile.mkdtemp(prefix="vantrel-bench-", dir="/dev/shm")
    os.chmod(work, 0o755)
    server = None
    load = None
    try:
        server = Vsftpd(work)
        port = server.port
        url = f"ftp://127.0.0.1:{port}"
        big_size = args.size_mib << 20
        write_random(os.path.join(server.data, "big.bin"), big_size)
        src = os.path.join(work, "src")  # local side of the uploads
        os.makedirs(src)
        shutil.copy(os.path.join(server.data, "big.bin"), os.path.join(src, "big.bin"))
        per_folder = 100
        for i in range(args.files):
            sub = os.path.join(server.data, "tree", f"d{i // per_folder:02d}")
            os.makedirs(sub, exist_ok=True)
            write_random(os.path.join(sub, f"f{i:04d}.dat"), 4096)
        shutil.copytree(os.path.join(server.data, "tree"), os.path.join(src, "tree"))
        os.makedirs(os.path.join(server.data, "flat"))
        for i in range(args.files):
            write_random(os.path.join(server.data, "flat", f"f{i:04d}.dat"), 4096)
        up = os.path.join(server.data, "up")
        local = os.path.join(work, "local")
        scripts = os.path.join(work, "scripts")
        os.makedirs(scripts)

        def script(name, lines):
            path = os.path.join(scripts, name + ".ftp")
            head = ["HOST=127.0.0.1", f"PORT={port}", "USER=anonymous", "PASSWORD=bench@",
                    "TIMEOUT=60", "TRANSTIMEOUT=600", "CONNECT", "BINARY"]
            with open(path, "w") as f:
                f.write("\r\n".join(head + lines + ["DISCONNECT", ""]))
            return [trevask, path]

        # Trevask's start and close without any work.
        baseline = [trevask, os.path.join(scripts, "baseline.ftp")]
        with open(baseline[1], "w") as f:
            f.write("LET X = 'baseline'\r\n")

        def lftp(commands):
            return ["lftp", "-u", "anonymous,bench@", "-p", str(port), "-e",
                    "set ftp:passive-mode off; set net:max-retries 1; set xfer:clobber on; "
                    "set mirror:parallel-transfer-count 1; " + commands + "; bye", "127.0.0.1"]

        def repeated(items):
            """The one file's transfer, --repeat times in one run (the same target each time,
            so the disk holds one copy)."""
            return [x for _ in range(args.repeat) for x in items]

        def fresh_local():
            shutil.rmtree(local, ignore_errors=True)
            os.makedirs(local)

        def fresh_up():
            shutil.rmtree(up, ignore_errors=True)
            server.writable(up)

        def check_file(got, want):
            if not os.path.isfile(got) or not filecmp.cmp(got, want, shallow=False):
                raise SystemExit(f"{got} differs from {want}")

        def check_tree(got, want):
            names = tree_files(want)
            if tree_files(got) != names or any(
                    not filecmp.cmp(os.path.join(got, n), os.path.join(want, n), shallow=False)
                    for n in names):
                raise SystemExit(f"{got} differs from {want}")

        workloads = [
            (f"1 download 1 file (GET) x{args.repeat}", fresh_local,
             lambda: check_file(os.path.join(local, "big.bin"), os.path.join(server.data, "big.bin")), {
                 "Trevask": script("w1", ["REMOTE-CD /data"] + repeated([f"GET big.bin {local}/big.bin"])),
                 "curl": ["curl", "-s", "-S", "-P", "-"] + repeated(["-o", f"{local}/big.bin",
                                                                     f"{url}/data/big.bin"]),
                 "lftp": lftp("; ".join(repeated([f"get /data/big.bin -o {local}/big.bin"])))}),
            (f"2 upload 1 file (SEND) x{args.repeat}", fresh_up,
             lambda: check_file(os.path.join(up, "big.bin"), os.path.join(src, "big.bin")), {
                 "Trevask": script("w2", repeated([f"SEND {src}/big.bin /data/up/big.bin"])),
                 "curl": ["curl", "-s", "-S", "-P", "-"] + repeated(["-T", f"{src}/big.bin",
                                                                     f"{url}/data/up/big.bin"]),
                 "lftp": lftp("; ".join(repeated([f"put {src}/big.bin -o /data/up/big.bin"])))}),
            (f"3 download tree of {args.files} files (GETTREE)", fresh_local,
             lambda: check_tree(os.path.join(local, "tree"), os.path.join(server.data, "tree")), {
                 "Trevask": script("w3", [f"GETTREE /data/tree/*.* {local}/tree"]),
                 "lftp": lftp(f"mirror /data/tree {local}/tree")}),
            (f"4 upload tree of {args.files} files (SENDTREE)", fresh_up,
             lambda: check_tree(os.path.join(up, "tree"), os.path.join(src, "tree")), {
                 "Trevask": script("w4", ["REMOTE-CD /data/up", f"SENDTREE {src}/tree/*.* tree"]),
                 "lftp": lftp(f"mirror -R {src}/tree /data/up/tree")}),
            (f"5 download {args.files} files by mask (GET *.dat)", fresh_local,
             lambda: check_tree(local, os.path.join(server.data, "flat")), {
                 "Trevask": script("w5", ["REMOTE-CD /data/flat", f"GET *.dat {local}"]),
                 "lftp": lftp(f"mget -O {local} /data/flat/*.dat")}),
        ]
        only = {int(x) for x in args.only.split(",") if x}
        loads = {"quiet": [0], "busy": [args.load_cores], "both": [0, args.load_cores]}[args.load]
        print(f"Load average at the start: {load_average()} on {os.cpu_count()} cores")
        time_waits = TimeWaits(args.time_wait)
        for index, (title, prepare, check, programs) in enumerate(workloads, 1):
            if only and index not in only:
                continue
            tree = index >= 3
            for cores in loads:
                load = BusyLoad(cores) if cores else None
                try:
                    measure(title, prepare, check, programs, tree, cores, baseline, trevask_env,
                            args, time_waits)
                finally:
                    if load:
                        load.stop()
                        load = None
    finally:
        if load:
            load.stop()
        if server:
            server.stop()
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
