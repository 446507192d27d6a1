#include "source/sonar/s_share.h"

#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <cmath>

#include "common/db_types.h"
#include "lsvc/lsvc.h"

namespace {

// ------------------------------------------------------------ byte writer and reader
struct WRITER {
  U8* p;
  void u8(U8 v) { *p++ = v; }
  void u16(U16 v) {
    p[0] = (U8)v;
    p[1] = (U8)(v >> 8);
    p += 2;
  }
  void u32(U32 v) {
    for (int i = 0; i < 4; ++i) p[i] = (U8)(v >> (8 * i));
    p += 4;
  }
  void f32(F32 v) {
    U32 w;
    memcpy(&w, &v, 4);
    u32(w);
  }
  void zero(U32 n) {
    memset(p, 0, n);
    p += n;
  }
};

struct READER {
  const U8* p;
  U8 u8() { return *p++; }
  U16 u16() {
    const U16 v = (U16)(p[0] | p[1] << 8);
    p += 2;
    return v;
  }
  U32 u32() {
    const U32 v = (U32)p[0] | (U32)p[1] << 8 | (U32)p[2] << 16 | (U32)p[3] << 24;
    p += 4;
    return v;
  }
  F32 f32() {
    const U32 w = u32();
    F32 v;
    memcpy(&v, &w, 4);
    return v;
  }
  void skip(U32 n) { p += n; }
};

// ------------------------------------------------------------ ping body (class 0x18)
// The fields behind the samples: 51 bytes.
static_assert(SONAR_PING_BODY_FIXED_BYTES - 12 == 51, "ping body tail");

void vWriteTail(WRITER& w, const PING_DESCRIPTOR* d) {
  w.u8(d->bSimulated);
  w.u32(d->u32SamplePeriodMicroSeconds);
  w.u16(d->u16MilliSecondsBetweenPings);
  w.u16(d->u16MilliSecondsBeforeNextPing);
  w.u32(1);  // Location version
  w.u8(d->Location.bPositionValid);
  w.u32((U32)d->Location.s32LongitudeMM);
  w.u32((U32)d->Location.s32LatitudeMM);
  w.f32(d->fDepthMetres);
  w.f32(d->fDepthOffsetFeet);
  w.u8(d->u8NoiseLevel);
  w.u8(d->u8PeakNoiseLevel);
  w.u8(d->u8Transducer);
  w.u32(d->u32TransmitFrequencyHertz);
  w.u32(d->u32TimeStampMilliSeconds);
  w.u8(d->u8BandwidthControl);
  w.u32(d->u32PingIndex);
  w.u8(d->bReversePing);
  w.u32(d->u32PPIPositionInfo);
}

// Reads the 51 tail bytes into d; FALSE for a Location of another version.
BOOLEAN bReadTail(READER& r, PING_DESCRIPTOR* d) {
  d->bSimulated = r.u8();
  d->u32SamplePeriodMicroSeconds = r.u32();
  d->u16MilliSecondsBetweenPings = r.u16();
  d->u16MilliSecondsBeforeNextPing = r.u16();
  if (r.u32() != 1) return FALSE;
  d->Location.bPositionValid = r.u8();
  d->Location.s32LongitudeMM = (S32)r.u32();
  d->Location.s32LatitudeMM = (S32)r.u32();
  d->fDepthMetres = r.f32();
  d->fDepthOffsetFeet = r.f32();
  d->u8NoiseLevel = r.u8();
  d->u8PeakNoiseLevel = r.u8();
  d->u8Transducer = r.u8();
  d->u32TransmitFrequencyHertz = r.u32();
  d->u32TimeStampMilliSeconds = r.u32();
  d->u8BandwidthControl = r.u8();
  d->u32PingIndex = r.u32();
  d->bReversePing = r.u8();
  d->u32PPIPositionInfo = r.u32();
  return TRUE;
}

// The count of samples of a ping body, checked; -1 when the body is refused.
S32 s32PingBodySamples(const U8* in, U32 length) {
  if (in == nullptr || length < SONAR_PING_BODY_FIXED_BYTES) {
    log_me("sonar share: ping body of %u bytes is short", length);
    return -1;
  }
  READER r{in};
  if (r.u32() != 1) {
    log_me("sonar share: ping body of version %u refused", in[0] | in[1] << 8 | in[2] << 16 | (U32)in[3] << 24);
    return -1;
  }
  r.skip(4);
  const U32 n = r.u32();
  if (n > PING_MAX_SAMPLES || n > length - SONAR_PING_BODY_FIXED_BYTES) {
    log_me("sonar share: ping body of %u bytes with %u samples refused", length, n);
    return -1;
  }
  return (S32)n;
}

// Custom operations of DT_PING_DESCRIPTOR: the decoded value is one block,
// the descriptor followed by its samples.
S32 nPingSerialize(const void* value, U8** out, S32* room, S32* count, const G_DATA_TYPE*) {
  const auto* d = (const PING_DESCRIPTOR*)value;
  const U32 need = SONAR_PING_BODY_FIXED_BYTES + std::min(d->u32NumberOfSamples, PING_MAX_SAMPLES);
  if (*out == nullptr) {
    *out = (U8*)H_MEMORY_pvMalloc(need);
    if (*out == nullptr) return DATATYPE_ERR_ALLOC;
    *room = (S32)need;
    *count = 0;
  }
  if (*room < (S32)need) return DATATYPE_ERR_ROOM;
  const U32 n = S_SHARE_u32EncodePingBody(d, *out + *count, (U32)*room);
  *count += (S32)n;
  *room -= (S32)n;
  return (S32)n;
}

S32 nPingDeserialize(void** value, const U8* in, S32* room, S32* count, const G_DATA_TYPE*) {
  if (*room < 0) return DATATYPE_ERR_SHORT_INPUT;
  const U8* p = in == nullptr ? nullptr : in + *count;
  const S32 n = s32PingBodySamples(p, (U32)*room);
  if (n < 0) return DATATYPE_ERR_SHORT_INPUT;
  if (*value != nullptr) return DATATYPE_ERR_FORMAT;  // only whole blocks of its own
  auto* d = (PING_DESCRIPTOR*)H_MEMORY_pvMallocNoWait(sizeof(PING_DESCRIPTOR) + (size_t)n);
  if (d == nullptr) return DATATYPE_ERR_ALLOC;
  memset(d, 0, sizeof *d);
  d->pu8RawSonarData = (U8*)(d + 1);
  if (!S_SHARE_bDecodePingBody(p, (U32)*room, d)) {
    H_MEMORY_vFree(d);
    return DATATYPE_ERR_SHORT_INPUT;
  }
  const S32 used = (S32)SONAR_PING_BODY_FIXED_BYTES + n;
  *count += used;
  *room -= used;
  *value = d;
  return used;
}

S32 nPingLength(const void* value, const G_DATA_TYPE*) {
  const auto* d = (const PING_DESCRIPTOR*)value;
  return (S32)(SONAR_PING_BODY_FIXED_BYTES + std::min(d->u32NumberOfSamples, PING_MAX_SAMPLES));
}

S32 nPingDeallocate(void* value, BOOLEAN allocated, const G_DATA_TYPE*) {
  if (allocated) H_MEMORY_vFree(value);
  return 0;
}

const G_DATA_TYPE* const s_requestMembers[] = {&DT_UNSIGNED32, &DT_UNSIGNED32, &DT_UNSIGNED32, nullptr};
const G_DATA_TYPE* const s_controlMembers[] = {&DT_UNSIGNED32, &DT_UNSIGNED32, &DT_UNSIGNED32, nullptr};
const G_DATA_TYPE* const s_depthMembers[] = {&DT_FLOAT, &DT_FLOAT, nullptr};
const G_DATA_TYPE* const s_transducerMembers[] = {&DT_UNSIGNED32, &DT_UNSIGNED32, nullptr};

// ------------------------------------------------------------ translation table
constexpr U32 S2D = 1, SDI = 2, SSI = 4, S360 = 8, SALL = 15;
const FCID_TRANSLATE_TYPE s_fcidTranslateTable[SONAR_SHARED_CONTROLS] = {
    {FCID("YSSR"), FCID("SSSR"), SDI | SSI},        {FCID("YSLD"), FCID("SSLD"), S2D | SDI},
    {FCID("YSSV"), FCID("SSSV"), S2D},              {FCID("YSNF"), FCID("SSNF"), SALL},
    {FCID("YSNU"), FCID("SSNU"), SALL},             {FCID("YSMD"), FCID("SSMD"), S2D | SDI},
    {FCID("YSWA"), FCID("SSWA"), S2D | SDI | SSI},  {FCID("YTVG"), FCID("STVG"), S2D},
    {FCID("YSDA"), FCID("SSDA"), S2D},              {FCID("YSFA"), FCID("SSFA"), S2D},
    {FCID("YSFI"), FCID("SSFI"), S2D},              {FCID("YSFS"), FCID("SSFS"), S2D},
    {FCID("YUDP"), FCID("SUDP"), S2D | SDI},        {FCID("YDPO"), FCID("SDPO"), S2D | SDI},
    {FCID("YICE"), FCID("SICE"), S2D},              {FCID("YSSF"), FCID("SSSF"), SDI | SSI},
    {FCID("YJIG"), FCID("SJIG"), S2D},              {FCID("YSPS"), FCID("SSPS"), S360},
    {FCID("YMDR"), FCID("RSXD"), S360},             {FCID("YMRR"), FCID("RSXC"), S360},
    {FCID("YRSX"), FCID("RSXS"), S360},             {FCID("YMSC"), FCID("MS01"), S360},
    {FCID("YISO"), FCID("MS03"), S360},             {FCID("YISS"), FCID("MS04"), S360},
    {FCID("YISR"), FCID("MS05"), S360},             {FCID("YQSO"), FCID("MS06"), S360},
    {FCID("YQSS"), FCID("MS07"), S360},             {FCID("YQSR"), FCID("MS08"), S360},
    {FCID("YSPL"), FCID("MS09"), S360},             {FCID("YBT1"), FCID("MS10"), S360},
    {FCID("YBT2"), FCID("MS11"), S360},             {FCID("YASS"), FCID("MS12"), S360},
    {FCID("YHBT"), FCID("MHBT"), S360},             {FCID("YHM1"), FCID("MHM1"), S360},
    {FCID("YMSD"), FCID("SMSD"), S360},             {FCID("YMSM"), FCID("SMSM"), S360},
    {FCID("YMSE"), FCID("MSE1"), S360},             {FCID("YASR"), FCID("SASR"), S360},
    {FCID("YADS"), FCID("SADS"), S360},             {FCID("YBMT"), FCID("MBMT"), S360},
    {FCID("YMSO"), FCID("SMSO"), S360},             {FCID("YMHL"), FCID("SMHL"), S360},
    {FCID("YDIA"), FCID("SDIA"), SDI},
};

bool bIsKey(FOURCHARID f, std::initializer_list<FOURCHARID> keys) {
  for (FOURCHARID k : keys)
    if (k == f) return true;
  return false;
}

}  // namespace

const G_DATA_TYPE DT_SONAR_REQUEST_DATA = G_DATA_TYPE_STANDARD("DT_SONAR_REQUEST_DATA", G_DF_STRUCT, G_DU_NONE, 1,
                                                               sizeof(sonarRequestDataType), 0, s_requestMembers);
const G_DATA_TYPE DT_CONTROL_CHANGE =
    G_DATA_TYPE_STANDARD("DT_CONTROL_CHANGE", G_DF_STRUCT, G_DU_NONE, 1, sizeof(controlChangeType), 0, s_controlMembers);
const G_DATA_TYPE DT_SONAR_PING_DEPTH = G_DATA_TYPE_STANDARD("DT_SONAR_PING_DEPTH", G_DF_STRUCT, G_DU_NONE, 1,
                                                             sizeof(sonarPingDepthType), 0, s_depthMembers);
const G_DATA_TYPE DT_SONAR_TRANSDUCER_CHANGE =
    G_DATA_TYPE_STANDARD("DT_SONAR_TRANSDUCER_CHANGE", G_DF_STRUCT, G_DU_NONE, 1, sizeof(sonarTransducerChangeType), 0,
                         s_transducerMembers);
const G_DATA_TYPE DT_PING_DESCRIPTOR = {"DT_PING_DESCRIPTOR", G_DF_CUSTOM, G_DU_NONE, 1, nullptr, nullptr,
                                        (S32)sizeof(PING_DESCRIPTOR), 0, &nPingSerialize, &nPingDeserialize,
                                        &nPingLength, &nPingDeallocate, &DATATYPE_nStandardAlignment, nullptr,
                                        nullptr, nullptr, nullptr};

U32 S_SHARE_u32EncodePingBody(const PING_DESCRIPTOR* d, U8* out, U32 room) {
  const U32 n = std::min(d->u32NumberOfSamples, PING_MAX_SAMPLES);
  if (out == nullptr || room < SONAR_PING_BODY_FIXED_BYTES + n) return 0;
  WRITER w{out};
  w.u32(1);
  w.u8(d->Beam);
  w.u8(d->u8AdcChannel);
  w.u8(d->u8TransmitCycles);
  w.u8(d->u8TransmitPower);
  w.u32(n);
  if (n > 0) memcpy(w.p, d->pu8RawSonarData, n);
  w.p += n;
  vWriteTail(w, d);
  return SONAR_PING_BODY_FIXED_BYTES + n;
}

BOOLEAN S_SHARE_bDecodePingBody(const U8* in, U32 length, PING_DESCRIPTOR* d) {
  const S32 n = s32PingBodySamples(in, length);
  if (n < 0 || d == nullptr || d->pu8RawSonarData == nullptr) return FALSE;
  PING_DESCRIPTOR t = *d;
  READER r{in + 4};
  t.Beam = r.u8();
  t.u8AdcChannel = r.u8();
  t.u8TransmitCycles = r.u8();
  t.u8TransmitPower = r.u8();
  t.u32NumberOfSamples = r.u32();
  const U8* samples = r.p;
  r.skip((U32)n);
  if (!bReadTail(r, &t)) {
    log_me("sonar share: ping body with a location of another version refused");
    return FALSE;
  }
  memmove(d->pu8RawSonarData, samples, (size_t)n);
  t.pu8RawSonarData = d->pu8RawSonarData;
  t.pu8TvgdData = d->pu8TvgdData;
  t.SimulatedFishList = d->SimulatedFishList;
  t.bIsLocal = d->bIsLocal;
  *d = t;
  return TRUE;
}

// ------------------------------------------------------------ stream record
U32 S_SHARE_u32EncodeStream(const PING_DESCRIPTOR* d, U32 samples, U8* out, U32 room) {
  samples = std::min(samples, PING_MAX_SAMPLES);
  if (out == nullptr || room < SONAR_STREAM_RECORD_BYTES + samples) return 0;
  WRITER w{out};
  w.u8(d->Beam);
  w.u8(d->u8AdcChannel);
  w.u8(d->u8TransmitCycles);
  w.u8(d->u8TransmitPower);
  w.u32(samples);
  w.zero(8);  // the sender's two buffer addresses mean nothing elsewhere
  w.u8(d->bSimulated ? 1 : 0);
  w.zero(3);
  w.u32(d->u32SamplePeriodMicroSeconds);
  w.u16(d->u16MilliSecondsBetweenPings);
  w.u16(d->u16MilliSecondsBeforeNextPing);
  // Simulated fish list: count, flag, padding, six targets of 32 bytes.
  const FISH_TARGET_LIST& f = d->SimulatedFishList;
  const U8 count = (U8)std::min<U32>(f.u8NumberOfTargets, FISH_MAX_TARGETS);
  w.u8(count);
  w.u8(f.bSimulatedFishList ? 1 : 0);
  w.zero(2);
  for (U32 i = 0; i < FISH_MAX_TARGETS; ++i) {
    const bool used = i < count;
    w.u32(used ? f.target[i].u32DepthInSamples : 0);
    w.u8(used ? f.target[i].u8Size : 0);
    w.zero(27);
  }
  w.u8(d->Location.bPositionValid ? 1 : 0);
  w.zero(3);
  w.u32((U32)d->Location.s32LongitudeMM);
  w.u32((U32)d->Location.s32LatitudeMM);
  w.f32(d->fDepthMetres);
  w.f32(d->fDepthOffsetFeet);
  w.u8(d->u8NoiseLevel);
  w.u8(d->u8PeakNoiseLevel);
  w.u8(d->u8Transducer);
  w.zero(1);
  w.u32(d->u32TransmitFrequencyHertz);
  w.u32(d->u32TimeStampMilliSeconds);
  w.u8(d->u8BandwidthControl);
  w.zero(3);
  w.u32(d->u32PingIndex);
  w.u8(d->bReversePing ? 1 : 0);
  w.zero(3);
  w.u32(d->u32PPIPositionInfo);
  w.u8(0);  // bIsLocal: never for the receiver
  w.zero(3);
  if (samples > 0) memcpy(w.p, d->pu8RawSonarData, samples);
  return SONAR_STREAM_RECORD_BYTES + samples;
}

BOOLEAN S_SHARE_bDecodeStream(const U8* in, U32 length, PING_DESCRIPTOR* d) {
  if (in == nullptr || d == nullptr || d->pu8RawSonarData == nullptr) return FALSE;
  if (length < SONAR_STREAM_RECORD_BYTES) {
    log_me("sonar share: stream buffer of %u bytes is short", length);
    return FALSE;
  }
  READER r{in};
  PING_DESCRIPTOR t = *d;
  t.Beam = r.u8();
  t.u8AdcChannel = r.u8();
  t.u8TransmitCycles = r.u8();
  t.u8TransmitPower = r.u8();
  const U32 n = r.u32();
  if (n > PING_MAX_SAMPLES || n > length - SONAR_STREAM_RECORD_BYTES) {
    log_me("sonar share: stream buffer of %u bytes with %u samples refused", length, n);
    return FALSE;
  }
  t.u32NumberOfSamples = n;
  r.skip(8);
  t.bSimulated = r.u8();
  r.skip(3);
  t.u32SamplePeriodMicroSeconds = r.u32();
  t.u16MilliSecondsBetweenPings = r.u16();
  t.u16MilliSecondsBeforeNextPing = r.u16();
  r.skip(196);  // the sender's fish list is not taken over
  memset(&t.SimulatedFishList, 0, sizeof t.SimulatedFishList);
  t.Location.bPositionValid = r.u8();
  r.skip(3);
  t.Location.s32LongitudeMM = (S32)r.u32();
  t.Location.s32LatitudeMM = (S32)r.u32();
  t.fDepthMetres = r.f32();
  t.fDepthOffsetFeet = r.f32();
  t.u8NoiseLevel = r.u8();
  t.u8PeakNoiseLevel = r.u8();
  t.u8Transducer = r.u8();
  r.skip(1);
  t.u32TransmitFrequencyHertz = r.u32();
  t.u32TimeStampMilliSeconds = r.u32();
  t.u8BandwidthControl = r.u8();
  r.skip(3);
  t.u32PingIndex = r.u32();
  t.bReversePing = r.u8();
  r.skip(3);
  t.u32PPIPositionInfo = r.u32();
  t.bIsLocal = FALSE;
  memcpy(d->pu8RawSonarData, in + SONAR_STREAM_RECORD_BYTES, n);
  *d = t;
  return TRUE;
}

BOOLEAN S_SHARE_bStreamSourceOfGroup(const char* text, U32 room, NET_SOURCE_TYPE* source) {
  if (text == nullptr || source == nullptr) return FALSE;
  char buf[16];
  const U32 len = (U32)strnlen(text, std::min<U32>(room, sizeof buf));
  if (len == 0 || len >= sizeof buf) return FALSE;
  memcpy(buf, text, len);
  buf[len] = '\0';
  unsigned o[4];
  int used = 0;
  if (sscanf(buf, "%3u.%3u.%3u.%3u%n", &o[0], &o[1], &o[2], &o[3], &used) != 4 || (U32)used != len) return FALSE;
  for (unsigned v : o)
    if (v > 255) return FALSE;
  *source = o[1] == 0 ? SONAR_SOURCE_2D : o[1] == 2 ? SONAR_SOURCE_DI : o[1] == 4 ? SONAR_SOURCE_360 : INVALID_SOURCE;
  return TRUE;
}

// ------------------------------------------------------------ shared controls
const FCID_TRANSLATE_TYPE* S_SHARE_pTranslateTable(void) { return s_fcidTranslateTable; }

S32 S_SHARE_s32FindControl(FOURCHARID fcid) {
  if (fcid == 0) return -1;
  for (U32 i = 0; i < SONAR_SHARED_CONTROLS; ++i) {
    if (s_fcidTranslateTable[i].fcidUIControl == fcid || s_fcidTranslateTable[i].fcidSavedSetting == fcid)
      return (S32)i;
  }
  return -1;
}

FOURCHARID S_SHARE_fcidPartner(FOURCHARID fcid) {
  const S32 row = S_SHARE_s32FindControl(fcid);
  if (row < 0) return 0;
  const FCID_TRANSLATE_TYPE& r = s_fcidTranslateTable[row];
  return r.fcidUIControl == fcid ? r.fcidSavedSetting : r.fcidUIControl;
}

BOOLEAN S_SHARE_bControlValueInRange(FOURCHARID f, U32 v) {
  if (bIsKey(f, {FCID("YSWA"), FCID("SSWA")})) return v <= 2;  // the three water types
  if (bIsKey(f, {FCID("YUDP"), FCID("SUDP")})) return v == U_METRES || v == U_FEET || v == U_FATHOMS;
  if (bIsKey(f, {FCID("YSSF"), FCID("SSSF")})) return v == FCID("SSF3") || v == FCID("SSF4") || v == FCID("SSF5");
  if (bIsKey(f, {FCID("YSSR"), FCID("SSSR"), FCID("YSLD"), FCID("SSLD"), FCID("YSMD"), FCID("SSMD"), FCID("YSDA"),
                 FCID("SSDA"), FCID("YASR"), FCID("SASR")})) {
    F32 x;
    memcpy(&x, &v, 4);
    return std::isfinite(x) && x >= 0.0f && x <= 10000.0f;  // depths and ranges in metres
  }
  if (bIsKey(f, {FCID("YDPO"), FCID("SDPO")})) {
    F32 x;
    memcpy(&x, &v, 4);
    return std::isfinite(x) && std::fabs(x) <= 100.0f;
  }
  return TRUE;
}
