/** @file
  The layout of "LegacyDevOrder": per group {u32 BBS device type, u16 length (2 +
  2 x devices, counting itself), u16 BBS index per device in priority order}. The
  variable lives in NVRAM that any boot-time code may write, so every group is read
  through ReadLegacyGroup, which checks that it lies whole inside the variable.
**/
#ifndef ENGINE_VARIABLES_LEGACY_ORDER_FORMAT_H_
#define ENGINE_VARIABLES_LEGACY_ORDER_FORMAT_H_

#include <Uefi.h>

#define LEGACY_GROUP_HEADER_SIZE   6          // u32 device type, u16 length
#define LEGACY_GROUP_LENGTH_AT     4
// Offsets of the groups: the length counts itself but not the device type.
#define LEGACY_GROUP_NEXT(Group)   ((Group)->Offset + LEGACY_GROUP_LENGTH_AT + (Group)->Length)

// One group of an order, read whole.
typedef struct {
  UINTN        Offset;        // of its header in the order
  UINT32       DeviceType;
  UINT16       Length;        // counts itself
  UINTN        Count;         // devices
  CONST UINT8  *Indexes;      // Count unaligned u16 BBS indexes
} LEGACY_GROUP;

/**
  The group at Offset of an order of Size bytes. It is whole when its length is at
  least 2, even, below Size, and the group ends inside the order; FALSE otherwise,
  and also when fewer than a header's bytes remain.
**/
BOOLEAN     ReadLegacyGroup (IN CONST UINT8 *Order, IN UINTN Size, IN UINTN Offset, OUT LEGACY_GROUP *Group);
UINT16      LegacyGroupIndex (IN CONST LEGACY_GROUP *Group, IN UINTN Position);

#endif
