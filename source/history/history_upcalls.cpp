#include "source/history/history_upcalls.h"

#include <cmath>

#include "common/db_types.h"
#include "common/u_convert.h"
#include "source/core/h_database.h"

namespace {

constexpr double kEarthRadius = 6378137.0;
constexpr double kPi = 3.14159265358979323846;

double dLatitudeRadians(S32 s32LatitudeMM) { return 2.0 * std::atan(std::exp(s32LatitudeMM / kEarthRadius)) - kPi / 2; }

}  // namespace

L_UPCALL_DEFINE(void, T_NAV_vUpdateCursorDistAndBearing, (POINT boat, POINT cursor), (boat, cursor)) {
  const double dx = (double)cursor.x - boat.x, dy = (double)cursor.y - boat.y;
  double bearing = std::atan2(dx, dy) * 180.0 / kPi;
  if (bearing < 0.0) bearing += 360.0;
  const double scale = U_NAV_u16ScalingMMPerKm((S32)(((double)boat.y + cursor.y) / 2)) / 1000.0;
  const double nm = std::sqrt(dx * dx + dy * dy) / scale / 1852.0;
  H_DATABASE_bUpdateEverythingFloat(FCID("ICBH"), (F32)bearing, P_NORMAL, D_HEADING, nullptr, DB_NO_TIMEOUT);
  H_DATABASE_bUpdateEverythingFloat(FCID("ICBD"), (F32)dConvertToInternal(nm, D_DISTANCE, U_NAUT_MILES), P_NORMAL,
                                    D_DISTANCE, nullptr, DB_NO_TIMEOUT);
}

L_UPCALL_DEFINE(S32, U_NAV_nIntSin, (S32 s32Degrees), (s32Degrees)) {
  return (S32)std::lround(std::sin(s32Degrees * kPi / 180.0) * 65536.0);
}

L_UPCALL_DEFINE(S32, U_NAV_nIntCos, (S32 s32Degrees), (s32Degrees)) {
  return (S32)std::lround(std::cos(s32Degrees * kPi / 180.0) * 65536.0);
}

L_UPCALL_DEFINE(U16, U_NAV_u16ScalingMMPerKm, (S32 s32LatitudeMM), (s32LatitudeMM)) {
  const double c = std::cos(dLatitudeRadians(s32LatitudeMM));
  const double v = c > 1000.0 / 65535.0 ? 1000.0 / c : 65535.0;
  return (U16)std::lround(v);
}

L_UPCALL_DEFINE(void, nv_MeterToDegr, (POINT position, double* pdDegrees), (position, pdDegrees)) {
  if (pdDegrees == nullptr) return;
  pdDegrees[0] = dLatitudeRadians(position.y) * 180.0 / kPi;
  pdDegrees[1] = position.x / kEarthRadius * 180.0 / kPi;
}

L_UPCALL_DEFINE(void, WGS84_2_Datum, (double dLat, double dLon, double* pdLat, double* pdLon, U32 u32Datum),
                (dLat, dLon, pdLat, pdLon, u32Datum)) {
  (void)u32Datum;
  if (pdLat != nullptr) *pdLat = dLat;
  if (pdLon != nullptr) *pdLon = dLon;
}
