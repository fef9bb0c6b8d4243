// The conversion run's tests: a scenario folder and an output folder, and every box the run shows, in order.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "platform/file_list.h"
#include "run/conversion_run.h"
#include "scenario_builder/byte_builder.h"
#include "temp_folder.h"

namespace celshift::test {

namespace fs = std::filesystem;
using build::ByteBuilder;

struct Box {
    std::string caption;
    std::string text;
    bool operator==(const Box&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const Box& box) { return out << box.caption << ": " << box.text; }

class RecordedMessages : public RunMessages {
public:
    void showMessage(const std::string& text, const std::string& caption) override { boxes.push_back({caption, text}); }
    void showErrorFm(const std::string& path) override { boxes.push_back({"ErrorFm", path}); }
    std::vector<Box> boxes;
};

// A kind 8 data file with one tree naming the image; the plain string holds the same text.
inline std::string dataFile(const std::string& image) {
    return ByteBuilder().fileHeader(8).int32(1).int32(1).imageNode(image, image).bytes();
}
// The same as a package file (no kind byte).
inline std::string packageFile(const std::string& image) {
    return ByteBuilder().packageHeader().int32(1).int32(1).imageNode(image, image).bytes();
}

inline const Box kCopyDone{"第一段階", "コピー完了"};
inline const Box kDone{"情報", "完了"};
inline Box countBox(int n) { return {"画像置換", std::to_string(n) + "個のファイルを置換します"}; }

class ConversionRun : public ::testing::Test {
protected:
    TempFolder root;
    std::string scenario = root / "scenario";
    std::string output = root / "Scena";
    RecordedMessages messages;
    ConversionRows rows;

    void SetUp() override {
        fs::create_directory(scenario);
        fs::create_directory(output);
        writeFile(scenario + "/Summary.wsm", "summary");
    }
    void put(const std::string& name, const std::string& bytes) { writeFile(scenario + "/" + name, bytes); }
    std::string out(const std::string& name) { return readFile(output + "/" + name); }
    void row(int r, const std::string& from, const std::string& to) {
        rows.from[r - 1] = from;
        rows.to[r - 1] = to;
    }
    RunOutcome run(const RunOptions& options = {}) {
        auto list = makeDirectoryFileList();
        return runConversion(scenario + "/Summary.wsm", output, rows, *list, messages, options);
    }
};

}  // namespace celshift::test
