// Memory that runs out on request: the test program's operator new fails the host's allocation a
// test names, counted inside the stand-in engine's callbacks only, on the calling thread.
#ifndef QUENBREL_STANDINS_MEMORY_FAILING_NEW_H_
#define QUENBREL_STANDINS_MEMORY_FAILING_NEW_H_

namespace quenbrel_test {

// From now on, the |n|th allocation (1-based) that the host's code makes on this thread inside a
// callback of the stand-in engine throws std::bad_alloc; 0 disarms.
void FailHostAllocation(long n);

// Whether the allocation named last has failed.
bool HostAllocationFailed();

}  // namespace quenbrel_test

#endif  // QUENBREL_STANDINS_MEMORY_FAILING_NEW_H_
