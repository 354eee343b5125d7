#pragma once

// Tells ThreadSanitizer about a hand-off between threads that Qt orders but
// that the sanitizer cannot see: Qt's semaphores, mutexes and QThread::wait
// use futexes outside the instrumented code. The thread that hands data on
// calls HandOffRelease(key) after its last write; the thread that takes it
// calls HandOffAcquire(key) once Qt has ordered the two. Nothing in builds
// without ThreadSanitizer.

#if defined(__SANITIZE_THREAD__)
#define KV_THREAD_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define KV_THREAD_SANITIZER 1
#endif
#endif

#if defined(KV_THREAD_SANITIZER)
extern "C" void __tsan_acquire(void* address);
extern "C" void __tsan_release(void* address);
#endif

namespace kv::engine {

inline void HandOffRelease([[maybe_unused]] void* key) {
#if defined(KV_THREAD_SANITIZER)
    __tsan_release(key);
#endif
}

inline void HandOffAcquire([[maybe_unused]] void* key) {
#if defined(KV_THREAD_SANITIZER)
    __tsan_acquire(key);
#endif
}

} // namespace kv::engine
