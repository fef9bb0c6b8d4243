// The run's look at its own copy: the pictures that the converted data files name and the output folder lacks,
// which the scenario folder did not already lack. Works from the names the walk saw; reads no data file again.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "run/image_files.h"
#include "transform/data_file_copier.h"
#include "transform/replacement_table.h"

namespace celshift {

// Hashes a name by its bytes, so that a field's bytes are looked up where they lie, without a copy.
struct NameBytesHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view name) const { return std::hash<std::string_view>{}(name); }
};
using NameBytesSet = std::unordered_set<std::string, NameBytesHash, std::equal_to<>>;

// The distinct image-name fields of the data files one worker wrote, as stored (with the zero byte when the
// field has one). Most fields repeat a name seen before: those cost a look-up and nothing else.
class WrittenImageNames final : public ImageNameVisitor {
public:
    void imageName(const unsigned char* bytes, std::int32_t length) override {
        const std::string_view name(reinterpret_cast<const char*>(bytes), static_cast<std::size_t>(length));
        if (!written_.contains(name) && !pending_.contains(name)) pending_.emplace(name);
    }
    // The file walked since the last call ended: its names count when its output was written, else they go.
    void fileEnded(bool outputWritten) {
        if (outputWritten) written_.merge(pending_);
        pending_.clear();
    }
    const NameBytesSet& names() const { return written_; }

private:
    NameBytesSet written_;
    NameBytesSet pending_;
};

struct MissingPicture {
    std::string name;  // the field's written form (as --list-names writes it)
    int row = 0;       // the row (from 1) that wrote the name; 0 when the name was the scenario's own
};

// The names (image extensions only) that the output's data files hold after table replaced the fields in
// inputNames, that the output folder does not hold (looked up as Windows looks them up), and that were not already
// missing from the scenario folder. By row, then by the bytes of the name; names no row wrote come last.
std::vector<MissingPicture> picturesMissingAfterRun(const std::unordered_set<std::string>& inputNames,
                                                    const ReplacementTable* table, const std::string& scenarioFolder,
                                                    const ImageFileIndex& output);

}  // namespace celshift
