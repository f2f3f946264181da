#!/usr/bin/env python3
"""Records per second that Python's logging writes through tervox_log.TraceHandler, against
logging.FileHandler, which flushes every record too, each into its own file. Both write a line of
the same length per record. Runs of the two alternate, so that the machine's moods reach both
alike, and the medians of 21 runs count.
    TERVOX_LOG_LIBRARY=... PYTHONPATH=python python3 bench/python_handler_bench.py [RECORDS]"""

import logging
import os
import statistics
import sys
import tempfile
import time

import tervox_log


def records_per_second(handler, records):
    logger = logging.getLogger(f"bench.{id(handler)}")
    logger.propagate = False
    logger.setLevel(logging.INFO)
    logger.addHandler(handler)
    start = time.perf_counter()
    for index in range(records):
        logger.info("tile %s done in pass %d", "t" * 31, index % 10)
    elapsed = time.perf_counter() - start
    logger.removeHandler(handler)
    handler.close()
    return records / elapsed


def main(records):
    with tempfile.TemporaryDirectory() as folder:
        tervox_log.open_trace(os.path.join(folder, "trace.txt"))
        # "[BENCH] " is the trace's prefix; the file handler writes the same bytes itself.
        file_formatter = logging.Formatter("[BENCH] %(message)s")
        rates = {"TraceHandler": [], "FileHandler": []}
        for _ in range(21):
            file_handler = logging.FileHandler(os.path.join(folder, "file.txt"))
            file_handler.setFormatter(file_formatter)
            rates["FileHandler"].append(records_per_second(file_handler, records))
            rates["TraceHandler"].append(
                records_per_second(tervox_log.TraceHandler(category="BENCH"), records))
        tervox_log.close_trace()
    best = {name: statistics.median(runs) for name, runs in rates.items()}
    for name, rate in best.items():
        print(f"{name:48} {rate / 1000:9.1f} k records/s")
    ratio = best["TraceHandler"] / best["FileHandler"]
    print(f"{'TraceHandler / FileHandler, records/s':48} {ratio:9.3f}  >= 1.0  "
          f"{'ok' if ratio >= 1.0 else 'MISSED'}")


if __name__ == "__main__":
    main(int(sys.argv[1]) if len(sys.argv) > 1 else 5000)
