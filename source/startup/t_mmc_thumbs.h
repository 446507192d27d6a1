// The list of snapshot and recording thumbnails on the cards, newest first,
// for the review view; built on demand and rebuilt after it was marked
// invalid (card inserted or removed, snapshot, recording, delete). The list
// is guarded by a lock: the card task rebuilds and deletes while the view
// and navigation tasks browse. Names given and returned are full thumbnail
// names (folder path and file name, at most 41 characters); positions count
// from 1; results are THUMBNAIL_TYPE values. Output names are written only
// when a pointer is given (at least THUMBNAIL_NAME_SIZE characters).
// The browsing calls below are installed as the graphics library's upcalls
// T_MMC_u32ThumbNailsInList, T_MMC_eFind{First,Last,Next,Previous}ThumbNail,
// T_MMC_eFind{First,Last,Next,Previous}ThumbNailImage and
// T_MMC_eFindLatestThumbnail (STARTUP_vInstall), through which the review
// view browses.
#pragma once

#include "common/mmc_types.h"
#include "common/types.h"

THUMBNAIL_TYPE MMC_THUMBS_eFindFirst(char* pcName, U32* pu32Position);
THUMBNAIL_TYPE MMC_THUMBS_eFindLast(char* pcName, U32* pu32Position);
THUMBNAIL_TYPE MMC_THUMBS_eFindFirstImage(char* pcName, U32* pu32Position);
THUMBNAIL_TYPE MMC_THUMBS_eFindLastImage(char* pcName, U32* pu32Position);
// The entry after / before the current one; 0 and "None" when there is none
// or the current one is not in the list.
THUMBNAIL_TYPE MMC_THUMBS_eFindNext(const char* pcCurrent, char* pcName, U32* pu32Position);
THUMBNAIL_TYPE MMC_THUMBS_eFindPrevious(const char* pcCurrent, char* pcName, U32* pu32Position);
THUMBNAIL_TYPE MMC_THUMBS_eFindNextImage(const char* pcCurrent, char* pcName, U32* pu32Position);
THUMBNAIL_TYPE MMC_THUMBS_eFindPreviousImage(const char* pcCurrent, char* pcName, U32* pu32Position);
// The entry of the last snapshot (type 1, SFID) or recording (type 2, SFSR).
THUMBNAIL_TYPE MMC_THUMBS_eFindLatest(char* pcName, THUMBNAIL_TYPE eType, U32* pu32Position);
U32 MMC_THUMBS_u32InList(void);
// The snapshot taken at the waypoint's position, in a buffer of the module
// (valid until the next call), or null.
THUMBNAIL_HEADER_TYPE* T_MMC_pFindThumbNailInListByLocation(U16 u16WaypointId);

// Card-task side (CMD_ID_LOAD_THUMBNAIL, CMD_ID_LOAD_RECORDING,
// CMD_ID_DELETE_IMAGE). Both loads free pcFileName.
void T_MMC_vLoad_Snapshot_Thumbnail(char* pcFileName, THUMBNAIL_HEADER_TYPE* pDestination);
void T_MMC_vLoad_Recording_Header(char* pcFileName, THUMBNAIL_HEADER_TYPE* pDestination);
void T_MMC_vDeleteImages(const char* pcFileName);
// Converters of the card's big-endian records (n bytes available).
BOOLEAN T_MMC_bParseThumbnailHeader(const U8* pData, size_t n, THUMBNAIL_FILE_HEADER* pHeader);
BOOLEAN T_MMC_bParseRecordHeader(const U8* pData, size_t n, SONAR_RECORD_THUMB_HEADER* pHeader);
