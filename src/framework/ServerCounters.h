#pragma once
// The server's two counters: live business objects and factory locks. Changed only
// atomically; they decide whether the library may be unloaded.
#include <atomic>

namespace humrs {

class ServerCounters {
public:
    static void ObjectCreated() { Objects().fetch_add(1); }
    static void ObjectDestroyed() { Objects().fetch_sub(1); }
    static void Lock() { Locks().fetch_add(1); }
    static void Unlock() { Locks().fetch_sub(1); }
    static long LiveObjects() { return Objects().load(); }
    static long LockCount() { return Locks().load(); }

private:
    static std::atomic<long>& Objects() {
        static std::atomic<long> n{0};
        return n;
    }
    static std::atomic<long>& Locks() {
        static std::atomic<long> n{0};
        return n;
    }
};

}  // namespace humrs
