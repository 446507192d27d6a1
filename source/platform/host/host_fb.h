// What this machine's page plane has been asked to do (for tests and tools).
#pragma once

#include "common/types.h"

// Page number shown by the last pan, -1 before the first since the surface
// was opened.
S32 HOST_FB_s32ShownPage(void);
// Pans (page flips) since the surface was opened.
U32 HOST_FB_u32PanCount(void);
// The colour key set on the plane, -1 when keying is off.
S32 HOST_FB_s32ChromaKey(void);
// The next opening of the page plane fails, as with a missing device.
void HOST_FB_vFailNextOpen(void);
