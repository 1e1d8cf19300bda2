// The published interface identifiers the tool asks for, as any host carries
// its own copy of them. Only interfaces the module answers are listed.
#ifndef ORV_TOOLS_INTERFACE_IDS_H_
#define ORV_TOOLS_INTERFACE_IDS_H_

#include "com/types.h"

namespace orv {
namespace tool {

extern const IID kIidUnknown;     // {00000000-0000-0000-C000-000000000046}
extern const IID kIidORVList;     // {D3AC8AE0-CEB0-11CF-A799-444553540000}
extern const IID kIidORVRoot;     // {D3AC8AE1-CEB0-11CF-A799-444553540000}
extern const IID kIidORVEntry;    // {D3AC8AE2-CEB0-11CF-A799-444553540000}
extern const IID kIidObjectList;  // {16135C80-CEAF-11CF-A799-444553540000}

}  // namespace tool
}  // namespace orv

#endif  // ORV_TOOLS_INTERFACE_IDS_H_
