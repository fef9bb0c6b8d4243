#include "scenario_builder/command_line.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>

#include "conversion.h"

namespace celshift::build {
namespace {

namespace fs = std::filesystem;
using Args = std::vector<std::string>;

TEST(GenerateCommand, ReadsBothForms) {
    const auto scenario = parseGenerateCommand({"--out", "d", "--megabytes", "2.5", "--files", "12", "--seed", "0x10",
                                                "--images", "20", "--rename", "背景01.bmp=a=b.bmp"});
    ASSERT_TRUE(scenario.command) << scenario.error;
    EXPECT_EQ(scenario.command->out, "d");
    EXPECT_EQ(scenario.command->megabytes, 2.5);
    EXPECT_EQ(scenario.command->files, 12);
    EXPECT_EQ(scenario.command->seed, 16u);
    EXPECT_EQ(scenario.command->images, 20);
    ASSERT_EQ(scenario.command->renames.size(), 1u);
    EXPECT_EQ(scenario.command->renames[0].first, "背景01.bmp");
    EXPECT_EQ(scenario.command->renames[0].second, "a=b.bmp");
    EXPECT_EQ(planFor(*scenario.command).size(), 12u);
    EXPECT_EQ(scenario.command->shape, Shape::Synthetic);
    const ScenarioOptions synthetic = scenarioFor(*scenario.command);
    EXPECT_EQ(synthetic.mediaFiles, 0);  // the named images only
    EXPECT_EQ(synthetic.imageCount, 20);

    // The real shape: the data files share about a third of the size, as many media files the rest.
    const auto real = parseGenerateCommand({"--out", "d", "--shape", "real", "--megabytes", "10", "--files", "40"});
    ASSERT_TRUE(real.command) << real.error;
    EXPECT_EQ(real.command->shape, Shape::Real);
    const ScenarioOptions options = scenarioFor(*real.command);
    ASSERT_EQ(options.dataFiles.size(), 40u);
    std::uint64_t dataBytes = 0;
    for (const auto& file : options.dataFiles) {
        EXPECT_EQ(file.shape, Shape::Real);
        dataBytes += file.approximateBytes;
    }
    EXPECT_EQ(options.mediaFiles, 40);
    EXPECT_LE(dataBytes + options.mediaBytes, 10u * 1024 * 1024);
    EXPECT_GE(dataBytes + options.mediaBytes, 10u * 1024 * 1024 - 40);  // shares rounded down, a byte a file
    EXPECT_GT(dataBytes, 3u * 1024 * 1024);
    EXPECT_LT(dataBytes, 4u * 1024 * 1024);

    const auto single = parseGenerateCommand({"--single-file-megabytes", "3", "--kind", "package", "--out", "d"});
    ASSERT_TRUE(single.command) << single.error;
    const auto plan = planFor(*single.command);
    ASSERT_EQ(plan.size(), 1u);
    EXPECT_EQ(plan[0].name, "Package01.wid");
    EXPECT_TRUE(plan[0].package);
    EXPECT_EQ(plan[0].approximateBytes, 3u * 1024 * 1024);

    EXPECT_TRUE(parseGenerateCommand({"--help"}).help);
}

TEST(GenerateCommand, RefusesBadArgumentsWithAReason) {
    const std::vector<Args> bad = {
        {},
        {"--megabytes", "1", "--files", "2"},                              // no --out
        {"--out", "d", "--files", "2"},                                    // no size
        {"--out", "d", "--megabytes", "1"},                                // no file count
        {"--out", "d", "--megabytes", "0", "--files", "2"},
        {"--out", "d", "--megabytes", "-1", "--files", "2"},
        {"--out", "d", "--megabytes", "1x", "--files", "2"},
        {"--out", "d", "--megabytes", "nan", "--files", "2"},
        {"--out", "d", "--megabytes", "1e9", "--files", "2"},
        {"--out", "d", "--megabytes", "1", "--files", "0"},
        {"--out", "d", "--megabytes", "1", "--files", "-3"},
        {"--out", "d", "--megabytes", "1", "--files", "2.5"},
        {"--out", "d", "--megabytes", "1", "--files", "2", "--seed", "-1"},
        {"--out", "d", "--megabytes", "1", "--files", "2", "--seed", "99999999999999999999"},
        {"--out", "d", "--megabytes", "1", "--files", "2", "--images", "1001"},
        {"--out", "d", "--megabytes", "1", "--files", "2", "--kind", "3"},  // kind only for one file
        {"--out", "d", "--megabytes", "1", "--files", "2", "--shape", "Real"},
        {"--out", "d", "--megabytes", "1", "--files", "2", "--shape", ""},
        {"--out", "d", "--megabytes", "1", "--files", "2", "--shape"},
        {"--out", "d", "--single-file-megabytes", "1", "--kind", "7"},
        {"--out", "d", "--single-file-megabytes", "1", "--files", "2"},
        {"--out", "d", "--megabytes", "1", "--files"},                     // value missing
        {"--out", "d", "--megabytes", "1", "--files", "2", "--colour", "red"},
        {"--out", "d", "--megabytes", "1", "--files", "2", "extra"},
        {"--out", "", "--megabytes", "1", "--files", "2"},
        {"--out", "d", "--megabytes", "1", "--files", "2", "--rename", "a.bmp"},
        {"--out", "d", "--megabytes", "1", "--files", "2", "--rename", "=b.bmp"},
        {"--out", "d", "--megabytes", "1", "--files", "2", "--rename", "a.bmp="},
        {"--out", "d", "--megabytes", "1", "--files", "2", "--rename", "a.bmp=b.bmp", "--rename", "a.bmp=c.bmp"},
        {"--out", "d", "--megabytes", "1", "--files", "2", "--rename", "1=x", "--rename", "2=x", "--rename", "3=x",
         "--rename", "4=x", "--rename", "5=x"},
    };
    for (const auto& args : bad) {
        const auto parsed = parseGenerateCommand(args);
        std::string joined;
        for (const auto& a : args) joined += a + " ";
        EXPECT_FALSE(parsed.command) << joined;
        EXPECT_FALSE(parsed.error.empty()) << joined;
    }
}

// The tools themselves: exit status 2 and a message for bad arguments, 0 and the files otherwise.
int run(const std::string& command, const std::string& errorFile) {
    const int status = std::system((command + " >/dev/null 2>" + errorFile).c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(Tools, ReportBadArgumentsAndWriteOnGoodOnes) {
    test::TempFolder folder;
    const std::string errors = folder.path() + "/errors.txt";
    const std::string generate = GENERATE_SCENARIO_PATH;
    const std::string example = MAKE_EXAMPLE_SCENARIO_PATH;

    EXPECT_EQ(run(generate + " --out " + folder.path() + "/g --megabytes 1", errors), 2);
    EXPECT_NE(test::readFile(errors).find("--files N is missing"), std::string::npos);
    EXPECT_EQ(run(example, errors), 2);
    EXPECT_NE(test::readFile(errors).find("missing"), std::string::npos);
    EXPECT_EQ(run(example + " a b", errors), 2);
    EXPECT_FALSE(fs::exists(folder.path() + "/g"));

    EXPECT_EQ(run(generate + " --out " + folder.path() + "/g --megabytes 0.3 --files 3 --seed 5", errors), 0)
        << test::readFile(errors);
    EXPECT_TRUE(fs::is_regular_file(folder.path() + "/g/Package01.wid"));
    EXPECT_EQ(run(example + " " + folder.path() + "/e", errors), 0) << test::readFile(errors);
    EXPECT_TRUE(fs::is_regular_file(folder.path() + "/e/Area01.wid"));

    // With --rename, the same command writes what converting its plain twin must give.
    EXPECT_EQ(run(generate + " --out " + folder.path() + "/r --megabytes 0.3 --files 3 --seed 5"
                  " --rename 背景01.bmp=背景02.bmp",
                  errors),
              0)
        << test::readFile(errors);
    const std::string plain = test::readFile(folder.path() + "/g/Area01.wid");
    const auto converted = test::convert(plain, false, {{"\x94\x77\x8C\x69" "01.bmp", "\x94\x77\x8C\x69" "02.bmp"}});
    EXPECT_EQ(converted.result, 0);
    EXPECT_TRUE(converted.output == test::readFile(folder.path() + "/r/Area01.wid"));
    EXPECT_NE(converted.output, plain);
    EXPECT_EQ(run(generate + " --out " + folder.path() + "/bad --megabytes 1 --files 1 --rename \"a.bmp=\xE2\x98\x83.bmp\"",
                  errors),
              2);  // a snowman has no code page 932 form
    EXPECT_NE(test::readFile(errors).find("code page 932"), std::string::npos);
    EXPECT_FALSE(fs::exists(folder.path() + "/bad"));

    // A second run into the same folder refuses, and says why.
    EXPECT_EQ(run(example + " " + folder.path() + "/e", errors), 1);
    EXPECT_NE(test::readFile(errors).find("already exists"), std::string::npos);
}

}  // namespace
}  // namespace celshift::build
