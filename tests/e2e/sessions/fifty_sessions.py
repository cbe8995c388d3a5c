#!/usr/bin/env python3
"""Fifty operators at once against one hostsim: source and CSV downloads and
uploads and binary downloads of different members, all started together, each
from a PC (drive C:) of its own through kvxfer and our FTP client.

Each session's reply must name its own member (the tool programs leave their
reply in the session's QTEMP: a shared QTEMP would hand one operator another's
reply), every download must be byte for byte the member, and every upload must
be in its member byte for byte afterwards.

  fifty_sessions.py --hostsim H --kvftp F --kvxfer X [--sessions N]

The last line says how many sessions ran per second and hostsim's peak
resident memory (the benchmark in bench/sessions reads it)."""

import argparse
import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__)))),
                                "support"))
import kvsim  # noqa: E402

LIB = "FIFTY"
KINDS = ["source1", "source2", "csv1", "csv2", "bin1"]
LIMIT = 300   # seconds for all sessions together


def source_lines(i):
    return ["      * メンバー%02d の行 %d  ｶﾅ%s" % (i, n, "X" * (i % 7)) for n in range(1, 3 + i % 9)]


def rows(i):
    return [("R%02d%02d" % (i, n), "品目%02d-%d" % (i, n), str(n * i % 1000), "%d.%02d" % (i * n, n))
            for n in range(1, 2 + i % 6)]


def seed(n):
    out = ["LIB NAME(%s) TEXT('同時実行')" % LIB, "SRCPF NAME(QRPGSRC) RCDLEN(92) CCSID(5035) TEXT('ソース')"]
    for i in range(n):
        out.append("MBR NAME(S%02d) TYPE(RPGLE) TEXT('ソース%02d')" % (i, i))
        out += ["| " + line for line in source_lines(i)]
    out += ["PF NAME(ITEMS) CCSID(5035) TEXT('品目')",
            "FIELD NAME(CODE) TYPE(A) LEN(6)", "FIELD NAME(NAME) TYPE(A) LEN(20)",
            "FIELD NAME(QTY) TYPE(S) LEN(5 0)", "FIELD NAME(PRICE) TYPE(P) LEN(9 2)"]
    for i in range(n):
        out.append("MBR NAME(D%02d) TEXT('品目%02d')" % (i, i))
        out += ["ROW " + " ".join("'%s'" % v for v in r) for r in rows(i)]
        out.append("MBR NAME(C%02d) TEXT('取込%02d')" % (i, i))
    return "\n".join(out) + "\n"


def csv_text(i):
    """The CSV of member D<i>, as the CSV upload takes it."""
    return ["\"%s\",\"%s\",%s,%s" % r for r in rows(i)]


def completion(kind, i, member):
    """The start of the completion line (kvxfer's last output line)."""
    return "label99\t" + {
        "source1": "%s:「ソース%02d" % (member, i),
        "source2": "ソースメンバー「」送信完了しました。",
        "csv1": "%s:「品目%02d」ダウンロード完了しました。" % (member, i),
        "csv2": "%s:「取込%02d」アップ・ロード完了しました。件数%5d件" % (member, i, len(rows(i))),
        "bin1": "%s:「品目%02d" % (member, i),
    }[kind]


def session(i):
    """(kvxfer arguments, PC files to write first, what to check) for session i."""
    kind = KINDS[i % len(KINDS)]
    member = {"source1": "S%02d", "source2": "U%02d", "csv1": "D%02d", "csv2": "C%02d", "bin1": "D%02d"}[kind] % i
    file = "QRPGSRC" if kind.startswith("source") else "ITEMS"
    pcname = "%s-%02d.%s" % (kind, i, "txt" if kind != "bin1" else "bin")
    args = [kind, "--lib=" + LIB, "--file=" + file, "--member=" + member, "--pcfile={pc}/" + pcname]
    files = {}
    if kind == "source2":
        args.append("--type=RPGLE")
        files[pcname] = kvsim.crlf_lines(source_lines(i + 100))
    if kind == "csv2":
        files[pcname] = kvsim.crlf_lines(csv_text(i))
    return kind, member, pcname, args, files


def run(tools, n):
    root = kvsim.temp_root("kv-fifty-")
    host = None
    problems = []
    try:
        os.makedirs(os.path.join(root, "host"))
        with open(os.path.join(root, "fifty.seed"), "w", encoding="utf-8") as f:
            f.write(seed(n))
        # The store is kept (a database every change is committed to), as an
        # operator's host would keep it between starts.
        host = kvsim.HostSim(tools.hostsim, [os.path.join(kvsim.SCENARIOS, "hosts", "basic.seed"),
                                             os.path.join(root, "fifty.seed")], os.path.join(root, "host"),
                             extra=["--state", os.path.join(root, "state")])
        pcs, plans = [], []
        for i in range(n):
            pc = kvsim.Pc(os.path.join(root, "pc%02d" % i), tools.kvftp)
            plan = session(i)
            for name, content in plan[4].items():
                with open(pc.file(name), "wb") as f:
                    f.write(content)
            pcs.append(pc)
            plans.append(plan)

        start = time.monotonic()
        procs = [pc.start_kvxfer(tools.kvxfer, host.address, plan[3]) for pc, plan in zip(pcs, plans)]
        statuses = []
        for p in procs:
            left = max(1.0, LIMIT - (time.monotonic() - start))
            try:
                statuses.append(p.wait(timeout=left))
            except subprocess.TimeoutExpired:
                p.kill()
                p.wait(timeout=30)
                statuses.append(None)
        elapsed = time.monotonic() - start
        peak = host.peak_kib()

        # What the hosts holds afterwards, read by one more session.
        checker = kvsim.Pc(os.path.join(root, "checker"), tools.kvftp)
        raw_names = ["%s/ITEMS.%s" % (LIB, m) for kind, m, *_ in plans if kind in ("csv2", "bin1")]
        text_names = ["%s/QRPGSRC.%s" % (LIB, m) for kind, m, *_ in plans if kind.startswith("source")]
        raw = dict(zip(raw_names, kvsim.read_members(checker, tools.kvftp, host.address, raw_names, text=False)))
        text = dict(zip(text_names, kvsim.read_members(checker, tools.kvftp, host.address, text_names, text=True)))
        reference = kvsim.read_members(checker, tools.kvftp, host.address,
                                       ["%s/ITEMS.D%02d" % (LIB, i) for i in range(n)], text=False)
        for i, (pc, plan, status) in enumerate(zip(pcs, plans, statuses)):
            kind, member, pcname, _, files = plan
            out = pc.kvxfer_output().splitlines()
            where = "session %d (%s %s)" % (i, kind, member)
            if status is None:
                problems.append("%s did not end within %d seconds" % (where, LIMIT))
                continue
            if status != 0 or not out or not out[-1].startswith("label99\t"):
                problems.append("%s: exit %s, output %r" % (where, status, out))
                continue
            # The completion line carries what the host's reply says of this
            # session's own member: its text, the number of records loaded.
            if not out[-1].startswith(completion(kind, i, member)):
                problems.append("%s: completion line %r, expected it to start with %r"
                                % (where, out[-1], completion(kind, i, member)))
            pcfile = open(pc.file(pcname), "rb").read() if os.path.exists(pc.file(pcname)) else None
            if kind == "source1":
                # The download keeps each record's trailing blanks.
                trimmed = pcfile and b"".join(l.rstrip(b" ") + b"\r\n" for l in pcfile.split(b"\r\n")[:-1])
                if pcfile is None or trimmed != text.get("%s/QRPGSRC.%s" % (LIB, member)) \
                        or trimmed != kvsim.crlf_lines(source_lines(i)):
                    problems.append("%s: PC file %r differs from the member" % (where, pcfile))
            elif kind == "source2":
                got = text.get("%s/QRPGSRC.%s" % (LIB, member))
                if got != files[pcname]:
                    problems.append("%s: member holds %r, uploaded %r" % (where, got, files[pcname]))
            elif kind == "csv1":
                if pcfile != kvsim.crlf_lines(csv_text(i)):
                    problems.append("%s: CSV %r, expected %r" % (where, pcfile, kvsim.crlf_lines(csv_text(i))))
            elif kind == "csv2":
                got = raw.get("%s/ITEMS.%s" % (LIB, member))
                if got is None or got != reference[i]:
                    problems.append("%s: member %r, expected the records of D%02d %r" % (where, got, i, reference[i]))
            elif kind == "bin1":
                if pcfile is None or pcfile != reference[i]:
                    problems.append("%s: PC file %r, member %r" % (where, pcfile, reference[i]))
        stopped, host = host, None
        code = stopped.stop()
        host_errors = stopped.errors()
        if code != 0:
            problems.append("hostsim ended with status %d" % code)
        if host_errors.strip():
            problems.append("hostsim reported: " + host_errors.strip()[:2000])
        return problems, elapsed, peak
    finally:
        if host:
            host.stop()
        kvsim.remove_tree(root)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--hostsim", required=True)
    ap.add_argument("--kvftp", required=True)
    ap.add_argument("--kvxfer", required=True)
    ap.add_argument("--sessions", type=int, default=50)
    tools = ap.parse_args()
    problems, elapsed, peak = run(tools, tools.sessions)
    for p in problems:
        print("- " + p)
    print("%d sessions in %.2f s: %.1f sessions/s; hostsim peak resident %d KiB; %d problems"
          % (tools.sessions, elapsed, tools.sessions / elapsed, peak, len(problems)))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
