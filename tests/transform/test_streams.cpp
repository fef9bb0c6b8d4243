#include "test_streams.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <string>

#if defined(_WIN32)
#include <process.h>
#endif

namespace celshift::test {

namespace {

#if defined(_WIN32)
// Windows has no cookie streams: input and output go through temporary files, and failure points cannot be
// set (the failure tests are POSIX only).
bool withStreams(const std::string& input, std::string& output, FailurePoint failure,
                 const std::function<void(std::FILE*, std::FILE*)>& use) {
    if (failure.readFailsAfter >= 0 || failure.writeFailsAfter >= 0)
        throw std::logic_error("failure points need cookie streams, which Windows lacks");
    std::FILE* inStream = temporaryStream();
    std::FILE* outStream = temporaryStream();
    if (!inStream || !outStream) throw std::runtime_error("cannot create a temporary file");
    if (std::fwrite(input.data(), 1, input.size(), inStream) != input.size() || std::fflush(inStream) != 0)
        throw std::runtime_error("cannot write the test input");
    std::rewind(inStream);
    use(inStream, outStream);
    std::fclose(inStream);
    std::fflush(outStream);
    std::rewind(outStream);
    char buffer[4096];
    for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, outStream)) > 0;) output.append(buffer, got);
    return std::fclose(outStream) != 0;
}

#else
// A cookie stream over a string: reads from it, or appends to it, and fails once `limit` bytes have passed.
struct Cookie {
    std::string* bytes;
    std::size_t position = 0;
    long limit = -1;
};

ssize_t cookieRead(void* cookie, char* buffer, size_t size) {
    auto* c = static_cast<Cookie*>(cookie);
    std::size_t n = std::min(size, c->bytes->size() - c->position);
    if (c->limit >= 0) {
        const std::size_t allowed = static_cast<std::size_t>(c->limit) > c->position ? c->limit - c->position : 0;
        if (allowed == 0 && size > 0) return -1;
        n = std::min(n, allowed);
    }
    std::memcpy(buffer, c->bytes->data() + c->position, n);
    c->position += n;
    return static_cast<ssize_t>(n);
}

ssize_t cookieWrite(void* cookie, const char* buffer, size_t size) {
    auto* c = static_cast<Cookie*>(cookie);
    std::size_t n = size;
    if (c->limit >= 0) {
        const std::size_t allowed = static_cast<std::size_t>(c->limit) > c->position ? c->limit - c->position : 0;
        n = std::min(n, allowed);
        if (n < size) errno = ENOSPC;
    }
    c->bytes->append(buffer, n);
    c->position += n;
    return static_cast<ssize_t>(n);
}

std::FILE* openCookie(Cookie& cookie, const char* mode, bool buffered) {
    cookie_io_functions_t functions{};
    functions.read = cookieRead;
    functions.write = cookieWrite;
    std::FILE* f = fopencookie(&cookie, mode, functions);
    if (!f) throw std::runtime_error("fopencookie failed");
    // Failing streams are unbuffered unless asked, so that each failure shows at the write that caused it.
    if (cookie.limit >= 0 && !buffered) setvbuf(f, nullptr, _IONBF, 0);
    return f;
}

// Opens the input and output cookie streams, hands them to use, and closes them. True when the output's
// close failed.
bool withStreams(const std::string& input, std::string& output, FailurePoint failure,
                 const std::function<void(std::FILE*, std::FILE*)>& use) {
    std::string in = input;
    Cookie reader{&in, 0, failure.readFailsAfter};
    Cookie writer{&output, 0, failure.writeFailsAfter};
    std::FILE* inStream = openCookie(reader, "r", failure.buffered);
    std::FILE* outStream = openCookie(writer, "w", failure.buffered);
    use(inStream, outStream);
    std::fclose(inStream);
    return std::fclose(outStream) != 0;
}

#endif

}  // namespace

std::FILE* temporaryStream() {
#if defined(_WIN32)
    // tmpfile() of the Windows C runtime creates its file in the drive's root, where a user may not
    // write. "D" deletes the file when the stream is closed.
    static std::atomic<unsigned> counter{0};
    const auto folder = std::filesystem::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
        const auto path = folder / ("celshift-test-" + std::to_string(_getpid()) + "-" +
                                    std::to_string(counter++) + ".tmp");
        if (std::filesystem::exists(path)) continue;
        if (std::FILE* f = _wfopen(path.c_str(), L"w+bD")) return f;
    }
    return nullptr;
#else
    return std::tmpfile();
#endif
}

WalkOutcome walk(const std::string& input, const std::function<void(DataFileCopier&)>& walker,
                 const ReplacementTableHolder* holder, FailurePoint failure, std::size_t windowBytes) {
    WalkOutcome outcome;
    outcome.closeFailed = withStreams(input, outcome.output, failure, [&](std::FILE* in, std::FILE* out) {
        DataFileCopier copier(in, out, 0, holder, windowBytes);
        try {
            walker(copier);
        } catch (const CopyErrorCode& error) {
            outcome.code = error.value;
        }
        // Walkers leave what passed through unchanged pending in the copier's window; copyDataFile writes
        // it at the end of a walk, and so does this.
        try {
            copier.flushPending(kFileWrite);
        } catch (const CopyErrorCode& error) {
            if (outcome.code == 0) outcome.code = error.value;
        }
    });
    return outcome;
}

FileOutcome convertFile(const std::string& input, bool packageFlag, const ReplacementTableHolder* holder,
                        FailurePoint failure) {
    return convertFileWith(input, packageFlag, holder, {.failure = failure});
}

FileOutcome convertFileWith(const std::string& input, bool packageFlag, const ReplacementTableHolder* holder,
                            const CopyOptions& options) {
    FileOutcome outcome;
    outcome.closeFailed = withStreams(input, outcome.output, options.failure, [&](std::FILE* in, std::FILE* out) {
        DataFileCopier copier(in, options.discardOutput ? nullptr : out, packageFlag ? 1 : 0, holder,
                              options.windowBytes);
        copier.nestingLimit = options.nestingLimit;
        copier.nameVisitor = options.visitor;
        outcome.result = copyDataFile(copier);
        outcome.stopCode = copier.stopCode;
        outcome.stop = copier.stop;
        outcome.replacedFields = copier.replacedFields;
    });
    return outcome;
}

ReplacementTableHolder holderWith(std::initializer_list<std::pair<std::string, std::string>> pairs) {
    ReplacementTableHolder holder;
    holder.enabled = true;
    holder.table = std::make_unique<ReplacementTable>();
    for (const auto& [from, to] : pairs) addReplacementPair(*holder.table, from, to);
    return holder;
}

}  // namespace celshift::test
