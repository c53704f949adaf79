#pragma once

// Putting a whole list of maps, read from another program's file, into a
// loaded document's table, so that saving writes them.

#include <vector>

#include "resfile/result.hpp"
#include "table/document.hpp"
#include "table/map_values.hpp"
#include "table/table_error.hpp"

namespace tessaly {

// Replaces the table of `doc` with `maps`, in that order, numbered 1, 2, 3 …
// Each map is made by EntryFromValues in place of the loaded map its id names,
// if any, so it keeps that map's record position, and its loaded name bytes
// while the name is unchanged. The entry count saving would write must fit
// (what else saving could refuse is checked as each map is made). A refusal
// names the map by its position in `maps` (from 1) and its name; on any
// refusal `doc` is left as it was.
[[nodiscard]] Result<void, TableError> ApplyMaps(Document& doc, const std::vector<MapValues>& maps);

}  // namespace tessaly
