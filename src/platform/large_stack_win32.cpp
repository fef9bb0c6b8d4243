#include <system_error>
#include <utility>

#include "platform/large_stack.h"
#include "platform/large_stack_parts.h"
#include "platform/win32_text.h"

namespace celshift {

struct LargeStackThread::Impl {
    std::size_t stackBytes = 0;
    std::function<void()> work;
    std::exception_ptr error;
    HANDLE thread = nullptr;
};

// Without STACK_SIZE_PARAM_IS_A_RESERVATION the size is committed at once (2 GiB of the page file);
// with it, the size is only reserved and pages are committed as the walk reaches them. winpthreads does
// not pass that flag, so the thread is started here directly.
LargeStackThread::LargeStackThread(std::size_t stackBytes, std::function<void()> work) : impl_(std::make_unique<Impl>()) {
    impl_->stackBytes = stackBytes;
    impl_->work = std::move(work);
    impl_->thread = ::CreateThread(
        nullptr, stackBytes,
        [](void* argument) -> DWORD {
            auto* impl = static_cast<Impl*>(argument);
            detail::runLargeStackBody(impl->stackBytes, impl->work, impl->error);
            return 0;
        },
        impl_.get(), STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
    if (impl_->thread == nullptr) {
        throw std::system_error(static_cast<int>(::GetLastError()), std::system_category(),
                                "cannot start the conversion thread");
    }
}

LargeStackThread::~LargeStackThread() {
    if (impl_->thread != nullptr) {
        ::WaitForSingleObject(impl_->thread, INFINITE);
        ::CloseHandle(impl_->thread);
    }
}

void LargeStackThread::join() {
    if (impl_->thread != nullptr) {
        ::WaitForSingleObject(impl_->thread, INFINITE);
        ::CloseHandle(impl_->thread);
        impl_->thread = nullptr;
    }
    if (impl_->error) std::rethrow_exception(std::exchange(impl_->error, nullptr));
}

}  // namespace celshift
