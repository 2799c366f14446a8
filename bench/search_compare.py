#!/usr/bin/env python3
"""The control's full-text search and the reference host beside grep -F and rg -F, in one run.

    bench/search_compare.py [--build BUILD] [--before BUILD] [--data DIR] [--runs N] [--rounds R]
                            [--shapes big,ordinary,headword,large] [--words zymotic,the]
                            [--modes exact,anycase] [--bound]

BUILD is a Release build folder (default out/bench-rel) with bench_search_throughput, the host and
its shelf folder; --before names a second one (say, of the code as it was) measured in the same
alternation. The books are made once in DATA (default /tmp/tavrin-search-data) from the dict-gcide
package's text (/usr/share/dictd/gcide.dict.dz and its index): the same 40 MB of text in big pages
(2-60 KB), ordinary pages (3-5 KB) and one page per headword, 400 MB in ordinary pages ("large"), and
200 MB in big pages ("big200", not measured unless named).

For every book, word and case, each run runs once, one after the other, alternated: Search alone (one
process: the shelf made, then R Searches of the one book; the best counts, and the first is shown
on its own as "first Search"), the whole host program
(`tavrin-host search`, start-up and exit included, its hits through `| wc -l`), `rg -F ... | wc -l`
and `grep -F ... | wc -l`. Printed: the best and the median wall time of the N runs and the median
CPU time (user and system, every process of the pipeline) of each, and the ratios to rg and grep.
grep runs with LC_ALL=C (in a UTF-8 locale it calls the file binary at its few non-UTF-8 bytes).

--bound adds, for the exact searches, what the work that every search of the book must do costs on
its own (`bench_search_bound`, run in the same alternation, the best of one pass of each kind): the
checksum of every byte of the book on one thread, the copy with the checksum on one thread (what the
search's own thread does through the book driver), and the copy, checksum and quick look split over
two threads. Shown as rows "bound: ..." beside rg.

--cache large|small|as-is (default large) says in what form the kernel keeps the two files of each
book in its page cache while they are measured, which changes what reading them costs every program
(rg's whole run on the 400 MB text: 18 ms against 66 ms). Before its book is measured, each file is
written anew: "large" in writes of 4 MB, which a kernel that caches files in large pieces (Linux 6.16
on for ext4; earlier for xfs) keeps in pieces of up to 2 MB, as it does a file read from disk (a book
installed and used after a restart); "small" in writes of 4 KB, kept in 4 KB pages, as every file is
on older kernels and a file written a little at a time stays until it is evicted. "as-is" leaves them.
"""
import argparse
import os
import re
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
DICT = "/usr/share/dictd/gcide.dict.dz"
SHAPES = {  # name: (megabytes, page shape); 0 MB is the text once
    "big": (0, "big"),
    "ordinary": (0, "ordinary"),
    "headword": (0, "headword"),
    "large": (400, "ordinary"),
    "big200": (200, "big"),
}


def run(command, env=None):
    """Runs a shell command; returns (wall seconds, CPU seconds, standard output)."""
    start = time.perf_counter()
    child = subprocess.Popen(["bash", "-c", command], stdout=subprocess.PIPE, env=env)
    out = child.stdout.read().decode("latin-1")
    _, status, usage = os.wait4(child.pid, 0)
    wall = time.perf_counter() - start
    child.returncode = os.waitstatus_to_exitcode(status)
    if child.returncode != 0:
        sys.exit(f"search_compare: '{command}' failed with {child.returncode}:\n{out}")
    return wall, usage.ru_utime + usage.ru_stime, out


def rewrite(path, chunk):
    """Writes the file at `path` anew in writes of `chunk` bytes (see --cache)."""
    fresh = path + ".rewrite"
    with open(path, "rb") as source, open(fresh, "wb", buffering=0) as target:
        while True:
            block = source.read(chunk)
            if not block:
                break
            target.write(block)
    os.replace(fresh, path)


def make_books(bench, data, shapes):
    for shape in shapes:
        folder = os.path.join(data, shape)
        if os.path.exists(os.path.join(folder, "words.ebd")) and os.path.exists(os.path.join(folder, "words.txt")):
            continue
        megabytes, cut = SHAPES[shape]
        print(f"making the {shape} book in {folder} ...", flush=True)
        subprocess.run([bench, "make", DICT, folder, str(megabytes), cut], check=True)


class Build:
    """A build folder: its benchmark program and its host, with a registry of its own per book."""

    def __init__(self, name, folder, work):
        self.name = name
        self.bench = os.path.join(folder, "bench", "bench_search_throughput")
        self.host = os.path.join(folder, "host", "tavrin-host")
        self.bound = os.path.join(folder, "bench", "bench_search_bound")
        self.shelf = os.path.join(folder, "shelf")
        self.work = os.path.join(work, name)
        for path in (self.bench, self.host, os.path.join(self.shelf, "EbdBook.dll")):
            if not os.path.exists(path):
                sys.exit(f"search_compare: {path} is missing; build {folder} first")

    def host_env(self, data, shape):
        """The environment in which the host sees the one book of `shape` and nothing else."""
        env = dict(os.environ)
        env["TAVRIN_REGISTRY"] = os.path.join(self.work, shape, "registry.db")
        env["TAVRIN_EBOOK_STORE"] = os.path.join(self.work, shape, "ebooks")
        if not os.path.exists(env["TAVRIN_REGISTRY"]):
            os.makedirs(env["TAVRIN_EBOOK_STORE"], exist_ok=True)
            book = os.path.join(data, shape, "words.ebd")
            run(f"'{self.host}' --shelf '{self.shelf}' add 65535 '{book}' >/dev/null", env)
        return env


def search_alone(build, folder, word, mode, rounds):
    """Search alone: the best of `rounds` Searches in one process (wall, CPU), the first of them (a
    program's first search of the book, which opens what the ones after it find open), and the hits."""
    _, _, out = run(f"'{build.bench}' search '{folder}' '{word}' {mode} {rounds}")
    times = [(float(w), float(c)) for w, c in re.findall(r"wall ([0-9.]+) s, cpu ([0-9.]+) s", out)]
    hits = re.search(r"(\d+) pages hit", out).group(1)
    return min(times), times[0], hits


BOUNDS = (  # row name: the line of bench_search_bound's output
    ("bound: checksum alone, 1 thread", "1 thread, checksum alone"),
    ("bound: copy and checksum, 1 thread", "1 thread, copy and checksum"),
    ("bound: copy, checksum and look, 2 threads", "2 threads, copy, checksum and quick look"),
)


def bounds(build, folder, word):
    """The times in seconds of the bound's passes over the book, by row name."""
    _, _, out = run(f"'{build.bound}' '{folder}/words.ebd' '{word}' 1")
    times = {}
    for name, line in BOUNDS:
        found = re.search(re.escape(line) + r": ([0-9.]+) ms", out)
        if not found:
            sys.exit(f"search_compare: no '{line}' in the output of {build.bound}:\n{out}")
        times[name] = float(found.group(1)) / 1000
    return times


def summary(samples):
    walls = [w for w, _ in samples]
    cpus = [c for _, c in samples]
    return min(walls), statistics.median(walls), statistics.median(cpus)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--build", default=os.path.join(ROOT, "out", "bench-rel"))
    parser.add_argument("--before")
    parser.add_argument("--data", default="/tmp/tavrin-search-data")
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--rounds", type=int, default=3)
    parser.add_argument("--shapes", default="big,ordinary,headword,large")
    parser.add_argument("--words", default="zymotic,the")
    parser.add_argument("--modes", default="exact,anycase")
    parser.add_argument("--cache", default="large", choices=("large", "small", "as-is"))
    parser.add_argument("--bound", action="store_true")
    args = parser.parse_args()
    for tool in ("rg", "grep"):
        if not shutil.which(tool):
            sys.exit(f"search_compare: {tool} is missing (apt-get install -y ripgrep)")
    shapes = args.shapes.split(",")
    work = tempfile.mkdtemp(prefix="tavrin-search-compare-")
    try:
        builds = [Build("after", args.build, work)]
        if args.before:
            builds.insert(0, Build("before", args.before, work))
        make_books(builds[-1].bench, args.data, shapes)
        os.environ["LC_ALL"] = "C"
        print(f"best and median wall time, median CPU time (user + system) of {args.runs} alternated runs; "
              f"Search alone: the best of {args.rounds} Searches in each run; files cached {args.cache}")
        for shape in shapes:
            folder = os.path.join(args.data, shape)
            plain = os.path.join(folder, "words.txt")
            if args.cache != "as-is":
                for path in (os.path.join(folder, "words.ebd"), plain):
                    rewrite(path, 4 << 20 if args.cache == "large" else 4096)
            run(f"cat '{folder}/words.ebd' '{plain}' >/dev/null")  # warm the page cache
            print(f"\n## {shape}: book {os.path.getsize(os.path.join(folder, 'words.ebd'))} bytes, "
                  f"plain text {os.path.getsize(plain)} bytes")
            print("| word | program | best wall | median wall | median CPU | / rg (best) | / grep (best) | hits |")
            print("|---|---|---|---|---|---|---|---|")
            envs = {b.name: b.host_env(args.data, shape) for b in builds}
            for word in args.words.split(","):
                for mode in args.modes.split(","):
                    exact = mode == "exact"
                    samples, hits = {}, {}
                    for _ in range(args.runs):
                        for b in builds:
                            result, first, hits[f"Search alone ({b.name})"] = search_alone(
                                b, folder, word, mode, args.rounds)
                            samples.setdefault(f"Search alone ({b.name})", []).append(result)
                            samples.setdefault(f"first Search ({b.name})", []).append(first)
                            hits[f"first Search ({b.name})"] = hits[f"Search alone ({b.name})"]
                            flag = "--case" if exact else ""
                            wall, cpu, out = run(f"'{b.host}' --shelf '{b.shelf}' search {flag} -- '{word}' | wc -l",
                                                 envs[b.name])
                            samples.setdefault(f"host search ({b.name})", []).append((wall, cpu))
                            hits[f"host search ({b.name})"] = f"{int(out) - 1} lines"
                        flag = "" if exact else "-i"
                        for tool in ("rg", "grep"):
                            wall, cpu, out = run(f"{tool} -F {flag} -- '{word}' '{plain}' | wc -l")
                            samples.setdefault(tool, []).append((wall, cpu))
                            hits[tool] = f"{int(out)} lines"
                        if args.bound and exact:
                            for name, seconds in bounds(builds[-1], folder, word).items():
                                samples.setdefault(name, []).append((seconds, seconds))
                                hits[name] = "-"
                    rg = summary(samples["rg"])[0]
                    grep = summary(samples["grep"])[0]
                    for name, values in samples.items():
                        best, median, cpu = summary(values)
                        print(f"| {word} {mode} | {name} | {best:.4f} | {median:.4f} | {cpu:.4f} | "
                              f"{best / rg:.2f} | {best / grep:.2f} | {hits[name]} |", flush=True)
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
