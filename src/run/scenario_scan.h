// A read-only look at a scenario: every image-name field that its data files hold, walked with the same
// walkers as a run. Writes nothing and needs no output folder.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_list.h"
#include "run/conversion_run.h"

namespace celshift {

// One distinct stored name: the field's bytes exactly as stored (code page 932, with its zero byte if any).
struct ScannedName {
    std::string bytes;
    std::int64_t fields = 0;  // image-name fields that hold exactly these bytes
    int files = 0;            // data files that hold at least one of them
};

// A data file the scan could not walk to its end.
struct ScanProblem {
    enum class Kind { Unreadable, Failed };
    Kind kind;
    std::string path;    // full path of the data file
    std::string name;    // its name
    std::string reason;  // why, in the user's words
    bool namesMayBeUnseen = true;  // the file was not walked to its end: names may stand in what was not read
};

struct ScenarioScan {
    bool listingFailed = false;      // the scenario folder could not be listed
    bool stopped = false;            // a StopRequest ended the scan early
    std::vector<ScannedName> names;  // most fields first, then by the stored bytes
    std::vector<ScanProblem> problems;  // in the run's order
    int dataFiles = 0;
};

// Walks every data file of the scenario whose "Summary.wsm" is sourceFile. options.progress and options.stop
// work as in a run.
ScenarioScan scanScenario(const std::string& sourceFile, FileList& fileList, const RunOptions& options = {});

// A stored name as text (UTF-8): without one trailing zero byte; printable ASCII, half-width katakana and the
// two-byte characters that code page 932 maps outside the private-use area, and back to the same bytes, as
// themselves; every other byte as \xNN (two upper-case hex digits), the next byte then read afresh (both bytes of
// a user-defined character, or of one that reads back as other bytes). A backslash that would read as the start
// of such an escape is shown as \x5C, so that every shown name reads back as its bytes.
std::string displayName(std::string_view stored);

// The bytes that displayName showed: \xNN back to its byte, the rest to code page 932. Nothing when the text
// holds a character that code page 932 cannot hold. A trailing zero byte is not added.
std::optional<std::string> storedBytesOf(std::string_view displayed);

// True when the scan found a field that a conversion row with this from-text (UTF-8, as typed) would match.
bool scanHasName(const ScenarioScan& scan, const std::string& fromText);

}  // namespace celshift
