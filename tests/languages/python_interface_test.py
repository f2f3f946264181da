"""The Python package over this build's library (TERVOX_LOG_LIBRARY)."""

import concurrent.futures
import ctypes
import logging
import os
import subprocess
import sys
import tempfile
import unittest

import tervox_log as tl


class ScratchFiles(unittest.TestCase):
    def setUp(self):
        folder = tempfile.TemporaryDirectory()
        self.addCleanup(folder.cleanup)
        self.path = lambda name: os.path.join(folder.name, name)
        self.addCleanup(tl.set_trace_level, 3)

    def read(self, name):
        with open(self.path(name), "rb") as file:
            return file.read()


class PythonHost(ScratchFiles):
    def test_writes_the_reference_hosts_bytes(self):
        subprocess.run([os.environ["TERVOX_REFERENCE_HOST"], self.path("c++.trace"),
                        self.path("c++.log")], check=True)
        tl.clear(tl.LVL_ERROR)
        tl.clear(tl.LVL_WARNING)
        tl.open_trace(self.path("py.trace"), append=False)
        tl.open_log(self.path("py.log"), append=False)
        tl.set_trace_level(4)
        tl.trace_at("IO", tl.INFO, "host.src", "run", 1, "3 tries at 50%")
        tl.trace_at("IO", tl.DEBUG, "host.src", "run", 2, "%s stays")
        tl.trace_at("IO", tl.WARNING, "host.src", "run", 3, "look out  ")
        tl.set_trace_level(2)
        tl.trace_at("IO", tl.INFO, "host.src", "run", 4, "hidden")
        tl.record(tl.LVL_ERROR, 306, "reference.par is missing", "in ./input", "host.src", "run", 5)
        tl.record(tl.LVL_WARNING, 307, "50% done", "%d", "host.src", "run", 6)
        tl.push(tl.LVL_ERROR, 300, "a", "b")
        tl.set_trace_level(3)
        codes = tl.stack()
        tl.trace_at("IO", tl.PLAIN, "host.src", "run", 7, f"last {tl.last_code()} of "
                    f"{len(codes)}, stack {' '.join(map(str, codes))}")
        tl.trace_at("IO", tl.PLAIN, "host.src", "run", 8, tl.describe_last())
        tl.trace_at("IO", tl.PLAIN, "host.src", "run", 9, tl.stack_descriptions(tl.LVL_WARNING))
        tl.clear()
        tl.log("RUN", f"done: 100%, last {tl.last_code()}")
        self.assertTrue(tl.close_trace() and tl.close_log())
        self.assertEqual(self.read("py.trace"), self.read("c++.trace"))
        self.assertEqual(self.read("py.log"), self.read("c++.log"))

    def test_locates_callers_and_raises_what_a_block_recorded(self):
        tl.open_trace(self.path("trace"), append=False)
        tl.clear()
        tl.record_error(300, "outside", "")
        with self.assertRaises(tl.RecordedError) as raised, tl.raise_recorded_errors():
            tl.push(tl.LVL_ERROR, 2933, "", "")
            trace_line = sys._getframe().f_lineno + 1
            tl.trace("PY", tl.ERROR, "m")
            record_line = sys._getframe().f_lineno + 1
            tl.record_error(306, "a.par", "in ./input")
        with tl.raise_recorded_errors():
            tl.record_warning(307)  # warnings do not raise
        self.assertEqual(
            (raised.exception.code, raised.exception.codes, raised.exception.short_text,
             raised.exception.long_text),
            (306, [2933, 306], "[EC : 306] File not found\na.par",
             "[EC : 306] A required file was not found\na.par"))
        tl.close_trace()
        where = b"[%s, test_locates_callers_and_raises_what_a_block_recorded:" % __file__.encode()
        self.assertIn(b"[PY][!] %s%d]\n[PY][!] m\n[UNDEF][!] %s%d]\n"
                      b"[UNDEF][!] [EC :306 ] a.par - in ./input\n"
                      % (where, trace_line, where, record_line), self.read("trace"))

    def test_shares_one_stack_with_a_cpp_plugin(self):
        plugin = ctypes.CDLL(os.environ["TERVOX_TEST_PLUGIN"])  # links the same library
        tl.record_error(2933)
        self.assertEqual(plugin.plugin_record(306), 2933)
        self.assertEqual((tl.last_code(), tl.stack()[-2:]), (306, [2933, 306]))


class Handler(ScratchFiles):
    def setUp(self):
        super().setUp()
        tl.open_trace(self.path("trace"), append=False)
        self.logger = logging.getLogger("tervox_test")
        self.logger.propagate = False
        self.logger.setLevel(1)
        self.logger.addHandler(tl.TraceHandler(category="PY"))
        self.addCleanup(self.logger.handlers.clear)

    def test_maps_levels_and_formats_only_written_records(self):
        formatted = []
        counted = type("Counted", (), {"__str__": lambda _: formatted.append(1) or "x"})()
        # Python's level and the trace level, then the lines written ("@": the record's location).
        rows = [(5, 9999, b"[PY][V] x\n"), (5, 4, b""), (logging.DEBUG, 4, b"[PY][D] x\n"),
                (logging.INFO, 3, b"[PY] x\n"), (logging.INFO, 2, b""),
                (logging.WARNING, 2, b"[PY][?] @\n[PY][?] x\n"),
                (logging.CRITICAL, 1, b"[PY][!] @\n[PY][!] x\n")]
        for level, trace_level, written in rows:
            with self.subTest(level=level, trace_level=trace_level):
                tl.set_trace_level(trace_level)
                formatted.clear()
                before = len(self.read("trace"))
                line = sys._getframe().f_lineno + 1
                self.logger.log(level, "%s", counted)
                where = b"[%s, %s:%d]" % (__file__.encode(), self._testMethodName.encode(), line)
                self.assertEqual((self.read("trace")[before:], len(formatted)),
                                 (written.replace(b"@", where), 1 if written else 0))

    def test_writes_every_record_of_eight_threads_whole_and_once(self):
        def emit(thread):
            for index in range(300):
                self.logger.info("thread %d record %d %s", thread, index, "x" * (index % 97))

        with concurrent.futures.ThreadPoolExecutor(8) as threads:
            list(threads.map(emit, range(8)))
        tl.close_trace()
        expected = sorted(b"[PY] thread %d record %d %s" % (t, i, b"x" * (i % 97))
                          for t in range(8) for i in range(300))
        self.assertEqual(sorted(self.read("trace").split(b"\n")[:-1]), expected)
