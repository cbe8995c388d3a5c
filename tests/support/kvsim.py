"""A simulated IBM i and PCs around it, for the scenario runner, the
fifty-session test and its benchmark: hostsim on port 21 of a loopback address
of its own, a drive C: per PC with our FTP client installed as FTP.EXE, kvxfer
runs, and member reads through the FTP client. Every wait has a limit."""

import os
import random
import shutil
import socket
import subprocess
import tempfile
import time

SCENARIOS = os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), "scenarios")
TOOLS_SEED = os.path.join(SCENARIOS, "hosts", "tools.seed")
TOOL_LIBRARY = "TRIAL_KVU"
DATA_LIBRARY = "TRIAL_KVD"


def cp932(text):
    return text.encode("cp932")


def crlf_lines(lines):
    """UTF-8 lines as a CP932 text file with CR LF line ends."""
    return b"".join(cp932(line) + b"\r\n" for line in lines)


def windows_path(native):
    """A native path as Windows programs see it (Z: is the root)."""
    return "Z:" + native.replace("/", "\\")


def random_loopback():
    return "127.%d.%d.%d" % (random.randint(20, 219), random.randint(1, 250), random.randint(2, 251))


def unused_address():
    """A loopback address where nothing listens on port 21."""
    for _ in range(50):
        address = random_loopback()
        with socket.socket() as s:
            s.settimeout(5)
            if s.connect_ex((address, 21)) != 0:
                return address
    raise RuntimeError("no free loopback address")


class HostSim:
    """hostsim on a loopback address of its own, started from seed files."""

    def __init__(self, hostsim, seeds, work, faults=(), extra=()):
        self.work = work
        seed = self.seed = os.path.join(work, "host.seed")
        with open(seed, "wb") as out:
            for part in [TOOLS_SEED] + list(seeds):
                with open(part, "rb") as f:
                    out.write(f.read())
                out.write(b"\n")
        args = ["--seed", seed]
        for fault in faults:
            args += ["--fault", fault]
        args += list(extra)
        self.proc = None
        for _ in range(20):
            address = random_loopback()
            err = open(os.path.join(work, "hostsim.err"), "ab")
            proc = subprocess.Popen([hostsim, "--listen", address + ":21"] + args,
                                    stdout=subprocess.PIPE, stderr=err)
            err.close()
            line = proc.stdout.readline().decode(errors="replace")
            if line.startswith("listening "):
                self.proc, self.address = proc, address
                break
            proc.wait(timeout=30)
            proc.stdout.close()
            if "cannot listen" not in self.errors():
                break   # not a taken address: another try would fail the same way
        if not self.proc:
            raise RuntimeError("hostsim did not listen: " + self.errors())

    def errors(self):
        with open(os.path.join(self.work, "hostsim.err"), "rb") as f:
            return f.read().decode(errors="replace")

    def peak_kib(self):
        """The largest resident set hostsim had so far (VmHWM), in KiB."""
        with open("/proc/%d/status" % self.proc.pid) as f:
            for line in f:
                if line.startswith("VmHWM:"):
                    return int(line.split()[1])
        return 0

    def stop(self):
        """Ends hostsim; its exit status (0 when it ended cleanly on SIGTERM)."""
        if self.proc.poll() is None:
            self.proc.terminate()
            try:
                self.proc.wait(timeout=30)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait(timeout=30)
                return -9
        self.proc.stdout.close()
        return self.proc.returncode


class Pc:
    """One PC: a drive C: with FTP.EXE (our FTP client) and LIBNAME.ini, as the
    installer leaves it, and a folder for the operator's files."""

    def __init__(self, root, kvftp):
        self.root = root
        self.install = os.path.join(root, "drive_c", "KV-TRANSIT")
        self.files = os.path.join(root, "files")
        os.makedirs(self.install, exist_ok=True)
        os.makedirs(self.files, exist_ok=True)
        shutil.copy(kvftp, os.path.join(self.install, "FTP.EXE"))
        with open(os.path.join(self.install, "LIBNAME.ini"), "wb") as f:
            f.write(cp932("%s %s\r\n" % (TOOL_LIBRARY, DATA_LIBRARY)))

    def env(self):
        env = dict(os.environ)
        env["KV_DRIVE_C"] = os.path.join(self.root, "drive_c")
        env["KV_FTP_LOG"] = os.path.join(self.root, "ftp.log")
        return env

    def file(self, name):
        return os.path.join(self.files, name)

    def kvxfer_args(self, kvxfer, address, args, password):
        full = [kvxfer] + list(args) + ["--ip=" + address, "--user=QSECOFR", "--password=" + password]
        return [a.replace("{pc}", self.files) for a in full]

    def start_kvxfer(self, kvxfer, address, args, password="QSECOFR"):
        """Starts kvxfer; stdout and stderr go to files of this PC."""
        out = open(os.path.join(self.root, "kvxfer.out"), "wb")
        err = open(os.path.join(self.root, "kvxfer.err"), "wb")
        proc = subprocess.Popen(self.kvxfer_args(kvxfer, address, args, password), stdout=out, stderr=err,
                                env=self.env())
        out.close()
        err.close()
        return proc

    def kvxfer_output(self):
        with open(os.path.join(self.root, "kvxfer.out"), "rb") as f:
            return f.read().decode("utf-8", errors="replace")

    def run_kvxfer(self, kvxfer, address, args, limit, password="QSECOFR"):
        """Runs kvxfer to its end; (exit status, output lines). None as the
        status when it did not end within `limit` seconds (it is then killed)."""
        proc = self.start_kvxfer(kvxfer, address, args, password)
        try:
            status = proc.wait(timeout=limit)
        except subprocess.TimeoutExpired:
            proc.kill()
            proc.wait(timeout=30)
            status = None
        return status, self.kvxfer_output().splitlines()


def ftp_script(pc, kvftp, address, lines, limit=120):
    """Runs an FTP script through our client from `pc`; its output."""
    script = os.path.join(pc.root, "check.ftp")
    with open(script, "wb") as f:
        f.write(crlf_lines(["open " + address, "QSECOFR", "QSECOFR"] + lines + ["quit"]))
    done = subprocess.run([kvftp, "-s:" + windows_path(script)], stdout=subprocess.PIPE,
                          stderr=subprocess.STDOUT, env=pc.env(), timeout=limit)
    return done.stdout.decode("utf-8", errors="replace")


def read_members(pc, kvftp, address, members, text):
    """The members (LIB/FILE.MBR) as bytes: raw records (binary), or lines of
    Shift-JIS text with CR LF (text). None for a member that cannot be read."""
    lines = ["quote TYPE C 943"] if text else ["binary"]
    paths = []
    for i, m in enumerate(members):
        path = os.path.join(pc.root, "member-%d.%s" % (i, "txt" if text else "bin"))
        if os.path.exists(path):
            os.remove(path)
        paths.append(path)
        lines.append('get %s "%s"' % (m, windows_path(path)))
    ftp_script(pc, kvftp, address, lines)
    result = []
    for path in paths:
        if os.path.exists(path):
            with open(path, "rb") as f:
                result.append(f.read())
        else:
            result.append(None)
    return result


def temp_root(prefix):
    return tempfile.mkdtemp(prefix=prefix)


def remove_tree(root):
    if not os.environ.get("KV_KEEP"):
        shutil.rmtree(root, ignore_errors=True)
