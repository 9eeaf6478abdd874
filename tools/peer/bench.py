#!/usr/bin/env python3
"""Side-by-side start-up timing of this program (A) and HomeBank on files of
the same size, under Xvfb, alternating A and B runs (ABAB...).

usage: bench.py SIZE [ROUNDS=7] [--shots] [--no-register]
       bench.py --summary SIZE          (re-prints the summary of results/SIZE.csv)
  SIZE is 1k, 10k, 100k, 10kpast or 100kpast (see make_data.sh): A opens $PEER/data/billsSIZE.nvbf (via $PEER/runA-SIZE/system.db),
  B opens $PEER/data/billsSIZE.xhb (given on HomeBank's command line).
Writes $PEER/results/SIZE.csv (one row per run) and prints a summary.

Per run, times are from just before exec (fork+exec by Popen) on CLOCK_MONOTONIC:
  mapped_ms  the main window (title containing the data file's name) is mapped and viewable,
             seen by waitmap from the X MapNotify / PropertyNotify event;
  idle_ms    the program's CPU time (utime+stime of all threads, /proc/PID/stat) stopped rising:
             the moment of its last rise before a quiet spell of 300 ms (polled every 5 ms);
  idlex_ms   the same with Xvfb's CPU time added (the server's drawing too);
  hwm_mib    VmHWM (peak resident set) read just before the program is ended with SIGTERM;
  other_cpu_pct  share of all CPUs used by other processes (this script included) meanwhile,
             a noise indicator (system-wide busy time from /proc/stat less program and Xvfb).
For HomeBank, after idle, the account is double-clicked in the accounts panel and the account
register (the list of every transaction) is timed the same way from the click (reg_*);
--no-register skips that step (at 100k GTK's row validation keeps it busy for minutes).
A warm-up run of each program (not recorded) goes first so both start from a warm page cache.
"""
import csv, os, signal, statistics, subprocess, sys, time, shutil

PEER = os.environ["PEER"]
A_BIN = os.path.join(os.environ["NV_BUILD"], "norvo-rava-rodozod")
DISPLAY = ":58"
POLL_S = 0.005
QUIET_NS = 300_000_000
TIMEOUT_S = 400

SIZE = sys.argv[1]
ROUNDS = int(sys.argv[2]) if len(sys.argv) > 2 and sys.argv[2].isdigit() else 7
SHOTS = "--shots" in sys.argv
REGISTER = "--no-register" not in sys.argv

XVFB_PID = int(open(f"{PEER}/xvfb.pid").read())
RUNTIME = f"{PEER}/xdg-runtime"
os.makedirs(RUNTIME, mode=0o700, exist_ok=True)


def now_ns():
    return time.monotonic_ns()


def ticks(pid):
    """utime + stime (clock ticks) of the whole process, None once it is gone."""
    try:
        with open(f"/proc/{pid}/stat") as f:
            fields = f.read().rsplit(")", 1)[1].split()
        return int(fields[11]) + int(fields[12])  # fields 14 and 15 of stat
    except (FileNotFoundError, ProcessLookupError, IndexError):
        return None


def status_kib(pid, key):
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            if line.startswith(key + ":"):
                return int(line.split()[1])
    return None


def busy_jiffies():
    """System-wide non-idle CPU time (clock ticks, all CPUs) from /proc/stat."""
    with open("/proc/stat") as f:
        v = [int(x) for x in f.readline().split()[1:]]
    return v[0] + v[1] + v[2] + v[5] + v[6] + v[7]  # user nice system irq softirq steal


NCPU = os.cpu_count()


def other_load(b0, p0, x0, t0, pid):
    """Share of the machine's CPUs used by processes other than the program and Xvfb
    (this script's polling included) since t0: a noise indicator for the run."""
    dt = (now_ns() - t0) / 1e9
    other = (busy_jiffies() - b0) - (ticks(pid) - p0) - (ticks(XVFB_PID) - x0)
    return 100.0 * other / os.sysconf("SC_CLK_TCK") / (dt * NCPU)


def start_waitmap(title):
    w = subprocess.Popen([f"{PEER}/waitmap", title, str(TIMEOUT_S)],
                         env=dict(os.environ, DISPLAY=DISPLAY),
                         stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    line = w.stderr.readline()  # "ready": it listens before the program starts
    if "ready" not in line:
        raise RuntimeError("waitmap did not start: " + line)
    return w


def watch(pid, waiter, t0):
    """Polls until the window is mapped and the process then is quiet for 300 ms.
    Returns (mapped_ms, idle_ms, idlex_ms) relative to t0."""
    mapped_ns = None
    last_p = ticks(pid)
    last_x = ticks(XVFB_PID)
    change_p = change_x = now_ns()
    deadline = now_ns() + TIMEOUT_S * 1_000_000_000
    while True:
        time.sleep(POLL_S)
        t = now_ns()
        p, x = ticks(pid), ticks(XVFB_PID)
        if p is None:
            raise RuntimeError("program exited early")
        if p != last_p:
            last_p, change_p = p, t
        if x != last_x:
            last_x, change_x = x, t
        if mapped_ns is None and waiter.poll() is not None:
            out = waiter.stdout.read().split()
            if waiter.returncode != 0 or not out:
                raise RuntimeError("window never mapped")
            mapped_ns = int(out[0])
        if mapped_ns is not None and t - max(change_p, change_x) >= QUIET_NS \
                and t - mapped_ns >= QUIET_NS:
            idle = max(change_p, mapped_ns)
            idlex = max(change_p, change_x, mapped_ns)
            return ((mapped_ns - t0) / 1e6, (idle - t0) / 1e6, (idlex - t0) / 1e6)
        if t > deadline:
            raise RuntimeError("timeout")


def stop(proc):
    proc.send_signal(signal.SIGTERM)
    try:
        proc.wait(10)
    except subprocess.TimeoutExpired:
        proc.kill()
        proc.wait()


def shot(name):
    subprocess.run(["import", "-window", "root", f"{PEER}/shots/{name}.png"],
                   env=dict(os.environ, DISPLAY=DISPLAY), check=False)


def run_a(shot_name=None):
    cwd = f"{PEER}/runA-{SIZE}"
    env = dict(os.environ, DISPLAY=DISPLAY, XDG_RUNTIME_DIR=RUNTIME, HOME=f"{PEER}/ahome")
    env.pop("QT_QPA_PLATFORM", None)
    waiter = start_waitmap(f"bills{SIZE}.nvbf")
    b0, x0 = busy_jiffies(), ticks(XVFB_PID)
    t0 = now_ns()
    proc = subprocess.Popen([A_BIN], cwd=cwd, env=env, stdin=subprocess.DEVNULL,
                            stdout=subprocess.DEVNULL, stderr=open(f"{PEER}/logs/a.log", "a"))
    try:
        mapped, idle, idlex = watch(proc.pid, waiter, t0)
        hwm = status_kib(proc.pid, "VmHWM") / 1024
        other = other_load(b0, 0, x0, t0, proc.pid)
        if shot_name:
            shot(shot_name)
    finally:
        waiter.kill(); waiter.wait()
        stop(proc)
    return dict(program="A", mapped_ms=mapped, idle_ms=idle, idlex_ms=idlex, hwm_mib=hwm,
                other_cpu_pct=other)


def run_b(shot_name=None):
    home = f"{PEER}/hbhome"
    os.makedirs(f"{home}/.config/homebank", exist_ok=True)
    with open(f"{home}/preferences.base") as src, open(f"{home}/.config/homebank/preferences", "w") as dst:
        dst.write(src.read().replace("PEER_HBHOME", home))
    env = dict(os.environ, DISPLAY=DISPLAY, XDG_RUNTIME_DIR=RUNTIME, HOME=home,
               XDG_CONFIG_HOME=f"{home}/.config", XDG_DATA_HOME=f"{home}/.local/share",
               XDG_CACHE_HOME=f"{home}/.cache", NO_AT_BRIDGE="1")
    waiter = start_waitmap(f"bills{SIZE}.xhb")
    b0, x0 = busy_jiffies(), ticks(XVFB_PID)
    t0 = now_ns()
    proc = subprocess.Popen(["homebank", f"{PEER}/data/bills{SIZE}.xhb"], cwd=home, env=env,
                            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                            stderr=open(f"{PEER}/logs/b.log", "a"))
    reg_waiter = None
    try:
        mapped, idle, idlex = watch(proc.pid, waiter, t0)
        hwm = status_kib(proc.pid, "VmHWM") / 1024
        other = other_load(b0, 0, x0, t0, proc.pid)
        if shot_name:
            shot(shot_name)
        if not REGISTER:
            return dict(program="B", mapped_ms=mapped, idle_ms=idle, idlex_ms=idlex, hwm_mib=hwm,
                        other_cpu_pct=other)
        # the account register: double-click the account's row in "Your accounts"
        reg_waiter = start_waitmap("Household - HomeBank")
        subprocess.run(["xdotool", "mousemove", "90", "133", "click", "--repeat", "2",
                        "--delay", "60", "1"], env=dict(os.environ, DISPLAY=DISPLAY), check=True)
        t1 = now_ns()
        reg_mapped, reg_idle, reg_idlex = watch(proc.pid, reg_waiter, t1)
        hwm_reg = status_kib(proc.pid, "VmHWM") / 1024
        if shot_name:
            shot(shot_name + "-register")
    finally:
        waiter.kill(); waiter.wait()
        if reg_waiter:
            reg_waiter.kill(); reg_waiter.wait()
        stop(proc)
    return dict(program="B", mapped_ms=mapped, idle_ms=idle, idlex_ms=idlex, hwm_mib=hwm,
                other_cpu_pct=other, reg_mapped_ms=reg_mapped, reg_idle_ms=reg_idle, reg_idlex_ms=reg_idlex,
                hwm_reg_mib=hwm_reg)


def main():
    for d in ("results", "shots", "logs", "ahome"):
        os.makedirs(f"{PEER}/{d}", exist_ok=True)
    print(f"size {SIZE}: warm-up A and B", flush=True)
    run_a()
    run_b()
    rows = []
    for r in range(1, ROUNDS + 1):
        for fn, prog in ((run_a, "A"), (run_b, "B")):
            res = fn(f"{SIZE}-{prog}" if SHOTS and r == 1 else None)
            res.update(size=SIZE, round=r)
            rows.append(res)
            print({k: (round(v, 1) if isinstance(v, float) else v) for k, v in res.items()},
                  flush=True)
            time.sleep(0.5)
    fields = ["size", "round", "program", "mapped_ms", "idle_ms", "idlex_ms", "hwm_mib",
              "other_cpu_pct",
              "reg_mapped_ms", "reg_idle_ms", "reg_idlex_ms", "hwm_reg_mib"]
    with open(f"{PEER}/results/{SIZE}.csv", "w", newline="") as f:
        w = csv.DictWriter(f, fieldnames=fields)
        w.writeheader()
        w.writerows(rows)
    summarize(rows)


def summarize(rows):
    med = {}
    for prog in ("A", "B"):
        rs = [r for r in rows if r["program"] == prog]
        keys = ["mapped_ms", "idle_ms", "idlex_ms", "hwm_mib", "other_cpu_pct"]
        if prog == "B" and rs[0].get("reg_mapped_ms") not in (None, ""):
            keys += ["reg_mapped_ms", "reg_idle_ms", "hwm_reg_mib"]
        for k in keys:
            vals = [float(r[k]) for r in rs]
            med[(prog, k)] = statistics.median(vals)
            print(f"{SIZE} {prog} {k:14s} min {min(vals):9.1f}  median {statistics.median(vals):9.1f}"
                  f"  max {max(vals):9.1f}  (n={len(vals)})")
    for k in ("mapped_ms", "idle_ms", "idlex_ms", "hwm_mib"):
        print(f"{SIZE} ratio B/A of medians, {k}: {med[('B', k)] / med[('A', k)]:.2f}")


if __name__ == "__main__":
    if len(sys.argv) > 1 and sys.argv[1] == "--summary":
        SIZE = sys.argv[2]
        summarize(list(csv.DictReader(open(f"{PEER}/results/{SIZE}.csv"))))
    else:
        main()
