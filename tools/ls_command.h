// orv ls FILE [PATH]: the entries of the root, or of the entry at PATH, one
// line each in list order:
//   SIZE CHILDREN NAME
// SIZE is the payload's size in bytes, or "-" for an entry without payload;
// CHILDREN the number of entries in its own list; NAME the name with
// unprintable bytes escaped (text_format.h). Exit 1 when PATH is not there.
#ifndef ORV_TOOLS_LS_COMMAND_H_
#define ORV_TOOLS_LS_COMMAND_H_

#include "tools/command.h"
#include "tools/entry_facts.h"

namespace orv {
namespace tool {

int RunLs(const CommandContext& context, const Arguments& arguments);

// One line of the listing.
std::string FormatListing(const EntryFacts& facts);

}  // namespace tool
}  // namespace orv

#endif  // ORV_TOOLS_LS_COMMAND_H_
