// Streams for transformer tests: input from bytes, output captured as bytes, and streams that fail after a
// set number of bytes (unbuffered, so a failure shows at the very field that caused it).
#pragma once

#include <cstdio>
#include <functional>
#include <string>

#include "transform/replacement_table.h"
#include "transform/walkers.h"

namespace celshift::test {

// Where a stream should fail: after this many bytes have passed. Negative: never.
struct FailurePoint {
    long readFailsAfter = -1;
    long writeFailsAfter = -1;
};

// The bytes a walk wrote, and the code it raised (0 when it returned normally).
struct WalkOutcome {
    std::string output;
    int code = 0;
};

// Runs one walker over the input bytes and reports what it wrote and raised.
WalkOutcome walk(const std::string& input, const std::function<void(DataFileCopier&)>& walker,
                 const ReplacementTableHolder* holder = nullptr, FailurePoint failure = {});

// The whole-file entry point: the bytes written and copyDataFile's result.
struct FileOutcome {
    std::string output;
    int result = -1;
};
FileOutcome convertFile(const std::string& input, bool packageFlag = false,
                        const ReplacementTableHolder* holder = nullptr, FailurePoint failure = {});

// A holder whose table holds the given pairs, in order.
ReplacementTableHolder holderWith(std::initializer_list<std::pair<std::string, std::string>> pairs);

}  // namespace celshift::test
