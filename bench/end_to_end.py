#!/usr/bin/env python3
"""Times the whole program on a file of random int32 values (the count first, one value a
line) piped in, with its output to /dev/null and no terminal, beside
`LC_ALL=C sort -n --parallel=1` on the same file. The two are run alternately; the script
prints each one's median time, their ratio and the program's peak memory."""

import argparse
import os
import pathlib
import random
import statistics
import subprocess
import time


def make_data(path, count):
    generator = random.Random(20261208)
    with open(path, "w") as data:
        data.write(f"{count}\n")
        block = 100_000
        for start in range(0, count, block):
            values = (generator.getrandbits(32) - 2**31 for _ in range(min(block, count - start)))
            data.write("\n".join(map(str, values)) + "\n")


def timed_run(command, data_path, environment=None):
    """Runs command on the data file; returns its wall time in seconds and peak memory in MiB."""
    with open(data_path, "rb") as data:
        started = time.perf_counter()
        run = subprocess.Popen(command, stdin=data, stdout=subprocess.DEVNULL,
                               start_new_session=True, env=environment)
        _, status, usage = os.wait4(run.pid, 0)
        elapsed = time.perf_counter() - started
    run.returncode = os.waitstatus_to_exitcode(status)
    if run.returncode != 0:
        raise SystemExit(f"{command[0]} failed with status {run.returncode}")
    return elapsed, usage.ru_maxrss / 1024


def main():
    here = pathlib.Path(__file__).resolve().parent
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--program", default=here.parent / "build" / "dialogue" / "inversions")
    parser.add_argument("--count", type=int, default=10_000_000)
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--data", help="the data file (made when missing)")
    options = parser.parse_args()

    data_path = pathlib.Path(options.data or here.parent / "build" / f"random-{options.count}.txt")
    if not data_path.exists():
        print(f"making {data_path} ...", flush=True)
        make_data(data_path, options.count)

    sort_environment = dict(os.environ, LC_ALL="C")
    program_times, sort_times, peaks = [], [], []
    for run in range(options.runs):
        elapsed, peak = timed_run([str(options.program)], data_path)
        program_times.append(elapsed)
        peaks.append(peak)
        sort_elapsed, _ = timed_run(["sort", "-n", "--parallel=1"], data_path, sort_environment)
        sort_times.append(sort_elapsed)
        print(f"run {run + 1}: inversions {elapsed:.3f} s, sort -n {sort_elapsed:.3f} s", flush=True)

    program_median = statistics.median(program_times)
    sort_median = statistics.median(sort_times)
    print(f"\n{options.count} values, {data_path.stat().st_size / 2**20:.0f} MiB of text, "
          f"medians of {options.runs} alternating runs")
    print(f"inversions:                     {program_median:.3f} s")
    print(f"LC_ALL=C sort -n --parallel=1:  {sort_median:.3f} s")
    print(f"sort / inversions:              {sort_median / program_median:.2f} times")
    print(f"inversions peak memory:         {max(peaks):.1f} MiB")


if __name__ == "__main__":
    main()
