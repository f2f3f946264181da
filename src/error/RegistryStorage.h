#ifndef TERVOX_ERROR_REGISTRYSTORAGE_H
#define TERVOX_ERROR_REGISTRYSTORAGE_H

#include <atomic>
#include <mutex>

#include <tervox/TervoxError.h>

#include "Lifetime.h"

namespace tervox::detail {

// The static storage of the one registry. getInstance constructs the registry in it on first use;
// the library's finaliser destroys it (ProcessObjects.cpp), so that it outlives every host static
// and exit handler whatever the order of first use, and a dlclose leaves nothing behind. Trivially
// destructible, so that nothing but the finaliser ends it.
class RegistryStorage {
 public:
  // The registry, or null before its creation.
  TervoxError* registry() const { return registry_.load(std::memory_order_acquire); }

  // Where getInstance constructs the registry.
  void* place() { return bytes_; }

  // Takes charge of destroying the registry constructed in place(); returns it.
  TervoxError* adopt(TervoxError* registry) {
    registry_.store(registry, std::memory_order_release);
    return registry;
  }

  void destroy() {
    if (TervoxError* const registry = registry_.load(std::memory_order_relaxed)) {
      registry->~TervoxError();
    }
    registry_.store(nullptr, std::memory_order_relaxed);
  }

 private:
  alignas(TervoxError) unsigned char bytes_[sizeof(TervoxError)];
  std::atomic<TervoxError*> registry_{nullptr};
};

// Defined in ProcessObjects.cpp, after the streams the registry traces into; zero-initialised.
extern RegistryStorage registry_storage;

// The lock that guards the registry's state; see ProcessObjects.cpp for the lock order.
std::mutex& registry_state_lock();

// Holds the registry's lock for its lifetime, unless the library's teardown has begun
// (Lifetime.h): the registry may be gone then, and the holder must leave it alone.
class RegistryHold {
 public:
  RegistryHold() : held_(!tearing_down()) {
    if (held_) registry_state_lock().lock();
  }
  ~RegistryHold() {
    if (held_) registry_state_lock().unlock();
  }
  RegistryHold(const RegistryHold&) = delete;
  RegistryHold& operator=(const RegistryHold&) = delete;

  explicit operator bool() const { return held_; }

 private:
  bool held_;
};

}  // namespace tervox::detail

#endif  // TERVOX_ERROR_REGISTRYSTORAGE_H
