"""The Python interface of tervox_log: the process's one trace, log and error registry, shared
with every C, C++ and Fortran module that the same process loaded.

Pure Python over the library's C interface (ctypes). The library it uses is, in this order:
  1. the file named by the environment variable TERVOX_LOG_LIBRARY;
  2. the copy the process already holds, found by its SONAME (libtervox_log.so.1 on Linux, without
     loading anything: RTLD_NOLOAD), so that a C, C++ or Fortran module loaded before this package,
     or the system's library they link, keeps the process's one registry;
  3. the copy installed with this package (inside it when pip installed it, in the prefix's lib
     folder for a CMake or Debian installation), wherever the current folder is;
  4. the one the dynamic loader finds by the SONAME.
A module loaded afterwards that links the library by its SONAME gets the same copy from the loader.

    import logging, tervox_log
    tervox_log.open_trace("run/trace.txt")
    tervox_log.trace("IMPORT", tervox_log.INFO, "reading a.slc")     # [IMPORT] reading a.slc
    logging.getLogger("import").addHandler(tervox_log.TraceHandler())
    with tervox_log.raise_recorded_errors():                         # RecordedError if any
        tervox_log.record_error(306, "reference.par is missing", "looked in ./input")

Messages are text, never read as formats; a message is cut at its first NUL character, and every
line feed inside it is followed by a tab in the file, so that no text a caller passes can read as
a record or a location line of its own. A line that does not reach its file (none is open, the
disk is full, the stream failed) raises OSError from trace() and log(); resume_trace() and
resume_log() let the stream try again. Every function may be called from any number of threads at
once.
"""

from __future__ import annotations

import contextlib
import ctypes
import logging
import os
import sys
from typing import Callable, Iterator, List, Optional, Union

try:
    from . import _installed  # written by the installation: its version and the library's place
except ImportError:  # a source checkout, run against the build that TERVOX_LOG_LIBRARY names
    _installed = None

__version__: str = _installed.VERSION if _installed else "0+unknown"

__all__ = [
    "VERBOSE", "DEBUG", "INFO", "PLAIN", "NOTICE", "WARNING", "ERROR", "LVL_ERROR", "LVL_WARNING",
    "trace", "trace_at", "trace_enabled", "log", "set_trace_level", "get_trace_level",
    "open_trace", "close_trace", "open_log", "close_log", "resume_trace", "resume_log",
    "record_error", "record_warning", "record", "push", "last_code", "stack", "describe",
    "describe_last", "stack_descriptions", "clear", "RecordedError", "raise_recorded_errors",
    "TraceHandler", "severity_of", "__version__",
]

Text = Union[str, bytes]

# Severities of trace messages, and levels of the registry, as in tervox_log.h.
VERBOSE, DEBUG, INFO, PLAIN, NOTICE, WARNING, ERROR = range(7)
LVL_ERROR, LVL_WARNING = 0, 1
# The trace level from which each severity is written, as the library's own test has them.
_THRESHOLDS = (9999, 4, 3, 3, 3, 2, 1)

_NOT_WRITTEN = -5
# The C interface's negative results, as the Python exceptions they become.
_FAILURES = {
    -1: (OSError, "the stream failed, or the file could not be opened or closed"),
    -2: (MemoryError, "out of memory"),
    -3: (LookupError, "the error code is not in the catalogue"),
    -4: (ValueError, "a null argument"),
    _NOT_WRITTEN: (OSError, "the line did not reach its file: none is open, the stream failed "
                            "(a full disk?) or the line was dropped"),
}

_TEXT, _INT, _SIZE, _LONG = ctypes.c_char_p, ctypes.c_int, ctypes.c_size_t, ctypes.c_longlong
# Each function of the C interface this module calls, but for the two of every trace (below): its
# result and argument types.
_SIGNATURES = {
    "tervox_log_text": (_INT, [_TEXT, _TEXT]),
    "tervox_set_trace_level": (None, [_INT]),
    "tervox_get_trace_level": (_INT, []),
    "tervox_open_trace": (_INT, [_TEXT, _INT]),
    "tervox_open_log": (_INT, [_TEXT, _INT]),
    "tervox_close_trace": (_INT, []),
    "tervox_close_log": (_INT, []),
    "tervox_resume_trace": (_INT, []),
    "tervox_resume_log": (_INT, []),
    "tervox_record": (_INT, [_INT, _INT, _TEXT, _TEXT, _INT, _TEXT, _TEXT]),
    "tervox_push": (_INT, [_INT, _INT, _TEXT, _TEXT]),
    "tervox_last_code": (_INT, [_INT]),
    "tervox_stack_size": (_INT, [_INT]),
    "tervox_stack_code": (_INT, [_INT, _INT]),
    "tervox_clear": (None, [_INT]),
    "tervox_short_description": (_LONG, [_INT, _INT, _TEXT, _SIZE]),
    "tervox_long_description": (_LONG, [_INT, _INT, _TEXT, _SIZE]),
    "tervox_last_short_description": (_LONG, [_INT, _TEXT, _SIZE]),
    "tervox_last_long_description": (_LONG, [_INT, _TEXT, _SIZE]),
    "tervox_stack_descriptions": (_LONG, [_INT, _TEXT, _SIZE]),
}

# The names the dynamic loader knows the library by, per platform.
_LIBRARY_NAMES = {
    "win32": ["libtervox_log.dll", "tervox_log.dll"],
    "darwin": ["libtervox_log.1.dylib"],
}.get(sys.platform, ["libtervox_log.so.1"])


def _candidates() -> List[tuple]:
    """Each file to try, in the order of the module's docstring, with the mode to open it in."""
    named = os.environ.get("TERVOX_LOG_LIBRARY")
    if named:
        return [(named, ctypes.DEFAULT_MODE)]
    candidates = []
    if hasattr(os, "RTLD_NOLOAD"):
        candidates += [(name, os.RTLD_NOLOAD) for name in _LIBRARY_NAMES]
    if _installed:
        place = os.path.join(os.path.dirname(os.path.abspath(__file__)), _installed.LIBRARY)
        candidates.append((os.path.normpath(place), ctypes.DEFAULT_MODE))
    return candidates + [(name, ctypes.DEFAULT_MODE) for name in _LIBRARY_NAMES]


def _load() -> ctypes.CDLL:
    failures = []
    for candidate, mode in _candidates():
        try:
            library = ctypes.CDLL(candidate, mode=mode)
        except OSError as error:
            failures.append(str(error))
            continue
        for name, (result, arguments) in _SIGNATURES.items():
            function = getattr(library, name)
            function.restype, function.argtypes = result, arguments
        return library
    raise ImportError("tervox_log: cannot load the library (set TERVOX_LOG_LIBRARY): "
                      + "; ".join(failures))


_c = _load()
# The trace level, read where it lives: a level test makes no call into the library.
_trace_level = ctypes.c_int.in_dll(_c, "tervox_log_trace_level")
# The call of every trace, without ctypes' argument conversions, which cost as much as the call
# itself: the callers pass bytes and ints only (int results need no restype).
_trace_text_unchecked = _c["tervox_trace_text"]


def _bytes(text: object) -> bytes:
    if isinstance(text, bytes):
        return text
    return (text if isinstance(text, str) else str(text)).encode("utf-8", "backslashreplace")


def _checked(result: int) -> int:
    if result < 0:
        kind, meaning = _FAILURES.get(result, (RuntimeError, "failed"))
        raise kind(f"tervox_log: {meaning} ({result})")
    return result


# --- the trace and the log ---------------------------------------------------------------------

def trace_enabled(level: int) -> bool:
    """Whether a trace of `level` would be written at the trace level in force."""
    return 0 <= level < len(_THRESHOLDS) and _trace_level.value >= _THRESHOLDS[level]


def trace(category: Text, level: int, message: object, stacklevel: int = 1) -> bool:
    """Traces `message` at `level` under `category`, with the calling function's file, name and
    line as the location of warnings and errors; as with logging, a `stacklevel` above 1 names the
    caller that many frames up instead (a wrapper passes 2). Returns and raises as trace_at."""
    if not trace_enabled(level):
        return False
    frame = sys._getframe(stacklevel)
    code = frame.f_code
    return trace_at(category, level, code.co_filename, code.co_name, frame.f_lineno, message)


def trace_at(category: Text, level: int, file: Text, function: Text, line: int,
             message: object) -> bool:
    """Traces `message` with the location given. Returns whether the trace level let it through;
    raises OSError when the line did not reach the file (see resume_trace) or the host's stream
    threw, MemoryError when memory ran out."""
    if not trace_enabled(level):
        return False
    _checked(_trace_text_unchecked(_bytes(category), int(level), _bytes(file), _bytes(function),
                                   int(line), _bytes(message)))
    return True


def log(category: Text, message: object) -> None:
    """Writes "[category] message" to the log, whatever the trace level; raises as trace_at."""
    _checked(_c.tervox_log_text(_bytes(category), _bytes(message)))


def set_trace_level(trace_level: int) -> None:
    """0 or less silences every trace, 9999 lets every level through; 3 until a host sets one."""
    _c.tervox_set_trace_level(trace_level)


def get_trace_level() -> int:
    return _trace_level.value


def open_trace(path: Union[str, bytes, os.PathLike], append: bool = True) -> None:
    """Opens `path` on the process trace, closing the file open on it; OSError if it cannot."""
    _checked(_c.tervox_open_trace(os.fsencode(path), 1 if append else 0))


def open_log(path: Union[str, bytes, os.PathLike], append: bool = True) -> None:
    """Opens `path` on the process log, closing the file open on it; OSError if it cannot."""
    _checked(_c.tervox_open_log(os.fsencode(path), 1 if append else 0))


def close_trace() -> bool:
    """Closes the process trace's file. Returns False if none was open or closing it failed."""
    return _c.tervox_close_trace() == 0


def close_log() -> bool:
    """Closes the process log's file. Returns False if none was open or closing it failed."""
    return _c.tervox_close_log() == 0


def resume_trace() -> bool:
    """After a line was lost (a full disk), lets the trace's file take the next line again, with
    what it holds kept. Returns False if no file is open."""
    return _c.tervox_resume_trace() == 0


def resume_log() -> bool:
    """As resume_trace, for the log."""
    return _c.tervox_resume_log() == 0


# --- the registry ------------------------------------------------------------------------------

def record(level: int, code: int, short_text: Text, long_text: Text, file: Text, function: Text,
           line: int) -> bool:
    """Records an error (LVL_ERROR) or warning (LVL_WARNING) with the location given: traced,
    made the level's last code and stacked. Returns whether its trace line reached the file: the
    record is kept either way (MemoryError, or OSError when the host's stream threw, if not)."""
    result = _c.tervox_record(level, code, _bytes(file), _bytes(function), line,
                              _bytes(short_text), _bytes(long_text))
    return result != _NOT_WRITTEN and _checked(result) == 0


def record_error(code: int, short_text: Text = "", long_text: Text = "",
                 stacklevel: int = 1) -> bool:
    """Records an error at the calling function's file, name and line (see trace's
    `stacklevel`). Returns as record."""
    frame = sys._getframe(stacklevel)
    return record(LVL_ERROR, code, short_text, long_text, frame.f_code.co_filename,
                  frame.f_code.co_name, frame.f_lineno)


def record_warning(code: int, short_text: Text = "", long_text: Text = "",
                   stacklevel: int = 1) -> bool:
    """Records a warning as record_error records an error."""
    frame = sys._getframe(stacklevel)
    return record(LVL_WARNING, code, short_text, long_text, frame.f_code.co_filename,
                  frame.f_code.co_name, frame.f_lineno)


def push(level: int, code: int, short_text: Text = "", long_text: Text = "") -> None:
    """Stacks a record without tracing it and without changing the level's last code."""
    _checked(_c.tervox_push(level, code, _bytes(short_text), _bytes(long_text)))


def last_code(level: int = LVL_ERROR) -> int:
    """The level's last code: 100 when fresh or cleared."""
    return _c.tervox_last_code(level)


def stack(level: int = LVL_ERROR) -> List[int]:
    """The level's stacked codes, oldest first, the initial 100 included."""
    size = _checked(_c.tervox_stack_size(level))
    return [_c.tervox_stack_code(level, index) for index in range(size)]


def clear(level: int = LVL_ERROR) -> None:
    """Returns the level to its fresh state."""
    _c.tervox_clear(level)


def _described(render: Callable[[ctypes.Array, int], int]) -> str:
    # Another thread may record between the two calls: then ask again with the new length.
    size = 256
    while True:
        buffer = ctypes.create_string_buffer(size)
        length = _checked(render(buffer, size))
        if length < size:
            return buffer.raw[:length].decode("utf-8", "replace")
        size = length + 1


def describe(code: int, level: int = LVL_ERROR, long: bool = False) -> str:
    """The short (or long) description of `code` as the level renders it, followed by the level's
    newest caller text. LookupError for a code missing from the catalogue."""
    render = _c.tervox_long_description if long else _c.tervox_short_description
    return _described(lambda buffer, size: render(level, code, buffer, size))


def describe_last(level: int = LVL_ERROR, long: bool = False) -> str:
    """The level's last code described as by describe()."""
    render = _c.tervox_last_long_description if long else _c.tervox_last_short_description
    return _described(lambda buffer, size: render(level, buffer, size))


def stack_descriptions(level: int = LVL_ERROR) -> str:
    """One description per stacked record after the initial one, newest first."""
    return _described(lambda buffer, size: _c.tervox_stack_descriptions(level, buffer, size))


class RecordedError(Exception):
    """Errors recorded with the registry: the newest one's code and its short and long
    descriptions, and the codes of every error recorded (oldest first)."""

    def __init__(self, code: int, short_text: str, long_text: str, codes: List[int]) -> None:
        super().__init__(short_text)
        self.code, self.short_text, self.long_text, self.codes = code, short_text, long_text, codes


@contextlib.contextmanager
def raise_recorded_errors() -> Iterator[None]:
    """Raises RecordedError when the block ends if errors were stacked while it ran (by any
    thread and any module of the process); an exception from the block itself passes through.
    When the error level was cleared inside the block, every error stacked at its end counts as
    new, unless the block stacked again exactly the codes it found."""
    before = stack(LVL_ERROR)
    yield
    codes = stack(LVL_ERROR)
    codes = codes[len(before):] if codes[:len(before)] == before else codes[1:]
    if codes:
        try:
            texts = describe(codes[-1]), describe(codes[-1], long=True)
        except LookupError:
            texts = f"error {codes[-1]}", ""
        raise RecordedError(codes[-1], texts[0], texts[1], codes)


# --- Python's logging ---------------------------------------------------------------------------

def severity_of(levelno: int) -> int:
    """The trace severity of a Python log level: ERROR and above (CRITICAL) ERROR, WARNING
    WARNING, INFO INFO, DEBUG DEBUG, anything below DEBUG VERBOSE."""
    if levelno >= logging.INFO:
        return ERROR if levelno >= logging.ERROR else WARNING if levelno >= logging.WARNING else INFO
    return DEBUG if levelno >= logging.DEBUG else VERBOSE


class TraceHandler(logging.Handler):
    """Writes Python's log records into the process trace, under `category` (the record's logger
    name when None), at the severity severity_of gives, with the record's own location: its
    full path name (modules of one name, such as __init__.py, stay apart, and the trace reads like
    the C++ modules' __FILE__), function and line. A record that the trace level filters out is
    not formatted. The library writes each line whole, so records of many threads need no lock
    of the handler's.

    As logging.FileHandler does, a record whose line does not reach the file (a full disk) goes to
    handleError, the first of each run of such records only, and the handler tries every later
    record again (resume_trace), so lines flow once there is room."""

    def __init__(self, category: Optional[Text] = None, level: int = logging.NOTSET) -> None:
        super().__init__(level)
        self._category = None if category is None else _bytes(category)
        # The encoded file and function of each place that logs, which repeat record after record.
        self._places: dict = {}
        self._failing = False

    def handle(self, record: logging.LogRecord) -> Union[bool, logging.LogRecord]:
        passed = self.filter(record)
        if passed:
            self.emit(passed if isinstance(passed, logging.LogRecord) else record)
        return passed

    def emit(self, record: logging.LogRecord) -> None:
        severity = severity_of(record.levelno)
        if _trace_level.value < _THRESHOLDS[severity]:
            return
        try:
            category = self._category if self._category is not None else _bytes(record.name)
            place = (record.pathname, record.funcName)
            encoded = self._places.get(place)
            if encoded is None:
                encoded = self._places[place] = (_bytes(place[0]), _bytes(place[1] or ""))
            # Without a formatter of the host's, the default one would give the message alone
            # (the trace adds tag and place), but for a traceback: spare its cost for the rest.
            if self.formatter is None and not record.exc_info and not record.stack_info:
                message = record.getMessage()
            else:
                message = self.format(record)
            if self._failing:
                _c.tervox_resume_trace()
            result = _trace_text_unchecked(category, severity, encoded[0], encoded[1],
                                           record.lineno, _bytes(message))
            if result < 0 or self._failing:
                self._check(result)
        except Exception:
            self.handleError(record)

    def _check(self, result: int) -> None:
        # A lost line is reported when a run of them begins; one written ends the run.
        reported, self._failing = self._failing, result == _NOT_WRITTEN
        if not (reported and self._failing):
            _checked(result)
