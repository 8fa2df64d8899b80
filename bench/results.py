#!/usr/bin/env python3
"""Turns velmora-bench JSON output into the tables of bench/RESULTS.md.

Usage: results.py SQLITE.json [POSTGRES.json] RESULTS.md

Only the part between the two marker lines is rewritten; the notes around it stay.
"""
import json
import os
import platform
import sys

START = "<!-- results:start -->"
END = "<!-- results:end -->"

ACTIONS = [
    ("LoginAndMainWindow", "Login + main window load"),
    ("StudentList", "Student list fill"),
    ("StudentSearch", "Search (name fragment)"),
    ("RecordFormWithPhoto", "Record form open with photo"),
    ("ReportAllPages", "Report, all pages laid out (PDF)"),
    ("DefineTest", "Test definition, every item"),
    ("ScoreSaveAndMove", "Score save + move"),
    ("ScoreView", "Score viewing"),
    ("TestList", "Test list"),
    ("ClassSortBySelection", "Class analysis sort (by selection)"),
    ("SubjectAnalysis", "Subject analysis (statistics, bands, pie)"),
    ("PersonalPage", "One personal analysis page (table, chart)"),
    ("StatsTable", "Statistics table of a test (14 subjects, total, bands)"),
    ("Progress", "Progress between two tests by the total (read, ranked, paired)"),
    ("TermGrade", "Term grade of three weighted tests (14 subjects, ranked)"),
    ("GradeCompare", "Grade comparison, 6 classes x 50 students x 14 subjects (counted, compared, sheet)"),
    ("GridOpen", "Score grid open (all 14 subjects, attendance, comment)"),
    ("GridKeystroke", "Score grid, one keystroke: type, check, Enter down"),
    ("GridKeystrokePainted", "Score grid, one keystroke with the repaint"),
    ("GridPaste", "Score grid, paste every student x 14 subjects"),
    ("GridSave", "Score grid save, 45 x 6 changed cells"),
    ("ExportScoreTable", "Export a test to .xlsx (14 subjects, attendance, comment)"),
    ("ImportStudents", "Import new students from .xlsx (read, check, add)"),
    ("ImportMarkingExport", "Import a marking system's export (.xlsx, 9 subjects, ranks, 40 questions)"),
    ("ReportCards", "Report cards of test 1 as one PDF (A4, 14 subjects, comment)"),
    ("SlipsPdf", "Score slips of test 1 as one PDF (14 subjects, scores and bands)"),
    ("SlipsPng", "Score slips of test 1, one 600-px PNG per student"),
    ("Backup", "Backup of the embedded file (online copy, checked)"),
    ("Restore", "Restore of a backup (checked, one transaction)"),
]


def load(path):
    with open(path, encoding="utf-8") as f:
        data = json.load(f)
    times = {}
    for b in data["benchmarks"]:
        if b.get("error_occurred"):
            continue
        # With repetitions, the median stands for the action.
        if b.get("run_type") == "aggregate" and b.get("aggregate_name") != "median":
            continue
        name, *args = b.get("run_name", b["name"]).split("/")
        unit = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}[b["time_unit"]]
        times[(name, tuple(int(a) for a in args[:2]))] = b["real_time"] * unit
    return data["context"], times


def ms(v):
    if v is None:
        return "—"
    return f"{v:.2f}" if v < 10 else f"{v:.1f}" if v < 100 else f"{v:.0f}"


def table(times):
    lines = ["| Action | Students | Tests | Velmora (ms) | Raw SQL (ms) | Ratio |",
             "|---|---:|---:|---:|---:|---:|"]
    for key, title in ACTIONS:
        args = sorted({a for (n, a) in times if n == "BM_" + key}, key=lambda a: (a[1], a[0]))
        for a in args:
            t = times.get(("BM_" + key, a))
            raw = times.get(("BM_" + key + "_Raw", a))
            ratio = f"{t / raw:.1f}×" if t and raw else "—"
            lines.append(f"| {title} | {a[0]:,} | {a[1]} | {ms(t)} | {ms(raw)} | {ratio} |")
    return lines


def growth(times):
    lines = ["| Action | 60 | 1,000 | 5,000 | ×, 1,000 → 5,000 students (linear: 5×) |",
             "|---|---:|---:|---:|---:|"]
    tests = ["| Action | 40 tests | 500 tests | ×, 40 → 500 tests (linear: 12.5×) |", "|---|---:|---:|---:|"]
    for key, title in ACTIONS:
        by = {a: t for (n, a), t in times.items() if n == "BM_" + key}
        if (1000, 40) in by and (5000, 40) in by:
            lines.append(f"| {title} | {ms(by.get((60, 40)))} | {ms(by[(1000, 40)])} | {ms(by[(5000, 40)])} "
                         f"| {by[(5000, 40)] / by[(1000, 40)]:.1f}× |")
        if (60, 500) in by and (60, 40) in by:
            tests.append(f"| {title} | {ms(by[(60, 40)])} | {ms(by[(60, 500)])} | {by[(60, 500)] / by[(60, 40)]:.1f}× |")
    return lines, tests


def machine(context):
    cpu = platform.processor() or "unknown processor"
    try:
        with open("/proc/cpuinfo") as f:
            for line in f:
                if line.startswith("model name"):
                    cpu = line.split(":", 1)[1].strip()
                    break
    except OSError:
        pass
    osname = platform.system()
    try:
        with open("/etc/os-release") as f:
            for line in f:
                if line.startswith("PRETTY_NAME="):
                    osname = line.split("=", 1)[1].strip().strip('"')
    except OSError:
        pass
    mem = os.sysconf("SC_PAGE_SIZE") * os.sysconf("SC_PHYS_PAGES") / 2**30
    return (f"Run on {context['date'][:10]}: {cpu}, {context['num_cpus']} cores, {mem:.0f} GiB, {osname}; "
            "Velmora built RelWithDebInfo; wall-clock time per run, the median of three repetitions.")


def parse_ms(text):
    text = text.strip().replace(",", "")
    return None if text in ("—", "") else float(text)


def previous(out, title):
    """The times of an earlier run, read back from the section's table in RESULTS.md,
    so that a run of some benchmarks (--benchmark_filter) keeps the others' rows."""
    times = {}
    if not os.path.exists(out):
        return times
    with open(out, encoding="utf-8") as f:
        text = f.read()
    if START not in text or f"### {title}" not in text:
        return times
    body = text.split(START, 1)[1].split(END, 1)[0].split(f"### {title}", 1)[1].split("###", 1)[0]
    keys = {label: key for key, label in ACTIONS}
    for line in body.splitlines():
        cells = [c.strip() for c in line.strip().strip("|").split("|")]
        if len(cells) != 6 or cells[0] not in keys:
            continue
        args = (int(cells[1].replace(",", "")), int(cells[2]))
        for name, value in (("BM_" + keys[cells[0]], cells[3]), ("BM_" + keys[cells[0]] + "_Raw", cells[4])):
            if parse_ms(value) is not None:
                times[(name, args)] = parse_ms(value)
    return times


def section(title, path, out):
    context, fresh = load(path)
    times = previous(out, title)
    times.update(fresh)
    g, t = growth(times)
    return context, [f"### {title}", "", *table(times), "", "Growth with the class:", "", *g, "",
                     "Growth with the tests (60 students):", "", *t, ""]


def main(argv):
    if len(argv) not in (3, 4):
        sys.exit(__doc__)
    out = argv[-1]
    context, body = section("SQLite (embedded file)", argv[1], out)
    if len(argv) == 4 and os.path.exists(argv[2]):
        body += section("PostgreSQL (local server, fsync on)", argv[2], out)[1]
    generated = [START, "", machine(context), "", *body, END]
    text = f"# Benchmark results\n\n{START}\n{END}\n"
    if os.path.exists(out):
        with open(out, encoding="utf-8") as f:
            text = f.read()
    before, rest = text.split(START, 1)
    after = rest.split(END, 1)[1]
    with open(out, "w", encoding="utf-8") as f:
        f.write(before + "\n".join(generated) + after)


if __name__ == "__main__":
    main(sys.argv)
