// The library's process-wide objects, defined in one file so that their order is fixed: they are
// constructed in this order when the library is loaded and destroyed in the reverse order when it
// is unloaded. The registry, which traces into the streams, goes first; the trace stream last.

#include <tervox/TervoxLogger.h>

#include "error/RegistryStorage.h"

std::basic_fstream<char> TervoxLogger::m_process_trace_stream;
std::basic_fstream<char> TervoxLogger::m_process_log_stream;

tervox::detail::RegistryStorage tervox::detail::registry_storage;
