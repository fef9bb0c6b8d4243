// The record walkers. Each copies one record of a data file field by field, in file order, and calls the
// walker of each nested record it meets. The walkers call each other along the nesting of the format:
//
//   copyDataFile -> copyEvent, copyNestedRecord, copyCellRecord
//   copyEvent -> copyContentNode -> copyChildren -> copyContentNode ...
//   copyContentNode -> copyContentBody -> copyCellRecord (type 8), copyEntryList (type 11)
//   copyEntryList -> copyNestedRecord -> copyEntryList ...,  copyEntryList -> copyEvent
#pragma once

#include <cstdint>

#include "primitives.h"

namespace celshift {

void copyCellRecord(DataFileCopier& c);
void copyEvent(DataFileCopier& c, bool withTrailer);
void copyContentNode(DataFileCopier& c);
void copyChildren(DataFileCopier& c);
void copyContentBody(DataFileCopier& c, std::uint8_t contentType);
void copyNestedRecord(DataFileCopier& c);
void copyEntryList(DataFileCopier& c);

}  // namespace celshift
