#include "example_scenario.h"

#include "bitmap.h"
#include "byte_builder.h"
#include "japanese_text.h"
#include "scenario_writer.h"

namespace celshift::build {

namespace {

constexpr std::string_view kRed = "cell_red.bmp";
constexpr std::string_view kGreen = "cell_green.bmp";
constexpr std::string_view kBackground01 = kBackground01Bmp.codePage932;

constexpr std::string_view kVillageEntrance = kPhrases[8].codePage932;  // 村の入口
constexpr std::string_view kInnKeeper = kPhrases[1].codePage932;        // 宿屋の主人
constexpr std::string_view kBattleStart = kPhrases[3].codePage932;      // 戦闘開始
constexpr std::string_view kRedCell = kPhrases[9].codePage932;          // 赤いセル
constexpr std::string_view kGreenCell = kPhrases[10].codePage932;       // 緑のセル
constexpr std::string_view kNightForest = kPhrases[12].codePage932;     // 夜の森
constexpr std::string_view kExampleTitle = kPhrases[14].codePage932;    // 例のシナリオ

constexpr std::int32_t kEntryWithFiveBytes = 0x40800;

class Example {
public:
    explicit Example(const NameMap& renamed) : renamed_(renamed) {}

    // The name an image-name field holds.
    std::string image(std::string_view name) const {
        const auto found = renamed_.find(std::string(name));
        return found == renamed_.end() ? std::string(name) : found->second;
    }

    // Kind 0: two events with trailer, one entry ending in an image name, two cell records. A type 1 node
    // holds "cell_red.bmp" as a plain string, which no conversion touches.
    std::string area01() const {
        ByteBuilder b;
        b.fileHeader(0, kVillageEntrance, "area", 1);
        b.int32(2);
        b.int32(1);  // event 1: one tree, a root with three children
        b.nodeHeader(0, "start", 3);
        b.imageNode(image(kRed), kRedCell);
        b.nodeHeader(1, "", 0).plainString(kRed);
        b.nodeHeader(8, "", 0).int32(2).cellRecord(image(kGreen), kGreenCell).cellRecord(image(kBackground01));
        b.eventTrailer(1, 3);
        b.int32(1);  // event 2: a child word of 10001 announces one child
        b.nodeHeader(2, "", 10001);
        b.imageNode(image(kBackground01), kNightForest);
        b.int32(42);  // the root's body, behind its child
        b.eventTrailer(0, 0);
        b.byte(0);
        b.int32(1);  // one kind 0 entry
        b.byte(1).plainString(kInnKeeper).plainString("").int32(0).plainString("inn");
        b.int32(0).plainString("").fill(12, 0x0C).imageName(image(kRed));
        b.int32(2).cellRecord(image(kGreen)).cellRecord(image(kBackground01), kBackground.codePage932);
        return b.bytes();
    }

    // Kind 0 with a type 11 node: its entry list embeds a record and an event that names an image.
    std::string area02() const {
        ByteBuilder embeddedEvent;
        embeddedEvent.int32(1).imageNode(image(kGreen), kGreen);  // the text after the name is a plain string
        ByteBuilder entries;
        entries.int32(3);
        entries.int32(kEntryWithFiveBytes).int32(0).fill(5, 0x05);
        entries.int32(kEmbeddedEntry).fill(3).int32(0);  // no body
        entries.int32(kEmbeddedEntry).fill(3).int32(1);
        entries.byte(6).plainString("").plainString("").int32(0).emptyNestedRecord();
        entries.int32(1).append(embeddedEvent).fill(5);

        ByteBuilder b;
        b.fileHeader(0, kNightForest, "", 2);
        b.int32(1);
        b.int32(1).nodeHeader(11, "", 0).fill(11).plainString("").byte(0).append(entries);
        b.eventTrailer(0, 2);
        b.byte(0);
        b.int32(0);
        b.int32(1).cellRecord(image(kRed));
        return b.bytes();
    }

    // Kind 1: an event with trailer, one kind 1 entry with its own event, a closing string. A type 40 node
    // holds "cell_red.bmp" in a plain string pair.
    std::string battle01() const {
        ByteBuilder b;
        b.fileHeader(1, kBattleStart, "", 0);
        b.int32(1);
        b.int32(1).nodeHeader(0, "", 2);
        b.imageNode(image(kBackground01));
        b.nodeHeader(40, "", 0).byte(0).int32(1).plainString(kRed).plainString(kRedCell);
        b.eventTrailer(2, 0);
        b.byte(1);
        b.int32(1);
        b.int32(7).int32(1).int32(1).imageNode(image(kRed)).eventTrailer(0, 0);
        b.plainString("").fill(13, 0x0D);
        b.plainString("end");
        return b.bytes();
    }

    // A package file: no kind byte, events without trailer.
    std::string package01() const {
        ByteBuilder b;
        b.packageHeader(3, "parts", 0);
        b.int32(1);
        b.int32(2).imageNode(image(kGreen));
        b.nodeHeader(8, "", 0).int32(1).cellRecord(image(kRed), kRedCell);
        return b.bytes();
    }

    // Kind 5: a nested record whose 0x40808 entry carries an event naming the background, no events of
    // its own, a 9-byte tail.
    std::string gear01() const {
        ByteBuilder entries;
        entries.int32(1).int32(kEmbeddedEntry).fill(3).int32(1);
        entries.byte(6).plainString("").plainString("").int32(0).emptyNestedRecord();
        entries.int32(1).int32(1).imageNode(image(kBackground01)).fill(5);

        ByteBuilder b;
        b.fileHeader(5, "lamp", "", 0);
        b.nestedRecord(entries);
        b.int32(0);
        b.fill(9, 0x09);
        return b.bytes();
    }

private:
    const NameMap& renamed_;
};

std::string summaryBytes() {
    ByteBuilder b;
    b.raw("CSSM").int32(1).plainString(kExampleTitle).plainString("example").int32(5);
    return b.bytes();
}

constexpr const char* kReadme =
    "Example scenario for Celshift.\n"
    "\n"
    "The data files name the images cell_red.bmp, cell_green.bmp and 背景01.bmp.\n"
    "cell_blue.bmp and 背景02.bmp are there to be used as replacements, for example\n"
    "cell_red.bmp -> cell_blue.bmp and 背景01.bmp -> 背景02.bmp.\n"
    "Plain strings that happen to read cell_red.bmp or cell_green.bmp are texts, not image\n"
    "names, and stay as they are.\n";

}  // namespace

std::vector<NamedBytes> exampleDataFiles(const NameMap& renamedImages) {
    const Example example(renamedImages);
    return {
        {"Area01.wid", example.area01()},     {"Area02.wid", example.area02()}, {"Battle01.wid", example.battle01()},
        {"Gear01.wid", example.gear01()},     {"Package01.wid", example.package01()},
    };
}

std::vector<NamedBytes> exampleScenarioFiles() {
    std::vector<NamedBytes> files = {{kSummaryFileName, summaryBytes()}};
    for (auto& file : exampleDataFiles()) files.push_back(std::move(file));
    files.push_back({"cell_red.bmp", bitmapBytes(8, 8, {220, 40, 40})});
    files.push_back({"cell_green.bmp", bitmapBytes(8, 8, {40, 200, 60})});
    files.push_back({"cell_blue.bmp", bitmapBytes(8, 8, {40, 80, 220})});
    files.push_back({std::string(kBackground01Bmp.utf8), bitmapBytes(8, 8, {30, 30, 90})});
    files.push_back({std::string(kBackground02Bmp.utf8), bitmapBytes(8, 8, {90, 60, 30})});
    files.push_back({kTextFileName, kReadme});
    return files;
}

void writeExampleScenario(const std::filesystem::path& folder) {
    const auto files = exampleScenarioFiles();
    std::vector<std::string> names;
    for (const auto& file : files) names.push_back(file.name);
    prepareFolder(folder, names);
    for (const auto& file : files) writeNewFile(folder / file.name, file.bytes);
}

}  // namespace celshift::build
