// Feeds arbitrary bytes through copyDataFile over cookie streams that can fail.
//
// Input: a flag byte, the position after which a read fails and the one after which a write fails (two
// little-endian 16-bit values), then the data file. Flags: bit 0 package file, bit 1 replace names, bit 2 the
// read fault is armed, bit 3 the write fault is armed, bit 4 the streams keep a normal stdio buffer (else
// unbuffered), bit 5 the copier's smallest window (many refills).
//
// Each input is converted three times: without faults (the reference), with the faults, and without faults
// into a null output. Any of these outcomes is a fault, and aborts:
// - a result other than 0 and 1, or a result that disagrees with stopCode;
// - without replacement, a reference that is not the whole input (a walk that stops keeps every byte);
// - a reference whose stop says its output is not whole, or a faulted walk that met a fault before its end and
//   says that its output is whole;
// - a faulted output that is not a prefix of the reference, or that holds a byte at or past the failed read;
// - a fault that hit without result 1 (or, for a write held in the stream's buffer, a failed fclose), or a
//   fault armed before the walk's end that a complete walk did not meet;
// - a faulted walk whose faults were never hit that differs from the reference in any way;
// - a null-output walk that differs from the reference in result, stopCode or counts;
// - more replaced fields than image-name fields visited.
//
// libFuzzer calls the target on its main thread. Deep inputs need a large stack, so every input is handed to
// one long-lived large-stack thread: a thread per input would cost more than the walk itself and, under the
// sanitizers, keep memory for every thread that ever ran.
#include <cerrno>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <mutex>
#include <string>

#include "platform/large_stack.h"
#include "transform/data_file_copier.h"
#include "transform/replacement_table.h"

namespace {

class LargeStackWorker {
public:
    // The thread is never joined: at exit it still waits for the next input.
    LargeStackWorker() : thread_(new celshift::LargeStackThread(celshift::kWalkStackBytes, [this] { serve(); })) {}

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
    [[maybe_unused]] celshift::LargeStackThread* thread_;  // started last, once the members above exist
};

// A cookie stream over bytes that fails once `limit` bytes have passed (never when limit < 0).
struct Cookie {
    const std::uint8_t* input = nullptr;
    std::size_t inputSize = 0;
    std::string* output = nullptr;
    std::size_t position = 0;
    long limit = -1;
    bool failed = false;  // a call was refused
};

ssize_t cookieRead(void* cookie, char* buffer, size_t size) {
    auto* c = static_cast<Cookie*>(cookie);
    std::size_t n = std::min(size, c->inputSize - c->position);
    if (c->limit >= 0) {
        const std::size_t allowed = static_cast<std::size_t>(c->limit) > c->position ? c->limit - c->position : 0;
        if (allowed == 0 && size > 0) {
            c->failed = true;
            return -1;
        }
        n = std::min(n, allowed);
    }
    std::memcpy(buffer, c->input + c->position, n);
    c->position += n;
    return static_cast<ssize_t>(n);
}

ssize_t cookieWrite(void* cookie, const char* buffer, size_t size) {
    auto* c = static_cast<Cookie*>(cookie);
    std::size_t n = size;
    if (c->limit >= 0) {
        const std::size_t allowed = static_cast<std::size_t>(c->limit) > c->position ? c->limit - c->position : 0;
        if (allowed < size) {
            n = allowed;
            c->failed = true;
            errno = ENOSPC;
        }
    }
    c->output->append(buffer, n);
    c->position += n;
    return static_cast<ssize_t>(n);
}

std::FILE* openCookie(Cookie& cookie, const char* mode, bool buffered) {
    cookie_io_functions_t functions{};
    functions.read = cookieRead;
    functions.write = cookieWrite;
    std::FILE* f = fopencookie(&cookie, mode, functions);
    if (!f) std::abort();
    if (!buffered) std::setvbuf(f, nullptr, _IONBF, 0);
    return f;
}

struct Walk {
    std::string output;
    int result = -1;
    int stopCode = -1;
    celshift::StopDetail stop;
    bool closeFailed = false;
    bool readFaultHit = false;
    bool writeFaultHit = false;
    std::int64_t replaced = 0;
    std::int64_t visited = 0;
};

struct CountingVisitor : celshift::ImageNameVisitor {
    std::int64_t fields = 0;
    void imageName(const unsigned char* bytes, std::int32_t length) override {
        if (length < 0 || length > 256 || (length > 0 && bytes == nullptr)) std::abort();
        ++fields;
    }
};

struct Options {
    bool package = false;
    const celshift::ReplacementTableHolder* holder = nullptr;
    long readFailsAfter = -1;
    long writeFailsAfter = -1;
    bool buffered = false;
    bool nullOutput = false;
    std::size_t windowBytes = celshift::kInputWindowBytes;
};

Walk convert(const std::uint8_t* file, std::size_t size, const Options& options) {
    Walk walk;
    Cookie reader{file, size, nullptr, 0, options.readFailsAfter};
    Cookie writer{nullptr, 0, &walk.output, 0, options.writeFailsAfter};
    std::FILE* input = openCookie(reader, "r", options.buffered);
    std::FILE* output = openCookie(writer, "w", options.buffered);
    CountingVisitor visitor;
    {
        celshift::DataFileCopier copier(input, options.nullOutput ? nullptr : output, options.package ? 1 : 0,
                                        options.holder, options.windowBytes);
        copier.nestingLimit = celshift::kMaxNestingDepth;
        copier.nameVisitor = &visitor;
        walk.result = celshift::copyDataFile(copier);
        walk.stopCode = copier.stopCode;
        walk.stop = copier.stop;
        for (const auto& [pair, fields] : copier.replacedFields.entries()) walk.replaced += fields;
    }
    std::fclose(input);
    walk.closeFailed = std::fclose(output) != 0;
    walk.readFaultHit = reader.failed;
    walk.writeFaultHit = writer.failed;
    walk.visited = visitor.fields;
    return walk;
}

// Names the broken rule by its line, then aborts.
#define check(condition)                                                                   \
    do {                                                                                   \
        if (!(condition)) {                                                                \
            std::fprintf(stderr, "fuzz_copy_data_file:%d: %s\n", __LINE__, #condition);    \
            std::abort();                                                                  \
        }                                                                                  \
    } while (false)

celshift::ReplacementTableHolder makeHolder() {
    celshift::ReplacementTableHolder holder;
    holder.enabled = true;
    holder.table = std::make_unique<celshift::ReplacementTable>();
    celshift::addReplacementPair(*holder.table, "a.bmp", "replaced-name.jpg");
    celshift::addReplacementPair(*holder.table, "cell.jpg", "c.bmp");
    return holder;
}

bool isPrefix(const std::string& prefix, const std::string& whole) {
    return prefix.size() <= whole.size() && whole.compare(0, prefix.size(), prefix) == 0;
}

void fuzzOne(const std::uint8_t* data, std::size_t size) {
    static const celshift::ReplacementTableHolder replacing = makeHolder();
    static const celshift::ReplacementTableHolder passing;
    const std::uint8_t flags = data[0];
    Options options;
    options.package = (flags & 1) != 0;
    const bool replace = (flags & 2) != 0;
    options.holder = replace ? &replacing : &passing;
    options.windowBytes = (flags & 32) ? celshift::kSmallestInputWindow : celshift::kInputWindowBytes;
    const long readAt = data[1] | data[2] << 8;
    const long writeAt = data[3] | data[4] << 8;
    const std::uint8_t* file = data + 5;
    const std::size_t fileSize = size - 5;

    const Walk reference = convert(file, fileSize, options);
    check(reference.result == 0 || reference.result == 1);
    check((reference.result == 0) == (reference.stopCode == 0));
    check(!reference.closeFailed);
    check(celshift::outputIsWhole(reference.stop));
    check(reference.replaced <= reference.visited);
    if (!replace) {
        check(reference.replaced == 0);
        check(reference.output == std::string(reinterpret_cast<const char*>(file), fileSize));
    }

    Options nullOutput = options;
    nullOutput.nullOutput = true;
    const Walk discarded = convert(file, fileSize, nullOutput);
    check(discarded.output.empty());
    check(discarded.result == reference.result && discarded.stopCode == reference.stopCode);
    check(discarded.replaced == reference.replaced && discarded.visited == reference.visited);

    Options faulty = options;
    faulty.buffered = (flags & 16) != 0;
    if (flags & 4) faulty.readFailsAfter = readAt;
    if (flags & 8) faulty.writeFailsAfter = writeAt;
    const Walk faulted = convert(file, fileSize, faulty);
    check(faulted.result == 0 || faulted.result == 1);
    check((faulted.result == 0) == (faulted.stopCode == 0));
    check(isPrefix(faulted.output, reference.output));
    if (!replace && faulty.readFailsAfter >= 0) check(faulted.output.size() <= static_cast<std::size_t>(readAt));
    const bool readFaultBeforeEnd = faulty.readFailsAfter >= 0 && static_cast<std::size_t>(readAt) <= fileSize;
    const bool writeFaultBeforeEnd =
        faulty.writeFailsAfter >= 0 && static_cast<std::size_t>(writeAt) < reference.output.size();
    // A walk that reads the whole input meets an armed read fault; one that writes the reference meets an
    // armed write fault, unless the other fault stopped it first. Either, once met, must show.
    check(!faulted.readFaultHit || readFaultBeforeEnd);
    if (readFaultBeforeEnd && reference.result == 0 && !faulted.writeFaultHit) check(faulted.readFaultHit);
    if (faulted.readFaultHit) check(faulted.result == 1 && !celshift::outputIsWhole(faulted.stop));
    if (faulted.writeFaultHit && !faulted.closeFailed) check(!celshift::outputIsWhole(faulted.stop));
    if (writeFaultBeforeEnd && !faulted.readFaultHit) check(faulted.writeFaultHit);
    if (faulted.writeFaultHit) check(faulted.result == 1 || faulted.closeFailed);
    if (!faulted.readFaultHit && !faulted.writeFaultHit) {
        check(faulted.output == reference.output && faulted.result == reference.result);
        check(faulted.stopCode == reference.stopCode && !faulted.closeFailed);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static LargeStackWorker& worker = *new LargeStackWorker;
    if (size < 6) return 0;
    worker.run([&] { fuzzOne(data, size); });
    return 0;
}
