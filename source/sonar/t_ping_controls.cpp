// The sonar controls a unit keeps per source: each shown control beside the
// key kept for the unit's own transducer, and the sources it belongs to.
#include "source/core/h_database.h"
#include "source/sonar/t_ping_int.h"

namespace {

const SONAR_CONTROL_ROW s_aControls[] = {
    {FCID("YSSR"), FCID("SSSR"), 0x6},
    {FCID("YSLD"), FCID("SSLD"), 0x3},
    {FCID("YSSV"), FCID("SSSV"), 0x1},
    {FCID("YSNF"), FCID("SSNF"), 0xF},
    {FCID("YSNU"), FCID("SSNU"), 0xF},
    {FCID("YSMD"), FCID("SSMD"), 0x3},
    {FCID("YSWA"), FCID("SSWA"), 0x7},
    {FCID("YTVG"), FCID("STVG"), 0x1},
    {FCID("YSDA"), FCID("SSDA"), 0x1},
    {FCID("YSFA"), FCID("SSFA"), 0x1},
    {FCID("YSFI"), FCID("SSFI"), 0x1},
    {FCID("YSFS"), FCID("SSFS"), 0x1},
    {FCID("YUDP"), FCID("SUDP"), 0x3},
    {FCID("YDPO"), FCID("SDPO"), 0x3},
    {FCID("YICE"), FCID("SICE"), 0x1},
    {FCID("YSSF"), FCID("SSSF"), 0x6},
    {FCID("YJIG"), FCID("SJIG"), 0x1},
    {FCID("YSPS"), FCID("SSPS"), 0x8},
    {FCID("YMDR"), FCID("RSXD"), 0x8},
    {FCID("YMRR"), FCID("RSXC"), 0x8},
    {FCID("YRSX"), FCID("RSXS"), 0x8},
    {FCID("YMSC"), FCID("MS01"), 0x8},
    {FCID("YISO"), FCID("MS03"), 0x8},
    {FCID("YISS"), FCID("MS04"), 0x8},
    {FCID("YISR"), FCID("MS05"), 0x8},
    {FCID("YQSO"), FCID("MS06"), 0x8},
    {FCID("YQSS"), FCID("MS07"), 0x8},
    {FCID("YQSR"), FCID("MS08"), 0x8},
    {FCID("YSPL"), FCID("MS09"), 0x8},
    {FCID("YBT1"), FCID("MS10"), 0x8},
    {FCID("YBT2"), FCID("MS11"), 0x8},
    {FCID("YASS"), FCID("MS12"), 0x8},
    {FCID("YHBT"), FCID("MHBT"), 0x8},
    {FCID("YHM1"), FCID("MHM1"), 0x8},
    {FCID("YMSD"), FCID("SMSD"), 0x8},
    {FCID("YMSM"), FCID("SMSM"), 0x8},
    {FCID("YMSE"), FCID("MSE1"), 0x8},
    {FCID("YASR"), FCID("SASR"), 0x8},
    {FCID("YADS"), FCID("SADS"), 0x8},
    {FCID("YBMT"), FCID("MBMT"), 0x8},
    {FCID("YMSO"), FCID("SMSO"), 0x8},
    {FCID("YMHL"), FCID("SMHL"), 0x8},
    {FCID("YDIA"), FCID("SDIA"), 0x2},
};

}  // namespace

const SONAR_CONTROL_ROW* T_N_PING_pSharedControls(U32* pu32Rows) {
  if (pu32Rows != nullptr) *pu32Rows = sizeof s_aControls / sizeof s_aControls[0];
  return s_aControls;
}
