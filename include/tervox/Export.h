#ifndef TERVOX_EXPORT_H
#define TERVOX_EXPORT_H

// Marks the classes that hosts call. The library is built with hidden visibility, so whatever
// does not carry this mark stays out of the dynamic symbol table.
#define TERVOX_LOG_EXPORT __attribute__((visibility("default")))

// Lets the compiler check a host's printf-style format against its arguments.
#define TERVOX_LOG_PRINTF_FORMAT(format_index, first_argument_index) \
  __attribute__((format(printf, format_index, first_argument_index)))

#endif  // TERVOX_EXPORT_H
