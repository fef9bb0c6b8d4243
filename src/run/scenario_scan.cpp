#include "run/scenario_scan.h"

#include <algorithm>
#include <map>
#include <unordered_map>

#include "platform/code_page_932.h"
#include "platform/name_rules.h"
#include "run/data_file_job.h"
#include "run/ordered_workers.h"
#include "run/run_texts.h"
#include "transform/copy_error_code.h"

namespace celshift {

namespace {

// The image names of one data file, with how often each occurs.
class NameCounter final : public ImageNameVisitor {
public:
    void imageName(const unsigned char* bytes, std::int32_t length) override {
        ++counts[std::string(reinterpret_cast<const char*>(bytes), static_cast<std::size_t>(length))];
    }
    std::unordered_map<std::string, std::int64_t> counts;
};

struct ScannedFile {
    DataFileResult result;
    std::unordered_map<std::string, std::int64_t> counts;
};

// Why a walk stopped, in the user's words, with the code for those who report it.
int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// True when text starts with "\x" and two hex digits.
bool readsAsEscape(std::string_view text) {
    return text.size() >= 4 && text[0] == '\\' && text[1] == 'x' && hexValue(text[2]) >= 0 && hexValue(text[3]) >= 0;
}

bool isHalfWidthKatakana(unsigned char b) { return b >= 0xA1 && b <= 0xDF; }
bool isUserDefinedLead(unsigned char b) { return b >= 0xF0 && b <= 0xF9; }
bool isTrailByte(unsigned char b) { return b >= 0x40 && b <= 0xFC && b != 0x7F; }

void appendEscaped(std::string& text, unsigned char b) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    text += "\\x";
    text += kHex[b >> 4];
    text += kHex[b & 0xF];
}

// The character that a two-byte sequence stands for, as UTF-8, when code page 932 maps it to one character
// outside the private-use area; empty otherwise.
std::string twoByteCharacter(unsigned char lead, unsigned char trail) {
    const char pair[2] = {static_cast<char>(lead), static_cast<char>(trail)};
    const std::string utf8 = fromCodePage932(std::string_view(pair, 2));
    // One character of the basic plane is two or three UTF-8 bytes; U+FFFD marks what the code page lacks.
    if (utf8.size() < 2 || utf8.size() > 3 || utf8 == "\xEF\xBF\xBD") return {};
    const auto b0 = static_cast<unsigned char>(utf8[0]);
    if ((utf8.size() == 2 && (b0 & 0xE0) != 0xC0) || (utf8.size() == 3 && (b0 & 0xF0) != 0xE0)) return {};
    if (utf8.size() == 3) {
        const unsigned codePoint = (b0 & 0x0Fu) << 12 | (static_cast<unsigned char>(utf8[1]) & 0x3Fu) << 6 |
                                   (static_cast<unsigned char>(utf8[2]) & 0x3Fu);
        if (codePoint >= 0xE000 && codePoint <= 0xF8FF) return {};
    }
    return utf8;
}

}  // namespace

std::string displayName(std::string_view stored) {
    if (!stored.empty() && stored.back() == '\0') stored.remove_suffix(1);
    std::string text;
    for (std::size_t i = 0; i < stored.size();) {
        const auto b = static_cast<unsigned char>(stored[i]);
        if (b == '\\' && readsAsEscape(stored.substr(i))) {
            // A stored "\x41" would read back as one byte: its backslash is shown escaped.
            appendEscaped(text, b);
            ++i;
        } else if (b >= 0x20 && b <= 0x7E) {
            text += static_cast<char>(b);
            ++i;
        } else if (isHalfWidthKatakana(b)) {
            // U+FF61 to U+FF9F, three UTF-8 bytes.
            const unsigned codePoint = 0xFF61 + (b - 0xA1);
            text += static_cast<char>(0xE0 | (codePoint >> 12));
            text += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
            text += static_cast<char>(0x80 | (codePoint & 0x3F));
            ++i;
        } else if (isCodePage932LeadByte(b) && i + 1 < stored.size()) {
            const auto trail = static_cast<unsigned char>(stored[i + 1]);
            if (isUserDefinedLead(b) && isTrailByte(trail)) {
                // A user-defined character: both bytes are shown as they are stored.
                appendEscaped(text, b);
                appendEscaped(text, trail);
                i += 2;
                continue;
            }
            const std::string character = twoByteCharacter(b, trail);
            if (character.empty()) {
                appendEscaped(text, b);
                ++i;
            } else if (toCodePage932(character) != stored.substr(i, 2)) {
                // A character the code page holds twice (NEC and IBM rows: "纊" ED 40 and FA 5C, "Ⅰ" 87 54 and
                // FA 4A) is typed back as its other form, which would match nothing: both bytes are shown.
                appendEscaped(text, b);
                appendEscaped(text, trail);
                i += 2;
            } else {
                text += character;
                i += 2;
            }
        } else {
            appendEscaped(text, b);
            ++i;
        }
    }
    return text;
}

std::optional<std::string> storedBytesOf(std::string_view displayed) {
    std::string bytes;
    std::size_t plainStart = 0;
    const auto flushPlain = [&](std::size_t end) {
        const std::optional<std::string> plain = toCodePage932(displayed.substr(plainStart, end - plainStart));
        if (!plain) return false;
        bytes += *plain;
        return true;
    };
    for (std::size_t i = 0; i < displayed.size();) {
        if (!readsAsEscape(displayed.substr(i))) {
            ++i;
            continue;
        }
        if (!flushPlain(i)) return std::nullopt;
        bytes += static_cast<char>(hexValue(displayed[i + 2]) << 4 | hexValue(displayed[i + 3]));
        i += 4;
        plainStart = i;
    }
    if (!flushPlain(displayed.size())) return std::nullopt;
    return bytes;
}

bool scanHasName(const ScenarioScan& scan, const std::string& fromText) {
    const std::optional<std::string> from = toCodePage932(fromText);
    if (!from || from->empty()) return false;
    const std::string field = *from + '\0';
    return std::any_of(scan.names.begin(), scan.names.end(),
                       [&](const ScannedName& name) { return name.bytes == field; });
}

ScenarioScan scanScenario(const std::string& sourceFile, FileList& fileList, const RunOptions& options) {
    ScenarioScan scan;
    fileList.setDirectory(parentFolder(sourceFile));
    fileList.setMask(kDataFileMask);
    if (fileList.listingFailed()) {
        scan.listingFailed = true;
        return scan;
    }
    std::vector<std::string> paths;
    for (int i = 0; i < fileList.count(); ++i) paths.push_back(fileList.filePath(i));
    scan.dataFiles = static_cast<int>(paths.size());

    const ReplacementTableHolder noReplacement;
    const int jobs = workerCount(options);
    std::vector<StreamBuffers> buffers(static_cast<std::size_t>(std::max(1, std::min<int>(jobs, scan.dataFiles))));
    std::map<std::string, ScannedName> names;
    OrderedWorkers<ScannedFile> workers(scan.dataFiles, jobs, options.stop, walkStackFor(paths));
    const int delivered = workers.run(
        [&](int i, int worker) {
            ScannedFile file;
            NameCounter counter;
            file.result = convertDataFile(paths[static_cast<std::size_t>(i)], nullptr, noReplacement,
                                          buffers[static_cast<std::size_t>(worker)], &counter);
            file.counts = std::move(counter.counts);
            return file;
        },
        [&](int i, ScannedFile& file) {
            for (auto& [bytes, count] : file.counts) {
                ScannedName& name = names[bytes];
                name.fields += count;
                ++name.files;
            }
            const std::string& path = paths[static_cast<std::size_t>(i)];
            if (file.result.kind == DataFileResult::Kind::Unopened)
                scan.problems.push_back({ScanProblem::Kind::Unreadable, path, nameOf(path), file.result.reason});
            else if (file.result.kind == DataFileResult::Kind::Failed)
                scan.problems.push_back({ScanProblem::Kind::Failed, path, nameOf(path), file.result.reason,
                                         !file.result.wholeInputWalked});
        },
        options.progress ? OrderedWorkers<ScannedFile>::Progress([&](int done, int inWork) {
            options.progress->progress(RunStage::RewritingDataFiles, done, scan.dataFiles,
                                       inWork >= 0 ? nameOf(paths[static_cast<std::size_t>(inWork)]) : std::string());
        })
                         : nullptr);
    // A stop that came while the last files were read still stops the scan: it was asked to.
    scan.stopped = delivered < scan.dataFiles || (options.stop != nullptr && options.stop->requested());

    scan.names.reserve(names.size());
    for (auto& [bytes, name] : names) {
        name.bytes = bytes;
        scan.names.push_back(std::move(name));
    }
    // The map is ordered by the bytes as unsigned values; a stable sort by count keeps that order within a count.
    std::stable_sort(scan.names.begin(), scan.names.end(),
                     [](const ScannedName& a, const ScannedName& b) { return a.fields > b.fields; });
    return scan;
}

}  // namespace celshift
