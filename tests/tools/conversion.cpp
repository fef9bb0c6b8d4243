#include "conversion.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "transform/data_file_copier.h"
#include "transform/walkers.h"

namespace celshift::test {

Conversion convert(const std::string& input, bool package, const build::NameMap& pairs, bool enabled) {
    ReplacementTableHolder holder;
    holder.enabled = enabled;
    holder.table = std::make_unique<ReplacementTable>();
    for (const auto& [from, to] : pairs) addReplacementPair(*holder.table, from, to);

    std::FILE* in = std::tmpfile();
    std::FILE* out = std::tmpfile();
    if (!in || !out) throw std::runtime_error("no temporary file");
    std::fwrite(input.data(), 1, input.size(), in);
    std::rewind(in);

    Conversion conversion;
    DataFileCopier copier(in, out, package ? 1 : 0, &holder);
    conversion.result = copyDataFile(copier);
    std::fflush(out);
    conversion.output.resize(static_cast<std::size_t>(std::ftell(out)));
    std::rewind(out);
    const std::size_t got = std::fread(conversion.output.data(), 1, conversion.output.size(), out);
    conversion.output.resize(got);
    std::fclose(in);
    std::fclose(out);
    return conversion;
}

}  // namespace celshift::test
