#include "cli/cli_arguments.h"

#include <filesystem>
#include <stdexcept>

#include "platform/path_text.h"

namespace celshift::cli {

namespace fs = std::filesystem;

const char* const kUsage = R"(Usage: celshift-cli [--output DIR] [--jobs N] [--sync] [--quiet] [--rename] [--from TEXT --to TEXT]... SCENARIO...
  or:  celshift-cli [--output DIR] [--jobs N] [--sync] [--quiet] [--rename] --rows FILE SCENARIO...
  or:  celshift-cli --dry-run [--jobs N] [--quiet] [--from TEXT --to TEXT]... | [--rows FILE] SCENARIO...
  or:  celshift-cli --list-names [--jobs N] SCENARIO...
  or:  celshift-cli --missing [--jobs N] SCENARIO...
  or:  celshift-cli --unused [--jobs N] SCENARIO...

Makes a converted copy of a scenario: copies every file of the scenario folder and of its subfolders, at any
depth, into the output folder (never overwriting a file already there, data files excepted), and rewrites
every ".wid" data file there, exchanging each image name that equals a --from text for the --to text that
follows it. Hidden entries (names that begin with "."), FIFOs, sockets and devices are left alone; a link to a
folder is never entered (it is listed as not copied). A scenario that holds another scenario (a subfolder with
its own Summary.wsm) is converted as part of the whole. Files in subfolders are named by their path under the
scenario folder ("Material/Area10.wid"), in messages and in every mode.

  SCENARIO         the scenario's "Summary.wsm", or the folder that holds it
  --from TEXT      an image file name to look for (.bmp .jpg .jpeg .jpy1 .jpdc .jpx)
  --to TEXT        the image file name to write in its place
                   Up to four pairs, in order, are conversion rows 1 to 4. Rows are used from the first
                   up to the first row that is not valid. Names are matched exactly, case included.
                   A name is text (Shift-JIS) in which \xNN (two hex digits, any case) is the exact byte
                   NN; any other backslash is itself ("img\cell.bmp"), a backslash before x and two hex
                   digits is written \x5C. A name that ends in ∅ (U+2205) stands for the field stored
                   without its closing zero byte (FROM only). Every name with an image extension that
                   --list-names or --missing prints, given as FROM, matches exactly that field.
                   Rows do not chain: the first row that matches a field replaces it, once (A->B with B->C
                   turns an A into B; A->B with B->A swaps them). A FROM that repeats an earlier row's never
                   matches: the run keeps the row and says so on standard error.
  --rows FILE      any number of rows from a UTF-8 text file of up to 16 MiB, one per line: FROM, a tab,
                   TO. Empty lines and lines that begin with "#" are skipped; a byte order mark and CR LF
                   line ends are allowed. Every row is checked as --from/--to are; a bad line, or a FROM that stands
                   twice, refuses the run before anything is written (one line per bad line on standard
                   error, with its line number). Not together with --from/--to.
  --output DIR     the output folder, which must exist (default: the folder "Scena" beside this program).
                   With several scenarios, each goes into DIR/<the name of its folder>, made when absent;
                   two scenario folders of the same name, a SCENARIO that names no scenario, an
                   output folder that is one of the scenario folders, or two output folders that are
                   one (a link) are refused before anything is written; a DIR/<name> that is a link or
                   no folder refuses that scenario (nothing outside DIR is written).
  --jobs N         convert N files at a time, N from 1 to 256 (default: one per core)
  --sync           make each file reach the disk before it takes its name (slower; safer on a power cut)
  --quiet          leave out the summary lines
  --rename         also copy, for each used row whose TO names no file in the scenario or output folder,
                   the picture FROM names in the scenario folder into the output folder under TO's name
                   (subfolders made as needed), whole or not at all, never replacing anything, never
                   through a link; "画像コピー:" and one line "FROM → TO" per picture
  --dry-run        write nothing and need no output folder: tell what a run would report for the rows and
                   data files, and count what it would replace
  --list-names     list every image name the scenario's data files hold: one line per name,
                   "FIELDS<TAB>FILES<TAB>NAME", most fields first; bytes that are no character show as \xNN,
                   and both bytes of a character Shift-JIS holds twice (\xED\x40, the NEC form of 纊); a
                   field stored without its closing zero byte ends in ∅
  --missing        list, as --list-names does, the image names (one of the six extensions) that the data
                   files hold and that no file of the scenario folder matches. Names are looked up as
                   Windows looks them up: case does not count, a name in decomposed Unicode (a folder
                   copied from a Mac) matches its composed form, "\" leads into subfolders; a name above
                   the folder, rooted or with a drive never matches. Some of the names may be pictures
                   that the game itself provides: look before you add them.
  --unused         list the picture files of the scenario folder (the six extensions, subfolders too)
                   that no name of the data files names, looked up as --missing looks names up, under any
                   name of the file (a folder link on the way, a link to it): one line per file,
                   "BYTES<TAB>PATH", largest first, and the total on standard error. Standard output holds
                   the list alone; when a data file or a folder could not be read, no list at all (the
                   reasons on standard error, exit status 2). A file listed may still be used by something
                   outside the data files (Summary.wsm's own picture, the game itself): look before you
                   delete one.
  --help           shows this text
  --version        shows the program's name and version

Every message of the run is printed as one line "CAPTION: TEXT"; further lines of a text are indented by
two spaces. A data file or copy that cannot be opened prints "ErrorFm: PATH". Names show bytes that are no
UTF-8 character as \xNN, and a backslash before x and two hex digits as \x5C. After the run, one line per
used row tells what it replaced: "集計: 変換１: 12箇所（3ファイル）". Standard error gets one line per file
that failed, could not be opened or could not be copied, with the reason, a line for each row that is
not used, and a warning for each file whose name Windows takes for an earlier file's (README.TXT and
readme.txt): into an output folder that folds case the later one is not copied (listed with its reason).
An output folder whose Summary.wsm is not the scenario's (another scenario was converted into it) is said
on standard error before the run, which goes on: the two scenarios' files would mix. After the run, each
picture that the converted data files name and the output folder lacks, and that the scenario folder did not
already lack, is a warning on standard error, with the row that wrote it:
"警告: 変換後のシナリオにない画像: NAME（変換１）" (the exit status stays: the picture may be added later).
With --rename, a row whose FROM names no picture, or whose TO an earlier row fills with another picture, is
listed among the pictures that could not be copied.
With several scenarios, a line "シナリオ: NAME" comes before each scenario's messages.

Every file is written under a temporary name and takes its own name only when complete: a run that is
killed, or that meets a full disk, never leaves a partial file under a file's name, and the next run into
the folder removes what it left (only files whose process has ended). Ctrl+C, SIGTERM and SIGHUP stop the
run after the files in work; no later scenario starts; a signal ignored at start (nohup) stays ignored. A
second run into an output folder that a run is writing into is refused.

Exit status: 0 when the run ended and every file was converted or copied; 1 when a data file failed or
could not be opened, or a file could not be copied; 2 when the run did not start (bad arguments, a bad line
in the rows file, a missing output folder or one that is no folder, an output folder that is the scenario
folder itself or inside it or that another run is writing into, or a scenario folder that cannot be
read); 128 + the signal's number when a signal stopped it (130 for
Ctrl+C); 141 when standard output was closed while the run still wrote to it, 74
when standard output could not be written otherwise (a full disk). With several scenarios: a stop's status,
else 2 if any scenario did not start, else 1 if any failed, else 0. Standard error is not checked: when it
cannot be written (2>/dev/full) the reasons are lost, and the exit status alone tells. --missing: 0 when
nothing is missing, 1
when something is, 2 when it could not look everywhere (a folder or a data file that could not be read).
--unused likewise: 0 when no picture is unused, 1 when some are, 2 when it could not look everywhere.

Examples:
  celshift-cli --output out --rows rows.txt scenario1 scenario2
      rows.txt:  # monster portraits
                 monster01.bmp<TAB>monster01_new.jpg
                 背景01.bmp<TAB>背景01.jpg
  celshift-cli --missing scenario1
  celshift-cli --list-names scenario1          prints, among others:  3<TAB>2<TAB>\xED\x40.bmp
  celshift-cli --output out --from '\xED\x40.bmp' --to kanji.bmp scenario1
      replaces the NEC form of 纊 alone, as listed (a typed 纊 would be the other form, FA 5C)
  celshift-cli --unused scenario1              100311<TAB>/games/scenario1/old/unused.bmp
  celshift-cli --list-names scenario1 | awk -F'\t' 'tolower($3) ~ /\.(bmp|jpg|jpeg|jpy1|jpdc|jpx)$/ {
        printf "%s\tpic%03d%s\n", $3, ++n, tolower(substr($3, match($3, /\.[^.]*$/))) }' > ascii.txt
  celshift-cli --rename --output out --rows ascii.txt scenario1
      every picture of the scenario under an ASCII name (pic001.bmp, ...), its names replaced to match
)";

namespace {

const std::string& valueOf(const std::vector<std::string>& args, std::size_t& i) {
    if (i + 1 >= args.size()) throw std::invalid_argument(args[i] + " には値が必要です");
    return args[++i];
}

const char* optionOf(Mode mode) {
    switch (mode) {
    case Mode::Run:
        return "";
    case Mode::DryRun:
        return "--dry-run";
    case Mode::ListNames:
        return "--list-names";
    case Mode::Missing:
        return "--missing";
    case Mode::Unused:
        return "--unused";
    }
    return "";
}

// The modes that list what the scenario holds: no rows, no summary lines.
bool isListing(Mode mode) { return mode == Mode::ListNames || mode == Mode::Missing || mode == Mode::Unused; }

void setMode(Arguments& parsed, Mode mode) {
    if (parsed.mode != Mode::Run && parsed.mode != mode)
        throw std::invalid_argument(std::string(optionOf(parsed.mode)) + " と " + optionOf(mode) +
                                    " は一緒に指定できません");
    parsed.mode = mode;
}

// A worker count from 1 to 256, in decimal digits.
constexpr const char* kJobsRange = "--jobs には 1 から 256 までの数を指定してください: ";
int jobCount(const std::string& text) {
    int value = 0;
    for (const char ch : text) {
        if (ch < '0' || ch > '9' || value > 256) throw std::invalid_argument(kJobsRange + text);
        value = value * 10 + (ch - '0');
    }
    if (text.empty() || value < 1 || value > 256)
        throw std::invalid_argument(kJobsRange + text);
    return value;
}

}  // namespace

Arguments parseArguments(const std::vector<std::string>& args) {
    Arguments parsed;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (!optionsEnded && (arg == "--help" || arg == "-h")) {
            parsed.help = true;
        } else if (!optionsEnded && arg == "--version") {
            parsed.version = true;
        } else if (!optionsEnded && arg == "--dry-run") {
            setMode(parsed, Mode::DryRun);
        } else if (!optionsEnded && arg == "--list-names") {
            setMode(parsed, Mode::ListNames);
        } else if (!optionsEnded && arg == "--missing") {
            setMode(parsed, Mode::Missing);
        } else if (!optionsEnded && arg == "--unused") {
            setMode(parsed, Mode::Unused);
        } else if (!optionsEnded && arg == "--quiet") {
            parsed.quiet = true;
        } else if (!optionsEnded && arg == "--sync") {
            parsed.sync = true;
        } else if (!optionsEnded && arg == "--rename") {
            parsed.rename = true;
        } else if (!optionsEnded && arg == "--jobs") {
            parsed.jobs = jobCount(valueOf(args, i));
        } else if (!optionsEnded && arg == "--output") {
            if (parsed.output) throw std::invalid_argument("--output が2回指定されています");
            parsed.output = valueOf(args, i);
            if (parsed.output->empty()) throw std::invalid_argument("--output にはフォルダを指定してください（空の文字列は使えません）");
        } else if (!optionsEnded && arg == "--rows") {
            if (parsed.rowsFile) throw std::invalid_argument("--rows が2回指定されています");
            parsed.rowsFile = valueOf(args, i);
            if (parsed.rowsFile->empty()) throw std::invalid_argument("--rows にはファイルを指定してください（空の文字列は使えません）");
        } else if (!optionsEnded && arg == "--from") {
            if (parsed.rowCount == 4) throw std::invalid_argument("--from/--to は4組までです。それより多い行は --rows のファイルに書いてください");
            const std::string from = valueOf(args, i);
            if (i + 1 >= args.size() || args[i + 1] != "--to")
                throw std::invalid_argument("--from \"" + from + "\" のあとには --to が必要です");
            ++i;
            parsed.rows.from[static_cast<std::size_t>(parsed.rowCount)] = from;
            parsed.rows.to[static_cast<std::size_t>(parsed.rowCount)] = valueOf(args, i);
            ++parsed.rowCount;
        } else if (!optionsEnded && arg == "--to") {
            throw std::invalid_argument("--to は --from のあとに指定してください");
        } else if (!optionsEnded && arg == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && arg.size() > 1 && arg[0] == '-') {
            throw std::invalid_argument("知らないオプションです: " + arg);
        } else {
            parsed.scenarios.push_back(arg);
        }
    }
    if (parsed.help || parsed.version) return parsed;
    if (parsed.scenarios.empty()) throw std::invalid_argument("SCENARIO（シナリオ）が指定されていません");
    const std::string mode = optionOf(parsed.mode);
    if (parsed.mode != Mode::Run && parsed.output)
        throw std::invalid_argument("--output は " + mode + " では使えません（何も書き込みません）");
    if (parsed.mode != Mode::Run && parsed.sync)
        throw std::invalid_argument("--sync は " + mode + " では使えません（何も書き込みません）");
    if (parsed.mode != Mode::Run && parsed.rename)
        throw std::invalid_argument("--rename は " + mode + " では使えません（何も書き込みません）");
    if (isListing(parsed.mode) && parsed.rowCount > 0)
        throw std::invalid_argument(mode + " には --from/--to を指定できません");
    if (isListing(parsed.mode) && parsed.rowsFile)
        throw std::invalid_argument(mode + " には --rows を指定できません");
    if (isListing(parsed.mode) && parsed.quiet)
        throw std::invalid_argument("--quiet は " + mode + " では使えません（集計の行を出しません）");
    if (parsed.rowsFile && parsed.rowCount > 0)
        throw std::invalid_argument("--rows と --from/--to は一緒に指定できません");
    return parsed;
}

std::string resolveScenario(const std::string& scenario) {
    std::error_code error;
    const fs::path given = fs::absolute(pathFromUtf8(scenario), error);
    if (error) throw std::invalid_argument("ファイルもフォルダもありません: " + scenario);
    const fs::file_status status = fs::status(given, error);
    if (error == std::errc::too_many_symbolic_link_levels) throw std::invalid_argument("リンクが循環しています: " + scenario);
    // A folder on the way that cannot be looked into is no missing file.
    if (error && error != std::errc::no_such_file_or_directory && error != std::errc::not_a_directory)
        throw UnreadableScenario(utf8FromPath(given.parent_path()));
    if (!fs::exists(status)) throw std::invalid_argument("ファイルもフォルダもありません: " + scenario);
    if (fs::is_directory(status)) {
        const fs::path exact = given / "Summary.wsm";
        if (fs::is_regular_file(exact, error)) return utf8FromPath(exact);
        if (error == std::errc::too_many_symbolic_link_levels)
            throw std::invalid_argument("リンクが循環しています: " + utf8FromPath(exact));
        if (error && error != std::errc::no_such_file_or_directory) throw UnreadableScenario(utf8FromPath(given));
        // Scenarios copied from a case-blind file system may spell the name differently.
        fs::directory_iterator entries(given, error);
        if (error) throw UnreadableScenario(utf8FromPath(given));
        for (; entries != fs::directory_iterator(); entries.increment(error)) {
            std::string name = utf8FromPath(entries->path().filename());
            for (auto& ch : name) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
            if (name == "summary.wsm" && entries->is_regular_file(error)) return utf8FromPath(entries->path());
        }
        if (error) throw UnreadableScenario(utf8FromPath(given));
        throw std::invalid_argument("フォルダに Summary.wsm がありません: " + scenario);
    }
    std::string name = utf8FromPath(given.filename());
    for (auto& ch : name) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    if (name != "summary.wsm" || !fs::is_regular_file(status))
        throw std::invalid_argument("Summary.wsm ではありません: " + scenario);
    return utf8FromPath(given);
}

}  // namespace celshift::cli
