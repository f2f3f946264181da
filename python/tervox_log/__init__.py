"""The Python interface of tervox_log: the process's one trace, log and error registry, shared
with every C, C++ and Fortran module that the same process loaded.

Pure Python over the library's C interface (ctypes), so one installation serves every Python 3.
The library is the one named by the environment variable TERVOX_LOG_LIBRARY, else the one
installed beside this package, else the one the dynamic loader finds by its name.

    import logging, tervox_log
    tervox_log.open_trace("run/trace.txt")
    tervox_log.trace("IMPORT", tervox_log.INFO, "reading a.slc")     # [IMPORT] reading a.slc
    logging.getLogger("import").addHandler(tervox_log.TraceHandler())
    with tervox_log.raise_recorded_errors():                         # RecordedError if any
        tervox_log.record_error(306, "reference.par is missing", "looked in ./input")

Messages are text, never read as formats; a message is cut at its first NUL character.
Every function may be called from any number of threads at once.
"""

import contextlib
import ctypes
import logging
import os
import sys

__all__ = [
    "VERBOSE", "DEBUG", "INFO", "PLAIN", "NOTICE", "WARNING", "ERROR", "LVL_ERROR", "LVL_WARNING",
    "trace", "trace_at", "trace_enabled", "log", "set_trace_level", "get_trace_level",
    "open_trace", "close_trace", "open_log", "close_log", "record_error", "record_warning",
    "record", "push", "last_code", "stack", "describe", "describe_last", "stack_descriptions",
    "clear", "RecordedError", "raise_recorded_errors", "TraceHandler", "severity_of",
]

# Severities of trace messages, and levels of the registry, as in tervox_log.h.
VERBOSE, DEBUG, INFO, PLAIN, NOTICE, WARNING, ERROR = range(7)
LVL_ERROR, LVL_WARNING = 0, 1

# The C interface's negative results, as the Python exceptions they become.
_FAILURES = {
    -1: (OSError, "the stream failed, or the file could not be opened or closed"),
    -2: (MemoryError, "out of memory"),
    -3: (LookupError, "the error code is not in the catalogue"),
    -4: (ValueError, "a null argument"),
    -5: (OSError, "the line did not reach the file"),
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
}


def _candidates():
    named = os.environ.get("TERVOX_LOG_LIBRARY")
    if named:
        return [named]
    candidates = []
    try:
        from . import _installed  # written by the installation: where it put the library
        candidates.append(os.path.join(os.path.dirname(__file__), _installed.LIBRARY))
    except ImportError:
        pass
    return candidates + _LIBRARY_NAMES.get(sys.platform, ["libtervox_log.so.1"])


def _load():
    failures = []
    for candidate in _candidates():
        try:
            library = ctypes.CDLL(candidate)
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
# The two calls of every trace, without ctypes' argument conversions, which cost as much as the
# call itself: the callers pass bytes and ints only (int results need no restype).
_trace_enabled_unchecked = _c["tervox_trace_enabled"]
_trace_text_unchecked = _c["tervox_trace_text"]


def _bytes(text):
    if isinstance(text, bytes):
        return text
    return (text if isinstance(text, str) else str(text)).encode("utf-8", "backslashreplace")


def _checked(result):
    if result < 0:
        kind, meaning = _FAILURES.get(result, (RuntimeError, "failed"))
        raise kind(f"tervox_log: {meaning} ({result})")
    return result


# --- the trace and the log ---------------------------------------------------------------------

def trace_enabled(level):
    """Whether a trace of `level` would be written at the trace level in force."""
    return _trace_enabled_unchecked(int(level)) != 0


def trace(category, level, message):
    """Traces `message` at `level` under `category`, with the calling function's file, name and
    line as the location of warnings and errors. Returns whether it was written."""
    if not _trace_enabled_unchecked(level):
        return False
    frame = sys._getframe(1)
    code = frame.f_code
    return trace_at(category, level, code.co_filename, code.co_name, frame.f_lineno, message)


def trace_at(category, level, file, function, line, message):
    """Traces `message` with the location given. Returns whether the trace level let it through;
    raises OSError when the host made the stream throw, MemoryError when memory ran out."""
    if not _trace_enabled_unchecked(level):
        return False
    _checked(_trace_text_unchecked(_bytes(category), int(level), _bytes(file), _bytes(function),
                                   int(line), _bytes(message)))
    return True


def log(category, message):
    """Writes "[category] message" to the log, whatever the trace level."""
    _checked(_c.tervox_log_text(_bytes(category), _bytes(message)))


def set_trace_level(trace_level):
    """0 or less silences every trace, 9999 lets every level through; 3 until a host sets one."""
    _c.tervox_set_trace_level(trace_level)


def get_trace_level():
    return _c.tervox_get_trace_level()


def open_trace(path, append=True):
    """Opens `path` on the process trace, closing the file open on it; OSError if it cannot."""
    _checked(_c.tervox_open_trace(os.fsencode(path), 1 if append else 0))


def open_log(path, append=True):
    """Opens `path` on the process log, closing the file open on it; OSError if it cannot."""
    _checked(_c.tervox_open_log(os.fsencode(path), 1 if append else 0))


def close_trace():
    """Closes the process trace's file. Returns False if none was open or closing it failed."""
    return _c.tervox_close_trace() == 0


def close_log():
    """Closes the process log's file. Returns False if none was open or closing it failed."""
    return _c.tervox_close_log() == 0


# --- the registry ------------------------------------------------------------------------------

def record(level, code, short_text, long_text, file, function, line):
    """Records an error (LVL_ERROR) or warning (LVL_WARNING) with the location given: traced,
    made the level's last code and stacked."""
    result = _c.tervox_record(level, code, _bytes(file), _bytes(function), line,
                              _bytes(short_text), _bytes(long_text))
    if result != -5:  # stacked, whether its line reached the trace or not
        _checked(result)


def record_error(code, short_text="", long_text=""):
    """Records an error at the calling function's file, name and line."""
    frame = sys._getframe(1)
    record(LVL_ERROR, code, short_text, long_text, frame.f_code.co_filename, frame.f_code.co_name,
           frame.f_lineno)


def record_warning(code, short_text="", long_text=""):
    """Records a warning at the calling function's file, name and line."""
    frame = sys._getframe(1)
    record(LVL_WARNING, code, short_text, long_text, frame.f_code.co_filename,
           frame.f_code.co_name, frame.f_lineno)


def push(level, code, short_text="", long_text=""):
    """Stacks a record without tracing it and without changing the level's last code."""
    _checked(_c.tervox_push(level, code, _bytes(short_text), _bytes(long_text)))


def last_code(level=LVL_ERROR):
    """The level's last code: 100 when fresh or cleared."""
    return _c.tervox_last_code(level)


def stack(level=LVL_ERROR):
    """The level's stacked codes, oldest first, the initial 100 included."""
    size = _checked(_c.tervox_stack_size(level))
    return [_c.tervox_stack_code(level, index) for index in range(size)]


def clear(level=LVL_ERROR):
    """Returns the level to its fresh state."""
    _c.tervox_clear(level)


def _described(render):
    # Another thread may record between the two calls: then ask again with the new length.
    size = 256
    while True:
        buffer = ctypes.create_string_buffer(size)
        length = _checked(render(buffer, size))
        if length < size:
            return buffer.raw[:length].decode("utf-8", "replace")
        size = length + 1


def describe(code, level=LVL_ERROR, long=False):
    """The short (or long) description of `code` as the level renders it, followed by the level's
    newest caller text. LookupError for a code missing from the catalogue."""
    render = _c.tervox_long_description if long else _c.tervox_short_description
    return _described(lambda buffer, size: render(level, code, buffer, size))


def describe_last(level=LVL_ERROR, long=False):
    """The level's last code described as by describe()."""
    render = _c.tervox_last_long_description if long else _c.tervox_last_short_description
    return _described(lambda buffer, size: render(level, buffer, size))


def stack_descriptions(level=LVL_ERROR):
    """One description per stacked record after the initial one, newest first."""
    return _described(lambda buffer, size: _c.tervox_stack_descriptions(level, buffer, size))


class RecordedError(Exception):
    """Errors recorded with the registry: the newest one's code and its short and long
    descriptions, and the codes of every error recorded (oldest first)."""

    def __init__(self, code, short_text, long_text, codes):
        super().__init__(short_text)
        self.code, self.short_text, self.long_text, self.codes = code, short_text, long_text, codes


@contextlib.contextmanager
def raise_recorded_errors():
    """Raises RecordedError when the block ends if errors were stacked while it ran (by any
    thread and any module of the process); an exception from the block itself passes through.
    Do not clear the error level inside the block: what it stacked is then taken as new."""
    before = _checked(_c.tervox_stack_size(LVL_ERROR))
    yield
    codes = stack(LVL_ERROR)
    codes = codes[before:] if len(codes) >= before else codes[1:]
    if codes:
        try:
            texts = describe(codes[-1]), describe(codes[-1], long=True)
        except LookupError:
            texts = f"error {codes[-1]}", ""
        raise RecordedError(codes[-1], texts[0], texts[1], codes)


# --- Python's logging ---------------------------------------------------------------------------

def severity_of(levelno):
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
    of the handler's."""

    def __init__(self, category=None, level=logging.NOTSET):
        super().__init__(level)
        self._category = None if category is None else _bytes(category)
        # The encoded file and function of each place that logs, which repeat record after record.
        self._places = {}

    def handle(self, record):
        passed = self.filter(record)
        if passed:
            self.emit(passed if isinstance(passed, logging.LogRecord) else record)
        return passed

    def emit(self, record):
        severity = severity_of(record.levelno)
        if not _trace_enabled_unchecked(severity):
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
            result = _trace_text_unchecked(category, severity, encoded[0], encoded[1],
                                           record.lineno, _bytes(message))
            if result < 0:
                _checked(result)
        except Exception:
            self.handleError(record)
