#!/usr/bin/env python3
"""Runs scenario files (cases/*.scn): one operation of kvxfer against hostsim,
with the host's fault switches, and checks what the operator was told, the PC
files and the host members afterwards.

  run_scenario.py --hostsim H --kvftp F --kvxfer X [--show] [--jobs N] FILE...

Exit status: 0 every scenario as expected; 1 a scenario failed; 77 (when every
failing scenario requires something not yet landed) the scenarios failed as
expected. --show prints what a run did instead of judging it (for writing a
scenario). The format is described in README.md beside this script."""

import argparse
import concurrent.futures
import os
import re
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), "support"))
import kvsim  # noqa: E402

HERE = os.path.dirname(os.path.abspath(__file__))
LANDED = os.path.join(HERE, "landed")
DEFAULT_LIMIT = 200   # seconds; the FTP client's own data limit is 120


def unescape(text):
    def repl(m):
        c = m.group(1)
        if c.startswith("x"):
            return chr(int(c[1:], 16))
        return {"t": "\t", "r": "\r", "n": "\n", "\\": "\\"}[c]
    return re.sub(r"\\(x[0-9a-fA-F]{2}|[trn\\])", repl, text)


class Scenario:
    def __init__(self, path):
        self.path = path
        self.name = os.path.splitext(os.path.basename(path))[0]
        self.title = ""
        self.operation = []
        self.hosts = []
        self.faults = []
        self.requires = []
        self.exit = None
        self.output = None
        self.limit = DEFAULT_LIMIT
        self.before = []        # kvxfer runs that prepare the PC files
        self.password = "QSECOFR"
        self.unreachable = False
        self.pc_before = {}     # name -> bytes
        self.pc_after = {}      # name -> "unchanged" | "absent" | bytes
        self.member_after = {}  # LIB/FILE.MBR -> "unchanged" | "absent" | bytes
        self.member_raw = set()  # members compared record bytes for record bytes (else as Shift-JIS lines)
        self._parse()

    def _parse(self):
        with open(self.path, encoding="utf-8") as f:
            lines = f.read().split("\n")
        i = 0
        while i < len(lines):
            line = lines[i]
            i += 1
            if not line.strip() or line.startswith("#"):
                continue
            if ":" not in line or line[0] == " ":
                raise ValueError("%s: line %d: expected 'key: value'" % (self.path, i))
            key, value = line.split(":", 1)
            value = value.strip()
            block = []
            while i < len(lines) and lines[i].startswith("  "):
                block.append(unescape(lines[i][2:]))
                i += 1
            self._set(key.strip(), value, block, i)

    def _content(self, value, block):
        if value == "hex":
            return bytes.fromhex("".join(block))
        if value in ("unchanged", "absent", "changed"):
            return value
        if value == "empty":
            return b""
        if value.startswith("mksavf "):
            return ("mksavf", value.split()[1])
        if value:
            raise ValueError("%s: unknown content '%s'" % (self.path, value))
        return kvsim.crlf_lines(block)

    def _set(self, key, value, block, lineno):
        if key == "title":
            self.title = value
        elif key == "operation":
            self.operation = value.split()
        elif key == "host":
            self.hosts += value.split()
        elif key == "fault":
            self.faults += value.split()
        elif key == "requires":
            self.requires += value.split()
        elif key == "exit":
            self.exit = int(value)
        elif key == "limit":
            self.limit = int(value)
        elif key == "password":
            self.password = value
        elif key == "address":
            if value != "unreachable":
                raise ValueError("%s: address may only be 'unreachable'" % self.path)
            self.unreachable = True
        elif key == "before":
            self.before = [line.split() for line in block]
        elif key == "output":
            self.output = block
        elif key.startswith("pc-before "):
            self.pc_before[key.split(" ", 1)[1]] = self._content(value, block)
        elif key.startswith("pc-after "):
            self.pc_after[key.split(" ", 1)[1]] = self._content(value, block)
        elif key.startswith("member-after "):
            name = key.split(" ", 1)[1]
            self.member_after[name] = self._content(value, block)
            if value in ("hex", "unchanged"):
                self.member_raw.add(name)
        else:
            raise ValueError("%s: line %d: unknown key '%s'" % (self.path, lineno, key))


def landed():
    if not os.path.exists(LANDED):
        return set()
    with open(LANDED) as f:
        return {l.strip() for l in f if l.strip() and not l.startswith("#")}


def fault_args(sc):
    """Fault switches for the run's session unless the scenario names one: the
    runs of `before:` come first, then the session that reads the members."""
    session = len(sc.before) + 2
    return [f if "@" in f else "%s@%d" % (f, session) for f in sc.faults]


def run(sc, tools, show):
    """Runs one scenario; the list of what differs from its expectations."""
    problems = []
    root = kvsim.temp_root("kv-scn-%s-" % sc.name)
    host = None
    try:
        os.makedirs(os.path.join(root, "host"))
        hosts = [os.path.join(HERE, "hosts", h) for h in (sc.hosts or ["basic.seed"])]
        try:
            host = kvsim.HostSim(tools.hostsim, hosts, os.path.join(root, "host"), faults=fault_args(sc))
        except RuntimeError as e:
            return [str(e)]
        pc = kvsim.Pc(os.path.join(root, "pc"), tools.kvftp)
        for name, content in sc.pc_before.items():
            if isinstance(content, tuple):
                made = subprocess.run([tools.hostsim, "mksavf", "--seed", host.seed, "--library", content[1],
                                       pc.file(name)], stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=60)
                if made.returncode != 0:
                    return ["cannot make the save file of %s: %s" % (content[1], made.stdout.decode())]
                continue
            with open(pc.file(name), "wb") as f:
                f.write(content)
        for args in sc.before:
            status, output = pc.run_kvxfer(tools.kvxfer, host.address, args, sc.limit)
            if status != 0:
                return ["preparing run %s ended with %s: %s" % (" ".join(args), status, output)]
        pc_before_bytes = {}   # every PC file as the run finds it
        for name in os.listdir(pc.files):
            with open(pc.file(name), "rb") as f:
                pc_before_bytes[name] = f.read()
        unchanged = [m for m, want in sc.member_after.items() if want == "unchanged"]
        before = kvsim.read_members(pc, tools.kvftp, host.address, unchanged, text=False)
        for m, b in zip(unchanged, before):
            if b is None:
                problems.append("member %s cannot be read before the run" % m)

        address = kvsim.unused_address() if sc.unreachable else host.address
        status, output = pc.run_kvxfer(tools.kvxfer, address, sc.operation, sc.limit, password=sc.password)
        if show:
            print("exit: %s" % status)
            print("output:")
            for line in output:
                print("  " + line.replace("\\", "\\\\").replace("\t", "\\t"))
        if show:
            for name in sorted(os.listdir(pc.files)):
                with open(pc.file(name), "rb") as f:
                    print("pc-after %s:\n%s" % (name, as_block(f.read())))
        if status is None:
            problems.append("kvxfer did not end within %d seconds" % sc.limit)
        elif sc.exit is not None and status != sc.exit:
            problems.append("exit status %s, expected %s" % (status, sc.exit))
        if sc.output is not None and not show:
            if not lines_match(output, sc.output):
                problems.append("operator output differs:\n    got:      %s\n    expected: %s"
                                % ("\n              ".join(output) or "(nothing)",
                                   "\n              ".join(sc.output) or "(nothing)"))

        for name, want in sc.pc_after.items():
            path = pc.file(name)
            got = open(path, "rb").read() if os.path.exists(path) else None
            if want == "changed":
                if got is None or got == pc_before_bytes.get(name):
                    problems.append("PC file %s: %s, expected new content" % (name, describe(got)))
                continue
            if want == "unchanged":
                want = pc_before_bytes.get(name)
            if want == "absent":
                want = None
            if got != want:
                problems.append("PC file %s: %s, expected %s" % (name, describe(got), describe(want)))

        if host.proc.poll() is not None:
            problems.append("hostsim ended during the run (status %s): %s" % (host.proc.returncode, host.errors()))
        else:
            raw = [m for m in sc.member_after if m in sc.member_raw]
            text = [m for m in sc.member_after if m not in sc.member_raw]
            after = dict(zip(raw, kvsim.read_members(pc, tools.kvftp, host.address, raw, text=False)))
            after.update(zip(text, kvsim.read_members(pc, tools.kvftp, host.address, text, text=True)))
            earlier = dict(zip(unchanged, before))
            for m, want in sc.member_after.items():
                if show:
                    print("member-after %s:\n%s" % (m, as_block(after[m]) if after[m] is not None else "absent"))
                if want == "unchanged":
                    if after[m] != earlier[m]:
                        problems.append("member %s changed: %s before, %s after"
                                        % (m, describe(earlier[m]), describe(after[m])))
                    continue
                want = None if want == "absent" else want
                if after[m] != want:
                    problems.append("member %s: %s, expected %s" % (m, describe(after[m]), describe(want)))
        code = host.stop()
        host = None
        if code != 0:
            problems.append("hostsim ended with status %s" % code)
    finally:
        if host:
            host.stop()
        if problems and os.environ.get("KV_KEEP"):
            print("  (working folder kept: %s)" % root)
        kvsim.remove_tree(root)
    return problems


def lines_match(got, want):
    if want and want[-1] == "...":
        want = want[:-1]
        got = got[:len(want)]
    if len(got) != len(want):
        return False
    for g, w in zip(got, want):
        if w.startswith("~"):
            if not re.fullmatch(w[1:], g):
                return False
        elif g != w:
            return False
    return True


def as_block(content):
    """File bytes as a scenario block: text lines, or hex."""
    try:
        text = content.decode("cp932")
        if text.endswith("\r\n") and "\n" not in text.replace("\r\n", ""):
            return "\n".join("  " + l.replace("\\", "\\\\").replace("\t", "\\t") for l in text[:-2].split("\r\n"))
    except UnicodeDecodeError:
        pass
    return "hex\n" + "\n".join("  " + content[i:i + 32].hex() for i in range(0, len(content), 32))


def describe(content):
    if content is None:
        return "absent"
    text = content.decode("cp932", errors="replace")
    if len(text) > 200:
        text = text[:200] + "..."
    return "%d bytes %r" % (len(content), text)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--hostsim", required=True)
    ap.add_argument("--kvftp", required=True)
    ap.add_argument("--kvxfer", required=True)
    ap.add_argument("--show", action="store_true")
    ap.add_argument("--jobs", type=int, default=1, help="scenarios run at the same time")
    ap.add_argument("files", nargs="+")
    tools = ap.parse_args()
    have = landed()
    failed = expected = 0
    scenarios = [Scenario(path) for path in tools.files]
    # Scenarios that mostly wait (a stalled data connection) may run side by side.
    with concurrent.futures.ThreadPoolExecutor(max_workers=max(1, tools.jobs)) as pool:
        outcomes = list(pool.map(lambda sc: run(sc, tools, tools.show), scenarios))
    for sc, problems in zip(scenarios, outcomes):
        missing = [r for r in sc.requires if r not in have]
        if tools.show:
            continue
        if not problems:
            if missing:
                print("%s: passes although it requires %s: add it to tests/scenarios/landed or drop the "
                      "requires line" % (sc.name, " ".join(missing)))
                failed += 1
            else:
                print("%s: ok" % sc.name)
            continue
        if missing:
            print("%s: fails as expected until %s lands:" % (sc.name, " ".join(missing)))
            expected += 1
        else:
            print("%s: FAILED (%s)" % (sc.name, sc.title))
            failed += 1
        for p in problems:
            print("  - " + p)
    if failed:
        return 1
    return 77 if expected else 0


if __name__ == "__main__":
    sys.exit(main())
