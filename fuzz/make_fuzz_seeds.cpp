// Writes the seed corpus: small valid data files of every kind, each prefixed with the fuzzer's flag byte and
// its two fault positions (read, then write: 16 bits each).
#include <cstdio>
#include <string>

#include "scenario_builder/byte_builder.h"

using celshift::build::ByteBuilder;

namespace {

ByteBuilder tree() {
    return ByteBuilder()
        .nodeHeader(2, "root", 3)
        .imageNode("a.bmp", "text")
        .nodeHeader(8, "cells", 0).int32(1).cellRecord("cell.jpg", "c")
        .nodeHeader(11, "list", 0).fill(11).plainString("s").byte(0)
        .int32(2).int32(0x40805).int32(0).fill(8)
        .int32(celshift::build::kEmbeddedEntry).fill(3).int32(1)
        .byte(6).plainString("").plainString("").int32(0).emptyNestedRecord()
        .int32(1).int32(1).nodeHeader(40, "", 0).byte(0).int32(1).plainString("k").plainString("v")
        .fill(5)
        .int32(9);
}

void writeSeed(const std::string& folder, const std::string& name, std::uint8_t flags, const ByteBuilder& file,
               std::uint16_t readFailsAfter = 40, std::uint16_t writeFailsAfter = 60) {
    const std::string path = folder + "/" + name;
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) {
        std::perror(path.c_str());
        std::exit(1);
    }
    std::fputc(flags, f);
    for (const std::uint16_t at : {readFailsAfter, writeFailsAfter}) {
        std::fputc(at & 0xFF, f);
        std::fputc(at >> 8, f);
    }
    std::fwrite(file.bytes().data(), 1, file.size(), f);
    std::fclose(f);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_fuzz_seeds FOLDER\n");
        return 2;
    }
    const std::string folder = argv[1];
    ByteBuilder kind0;
    kind0.fileHeader(0, "t", "u", 1).int32(1).int32(1).append(tree()).eventTrailer(1, 2).byte(0);
    kind0.int32(1).byte(0).plainString("").plainString("").int32(0).plainString("").int32(0).plainString("").fill(12).imageName("a.bmp");
    kind0.int32(1).cellRecord("a.bmp");
    writeSeed(folder, "kind0", 2, kind0);
    writeSeed(folder, "kind1", 0, ByteBuilder().fileHeader(1).int32(1).int32(0).eventTrailer().byte(0).int32(1).int32(0).int32(0).plainString("").fill(13).plainString("e"));
    ByteBuilder kind2;
    kind2.fileHeader(2).fill(18).plainString("").fill(125);
    for (int tail : {25, 9, 5}) kind2.int32(1).byte(3).plainString("").plainString("").int32(0).emptyNestedRecord().int32(0).fill(static_cast<std::size_t>(tail));
    writeSeed(folder, "kind2", 2, kind2.int32(1).plainString("p").int32(0));
    writeSeed(folder, "kind3", 2, ByteBuilder().fileHeader(3).emptyNestedRecord().int32(1).int32(1).append(tree()).fill(25));
    writeSeed(folder, "kind4", 0, ByteBuilder().fileHeader(4).plainString("only a string"));
    writeSeed(folder, "kind5", 0, ByteBuilder().fileHeader(5).emptyNestedRecord().int32(0).fill(9));
    writeSeed(folder, "kind6", 2, ByteBuilder().fileHeader(6).emptyNestedRecord().int32(1).int32(1).append(tree()).fill(5));
    writeSeed(folder, "kind8", 2, ByteBuilder().fileHeader(8).int32(2).int32(1).append(tree()).int32(0));
    writeSeed(folder, "package", 3, ByteBuilder().packageHeader(0, "p", 0).int32(1).int32(1).append(tree()));
    // The same files with faults armed: reads, writes, both, over unbuffered and buffered streams, and with
    // the smallest window.
    writeSeed(folder, "kind0-read-fault", 2 | 4, kind0, 100, 0);
    writeSeed(folder, "kind0-write-fault-buffered", 2 | 8 | 16, kind0, 0, 150);
    writeSeed(folder, "kind6-both-faults-small-window", 2 | 4 | 8 | 32, ByteBuilder().fileHeader(6).emptyNestedRecord().int32(1).int32(1).append(tree()).fill(5), 120, 90);
    writeSeed(folder, "package-write-fault", 3 | 8, ByteBuilder().packageHeader(0, "p", 0).int32(1).int32(1).append(tree()), 0, 30);
    return 0;
}
