"""Starting the built program the way a user's shell would, for the executable's tests."""

import functools
import os
import re
import shlex
import subprocess

WINDOWS = os.environ.get("INVERSIONS_PLATFORM") == "windows"

# The Windows build writes CR LF line ends, as programs on its platform do.
LINE_END = "\r\n" if WINDOWS else "\n"

FINAL_PROMPT = "Press ENTER to return."


def command(executable=None):
    """The program (or another executable of the build), behind its launcher (an emulator such
    as wine64) where it has one."""
    return shlex.split(os.environ.get("INVERSIONS_LAUNCHER", "")) + [executable or os.environ["INVERSIONS_PROGRAM"]]


def without_terminal():
    """Popen arguments that start the program with no terminal or console to wait on."""
    if os.name == "nt":
        return {"creationflags": subprocess.DETACHED_PROCESS}
    return {"start_new_session": True}


# Built with AddressSanitizer, the program needs terabytes of address space for its shadow
# memory, so its own allocation cap stands in for an address-space limit.
SANITIZED = os.environ.get("INVERSIONS_SANITIZED") == "1"
# Built for coverage, it writes its counts as it ends, and that needs memory of its own.
COVERAGE = os.environ.get("INVERSIONS_COVERAGE") == "1"


def run(typed, limit_memory=None, under=(), limit_stack=None):
    """Runs the program on the typed bytes with no controlling terminal, so that its final
    key wait ends at once. limit_memory caps the memory it can obtain, in bytes; limit_stack
    its stack, which holds its environment too, so it then gets an empty one; under is a
    command to run it under, such as valgrind."""
    environment = None
    limit = None
    if limit_memory and SANITIZED:
        options = f"allocator_may_return_null=1:max_allocation_size_mb={limit_memory >> 20}"
        environment = dict(os.environ, ASAN_OPTIONS=options)
    elif limit_memory:
        limit = functools.partial(set_limit, "RLIMIT_AS", limit_memory)
    elif limit_stack:
        limit = functools.partial(set_limit, "RLIMIT_STACK", limit_stack)
        environment = {}

    for _ in range(3):
        finished = subprocess.run(
            [*under, *command()],
            input=typed,
            capture_output=True,
            timeout=120,
            env=environment,
            preexec_fn=limit,
            check=False,
            **without_terminal(),
        )
        # Now and then Wine's own process fails as it ends, after the program, with the host
        # loader's assertion and status 127 in place of the program's: the run is made again.
        if not (WINDOWS and finished.returncode == 127
                and finished.stderr.startswith(b"Inconsistency detected by ld.so")):
            break
    if environment:
        # The sanitizer notes each allocation it refuses; the program's own words remain.
        finished.stderr = re.sub(
            rb"==\d+==WARNING: AddressSanitizer failed to allocate \w+ bytes\n", b"",
            finished.stderr)
    return finished


def set_limit(name, size):
    import resource  # POSIX only

    resource.setrlimit(getattr(resource, name), (size, size))


def text(lines):
    """The program's output as bytes, with this build's line ends."""
    return lines.replace("\n", LINE_END).encode()


def result(count, values, sorted_values, total):
    """The whole standard output of a successful run."""

    def listed(numbers):
        return "".join(f"{n} " for n in numbers)

    return text(
        f"Please input the number of elements: Please input {count} integers: \n"
        "************** Result **************\n"
        f"The input array is: {listed(values)}\n"
        f"The sorted array is: {listed(sorted_values)}\n"
        f"The number of inversions is {total}.\n\n" + FINAL_PROMPT
    )
