#!/usr/bin/env python3
"""Times the whole program on a file of random int32 values (the count first, one value a
line) piped in, with its output to /dev/null and no terminal, beside the same job done with the
standard library alone (bench/reference_program.cpp, checked first to write the same bytes) and
`LC_ALL=C sort -n --parallel=1` on the same file. The commands are run in turn, round after
round; the script prints each one's median time, the ratio of sort's to the program's, the
program's page faults and peak memory, and the system's transparent huge page setting.
--also adds other builds of the program to the rounds, for a before-and-after comparison in
one run: a path, or a git revision (HEAD~1, a commit), whose program it builds in build/.
Each order of the values is timed in turn, random, sorted and reversed, each ending with the
program's time as a ratio to every other command's; --order picks some; --count 100000000
takes 10^8 values."""

import argparse
import hashlib
import os
import pathlib
import random
import statistics
import subprocess
import time


def make_data(path, count, order):
    generator = random.Random(20261208)
    if order == "random":
        blocks = ((generator.getrandbits(32) - 2**31 for _ in range(min(100_000, count - start)))
                  for start in range(0, count, 100_000))
    else:
        values = sorted((generator.getrandbits(32) - 2**31 for _ in range(count)),
                        reverse=order == "reversed")
        blocks = (values[start:start + 100_000] for start in range(0, count, 100_000))
    with open(path, "w") as data:
        data.write(f"{count}\n")
        for block in blocks:
            data.write("\n".join(map(str, block)) + "\n")


def build_revision(root, revision):
    """The program of another commit, built (Release, the program alone) in build/."""
    commit = subprocess.run(["git", "-C", root, "rev-parse", "--short", revision], check=True,
                            capture_output=True, text=True).stdout.strip()
    source = root / "build" / f"revision-{commit}"
    program = source / "build" / "dialogue" / "inversions"
    if not program.exists():
        source.mkdir(parents=True, exist_ok=True)
        archive = subprocess.run(["git", "-C", root, "archive", commit], check=True,
                                 capture_output=True).stdout
        subprocess.run(["tar", "-x", "-C", source], input=archive, check=True)
        subprocess.run(["cmake", "-S", source, "-B", source / "build", "-DCMAKE_BUILD_TYPE=Release",
                        "-DINVERSIONS_BUILD_TESTS=OFF"], check=True, capture_output=True)
        subprocess.run(["cmake", "--build", source / "build", "--target", "inversions"],
                       check=True, capture_output=True)
    return program


def written(command, data_path):
    """A digest of what command writes for the data file, read as it comes: a child's peak
    memory starts from its parent's, so this process stays small."""
    digest = hashlib.sha256()
    with open(data_path, "rb") as data:
        run = subprocess.Popen(command, stdin=data, stdout=subprocess.PIPE)
        for block in iter(lambda: run.stdout.read(1 << 20), b""):
            digest.update(block)
    if run.wait() != 0:
        raise SystemExit(f"{command[0]} failed with status {run.returncode}")
    return digest.digest()


def huge_page_setting():
    try:
        return pathlib.Path("/sys/kernel/mm/transparent_hugepage/enabled").read_text().strip()
    except OSError:
        return "none on this system"


def timed_run(command, data_path, environment=None):
    """Runs command on the data file; returns its wall time in seconds, its minor page faults
    and its peak memory in MiB."""
    with open(data_path, "rb") as data:
        started = time.perf_counter()
        run = subprocess.Popen(command, stdin=data, stdout=subprocess.DEVNULL,
                               start_new_session=True, env=environment)
        _, status, usage = os.wait4(run.pid, 0)
        elapsed = time.perf_counter() - started
    returncode = os.waitstatus_to_exitcode(status)
    if returncode != 0:
        raise SystemExit(f"{command[0]} failed with status {returncode}")
    return elapsed, usage.ru_minflt, usage.ru_maxrss / 1024


def time_order(options, order, commands, reference, sort):
    """Times the commands on one order's data in alternate rounds and prints the figures."""
    data_path = pathlib.Path(options.data or
                             pathlib.Path(__file__).resolve().parent.parent / "build" /
                             f"{order}-{options.count}.txt")
    if not data_path.exists():
        print(f"making {data_path} ...", flush=True)
        # In a child of its own: sorting the values takes this process to hundreds of MiB, and
        # each program timed would start its peak memory from there.
        maker = os.fork()
        if maker == 0:
            make_data(data_path, options.count, order)
            os._exit(0)
        os.waitpid(maker, 0)
    if reference in commands and written(commands[0], data_path) != written(reference, data_path):
        raise SystemExit(f"{reference[0]} does not write what the program writes")
    sort_environment = dict(os.environ, LC_ALL="C")
    results = {tuple(command): [] for command in commands}
    for run in range(options.runs):
        line = []
        for command in commands:
            result = timed_run(command, data_path, sort_environment if command is sort else None)
            results[tuple(command)].append(result)
            line.append(f"{pathlib.Path(command[0]).name} {result[0]:.3f} s")
        print(f"run {run + 1}: " + ", ".join(line), flush=True)

    print(f"\n{options.count} values in {order} order, "
          f"{data_path.stat().st_size / 2**20:.0f} MiB of text, medians of {options.runs} rounds; "
          f"transparent huge pages: {huge_page_setting()}")
    medians = {tuple(c): statistics.median(r[0] for r in results[tuple(c)]) for c in commands}
    program_median = medians[tuple(commands[0])]
    for command in commands:
        median = medians[tuple(command)]
        print(f"{' '.join(command)}:\n    {median:.3f} s", end="")
        if command is not sort:
            faults = statistics.median(r[1] for r in results[tuple(command)])
            peak = max(r[2] for r in results[tuple(command)])
            print(f", {faults:.0f} page faults, peak memory {peak:.1f} MiB", end="")
        print(f", {median / program_median:.2f} of the first program's time")
    name = pathlib.Path(commands[0][0]).name
    for command in commands[1:]:
        if command is reference:
            label = "the standard-library program"
        elif command is sort:
            label = "sort -n"
        else:
            label = command[0]
        print(f"{order}: {name} / {label}: {program_median / medians[tuple(command)]:.2f}")


def main():
    here = pathlib.Path(__file__).resolve().parent
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--program", default=here.parent / "build" / "dialogue" / "inversions")
    parser.add_argument("--also", action="append", default=[],
                        help="another build to time: a path or a git revision")
    parser.add_argument("--order", nargs="+", choices=("random", "sorted", "reversed"),
                        default=["random", "sorted", "reversed"])
    parser.add_argument("--count", type=int, default=10_000_000)
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--reference",
                        default=here.parent / "build" / "bench" / "reference_program")
    parser.add_argument("--no-sort", action="store_true", help="leave sort -n out")
    parser.add_argument("--data", help="the data file (made when missing; one order only)")
    options = parser.parse_args()

    builds = [build if pathlib.Path(build).exists() else build_revision(here.parent, build)
              for build in options.also]
    commands = [[str(options.program)]] + [[str(build)] for build in builds]
    reference = [str(options.reference)]
    if pathlib.Path(options.reference).exists():
        commands.append(reference)
    sort = ["sort", "-n", "--parallel=1"]
    if not options.no_sort:
        commands.append(sort)
    for order in options.order:
        time_order(options, order, commands, reference, sort)
        print()


if __name__ == "__main__":
    main()
