#ifndef TERVOX_ERROR_REGISTRYSTORAGE_H
#define TERVOX_ERROR_REGISTRYSTORAGE_H

#include <tervox/TervoxError.h>

namespace tervox::detail {

// The static storage of the one registry. getInstance constructs the registry in it on first use;
// the library's own object of this type, constructed when the library is loaded, destroys it when
// the library is unloaded. So the registry outlives every host static and atexit handler set up
// after the load, whatever the order of first use, and a dlclose leaves nothing behind.
class RegistryStorage {
 public:
  constexpr RegistryStorage() = default;
  RegistryStorage(const RegistryStorage&) = delete;
  RegistryStorage& operator=(const RegistryStorage&) = delete;
  ~RegistryStorage() {
    if (registry_ != nullptr) registry_->~TervoxError();
  }

  // Where getInstance constructs the registry.
  void* place() { return bytes_; }

  // Takes charge of destroying the registry constructed in place(); returns it.
  TervoxError* adopt(TervoxError* registry) {
    registry_ = registry;
    return registry;
  }

 private:
  alignas(TervoxError) unsigned char bytes_[sizeof(TervoxError)] = {};
  TervoxError* registry_ = nullptr;
};

// Defined in ProcessObjects.cpp, after the streams the registry traces into.
extern RegistryStorage registry_storage;

}  // namespace tervox::detail

#endif  // TERVOX_ERROR_REGISTRYSTORAGE_H
