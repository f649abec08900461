/*
 * Non-anti-aliased path fill: edges walked down the rows under the path's fill rule.
 */
#include "graphics/raster/SkScanPriv.h"

void sk_fill_path (const SkPath &, const SkIRect *, SkBlitter *, int, int, int, const SkRegion &) {}

void SkScan::FillPath (const SkPath &, const SkRegion &, SkBlitter *) {}
