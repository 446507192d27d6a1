// Upward calls of the sonar history: the calls it makes into later
// subsystems (navigation). Each has a default with the least behaviour its
// callers need (lsvc/l_upcall.h).
#pragma once

#include "common/g_types.h"
#include "common/types.h"
#include "lsvc/l_upcall.h"

// ------------------------------------------------------------ navigation
// Publishes the bearing (ICBH, degrees true) and distance (ICBD) from the
// boat to the cursor, both given in Mercator metres. Default: a plane
// bearing and a distance scaled at the mean latitude.
L_UPCALL_DECLARE(void, T_NAV_vUpdateCursorDistAndBearing, (POINT boat, POINT cursor))
// Sine and cosine of an angle in whole degrees, × 65536. Default: from the
// maths library, rounded.
L_UPCALL_DECLARE(S32, U_NAV_nIntSin, (S32 s32Degrees))
L_UPCALL_DECLARE(S32, U_NAV_nIntCos, (S32 s32Degrees))
// Mercator metres per true kilometre at a Mercator-metre latitude. Default:
// the spherical projection's scale.
L_UPCALL_DECLARE(U16, U_NAV_u16ScalingMMPerKm, (S32 s32LatitudeMM))
// A Mercator-metre position (x longitude, y latitude) in degrees:
// pdDegrees[0] latitude, [1] longitude. Default: the spherical projection.
L_UPCALL_DECLARE(void, nv_MeterToDegr, (POINT position, double* pdDegrees))
// A WGS 84 position converted to the chart datum u32Datum. Default: the
// position unchanged.
L_UPCALL_DECLARE(void, WGS84_2_Datum, (double dLat, double dLon, double* pdLat, double* pdLon, U32 u32Datum))
