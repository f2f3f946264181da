#ifndef TERVOX_TERVOXERROR_H
#define TERVOX_TERVOXERROR_H

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <tervox/Export.h>

// The level every registry operation works on. The underlying type is fixed, so any 32-bit value
// is valid; a value other than LVL_ERROR and LVL_WARNING selects no record: modifiers do nothing,
// queries return 0 or an empty sequence, renderers give the bare catalogue text or "".
enum ERROR_LVL : int32_t { LVL_ERROR = 0, LVL_WARNING = 1 };

namespace tervox::detail {
struct ErrorState;
struct StateAccess;
}  // namespace tervox::detail

// The process-wide registry of errors and warnings, one per process, shared by every module.
// Each level keeps its last code and a stack of every record since it was last cleared; a fresh
// or cleared level holds the general error code 100 with empty texts as its only entry.
//
// Thread safety: every operation may be called from any number of threads at once, also from a
// child forked while other threads record, with one exception: reading through the reference that
// getStack returns while another thread records or clears that level (see getStack). Concurrent
// records are traced in the order they are stacked. Readers never wait for a stream: a record
// holds the registry's lock only to stack itself, not while its line is written. Host code that
// runs inside that write (its own stream buffer) may read the registry and record.
//
// Lifetime: the registry is created by the first getInstance and destroyed by the library's
// finaliser: at dlclose, or at exit after every exit handler and static destructor of the host,
// however the library was loaded, so those may still record. A call that a thread still running
// makes after that does nothing and returns 0 or "". Do not use it once a dlclose has begun.
class TERVOX_LOG_EXPORT TervoxError {
 public:
  // Returns the one registry, creating it on the first call (safe against concurrent first
  // calls). It lives until the library's finaliser runs (see Lifetime above).
  static TervoxError& getInstance();

  TervoxError(const TervoxError&) = delete;
  TervoxError& operator=(const TervoxError&) = delete;
  virtual ~TervoxError();

  // Stores a name for the registry. Optional; nothing else reads it (errors are always traced
  // under the category "UNDEF").
  void init(std::string name);

  // Records an error or a warning: traces "[EC :code ] shortText - longText" under "UNDEF" at
  // LOG_ERROR or LOG_WARNING with the given location, then makes `code` the level's last code
  // and stacks it with both texts. The code is not checked against the catalogue. Any other
  // level does nothing. If tracing throws (the host enabled exceptions on the trace stream, or an
  // allocation failed), the exception passes through and nothing is recorded. If an allocation
  // fails while appending, the new last code stays but the stack is left as it was.
  void setLast(ERROR_LVL level, int code, const char* file, const char* function, int line,
               std::string shortText, std::string longText);

  // Stacks a record without tracing it and without changing the level's last code.
  void pushOnStack(ERROR_LVL level, int code, std::string shortText, std::string longText);

  // Returns the level's last code: 100 when fresh or cleared, 0 for any other level.
  int getLast(ERROR_LVL level);

  // Returns the number of stacked codes, the initial entry included (1 when fresh or cleared);
  // 0 for any other level.
  int getStackSize(ERROR_LVL level);

  // Returns stacked code `index` (0 is the initial 100, getStackSize - 1 the newest), or 0 for a
  // negative or too large index or any other level. A 0 result is ambiguous with a stored 0.
  int get(ERROR_LVL level, int index);

  // Returns the level's live code stack; later records show through it. For any other level,
  // one shared empty sequence. Read through it only: changing it breaks the renderers, which
  // read the caller texts by the same index. The one operation that is not thread-safe: do not
  // read through the reference while another thread records or clears that level, since a record
  // may move the entries; take a copy under the host's own lock, or use get and getStackSize.
  std::vector<int>& getStack(ERROR_LVL level);

  // Returns the level to its fresh state; the other level is untouched.
  void clear(ERROR_LVL level);

  // Render descriptions. For LVL_ERROR: "[EC : code] text\n" followed by the level's newest
  // caller short text; for LVL_WARNING: "Warning: text\n" followed by the same; for any other
  // level: the catalogue text alone. The newest caller text is appended whatever code is
  // described. A code missing from the catalogue throws std::out_of_range("invalid map<K, T>
  // key"), at every level.
  std::string getShortDescription(ERROR_LVL level, int code);
  std::string getLongDescription(ERROR_LVL level, int code);

  // Describe the level's last code as above; any other level gives the bare text of code 0.
  // Throw std::out_of_range while the last code is missing from the catalogue.
  std::string getLastShortDescription(ERROR_LVL level);
  std::string getLastLongDescription(ERROR_LVL level);

  // Returns one entry per stacked record after the initial one, newest first, each ending with
  // one more "\n": errors "[EC : code] short text\ncaller text\n", warnings
  // "Warning: long text\ncaller text\n". "" for a fresh level or any other level. Throws
  // std::out_of_range while any stacked code is missing from the catalogue, until clear.
  std::string getStackDescriptions(ERROR_LVL level);

 private:
  friend struct tervox::detail::StateAccess;  // the library's own record path

  TervoxError();

  std::unique_ptr<tervox::detail::ErrorState> m_state;
  std::string m_name;
};

#endif  // TERVOX_TERVOXERROR_H
