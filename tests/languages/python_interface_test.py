"""The Python package as installed, with its own library (CMake's install or pip's)."""

import ctypes
import logging
import os
import subprocess
import sys
import tempfile
import unittest

import tervox_log as tl

# Logs through the handler on a full disk (a file-size limit), then with room again.
FULL_DISK = r"""
import logging, resource, signal, sys, tervox_log as tl
signal.signal(signal.SIGXFSZ, signal.SIG_IGN)
handler, reports = tl.TraceHandler("PY"), []
handler.handleError = lambda record: reports.append(sys.exc_info()[0].__name__)
logging.basicConfig(level=logging.INFO, handlers=[handler], format="%(message)s")
tl.open_trace(sys.argv[1], append=False)
hard = resource.getrlimit(resource.RLIMIT_FSIZE)[1]
resource.setrlimit(resource.RLIMIT_FSIZE, (64, hard))  # room for 4 lines of 16 bytes
[logging.info("line %05d", index) for index in range(8)]
resource.setrlimit(resource.RLIMIT_FSIZE, (hard, hard))
[logging.info("line %05d", index) for index in range(8, 18)]
print(reports)
"""

# Imports the package after the modules named: the library files then mapped.
WHICH_LIBRARY = r"""
import ctypes, os, sys
[ctypes.CDLL(module) for module in sys.argv[1:]]
import tervox_log
print(sorted({os.path.realpath(m.split()[-1]) for m in open("/proc/self/maps") if "tervox_" in m}))
"""


class PythonHost(unittest.TestCase):
    def setUp(self):
        folder = tempfile.TemporaryDirectory()
        self.addCleanup(folder.cleanup)
        self.path = lambda name: os.path.join(folder.name, name)
        self.addCleanup(tl.set_trace_level, 3)
        tl.clear(tl.LVL_ERROR)
        tl.clear(tl.LVL_WARNING)

    def read(self, name):
        with open(self.path(name), "rb") as file:
            return file.read()

    def test_writes_the_reference_hosts_bytes(self):
        subprocess.run([os.environ["TERVOX_REFERENCE_HOST"], self.path("c++.trace"),
                        self.path("c++.log")], check=True)
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
        tl.set_trace_level(9999)
        for level in (tl.VERBOSE, tl.DEBUG, tl.INFO, tl.PLAIN, tl.NOTICE, tl.WARNING, tl.ERROR):
            tl.trace_at("L", level, "host.src", "run", 10, "each")
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
        def wrapper(message):
            tl.trace("PY", tl.ERROR, message, stacklevel=2)

        tl.open_trace(self.path("trace"), append=False)
        tl.record_error(300, "outside", "")
        with self.assertRaises(tl.RecordedError) as raised, tl.raise_recorded_errors():
            tl.push(tl.LVL_ERROR, 2933, "", "")
            trace_line = sys._getframe().f_lineno + 1
            wrapper("m")
            record_line = sys._getframe().f_lineno + 1
            tl.record_error(306, "a.par", "in ./input")
        with tl.raise_recorded_errors():
            tl.record_warning(307)  # warnings do not raise
        with self.assertRaises(tl.RecordedError) as after_clear, tl.raise_recorded_errors():
            tl.clear()  # as many codes stacked at the end as at the start
            [tl.push(tl.LVL_ERROR, code) for code in (300, 2933, 99)]
        self.assertEqual(
            (raised.exception.code, raised.exception.codes, raised.exception.short_text,
             raised.exception.long_text, after_clear.exception.codes),
            (306, [2933, 306], "[EC : 306] File not found\na.par",
             "[EC : 306] A required file was not found\na.par", [300, 2933, 99]))
        self.assertRaises(LookupError, tl.describe, 99)
        tl.close_trace()
        self.assertRaises(OSError, tl.trace, "PY", tl.INFO, "with no file open")
        where = b"[%s, test_locates_callers_and_raises_what_a_block_recorded:" % __file__.encode()
        self.assertIn(b"[PY][!] %s%d]\n[PY][!] m\n[UNDEF][!] %s%d]\n"
                      b"[UNDEF][!] [EC :306 ] a.par - in ./input\n"
                      % (where, trace_line, where, record_line), self.read("trace"))

    def test_finds_one_library_and_resumes_after_a_full_disk_in_fresh_processes(self):
        own = os.path.realpath(os.path.join(os.path.dirname(tl.__file__), tl._installed.LIBRARY))
        built = os.path.realpath(os.environ["TERVOX_TEST_LIBRARY"])
        rows = [("beside the package", WHICH_LIBRARY, [], f"[{own!r}]"),
                ("loaded by a C++ module first", WHICH_LIBRARY, [os.environ["TERVOX_TEST_PLUGIN"]],
                 f"[{built!r}]"),
                ("a full disk, then room", FULL_DISK, [self.path("trace")], "['OSError']")]
        environment = dict(os.environ, TERVOX_LOG_LIBRARY="", LD_LIBRARY_PATH="")
        for name, script, arguments, printed in rows:
            with self.subTest(name):
                run = subprocess.run([sys.executable, "-c", script] + arguments, cwd=self.path(""),
                                     env=environment, capture_output=True, text=True, check=True)
                self.assertEqual(run.stdout, printed + "\n")
        lines = [0, 1, 2, 3] + list(range(8, 18))  # 4 before the disk filled, 10 after
        self.assertEqual(self.read("trace"), b"".join(b"[PY] line %05d\n" % i for i in lines))
        tl._c.tervox_version.restype = ctypes.c_char_p  # the package's version is the library's
        self.assertEqual(tl.__version__, tl._c.tervox_version().decode())


    def test_maps_levels_and_formats_only_written_records_through_the_handler(self):
        tl.open_trace(self.path("trace"), append=False)
        logger = logging.Logger("tervox_test", 1)  # of no hierarchy: nothing propagates
        logger.addHandler(tl.TraceHandler(category="PY"))
        logger.handlers[0].addFilter(lambda record: record.args[1:] != ("secret",))
        formatted = []
        counted = type("Counted", (), {"__str__": lambda _: formatted.append(1) or "x"})()
        forged = "\n[UNDEF][!] [fake.cpp, f:1]\n[UNDEF][!] [EC :306 ] forged - x"
        # Python's level, the trace level, more text and an exception, then the lines written
        # ("@": the record's location); the filter drops "secret".
        rows = [(5, 9999, "", None, b"[PY][V] x\n"), (5, 4, "", None, b""),
                (logging.DEBUG, 4, "", None, b"[PY][D] x\n"),
                (logging.INFO, 3, "", None, b"[PY] x\n"), (logging.INFO, 2, "", None, b""),
                (logging.INFO, 3, "secret", None, b""),
                (logging.WARNING, 2, "", None, b"[PY][?] @\n[PY][?] x\n"),
                (logging.ERROR, 1, "", None, b"[PY][!] @\n[PY][!] x\n"),
                (logging.CRITICAL, 1, "", None, b"[PY][!] @\n[PY][!] x\n"),
                (logging.INFO, 3, "", ValueError("boom"), b"[PY] x\n\tValueError: boom\n"),
                (logging.INFO, 3, forged, None,
                 b"[PY] x\n\t[UNDEF][!] [fake.cpp, f:1]\n\t[UNDEF][!] [EC :306 ] forged - x\n")]
        for level, trace_level, more, exception, written in rows:
            with self.subTest(level=level, trace_level=trace_level, more=more):
                tl.set_trace_level(trace_level)  # the package's level test is the library's
                self.assertEqual([tl.trace_enabled(level) for level in range(-1, 8)],
                                 [tl._c.tervox_trace_enabled(level) == 1 for level in range(-1, 8)])
                formatted.clear()
                before = len(self.read("trace"))
                line = sys._getframe().f_lineno + 1
                logger.log(level, "%s%s", counted, more, exc_info=exception)
                where = b"[%s, %s:%d]" % (__file__.encode(), self._testMethodName.encode(), line)
                self.assertEqual((self.read("trace")[before:], len(formatted)),
                                 (written.replace(b"@", where), 1 if written else 0))
