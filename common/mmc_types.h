// Messages to the SD-card task (mailbox key TMMC) and the snapshot and
// recording thumbnail records it hands to the review view.
#pragma once

#include <atomic>

#include "common/g_types.h"
#include "common/nav_types.h"
#include "common/types.h"
#include "lsvc/lsvc.h"

// ------------------------------------------------------------ files on the card
constexpr int THUMBNAIL_WIDTH = 200;
constexpr int THUMBNAIL_HEIGHT = 150;
constexpr int THUMBNAIL_PIXELS = THUMBNAIL_WIDTH * THUMBNAIL_HEIGHT;

// The 32-byte header of a snapshot's thumbnail file (big-endian on the card).
struct THUMBNAIL_FILE_HEADER {
  U8 Version;        // 0
  U8 WaypointValid;  // 1 when the mark's position was known
  U8 Priority;       // 0
  U8 u8Pad;
  WAYPOINT Image_Waypoint;  // the mark; its name is the picture's file name
};
static_assert(sizeof(THUMBNAIL_FILE_HEADER) == 32, "thumbnail header is 32 bytes");

// A snapshot's thumbnail file: header and 150 rows of 200 RGB565 pixels
// (60032 bytes on the card).
struct THUMBNAIL_DATA_FILE {
  THUMBNAIL_FILE_HEADER Header;
  U16 ImageData[THUMBNAIL_PIXELS];
};
static_assert(sizeof(THUMBNAIL_DATA_FILE) == 60032, "thumbnail file is 60032 bytes");

// A recording's 64-byte thumb header file (big-endian on the card).
struct SONAR_RECORD_THUMB_HEADER {
  U8 u8Version;  // 193
  U8 u8WaterType;
  U8 u8BatteryVoltage;
  U8 bWaypointValid;
  U32 u32ModelNumber;
  U32 u32Temperature;
  U32 u32Pressure;
  WAYPOINT RecordingStartWaypoint;
  U32 u32NumberOfPings;
  U32 u32TotalTimeMs;
  U32 u32PingSizeBytes;
  U32 u32FirstPingPeriodMs;
  U32 u32BeamMask;  // bit b set for every beam b that has a ping
};
static_assert(sizeof(SONAR_RECORD_THUMB_HEADER) == 64, "thumb header is 64 bytes");

enum THUMBNAIL_TYPE : S32 {
  THUMBNAIL_NONE = 0,
  THUMBNAIL_IMAGE_TYPE = 1,
  THUMBNAIL_RECORDING_TYPE = 2,
};

constexpr int THUMBNAIL_NAME_SIZE = 50;

// What the review view receives for one entry of the list: a slot bound to
// its own picture and recording-header buffers. The card task loads into a
// buffer of its own and hands the result to T_VIEW_vStoreThumbnail, which
// fills the slot only while sName still names the file loaded.
struct THUMBNAIL_HEADER_TYPE {
  BOOLEAN bWrongSizeThumbnail;
  U32 u32CardSizeKB;
  U32 u32CardAvailableKB;
  THUMBNAIL_TYPE eType;
  char sName[THUMBNAIL_NAME_SIZE];
  THUMBNAIL_DATA_FILE* snapshot;         // filled for a snapshot
  SONAR_RECORD_THUMB_HEADER* recording;  // filled for a recording
};

// ------------------------------------------------------------ messages
struct MSG_GET_SCREEN_DUMP {  // CMD_ID_SCREEN_DUMP
  GENERIC_MESSAGE Header;
  BITMAP* pBitmap;
};

// CMD_ID_LOAD_BMP: the named picture into pBitmap, unless a later request
// replaced it (*pu32LatestRequestID no longer u32RequestID; null: always
// loaded). The card task frees pFileName and the message itself (send it
// without an acknowledgement semaphore) and, when it is done with the
// bitmap, signals semaDone (0: none). The sender may stop waiting on
// semaDone; the signal still comes once the bitmap is free to reuse.
struct MSG_LOAD_BITMAP {
  GENERIC_MESSAGE Header;
  BITMAP* pBitmap;
  char* pFileName;  // allocated by the sender, freed by the card task
  U32 u32RequestID;
  const std::atomic<U32>* pu32LatestRequestID;
  SEMA semaDone;
  // When given, receives u32RequestID once the card task is done with the
  // bitmap (loaded or dropped): the sender may then give the bitmap away.
  std::atomic<U32>* pu32DoneRequestID;
};

struct MSG_DELETE_IMAGE {  // CMD_ID_DELETE_IMAGE
  GENERIC_MESSAGE Header;
  char FileName[THUMBNAIL_NAME_SIZE];  // a full thumbnail name, "all images" or "all recordings"
};

struct MSG_LOAD_THUMBNAIL {  // CMD_ID_LOAD_THUMBNAIL, CMD_ID_LOAD_RECORDING
  GENERIC_MESSAGE Header;
  char* pFilename;  // allocated by the sender, freed by the card task (with the message)
  THUMBNAIL_HEADER_TYPE* pThumbnailDestination;
};

// CMD_ID_PING_START: a sonar recording started (to the view task).
struct MSG_PING_VIEW_START {
  GENERIC_MESSAGE Header;
  U32 u32StartDateTime;
  U32 u32CardAvailableKB;
  U32 u32CardSizeKB;
  U8 u8DeviceNumber;  // the card's slot, 0 or 1
  char sFileName[9];  // R00001
};

struct MSG_LOAD_SATWX_IMAGE {  // CMD_ID_LOAD_SATWX_IMAGE
  GENERIC_MESSAGE Header;
  BITMAP** ppBitmap;
};

struct MSG_LOAD_LIMNORA_IMAGE {  // CMD_ID_LOAD_LIMNORA_IMAGE
  GENERIC_MESSAGE Header;
  BITMAP* pBitmap;
};

struct MSG_KEELAR_SCREENSHOT {  // CMD_ID_KEELAR_SCREENSHOT
  GENERIC_MESSAGE Header;
  U32 u32Length;
  U8* pData;  // allocated by the sender, freed by the card task
};

struct MSG_EXPORT_NAV_DATA {  // CMD_ID_EXPORT_NAV_DATA, CMD_ID_EXPORT_SELECTED_NAV_DATA
  GENERIC_MESSAGE Header;
};
