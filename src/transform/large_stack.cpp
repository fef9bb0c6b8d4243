#include "large_stack.h"

#include <pthread.h>

#include <cerrno>
#include <exception>
#include <system_error>

namespace celshift {

namespace {

// Room for kMaxNestingDepth walker levels of the largest frames (sanitizer builds at -O0 included).
constexpr std::size_t kStackBytes = std::size_t{2} << 30;

thread_local bool tOnLargeStack = false;

struct Job {
    const std::function<void()>* work;
    std::exception_ptr error;
};

void* runJob(void* argument) {
    auto* job = static_cast<Job*>(argument);
    tOnLargeStack = true;
    try {
        (*job->work)();
    } catch (...) {
        job->error = std::current_exception();
    }
    return nullptr;
}

}  // namespace

bool onLargeStack() { return tOnLargeStack; }

void runOnLargeStack(const std::function<void()>& work) {
    if (tOnLargeStack) {
        work();
        return;
    }
    Job job{&work, nullptr};
    pthread_attr_t attributes;
    int rc = pthread_attr_init(&attributes);
    if (rc == 0) rc = pthread_attr_setstacksize(&attributes, kStackBytes);
    pthread_t thread;
    if (rc == 0) rc = pthread_create(&thread, &attributes, runJob, &job);
    pthread_attr_destroy(&attributes);
    if (rc != 0) throw std::system_error(rc, std::generic_category(), "cannot start the conversion thread");
    pthread_join(thread, nullptr);
    if (job.error) std::rethrow_exception(job.error);
}

}  // namespace celshift
