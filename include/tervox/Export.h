#ifndef TERVOX_EXPORT_H
#define TERVOX_EXPORT_H

// TERVOX_LOG_EXPORT marks the classes and the C functions that hosts call; whatever does not
// carry it stays out of the library's exported interface. This header is C as well as C++. Hosts
// never define TERVOX_LOG_BUILDING_LIBRARY: the library's own build sets it.
#if defined(_WIN32)
// A DLL (MinGW-w64 or MSVC): exported while the DLL itself is built, imported by every host.
#if defined(TERVOX_LOG_BUILDING_LIBRARY)
#define TERVOX_LOG_EXPORT __declspec(dllexport)
#else
#define TERVOX_LOG_EXPORT __declspec(dllimport)
#endif
#else
// ELF and Mach-O: the library is built with hidden visibility, so only marked classes reach the
// dynamic symbol table.
#define TERVOX_LOG_EXPORT __attribute__((visibility("default")))
#endif

// TERVOX_LOG_PRINTF_FORMAT lets the compiler check a host's printf-style format against its
// arguments.
#if defined(__MINGW32__)
// MinGW-w64's C++ runtime formats the C99/GNU way, not the way of the Microsoft C runtime.
#define TERVOX_LOG_PRINTF_FORMAT(format_index, first_argument_index) \
  __attribute__((format(gnu_printf, format_index, first_argument_index)))
#elif defined(__GNUC__)
// GCC and Clang on ELF and Mach-O.
#define TERVOX_LOG_PRINTF_FORMAT(format_index, first_argument_index) \
  __attribute__((format(printf, format_index, first_argument_index)))
#else
// MSVC has no such attribute: the formats go unchecked there.
#define TERVOX_LOG_PRINTF_FORMAT(format_index, first_argument_index)
#endif

#endif  // TERVOX_EXPORT_H
