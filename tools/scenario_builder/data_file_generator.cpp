#include "data_file_generator.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <stdexcept>
#include <string_view>

#include "bitmap.h"
#include "byte_builder.h"
#include "image_names.h"
#include "japanese_text.h"
#include "random.h"

namespace celshift::build {

namespace {

// The body layouts of the content types, indexed by the type byte.
enum class Body : std::uint8_t {
    Empty,
    String,
    Int32,
    OneByte,
    ImageNameString,
    CellRecords,
    EntryList,
    TwoBytes,
    ThirteenBytes,
    StringByte,
    StringInt32,
    Int32FiveBytes,
    StringFiveBytes,
    StringPairs,
    FiveBytes,
};

constexpr std::array<Body, kContentTypeCount> bodyTable() {
    std::array<Body, kContentTypeCount> table{};
    const auto set = [&table](Body body, std::initializer_list<int> types) {
        for (const int t : types) table[static_cast<std::size_t>(t)] = body;
    };
    set(Body::Empty, {0, 4, 45, 49, 50, 51, 55, 56, 63, 64});
    set(Body::String, {1, 7, 9, 15, 17, 41, 42, 43, 52, 57, 58, 59, 60, 61, 62, 65});
    set(Body::Int32, {2, 5, 10, 14, 19, 22, 24, 26, 29, 31, 33, 36, 38, 48, 53, 54});
    set(Body::OneByte, {3});
    set(Body::ImageNameString, {6});
    set(Body::CellRecords, {8});
    set(Body::EntryList, {11});
    set(Body::TwoBytes, {12, 47});
    set(Body::ThirteenBytes, {13});
    set(Body::StringByte, {16});
    set(Body::StringInt32, {18, 44});
    set(Body::Int32FiveBytes, {20, 21, 23, 27, 28, 30, 34, 35, 37});
    set(Body::StringFiveBytes, {25, 32, 39});
    set(Body::StringPairs, {40});
    set(Body::FiveBytes, {46});
    return table;
}
constexpr std::array<Body, kContentTypeCount> kBodyOfType = bodyTable();

constexpr std::uint8_t kImageType = 6;
constexpr std::uint8_t kCellsType = 8;
constexpr std::uint8_t kEntryListType = 11;

constexpr std::int32_t kFirstEntryType = 0x40800;
constexpr std::int32_t kEmbeddedEntryType = 0x40808;
constexpr int kEntryPayloadBytes[] = {5, 5, 0, 4, 4, 8, 0, 0};

constexpr std::uint64_t kMaxBytes = std::uint64_t{1} << 40;

// Deepest nesting the generator builds; the deep chains of content nodes stay well inside it.
constexpr int kMaxNesting = 1200;

// The Real shape: the share of a file's bytes set aside for long fields, how often a string field becomes
// one while some are left, their sizes, and how many of them are embedded images rather than texts.
constexpr std::uint64_t kRealLongPercent = 83;
constexpr unsigned kRealLongFieldPercent = 70;
constexpr std::int64_t kRealLongestField = 2400;
constexpr unsigned kRealImagePercent = 35;

constexpr std::string_view kAsciiPhrases[] = {
    "start",         "flag_door_open", "Hello, traveller.", "The door is locked.", "inn",
    "keeper",        "step_02",        "A cold wind blows.", "north gate",         "Thank you!",
    "counter",       "guard_captain",  "You found 30 coins.", "rest",              "evening",
};

// Buffers fields in a ByteBuilder and hands them to the file (or a string) a chunk at a time.
class Sink {
public:
    explicit Sink(std::FILE* file) : file_(file) {}
    explicit Sink(std::string* memory) : memory_(memory) {}

    ByteBuilder& fields() { return buffer_; }
    // Called after each field: writes the buffer out once it is large enough.
    void settle() {
        if (buffer_.size() >= kChunkBytes) spill();
    }
    void finish() { spill(); }
    std::uint64_t written() const { return spilled_ + buffer_.size(); }

private:
    static constexpr std::size_t kChunkBytes = 64 * 1024;

    void spill() {
        const std::string& bytes = buffer_.bytes();
        if (memory_) {
            memory_->append(bytes);
        } else if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) {
            throw std::runtime_error(std::string("cannot write the data file: ") + std::strerror(errno));
        }
        spilled_ += bytes.size();
        buffer_.clear();
    }

    std::FILE* file_ = nullptr;
    std::string* memory_ = nullptr;
    ByteBuilder buffer_;
    std::uint64_t spilled_ = 0;
};

void checkName(const std::string& name, const char* what) {
    if (name.empty() || name.size() > 255 || name.find('\0') != std::string::npos)
        throw std::invalid_argument(std::string(what) + " must hold 1 to 255 bytes and no zero byte");
}

// Every decision below comes from the random stream and the byte budgets, never from the bytes already
// written, so renaming images (which changes lengths) leaves the structure of the file unchanged.
class Generator {
public:
    Generator(Sink& sink, const DataFileOptions& options, DataFileReport& report)
        : out_(sink), options_(options), report_(report), random_(options.seed) {
        // Counts are int32 fields: beyond a terabyte the largest of them would no longer fit.
        if (options_.approximateBytes > kMaxBytes) throw std::invalid_argument("a data file is limited to 1 TiB");
        eventBytes_ = random_.between(1500, 24000);
        for (const auto& name : options_.imageNames) checkName(name, "an image name");
        for (const auto& [from, to] : options_.renamedImages) {
            checkName(from, "a renamed image name");
            checkName(to, "a renamed image name");
        }
        if (options_.shape == Shape::Real) {
            // Real files hold no catalog of every form; a kind 4 file is one long text anyway.
            catalogWritten_ = true;
            if (options_.package || options_.kind != 4)
                longAllowance_ = static_cast<std::int64_t>(options_.approximateBytes * kRealLongPercent / 100);
        }
    }

    void writeFile() {
        // The records are sized to what the long fields leave; the long fields go into their strings.
        const auto budget = static_cast<std::int64_t>(options_.approximateBytes) - longAllowance_;
        if (options_.package) {
            int32(value());
            text();
            int32(value());
            events(budget, false);
            return;
        }
        byte(static_cast<std::uint8_t>(options_.kind));
        text();
        text();
        int32(value());
        switch (options_.kind) {
        case 0:
        case 1:
            entriesBody(budget);
            break;
        case 2:
            listsBody(budget);
            break;
        case 3:
            recordBody(budget, 25);
            break;
        case 4:
            longText(std::max<std::int64_t>(budget - 20, 0));
            break;
        case 5:
            recordBody(budget, 9);
            break;
        case 6:
            recordBody(budget, 5);
            break;
        case 8:
            events(budget, false);
            break;
        default:
            throw std::invalid_argument("data file kind " + std::to_string(options_.kind) + " has no layout");
        }
    }

private:
    // One level of nesting while a walker of the same name would be open.
    class Level {
    public:
        explicit Level(Generator& g) : g_(g) {
            ++g_.depth_;
            g_.report_.maxNesting = std::max(g_.report_.maxNesting, g_.depth_);
        }
        ~Level() { --g_.depth_; }
        Level(const Level&) = delete;
        Level& operator=(const Level&) = delete;

    private:
        Generator& g_;
    };

    int room() const { return kMaxNesting - depth_; }

    // The size of one record of a list. Synthetic files draw it whatever the budget, so that even small
    // files hold large records; the Real shape keeps it within the budget, but at least `least` bytes.
    std::int64_t fitted(std::int64_t drawn, std::int64_t budget, std::int64_t least) const {
        if (options_.shape == Shape::Synthetic) return drawn;
        return std::min(drawn, std::max(budget, least));
    }

    // Fields ---------------------------------------------------------------------------------------------

    // Counts one field of the file, for the report.
    void counted(std::uint64_t bytes) {
        ++report_.fields;
        report_.fieldBytes += bytes;
        if (bytes >= kLongFieldBytes) report_.longFieldBytes += bytes;
    }

    void byte(std::uint8_t v) {
        out_.fields().byte(v);
        counted(1);
        out_.settle();
    }
    void int32(std::int32_t v) {
        out_.fields().int32(v);
        counted(4);
        out_.settle();
    }
    void randomBytes(std::int64_t n) {
        if (n > 0) counted(static_cast<std::uint64_t>(n));
        for (; n > 0; n -= 8) {
            std::uint64_t bits = random_.next();
            for (int i = 0; i < 8 && i < n; ++i, bits >>= 8) out_.fields().byte(static_cast<std::uint8_t>(bits));
        }
        out_.settle();
    }
    void plainString(std::string_view s) {
        out_.fields().plainString(s);
        counted(4 + s.size());
        out_.settle();
    }

    // A value that nothing interprets: small numbers, flags, -1, or any 32 bits.
    std::int32_t value() {
        switch (random_.below(4)) {
        case 0:
            return static_cast<std::int32_t>(random_.below(10));
        case 1:
            return static_cast<std::int32_t>(random_.below(100000));
        case 2:
            return -1;
        default:
            return static_cast<std::int32_t>(static_cast<std::uint32_t>(random_.next()));
        }
    }

    // A count as written: n, or for an empty list sometimes a negative count, which also announces nothing.
    std::int32_t countWord(std::int64_t n) {
        if (n == 0 && random_.oneIn(25)) return -1 - static_cast<std::int32_t>(random_.below(3));
        return static_cast<std::int32_t>(n);
    }

    const std::string& anyImageName() {
        return options_.imageNames[random_.below(options_.imageNames.size())];
    }

    std::string_view phrase() {
        if (random_.percent(50)) return kAsciiPhrases[random_.below(std::size(kAsciiPhrases))];
        return kPhrases[random_.below(std::size(kPhrases))].codePage932;
    }

    // A plain string as records hold them. Some hold an image name, with or without a zero byte: being plain
    // strings, they must pass through a conversion unchanged.
    void text() {
        if (longAllowance_ >= static_cast<std::int64_t>(kLongFieldBytes) && random_.percent(kRealLongFieldPercent))
            return longField();
        const auto r = random_.below(1000);
        if (r < 300) {
            plainString("");
        } else if (r < 800) {
            plainString(phrase());
        } else if (r < 880) {
            ++report_.plainStringsNamingImages;
            plainString(anyImageName());
        } else if (r < 920) {
            ++report_.plainStringsNamingImages;
            plainString(anyImageName() + std::string(1, '\0'));
        } else if (r < 996) {
            std::string s;
            const auto length = random_.between(100, 600);
            while (static_cast<std::int64_t>(s.size()) < length) (s += phrase()) += ' ';
            plainString(s);
        } else {
            int32(-1);  // a negative length: no bytes follow
        }
    }

    // Shorter strings, mostly empty: node names and the many strings of a nested record.
    void shortText() {
        if (random_.percent(65)) plainString("");
        else plainString(phrase());
    }

    // One string of exactly length bytes, written piece by piece so that its size costs no memory.
    void longText(std::int64_t length) {
        length = std::min<std::int64_t>(length, INT32_MAX);
        out_.fields().int32(static_cast<std::int32_t>(length));
        counted(4 + static_cast<std::uint64_t>(length));
        while (length > 0) {
            std::string_view piece = phrase();
            if (static_cast<std::int64_t>(piece.size()) + 1 > length) piece = "                ";
            piece = piece.substr(0, static_cast<std::size_t>(std::min<std::int64_t>(length, piece.size())));
            out_.fields().raw(piece);
            length -= static_cast<std::int64_t>(piece.size());
            if (length > 0) {
                out_.fields().byte(random_.oneIn(8) ? '\n' : ' ');
                --length;
            }
            out_.settle();
        }
    }

    // A long field of the Real shape, taken from what is left for long fields: a long text or a plain
    // string holding a small BMP image, as scenarios embed them. The last one takes the rest.
    void longField() {
        std::int64_t size = random_.between(static_cast<std::int64_t>(kLongFieldBytes), kRealLongestField);
        if (longAllowance_ - size < static_cast<std::int64_t>(kLongFieldBytes)) size = longAllowance_;
        if (random_.percent(kRealImagePercent)) {
            // A square image of about size bytes: 4 length bytes, 54 header bytes, rows of 3 bytes a pixel.
            const auto side = static_cast<int>(std::clamp<double>(std::sqrt(static_cast<double>(size - 58) / 3), 2, 1024));
            const Colour colour{static_cast<std::uint8_t>(random_.next()), static_cast<std::uint8_t>(random_.next()),
                                static_cast<std::uint8_t>(random_.next())};
            const std::string image = bitmapBytes(side, side, colour);
            ++report_.embeddedImages;
            plainString(image);
            longAllowance_ -= static_cast<std::int64_t>(4 + image.size());
        } else {
            ++report_.longTexts;
            longText(size - 4);
            longAllowance_ -= size;
        }
    }

    // An image-name field: mostly a name of the set with its zero byte (renamed when asked), sometimes empty,
    // sometimes a form that no pair can match.
    void imageField() {
        const auto r = random_.below(100);
        const std::string& name = anyImageName();
        if (r < 88) {
            ++report_.imageFields[name];
            const auto renamed = options_.renamedImages.find(name);
            const std::string& written = renamed == options_.renamedImages.end() ? name : renamed->second;
            out_.fields().imageName(written);
            counted(4 + written.size() + 1);
        } else if (r < 95) {
            ++report_.emptyImageFields;
            out_.fields().int32(0);
            counted(4);
        } else if (r < 98) {
            ++report_.nonMatchingImageFields;
            out_.fields().imageNameBytes(name);
            counted(4 + name.size());
        } else {
            ++report_.nonMatchingImageFields;
            out_.fields().imageNameBytes(name + std::string(2, '\0'));
            counted(4 + name.size() + 2);
        }
        out_.settle();
    }

    // Layouts of the file kinds --------------------------------------------------------------------------

    // Kinds 0 and 1: events with trailer, a byte, entries, then cell records (0) or a string (1).
    void entriesBody(std::int64_t budget) {
        events(budget * 55 / 100, true);
        byte(static_cast<std::uint8_t>(random_.below(4)));
        const std::int64_t entryBytes = fitted(random_.between(800, 12000), budget * 35 / 100, 120);
        const std::int64_t entryCount = std::max<std::int64_t>(1, budget * 35 / 100 / entryBytes);
        int32(countWord(entryCount));
        for (std::int64_t i = 0; i < entryCount; ++i) {
            if (options_.kind == 0) {
                byte(static_cast<std::uint8_t>(random_.below(3)));
                text();
                text();
                int32(value());
                text();
                events(entryBytes - 80, true);
                text();
                randomBytes(12);
                imageField();
            } else {
                int32(value());
                events(entryBytes - 40, true);
                text();
                randomBytes(13);
            }
        }
        if (options_.kind == 0) {
            const std::int64_t cellCount = std::max<std::int64_t>(1, budget * 10 / 100 / 60);
            int32(countWord(cellCount));
            for (std::int64_t i = 0; i < cellCount; ++i) cellRecord();
        } else {
            text();
        }
    }

    // Kind 2: blocks and a string, three lists of records laid out like kind 3, 5 and 6 files, then pairs.
    void listsBody(std::int64_t budget) {
        randomBytes(18);
        text();
        randomBytes(125);
        constexpr struct {
            std::uint8_t kind;
            int tail;
        } kLists[] = {{3, 25}, {5, 9}, {6, 5}};
        for (const auto& list : kLists) {
            const std::int64_t elementBytes = fitted(random_.between(1000, 20000), budget * 30 / 100, 100);
            const std::int64_t count = std::max<std::int64_t>(1, budget * 30 / 100 / elementBytes);
            int32(countWord(count));
            for (std::int64_t i = 0; i < count; ++i) {
                byte(list.kind);
                text();
                text();
                int32(value());
                recordBody(elementBytes - 40, list.tail);
            }
        }
        const auto pairs = random_.below(20);
        int32(countWord(static_cast<std::int64_t>(pairs)));
        for (std::uint64_t i = 0; i < pairs; ++i) {
            text();
            int32(value());
        }
    }

    // Kinds 3, 5, 6 and the kind 2 list elements: a nested record, events without trailer, a tail.
    void recordBody(std::int64_t budget, int tail) {
        nestedRecord(budget * 15 / 100);
        events(budget * 85 / 100, false);
        randomBytes(tail);
    }

    // Events and content trees ---------------------------------------------------------------------------

    // An event count and the events, sized to the budget. The first events of a file open with a tree that
    // holds every content type once.
    void events(std::int64_t budget, bool withTrailer) {
        std::int64_t count = budget < 40 ? 0 : std::max<std::int64_t>(1, (budget + eventBytes_ / 2) / eventBytes_);
        if (!catalogWritten_ && room() > 100) count = std::max<std::int64_t>(count, 1);
        int32(countWord(count));
        for (std::int64_t i = 0; i < count; ++i) event(budget / count, withTrailer);
    }

    void event(std::int64_t budget, bool withTrailer) {
        const Level level(*this);
        ++report_.events;
        const bool catalog = !catalogWritten_ && room() > 100;
        std::int64_t trees = budget < 30 ? 0 : budget < 400 ? 1 : random_.between(1, 3);
        if (catalog) trees = std::max<std::int64_t>(trees, 1);
        int32(countWord(trees));
        for (std::int64_t i = 0; i < trees; ++i) {
            if (i == 0 && catalog) catalogTree();
            else tree(budget / trees);
        }
        if (!withTrailer) return;
        ++report_.eventsWithTrailer;
        const std::int64_t items = random_.oneIn(40) ? -1 : random_.between(0, 6);
        int32(static_cast<std::int32_t>(items));
        randomBytes(4 * items);
        const std::int64_t tail = random_.oneIn(40) ? -1 : random_.between(0, 24);
        int32(static_cast<std::int32_t>(tail));
        randomBytes(tail);
    }

    // One content tree, in one of three shapes: a long chain of single children, a root with very many
    // leaves, or a bushy tree of a few levels.
    void tree(std::int64_t budget) {
        std::int64_t levels = 0;
        if (room() > 250 && budget >= 2400 && random_.oneIn(4)) {
            levels = std::min<std::int64_t>({budget / 24, random_.between(100, 600), room() - 150});
        } else if (room() > 250 && random_.oneIn(40) && options_.shape == Shape::Synthetic) {
            levels = random_.between(100, 160);  // now and then even where the budget is small
        }
        if (levels > 0) {
            report_.longestChain = std::max(report_.longestChain, static_cast<int>(levels));
            chainNode(static_cast<int>(levels) - 1);
        } else if (budget >= 1500 && room() > 10 && random_.oneIn(6)) {
            wideNode(budget);
        } else {
            node(budget);
        }
    }

    // A child word for n children. Most are plain counts; some carry a quotient part, which announces the
    // same number, and a single child is sometimes announced by a negative word.
    std::int32_t childWord(std::int64_t n) {
        const auto r = random_.below(100);
        if (n == 1 && r < 6) return -1 - static_cast<std::int32_t>(random_.below(9999)) - (r < 2 ? 10000 : 0);
        if (r < 16) return static_cast<std::int32_t>(n + 10000 * random_.between(1, 3));
        if (n == 0 && r < 20) return -10000;
        return static_cast<std::int32_t>(n);
    }

    std::uint8_t pickType(std::int64_t budget) {
        const auto r = random_.below(100);
        if (r < 14) return kImageType;
        if (r < 20) return 0;
        if (r < 26) return 1;
        if (r < 29 && budget >= 80) return kCellsType;
        if (r < 31 && budget >= 300 && room() > 20) return kEntryListType;
        for (;;) {
            const auto type = static_cast<std::uint8_t>(random_.below(kContentTypeCount));
            if (type != kEntryListType && type != kCellsType) return type;
        }
    }

    void nodeHeader(std::uint8_t type, std::int32_t word) {
        ++report_.contentTypes[type];
        byte(type);
        shortText();
        int32(word);
    }

    // A node whose budget is shared by its children; the body comes after the whole subtree.
    void node(std::int64_t budget) {
        const Level level(*this);
        const std::uint8_t type = pickType(budget);
        const std::int64_t bodyBytes = type == kEntryListType ? budget / 2 : type == kCellsType ? 120 : 0;
        const std::int64_t childBytes = budget - 20 - bodyBytes;
        const std::int64_t children =
            childBytes >= 60 && room() > 10 ? random_.between(1, std::min<std::int64_t>(6, childBytes / 60)) : 0;
        nodeHeader(type, childWord(children));
        for (std::int64_t i = 0; i < children; ++i) node(childBytes / children);
        body(type, bodyBytes);
    }

    // A chain: each node has exactly one child down to the last, so the bodies come back in reverse order.
    void chainNode(int below) {
        const Level level(*this);
        std::uint8_t type = pickType(0);
        if (random_.oneIn(3)) type = kImageType;
        nodeHeader(type, childWord(below > 0 ? 1 : 0));
        if (below > 0) chainNode(below - 1);
        body(type, 0);
    }

    // A root with many leaf children.
    void wideNode(std::int64_t budget) {
        const Level level(*this);
        const std::uint8_t type = random_.percent(50) ? 0 : 1;
        const std::int64_t children = std::min<std::int64_t>(budget / 28, random_.between(30, 400));
        nodeHeader(type, childWord(children));
        for (std::int64_t i = 0; i < children; ++i) node(20);
        body(type, 0);
    }

    // The tree that holds one node of each content type, its type 11 node listing every entry type.
    void catalogTree() {
        catalogWritten_ = true;
        const Level level(*this);
        nodeHeader(0, kContentTypeCount);
        for (int type = 0; type < kContentTypeCount; ++type) {
            const Level child(*this);
            nodeHeader(static_cast<std::uint8_t>(type), childWord(0));
            if (type == kEntryListType) {
                randomBytes(11);
                text();
                randomBytes(1);
                entryListOfEveryType();
            } else {
                body(static_cast<std::uint8_t>(type), 200);
            }
        }
    }

    void body(std::uint8_t type, std::int64_t budget) {
        switch (kBodyOfType[type]) {
        case Body::Empty:
            return;
        case Body::String:
            return text();
        case Body::Int32:
            return int32(value());
        case Body::OneByte:
            return randomBytes(1);
        case Body::ImageNameString:
            imageField();
            return text();
        case Body::CellRecords: {
            const std::int64_t count = random_.between(0, std::max<std::int64_t>(1, budget / 40));
            int32(countWord(count));
            for (std::int64_t i = 0; i < count; ++i) cellRecord();
            return;
        }
        case Body::EntryList:
            randomBytes(11);
            text();
            randomBytes(1);
            return entryList(budget - 20);
        case Body::TwoBytes:
            return randomBytes(2);
        case Body::ThirteenBytes:
            return randomBytes(13);
        case Body::StringByte:
            text();
            return randomBytes(1);
        case Body::StringInt32:
            text();
            return int32(value());
        case Body::Int32FiveBytes:
            int32(value());
            return randomBytes(5);
        case Body::StringFiveBytes:
            text();
            return randomBytes(5);
        case Body::StringPairs: {
            randomBytes(1);
            const std::int64_t pairs = random_.between(0, 3);
            int32(countWord(pairs));
            for (std::int64_t i = 0; i < pairs; ++i) {
                text();
                text();
            }
            return;
        }
        case Body::FiveBytes:
            return randomBytes(5);
        }
    }

    // 16 bytes, an image name, a byte, a string, a byte.
    void cellRecord() {
        ++report_.cellRecords;
        randomBytes(16);
        imageField();
        randomBytes(1);
        text();
        randomBytes(1);
    }

    // Nested records and entry lists ---------------------------------------------------------------------

    void entryList(std::int64_t budget) {
        const Level level(*this);
        const std::int64_t count = budget < 40 ? 0 : random_.between(1, std::min<std::int64_t>(6, budget / 40));
        int32(countWord(count));
        for (std::int64_t i = 0; i < count; ++i) {
            const std::int64_t share = budget / count;
            const auto r = random_.below(11);
            const auto type = static_cast<std::int32_t>(kFirstEntryType + std::min<std::uint64_t>(r, 8));
            const bool withBody = type == kEmbeddedEntryType && room() > 30 &&
                                  (share >= 200 ? !random_.oneIn(4) : random_.oneIn(2));
            typedEntry(type, withBody, share - 40);
        }
    }

    // An entry of every type, the embedded one both without and with its body.
    void entryListOfEveryType() {
        const Level level(*this);
        int32(kEntryTypeCount + 1);
        for (int i = 0; i < kEntryTypeCount; ++i) typedEntry(kFirstEntryType + i, false, 0);
        typedEntry(kEmbeddedEntryType, true, 3000);
    }

    void typedEntry(std::int32_t type, bool withBody, std::int64_t bodyBudget) {
        ++report_.entryTypes[static_cast<std::size_t>(type - kFirstEntryType)];
        int32(type);
        if (type != kEmbeddedEntryType) {
            int32(value());
            randomBytes(kEntryPayloadBytes[type - kFirstEntryType]);
            return;
        }
        randomBytes(3);
        if (!withBody) {
            int32(0);
            return;
        }
        int32(random_.percent(80) ? 1 : static_cast<std::int32_t>(random_.between(2, 1 << 20)));
        embeddedBody(bodyBudget);
    }

    // The body of a 0x40808 entry, laid out like a kind 6 file with its header.
    void embeddedBody(std::int64_t budget) {
        ++report_.embeddedBodies;
        byte(6);
        text();
        text();
        int32(value());
        nestedRecord(budget * 40 / 100);
        events(budget * 60 / 100, false);
        randomBytes(5);
    }

    // A string, 18 bytes, an entry list, 12 bytes, seven strings, a byte, two strings.
    void nestedRecord(std::int64_t budget) {
        const Level level(*this);
        ++report_.nestedRecords;
        shortText();
        randomBytes(18);
        entryList(budget - 90);
        randomBytes(12);
        for (int i = 0; i < 7; ++i) shortText();
        randomBytes(1);
        shortText();
        shortText();
    }

    Sink& out_;
    const DataFileOptions& options_;
    DataFileReport& report_;
    Random random_;
    std::int64_t eventBytes_ = 0;  // typical size of one event in this file
    std::int64_t longAllowance_ = 0;  // bytes still to go into long fields (Real shape)
    bool catalogWritten_ = false;
    int depth_ = 0;
};

DataFileOptions withDefaults(const DataFileOptions& options) {
    DataFileOptions resolved = options;
    if (resolved.imageNames.empty()) {
        for (auto& name : imageNameSet(8)) resolved.imageNames.push_back(std::move(name.data));
    }
    return resolved;
}

DataFileReport generate(Sink& sink, const DataFileOptions& options) {
    const DataFileOptions resolved = withDefaults(options);
    DataFileReport report;
    Generator(sink, resolved, report).writeFile();
    sink.finish();
    report.bytes = sink.written();
    return report;
}

}  // namespace

DataFileReport writeDataFile(std::FILE* out, const DataFileOptions& options) {
    Sink sink(out);
    return generate(sink, options);
}

std::string dataFileBytes(const DataFileOptions& options, DataFileReport* report) {
    std::string bytes;
    Sink sink(&bytes);
    const DataFileReport made = generate(sink, options);
    if (report) *report = made;
    return bytes;
}

std::int64_t expectedGrowth(const DataFileReport& report, const NameMap& pairs) {
    std::int64_t growth = 0;
    for (const auto& [from, to] : pairs) {
        const auto found = report.imageFields.find(from);
        if (found == report.imageFields.end()) continue;
        growth += static_cast<std::int64_t>(found->second) *
                  (static_cast<std::int64_t>(to.size()) - static_cast<std::int64_t>(from.size()));
    }
    return growth;
}

}  // namespace celshift::build
