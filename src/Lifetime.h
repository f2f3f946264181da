#ifndef TERVOX_LIFETIME_H
#define TERVOX_LIFETIME_H

namespace tervox::detail {

// The library's objects, the two process streams and the registry, are destroyed by the library's
// finaliser: at dlclose, or at exit once every exit handler and static destructor of the host has
// run. Threads that the host left running may still call in at that moment, so every use of those
// objects is a Visit: the finaliser closes the door and waits for the visits in progress before it
// destroys anything, and a visit that finds the door closed leaves the objects alone.
class Visit {
 public:
  Visit();
  ~Visit();
  Visit(const Visit&) = delete;
  Visit& operator=(const Visit&) = delete;

  // Whether the library's objects may be used during this visit.
  explicit operator bool() const { return admitted_; }

 private:
  bool admitted_;
};

// Closes the door to new visits and waits for those in progress to end. Returns whether they all
// ended; if one is stuck (a thread blocked inside a host's stream buffer), the objects must be left
// as they are rather than destroyed under it.
bool close_for_teardown();

// In a child forked from a busy parent, the visits of the parent's other threads never end.
void forget_visits_of_other_threads();

}  // namespace tervox::detail

#endif  // TERVOX_LIFETIME_H
