// Feeds arbitrary bytes through copyDataFile over memory streams.
//
// The first input byte chooses the package flag (bit 0) and whether names are replaced (bit 1); the rest is
// the data file. Without replacement the copy must be a prefix of the input, and all of it when the walk
// reports nothing: any other outcome is a fault, and aborts.
//
// libFuzzer calls the target on its main thread. Deep inputs need the walk's large stack, so every input is
// handed to one long-lived large-stack thread: a thread per input would cost more than the walk itself and,
// under the sanitizers, keep memory for every thread that ever ran.
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <mutex>
#include <thread>

#include "platform/large_stack.h"
#include "transform/replacement_table.h"
#include "transform/walkers.h"

namespace {

class LargeStackWorker {
public:
    LargeStackWorker() {
        std::thread([this] { celshift::runOnLargeStack([this] { serve(); }); }).detach();
    }

    void run(const std::function<void()>& job) {
        std::unique_lock lock(mutex_);
        job_ = &job;
        changed_.notify_all();
        changed_.wait(lock, [this] { return job_ == nullptr; });
    }

private:
    [[noreturn]] void serve() {
        std::unique_lock lock(mutex_);
        for (;;) {
            changed_.wait(lock, [this] { return job_ != nullptr; });
            (*job_)();
            job_ = nullptr;
            changed_.notify_all();
        }
    }

    std::mutex mutex_;
    std::condition_variable changed_;
    const std::function<void()>* job_ = nullptr;
};

celshift::ReplacementTableHolder makeHolder() {
    celshift::ReplacementTableHolder holder;
    holder.enabled = true;
    holder.table = std::make_unique<celshift::ReplacementTable>();
    celshift::addReplacementPair(*holder.table, "a.bmp", "replaced-name.jpg");
    celshift::addReplacementPair(*holder.table, "cell.jpg", "c.bmp");
    return holder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const celshift::ReplacementTableHolder replacing = makeHolder();
    static const celshift::ReplacementTableHolder passing;
    // Never destroyed: at exit its thread still waits on the condition variable, which cannot be destroyed then.
    static LargeStackWorker& worker = *new LargeStackWorker;
    if (size < 2) return 0;
    const bool package = (data[0] & 1) != 0;
    const bool replace = (data[0] & 2) != 0;
    const std::uint8_t* file = data + 1;
    const std::size_t fileSize = size - 1;

    std::FILE* input = fmemopen(const_cast<std::uint8_t*>(file), fileSize, "rb");
    char* copied = nullptr;
    std::size_t copiedSize = 0;
    std::FILE* output = open_memstream(&copied, &copiedSize);
    if (!input || !output) std::abort();

    int result = -1;
    worker.run([&] {
        celshift::DataFileCopier copier(input, output, package ? 1 : 0, replace ? &replacing : &passing);
        result = celshift::copyDataFile(copier);
    });
    std::fclose(input);
    std::fclose(output);

    if (result != 0 && result != 1) std::abort();
    if (!replace) {
        if (copiedSize > fileSize || std::memcmp(copied, file, copiedSize) != 0) std::abort();
        if (result == 0 && copiedSize != fileSize) std::abort();
    }
    std::free(copied);
    return 0;
}
