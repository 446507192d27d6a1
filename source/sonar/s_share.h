// Sonar sharing between units: the message class 0x18 bodies, the raw ping
// stream record, and the table that pairs each shared control with the key
// the unit keeps for its own transducer.
//
// Every format here is written and read byte by byte in the wire's
// little-endian order; nothing is copied as a memory image, and nothing read
// from the wire is taken as an address.
#pragma once

#include "common/g_datatype.h"
#include "common/types.h"
#include "source/sonar/sonar_types.h"
#include "source/sonar/u_ping.h"

// ------------------------------------------------------------ message class 0x18
constexpr U32 GMSG_ID_XJ_SONAR_UNKNOWN = 0x180000;
constexpr U32 GMSG_ID_SONAR_REQUEST_DATA = 0x180001;
constexpr U32 GMSG_ID_SONAR_RECEIVE_DATA = 0x180002;
constexpr U32 GMSG_ID_SONAR_CONTROL_CHANGE = 0x180003;
constexpr U32 GMSG_ID_SONAR_PING_DEPTH_DATA = 0x180004;
constexpr U32 GMSG_ID_SONAR_TRANSDUCER_CHANGE = 0x180005;
constexpr U32 GMSG_ID_XJ_SONAR_LAST = 0x180006;
constexpr U16 SONAR_SHARE_PORT = 0xC600;  // 50688

// Stream ports by source.
constexpr U16 SONAR_STREAM_PORT_2D = 50880;
constexpr U16 SONAR_STREAM_PORT_IMAGING = 50882;
constexpr U16 SONAR_STREAM_PORT_360 = 50883;

// The most samples a client takes per ping.
constexpr U32 SONAR_PING_ARRAY_LIMIT = PING_MAX_SAMPLES;

struct sonarRequestDataType {
  U32 registerFlag;
  U32 pingArrayLimit;
  U32 u32SonarSource;
};
struct controlChangeType {
  U32 fcid;
  U32 value;
  U32 advise;
};
struct sonarPingDepthType {
  F32 fActualDepthToListen;
  F32 fActualDepthToPing;
};
struct sonarTransducerChangeType {
  U32 u32SupportedBeams;
  U32 u32TransducerId;
};

// Body descriptors (typed serialisation, structure version 1). A received
// DT_PING_DESCRIPTOR body decodes into a PING_DESCRIPTOR whose raw buffer
// points behind it in the same block and holds the samples; it has no gain
// buffer and no fish list.
extern const G_DATA_TYPE DT_SONAR_REQUEST_DATA;
extern const G_DATA_TYPE DT_CONTROL_CHANGE;
extern const G_DATA_TYPE DT_SONAR_PING_DEPTH;
extern const G_DATA_TYPE DT_SONAR_TRANSDUCER_CHANGE;
extern const G_DATA_TYPE DT_PING_DESCRIPTOR;

constexpr U32 SONAR_REQUEST_BODY_BYTES = 16;
constexpr U32 SONAR_CONTROL_BODY_BYTES = 16;
constexpr U32 SONAR_DEPTH_BODY_BYTES = 12;
constexpr U32 SONAR_TRANSDUCER_BODY_BYTES = 12;
constexpr U32 SONAR_PING_BODY_FIXED_BYTES = 63;  // plus one byte per sample

// The ping as a message body: 63 + N bytes, or 0 when the room is short.
U32 S_SHARE_u32EncodePingBody(const PING_DESCRIPTOR* pPing, U8* pu8Out, U32 u32Room);
// Reads a ping body of u32Length bytes: the fields into *pPing (not its
// buffer addresses, fish list or bIsLocal) and the samples into its raw
// buffer, which must hold PING_MAX_SAMPLES. FALSE, with a trace line and
// *pPing untouched, for a wrong version, a short body or too many samples.
BOOLEAN S_SHARE_bDecodePingBody(const U8* pu8In, U32 u32Length, PING_DESCRIPTOR* pPing);

// ------------------------------------------------------------ ping stream
// One ping in a stream: the 276-byte descriptor record in the sender's
// 32-bit layout, then N sample bytes.
constexpr U32 SONAR_STREAM_RECORD_BYTES = 276;

// Writes the record and the first u32Samples samples; answers the buffer
// length (276 + samples) or 0 when the room is short.
U32 S_SHARE_u32EncodeStream(const PING_DESCRIPTOR* pPing, U32 u32Samples, U8* pu8Out, U32 u32Room);
// Reads a stream buffer over a descriptor: every transmitted field except
// the buffer addresses, the fish list (emptied) and bIsLocal (FALSE), and
// the record's samples into the descriptor's raw buffer. The sample count
// must fit both the buffer received and PING_MAX_SAMPLES; otherwise FALSE
// with a trace line and the descriptor untouched.
BOOLEAN S_SHARE_bDecodeStream(const U8* pu8In, U32 u32Length, PING_DESCRIPTOR* pPing);

// The stream a group address names (dotted text of at most 15 characters
// within u32Room bytes): its second octet 0 the 2D source, 2 DI, 4 360.
// Answers FALSE for text that is not a dotted address, and INVALID_SOURCE
// in *peSource for any other second octet.
BOOLEAN S_SHARE_bStreamSourceOfGroup(const char* pcGroup, U32 u32Room, NET_SOURCE_TYPE* peSource);

// ------------------------------------------------------------ shared controls
struct FCID_TRANSLATE_TYPE {
  FOURCHARID fcidUIControl;     // the key the menus show
  FOURCHARID fcidSavedSetting;  // the key kept for the own transducer
  U32 u32SonarSources;          // bit n = source n
};
constexpr U32 SONAR_SHARED_CONTROLS = 43;
const FCID_TRANSLATE_TYPE* S_SHARE_pTranslateTable(void);  // SONAR_SHARED_CONTROLS rows
// The first row whose shown or saved key is fcid; -1 when none.
S32 S_SHARE_s32FindControl(FOURCHARID fcid);
// The partner of fcid in its row (the saved key for a shown key and the
// other way round); 0 when fcid is in no row.
FOURCHARID S_SHARE_fcidPartner(FOURCHARID fcid);
// Whether a received value is one the key can hold: keys that select an
// entry of a table (water type, units, palettes, frequencies, ranges) take
// only their table's values. Other keys take any value.
BOOLEAN S_SHARE_bControlValueInRange(FOURCHARID fcid, U32 u32Value);
