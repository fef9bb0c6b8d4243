#include <pthread.h>

#include <system_error>
#include <utility>

#include "platform/large_stack.h"
#include "platform/large_stack_parts.h"

namespace celshift {

struct LargeStackThread::Impl {
    std::size_t stackBytes = 0;
    std::function<void()> work;
    std::exception_ptr error;
    pthread_t thread{};
    bool joined = false;
};

// pthread stacks are mapped, not committed: only the pages the walk touches are used.
LargeStackThread::LargeStackThread(std::size_t stackBytes, std::function<void()> work) : impl_(std::make_unique<Impl>()) {
    impl_->stackBytes = stackBytes;
    impl_->work = std::move(work);
    pthread_attr_t attributes;
    int rc = pthread_attr_init(&attributes);
    if (rc == 0) rc = pthread_attr_setstacksize(&attributes, stackBytes);
    if (rc == 0) {
        rc = pthread_create(
            &impl_->thread, &attributes,
            [](void* argument) -> void* {
                auto* impl = static_cast<Impl*>(argument);
                detail::runLargeStackBody(impl->stackBytes, impl->work, impl->error);
                return nullptr;
            },
            impl_.get());
    }
    pthread_attr_destroy(&attributes);
    if (rc != 0) throw std::system_error(rc, std::generic_category(), "cannot start the conversion thread");
}

LargeStackThread::~LargeStackThread() {
    if (!impl_->joined) pthread_join(impl_->thread, nullptr);
}

void LargeStackThread::join() {
    if (!impl_->joined) {
        pthread_join(impl_->thread, nullptr);
        impl_->joined = true;
    }
    if (impl_->error) std::rethrow_exception(std::exchange(impl_->error, nullptr));
}

}  // namespace celshift
