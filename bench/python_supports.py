"""The Python package's job.supports() over every stored case of a job, beside a plain sequential
read of the same output file (1 MiB reads, from the page cache) in the same run: medians of
rounds that alternate the two, each round the best of a few runs.

    PYTHONPATH=build/release/python /usr/bin/python3 bench/python_supports.py FILE
"""

import statistics
import sys
import time

import viru4deduz


def best_of(runs, work):
    times = []
    for _ in range(runs):
        start = time.perf_counter()
        work()
        times.append(time.perf_counter() - start)
    return min(times)


def main(path, rounds=5, runs=5):
    buffer = bytearray(1 << 20)

    def plain_read():
        with open(path, "rb", buffering=0) as f:
            while f.readinto(buffer):
                pass

    with viru4deduz.open(path) as job:
        shape = job.supports().shape
        plain, supports, opened = [], [], []
        for _ in range(rounds):
            plain.append(best_of(runs, plain_read))
            supports.append(best_of(runs, job.supports))
            opened.append(best_of(runs, lambda: viru4deduz.open(path).supports()))
    p, s, o = (statistics.median(t) * 1e3 for t in (plain, supports, opened))
    print(f"{path}: {shape[0]} cases x {shape[1]} supports")
    print(f"plain read             {p:8.2f} ms")
    print(f"job.supports()         {s:8.2f} ms  ({s / p:.2f} x the plain read)")
    print(f"open(...).supports()   {o:8.2f} ms  ({o / p:.2f} x the plain read)")


if __name__ == "__main__":
    main(sys.argv[1])
