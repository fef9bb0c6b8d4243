// The conversion run: copies a scenario folder's other files, builds the replacement table from the four
// conversion rows, and rewrites every data file into the output folder. The window and the command line
// both call it; it reaches the user only through RunMessages.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <optional>
#include <string>
#include <vector>

#include "platform/file_list.h"
#include "run/output_check.h"
#include "transform/replacement_table.h"

namespace celshift {

// How the run tells the user what happened: modal boxes in the window, lines on the command line.
// Called only on the thread that called the run, one message at a time, in the run's order; the run waits
// for each call to return.
class RunMessages {
public:
    virtual ~RunMessages() = default;
    // A box with one OK button and no icon.
    virtual void showMessage(const std::string& text, const std::string& caption) = 0;
    // The error window, for a data file (or its copy) that could not be opened; path names that file.
    virtual void showErrorFm(const std::string& path) = 0;
};

enum class RunStage {
    CopyingOtherFiles,
    RewritingDataFiles,
};

// What the run is working on, for a progress display. Called on the thread that called the run, never on a
// worker; between two calls the run may wait for a message to be answered.
class RunProgress {
public:
    virtual ~RunProgress() = default;
    // done of count files of the stage are finished; inWork names a file being worked on (empty when none).
    virtual void progress(RunStage stage, int done, int count, const std::string& inWork) = 0;
};

// A request to stop a run, set from any thread or from a signal handler. The run then finishes the files
// in work (none is left half-written), reports them, and ends with "中止しました".
class StopRequest {
public:
    void request() noexcept { requested_.store(true, std::memory_order_relaxed); }
    bool requested() const noexcept { return requested_.load(std::memory_order_relaxed); }

private:
    std::atomic<bool> requested_{false};
    static_assert(std::atomic<bool>::is_always_lock_free, "a signal handler sets it");
};

// What became of one file of the scenario folder, for a report of the whole run.
struct FileReport {
    enum class Kind {
        Converted,     // a data file, rewritten whole
        Failed,        // a data file reported under "失敗"
        Unopened,      // a data file, or its copy, that could not be opened ("ErrorFm")
        Copied,        // another file, copied
        AlreadyThere,  // another file, kept: a regular file of that name was already in the output folder
        NotCopied,     // another file that could not be copied ("コピーできなかったファイル")
        // Not a file of the scenario: a picture that the converted data files name and the output folder lacks,
        // which the scenario folder did not lack (name: the name as written; reason: the warning's text).
        MissingPicture,
    };
    Kind kind = Kind::Converted;
    std::string name;    // the file's name: its path under the scenario folder ("Material/Area10.wid")
    std::string path;    // the file concerned: the scenario's file, or for Unopened the one that could not be opened
    std::string reason;  // why, in the user's words; empty for Converted, Copied and AlreadyThere
    // For Failed: true when the output folder now holds the converted part followed by the rest of the file
    // unchanged; false when the earlier copy (or none) stays as it was.
    bool outputWritten = false;
    // For Copied, AlreadyThere and NotCopied: a file given with the run (RunOptions::addedFiles), not one of the
    // scenario folder's; path is where it came from.
    bool added = false;
    // For AlreadyThere: the file kept in the output folder is not byte for byte the scenario's file (another
    // scenario's, or an edited one): worth a look.
    bool differs = false;
    // For a picture copied under a row's TO (RunOptions::renamePictures): TO as the row writes it, its name in the
    // output folder; name and path are those of the scenario's picture that FROM names.
    std::string renamedTo;
    // The name of an earlier file of the run (a file given with it, or one before it in the scenario's list) that
    // Windows takes for the same name as this one ("README.TXT" for "readme.txt"); empty when there is none. Where the
    // output folder tells the two apart both are written, and the scenario cannot work on Windows as it stands;
    // where it does not, this one is NotCopied.
    std::string sameNameAs;
    // For MissingPicture: the row (from 1) that wrote the name; 0 when the name was the scenario's own.
    int writtenByRow = 0;
    // Per used row (its index from 0): the image-name fields replaced in what the output folder now holds of
    // this file. Only rows that replaced something take room: a run may use thousands.
    ReplacedCounts replaced;
};

// Receives a FileReport for every file of a run, on the thread that called the run, in the run's order, and
// before any message about the same file.
class RunReport {
public:
    virtual ~RunReport() = default;
    virtual void fileDone(const FileReport& report) = 0;
};

struct RunOptions {
    int jobs = 0;                        // worker threads; 0: one per core of the machine
    // Files from elsewhere (pictures picked for a row) that the run copies into the output folder under their own
    // names, before the scenario's files and under the same rules: never replacing anything there.
    std::vector<std::string> addedFiles;
    // The name each added file takes in the output folder, by index; its own name where this has none or an empty one.
    std::vector<std::string> addedNames;
    RunProgress* progress = nullptr;     // not owned
    const StopRequest* stop = nullptr;   // not owned
    RunReport* report = nullptr;         // not owned
    bool syncBeforeRename = false;       // each file reaches the disk before it takes its final name
    // After the copy, each used row's picture (the scenario's file FROM names) is copied under TO when TO names no
    // file in the scenario or output folder (renamed_pictures.h).
    bool renamePictures = false;
    // The output folder's own name may not be a link (a folder the run made or found as a plain folder): nothing is
    // written outside the folder that holds it.
    bool outputNotALink = false;
    // Whether the output folder takes names that differ only in case for one name; unset: the run asks the folder.
    std::optional<bool> outputFoldsCase;
};

// The texts of the conversion rows as typed (UTF-8): row r is from[r - 1] -> to[r - 1]. The window has four
// rows, which a default ConversionRows holds empty; a rows file any number. A row that one vector lacks is
// empty there.
struct ConversionRows {
    std::vector<std::string> from = std::vector<std::string>(4);
    std::vector<std::string> to = std::vector<std::string>(4);
    // The table these rows make, when a reader that checked and converted every row has built it already (a
    // rows file): the run takes it as it stands instead of converting thousands of texts a second time.
    std::shared_ptr<const ReplacementTable> table;

    // The number of rows: the longer of the two.
    std::size_t size() const { return from.size() > to.size() ? from.size() : to.size(); }
};

// What one row of the table replaced over the whole run.
struct RowTotal {
    std::int64_t fields = 0;  // image-name fields replaced
    int files = 0;            // data files in which it replaced at least one
};

struct RunOutcome {
    bool started = false;   // false: the run refused to start (missing output folder, output = scenario folder or
                            // inside it, scenario folder unreadable)
    bool stopped = false;   // a StopRequest ended the run early
    int failedFiles = 0;    // data files reported with the failure box
    int unopenedFiles = 0;  // data files or copies that could not be opened
    int notCopiedFiles = 0; // other files listed under "コピーできなかったファイル"
    int usedRows = 0;       // pairs in the replacement table (0 when the run did not get that far)
    std::vector<RowTotal> rowTotals;  // one per used row
    // A data file could not be opened, walked to its end or written, or the run stopped before some: a row's name
    // may stand in one uncounted, so a row that replaced nothing may not be said to be missing from the scenario.
    bool someNamesUncounted = false;
    // Files kept in the output folder that differ from the scenario's files of those names.
    int keptDifferentFiles = 0;
    // Where the run ended: the stage it was in, how many of that stage's files were done and how many it had.
    RunStage lastStage = RunStage::CopyingOtherFiles;
    int stageDone = 0;
    int stageCount = 0;
    // After a run that ended: the pictures the copy names and lacks that the scenario did not lack (output_check.h).
    std::vector<MissingPicture> missingAfterRun;
};

// sourceFile is the chosen "Summary.wsm"; outputFolder is where the copy goes and must exist.
RunOutcome runConversion(const std::string& sourceFile, const std::string& outputFolder, const ConversionRows& rows,
                         FileList& fileList, RunMessages& messages, const RunOptions& options = {});

// A run that writes nothing and needs no output folder: tells the table's messages, then for each data file in
// the run's order ErrorFm (cannot be read) or the failure message (cannot be walked to its end), and counts
// what a run would replace.
RunOutcome dryRun(const std::string& sourceFile, const ConversionRows& rows, FileList& fileList,
                  RunMessages& messages, const RunOptions& options = {});

// Why outputFolder cannot take a run: the text that refuses it when it is missing or no folder, else null.
const char* outputFolderRefusal(const std::string& outputFolder);

// The default output folder: "Scena" beside the executable, with a trailing separator.
std::string defaultOutputFolder();

// The worker count that options.jobs asks for: itself when positive, else the machine's core count.
int workerCount(const RunOptions& options);

}  // namespace celshift
