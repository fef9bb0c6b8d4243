// Failure codes of the data-file transformer.
//
// Every walker has a pair of codes: a read code (a multiple of ten) and a write code five higher.
// A code is raised as a CopyErrorCode and caught in one place, copyDataFile.
#pragma once

namespace celshift {

struct CopyErrorCode {
    int value;
};

inline constexpr int kNoFileLayout = 6;      // a file kind without a layout
inline constexpr int kNameTooLong = 10;      // an image-name field longer than 256 bytes, or negative
inline constexpr int kFileRead = 50;         // copyDataFile, copyStringField
inline constexpr int kFileWrite = 55;
inline constexpr int kEventRead = 60;        // copyEvent
inline constexpr int kEventWrite = 65;
inline constexpr int kNodeRead = 70;         // copyContentNode, copyChildren
inline constexpr int kNodeWrite = 75;
inline constexpr int kBodyRead = 80;         // copyCellRecord, copyContentBody, copyEntryList
inline constexpr int kNoBodyLayout = 83;     // a content type or entry type without a layout
inline constexpr int kBodyWrite = 85;
inline constexpr int kRecordRead = 90;       // copyNestedRecord
inline constexpr int kRecordWrite = 95;

// Raises a code. Kept out of line so that the copying paths stay small.
[[noreturn]] void raiseCopyError(int code);

// True for the codes that mark data the transformer has no layout for (6 and 83).
constexpr bool isNoLayoutCode(int code) { return code == kNoFileLayout || code == kNoBodyLayout; }

}  // namespace celshift
