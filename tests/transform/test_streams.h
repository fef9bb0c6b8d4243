// Streams for transformer tests: input from bytes, output captured as bytes, and streams that fail after a
// set number of bytes: unbuffered, so that a failed write shows at the very block that caused it, or with a
// normal stdio buffer, as the conversion run's output has.
#pragma once

#include <cstdio>
#include <functional>
#include <string>

#include "transform/data_file_copier.h"
#include "transform/replacement_table.h"
#include "transform/walkers.h"

namespace celshift::test {

// Where a stream should fail: after this many bytes have passed. Negative: never.
struct FailurePoint {
    long readFailsAfter = -1;
    long writeFailsAfter = -1;
    bool buffered = false;  // failing streams keep their normal stdio buffer
};

// The bytes a walk wrote, and the code it raised (0 when it returned normally).
struct WalkOutcome {
    std::string output;
    int code = 0;
    bool closeFailed = false;  // the output's own buffer could not be written out at fclose
};

// A temporary file opened for reading and writing, removed when closed; null when none can be made.
std::FILE* temporaryStream();

// Runs one walker over the input bytes and reports what it wrote and raised.
// The pass-through still pending at the walker's end is written as copyDataFile writes it, with code 55.
WalkOutcome walk(const std::string& input, const std::function<void(DataFileCopier&)>& walker,
                 const ReplacementTableHolder* holder = nullptr, FailurePoint failure = {},
                 std::size_t windowBytes = kInputWindowBytes);

// The whole-file entry point: the bytes written and copyDataFile's result.
struct FileOutcome {
    std::string output;
    int result = -1;
    int stopCode = -1;
    StopDetail stop;
    bool closeFailed = false;  // the output's own buffer could not be written out at fclose
    ReplacedCounts replacedFields;
};
FileOutcome convertFile(const std::string& input, bool packageFlag = false,
                        const ReplacementTableHolder* holder = nullptr, FailurePoint failure = {});

// What else a test can set on the copier of convertFileWith.
struct CopyOptions {
    FailurePoint failure{};
    std::size_t windowBytes = kInputWindowBytes;
    std::int32_t nestingLimit = kDefaultNestingLimit;
    bool discardOutput = false;  // a null output
    ImageNameVisitor* visitor = nullptr;
};
FileOutcome convertFileWith(const std::string& input, bool packageFlag, const ReplacementTableHolder* holder,
                            const CopyOptions& options);

// A holder whose table holds the given pairs, in order.
ReplacementTableHolder holderWith(std::initializer_list<std::pair<std::string, std::string>> pairs);

}  // namespace celshift::test
