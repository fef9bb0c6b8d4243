#include "command_line.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>

#include "image_names.h"

namespace celshift::build {

namespace {

constexpr double kMaxMegabytes = 1'000'000;  // a terabyte: far beyond any test, short of overflow
constexpr int kMaxFiles = 100'000;
constexpr std::uint64_t kMegabyte = 1024 * 1024;
// A real-shaped scenario keeps about a third of its bytes in data files, the rest in media files.
constexpr std::uint64_t kRealDataPercent = 35;

std::optional<double> parseMegabytes(const std::string& text) {
    if (text.empty() || !(std::isdigit(static_cast<unsigned char>(text[0])) || text[0] == '.')) return std::nullopt;
    char* end = nullptr;
    errno = 0;
    const double value = std::strtod(text.c_str(), &end);
    if (errno != 0 || *end != '\0' || !std::isfinite(value) || value <= 0 || value > kMaxMegabytes)
        return std::nullopt;
    return value;
}

std::optional<std::uint64_t> parseUnsigned(const std::string& text, std::uint64_t max) {
    if (text.empty() || !std::isdigit(static_cast<unsigned char>(text[0]))) return std::nullopt;
    char* end = nullptr;
    errno = 0;
    const unsigned long long value = std::strtoull(text.c_str(), &end, 0);
    if (errno != 0 || *end != '\0' || value > max) return std::nullopt;
    return value;
}

}  // namespace

std::string generateUsage() {
    return "usage: generate-scenario --out DIR --megabytes M --files N [--shape synthetic|real] [--seed S]"
           " [--images K] [--rename FROM=TO]...\n"
           "       generate-scenario --out DIR --single-file-megabytes M [--kind 0-6|8|package]"
           " [--shape synthetic|real] [--seed S] [--images K] [--rename FROM=TO]...\n"
           "Writes a scenario folder (Summary.wsm, data files, BMP images, a text file) into DIR, which may\n"
           "not hold any of these files yet. M is in megabytes of 1048576 bytes and may have a fraction;\n"
           "N lies between 1 and 100000, K between 1 and 1000; S is any unsigned 64-bit number (default 1).\n"
           "--shape synthetic (the default): every record form, deep trees, mostly small fields.\n"
           "--shape real: shaped like real scenarios: about 90 % of the data-file bytes in long texts and\n"
           "embedded images, about 55 bytes per field; N data files hold about 35 % of M, and N BMP media\n"
           "files (the K named images among them) the rest.\n"
           "--rename (up to four times) writes TO wherever an image-name field would name FROM, and changes\n"
           "nothing else: the same command without it gives the scenario whose conversion this is.\n"
           "Image names: cell_red.bmp, cell_green.bmp, 背景01.bmp, 表紙.bmp, 森の入口.bmp, Title.BMP, ...\n";
}

ParsedGenerateCommand parseGenerateCommand(const std::vector<std::string>& args) {
    ParsedGenerateCommand parsed;
    GenerateCommand command;
    bool haveOut = false, haveMegabytes = false, haveFiles = false, haveKind = false;
    const auto fail = [&parsed](std::string message) {
        parsed.error = std::move(message);
        return parsed;
    };
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& flag = args[i];
        if (flag == "--help" || flag == "-h") {
            parsed.help = true;
            return parsed;
        }
        if (flag.rfind("--", 0) != 0) return fail("unexpected argument \"" + flag + "\"");
        if (i + 1 >= args.size()) return fail(flag + " needs a value");
        const std::string& value = args[++i];
        if (flag == "--out") {
            if (value.empty()) return fail("--out needs a folder");
            command.out = value;
            haveOut = true;
        } else if (flag == "--megabytes" || flag == "--single-file-megabytes") {
            const auto megabytes = parseMegabytes(value);
            if (!megabytes) return fail(flag + " wants a number above 0 and at most 1000000, not \"" + value + "\"");
            if (flag == "--megabytes") {
                command.megabytes = *megabytes;
                haveMegabytes = true;
            } else {
                command.singleFileMegabytes = megabytes;
            }
        } else if (flag == "--files") {
            const auto files = parseUnsigned(value, kMaxFiles);
            if (!files || *files == 0) return fail("--files wants a whole number from 1 to 100000, not \"" + value + "\"");
            command.files = static_cast<int>(*files);
            haveFiles = true;
        } else if (flag == "--seed") {
            const auto seed = parseUnsigned(value, UINT64_MAX);
            if (!seed) return fail("--seed wants an unsigned whole number, not \"" + value + "\"");
            command.seed = *seed;
        } else if (flag == "--images") {
            const auto images = parseUnsigned(value, kMaxImageNames);
            if (!images || *images == 0) return fail("--images wants a whole number from 1 to 1000, not \"" + value + "\"");
            command.images = static_cast<int>(*images);
        } else if (flag == "--rename") {
            const auto equals = value.find('=');
            if (equals == std::string::npos || equals == 0 || equals + 1 == value.size())
                return fail("--rename wants FROM=TO, not \"" + value + "\"");
            std::string from = value.substr(0, equals);
            for (const auto& rename : command.renames)
                if (rename.first == from) return fail("--rename names " + from + " twice");
            if (command.renames.size() == 4) return fail("--rename may be given at most four times");
            command.renames.emplace_back(std::move(from), value.substr(equals + 1));
        } else if (flag == "--shape") {
            if (value == "synthetic") command.shape = Shape::Synthetic;
            else if (value == "real") command.shape = Shape::Real;
            else return fail("--shape wants synthetic or real, not \"" + value + "\"");
        } else if (flag == "--kind") {
            if (value == "package") {
                command.package = true;
                command.kind = 8;
            } else {
                const auto kind = parseUnsigned(value, 8);
                if (!kind || *kind == 7) return fail("--kind wants 0 to 6, 8 or package, not \"" + value + "\"");
                command.kind = static_cast<int>(*kind);
            }
            haveKind = true;
        } else {
            return fail("unknown option " + flag);
        }
    }
    if (!haveOut) return fail("--out DIR is missing");
    if (command.singleFileMegabytes) {
        if (haveMegabytes || haveFiles) return fail("--single-file-megabytes goes without --megabytes and --files");
    } else {
        if (haveKind) return fail("--kind goes only with --single-file-megabytes");
        if (!haveMegabytes) return fail("--megabytes M is missing");
        if (!haveFiles) return fail("--files N is missing");
    }
    parsed.command = command;
    return parsed;
}

std::vector<PlannedDataFile> planFor(const GenerateCommand& command) {
    if (command.singleFileMegabytes) {
        PlannedDataFile file;
        file.kind = command.kind;
        file.package = command.package;
        file.name = dataFileName(command.kind, command.package, 1);
        file.approximateBytes = static_cast<std::uint64_t>(*command.singleFileMegabytes * kMegabyte);
        file.seed = command.seed;
        file.shape = command.shape;
        return {file};
    }
    auto dataBytes = static_cast<std::uint64_t>(command.megabytes * kMegabyte);
    if (command.shape == Shape::Real) dataBytes = dataBytes / 100 * kRealDataPercent;
    auto files = planDataFiles(command.files, dataBytes, command.seed);
    for (auto& file : files) file.shape = command.shape;
    return files;
}

ScenarioOptions scenarioFor(const GenerateCommand& command) {
    ScenarioOptions options;
    options.folder = command.out;
    options.dataFiles = planFor(command);
    options.imageCount = command.images;
    if (command.shape == Shape::Real && !command.singleFileMegabytes) {
        const auto bytes = static_cast<std::uint64_t>(command.megabytes * kMegabyte);
        options.mediaFiles = command.files;
        options.mediaBytes = bytes - bytes / 100 * kRealDataPercent;
    }
    return options;
}

}  // namespace celshift::build
