// The interface identifiers that the module answers.
//
// Lookups compare these byte for byte (IsEqualGUID). INonDelegatingUnknown,
// IJPersist and ITracker have no identifier, and the file-system identifier
// that opens the descriptor is not an interface identifier: no lookup
// answers it.
#ifndef ORV_COM_IIDS_H_
#define ORV_COM_IIDS_H_

#include "com/types.h"

extern const IID IID_IUnknown;       // {00000000-0000-0000-C000-000000000046}
extern const IID IID_IORVFileSystem; // {DF37ABC0-CEAF-11CF-A799-444553540000}
extern const IID IID_IORVList;       // {D3AC8AE0-CEB0-11CF-A799-444553540000}
extern const IID IID_IORVRoot;       // {D3AC8AE1-CEB0-11CF-A799-444553540000}
extern const IID IID_IORVEntry;      // {D3AC8AE2-CEB0-11CF-A799-444553540000}
extern const IID IID_IObjectList;    // {16135C80-CEAF-11CF-A799-444553540000}
extern const IID IID_IJInStream;     // {62BC68C0-241D-11CF-BC52-444553540000}
extern const IID IID_IJOutStream;    // {2FEB59A0-24B4-11CF-BC52-444553540000}
extern const IID IID_IORVStream;     // {01B38E20-657A-11D1-A17C-080009AB3411}

#endif  // ORV_COM_IIDS_H_
