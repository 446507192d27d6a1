// Hardware services without effect on this board, and the few with logic.
#include "source/core/h_hwstubs.h"

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <atomic>
#include <mutex>

#include "lsvc/lsvc.h"
#include "source/platform/platform.h"

TXPOWER H_XMITPOWER_eSelectTransmitPower(F32 fDepthInMetres) {
  if (fDepthInMetres < 15.0f) return TXPOWER_LOW;
  if (fDepthInMetres <= 55.0f) return TXPOWER_MED;
  return TXPOWER_HI;
}

// ------------------------------------------------------------ cache, interrupts, memory
void H_CACHE_vEnable(void) { DD_CACHE_vEnable(); }
void H_CACHE_vFlush(void) { DD_CACHE_vFlush(); }
void H_CACHE_vSetNonCacheableArea(U32 u32Area, U32 u32Address, U32 u32Size) {
  const U32 last = u32Address + (u32Size ? u32Size - 1 : 0);
  if (u32Area == 1) DD_CACHE_vSetNonCacheableArea0(u32Address, last);
  if (u32Area == 2) DD_CACHE_vSetNonCacheableArea1(u32Address, last);
}
void H_CACHE_vReinstateCacheableArea(U32 u32Area) {
  if (u32Area == 1) DD_CACHE_vResetNonCacheableArea0();
  if (u32Area == 2) DD_CACHE_vResetNonCacheableArea1();
}
void DD_CACHE_vEnable(void) {}
void DD_CACHE_vDisable(void) {}
void DD_CACHE_vFlush(void) {}
void DD_CACHE_vSetNonCacheableArea0(U32, U32) {}
void DD_CACHE_vSetNonCacheableArea1(U32, U32) {}
void DD_CACHE_vResetNonCacheableArea0(void) {}
void DD_CACHE_vResetNonCacheableArea1(void) {}

void DD_ISR_vInit(void) {}
void DD_ISR_vClearAllpendingInterrupts(void) {}
void DD_ISR_vClearPendingEINTs(void) {}
void DD_ISR_vEnableInterrupt(U32) {}
void DD_ISR_vEnableSubInterrupt(U32) {}
void DD_ISR_vEnableExtInterrupt(U32) {}
void DD_ISR_vDisableInterrupt(U32) {}
void DD_ISR_vDisableSubInterrupt(U32) {}
void DD_ISR_vDisableExtInterrupt(U32) {}
void DD_ISR_vMakeFIQ(U32) {}
void DD_ISR_vMakeIRQ(U32) {}
void DD_ISR_vSetInterruptVector(U32, void (*)(void)) {}
void DD_ISR_vSetSubInterruptVector(U32, void (*)(void)) {}
void DD_ISR_vSetExtInterruptVector(U32, void (*)(void)) {}
void DD_ISR_vFIQMasterEnable(void) {}
void DD_ISR_vFIQMasterDisable(void) {}

void H_MMU_vInit(void) {}
void H_MMU_vSetMTT(U32, U32, U32) {}
void H_MMU_vDisableAll(void) {}
U32* H_MMU_pu32AllocateNonCachedArea(size_t size) { return (U32*)malloc(size); }

int FS__MMC_Init(U32) { return -1; }
int FS__MMC_CheckStatus(U32) { return -1; }
void DD_POWER_vSetupPins(void) {}

// ------------------------------------------------------------ accessory power, converter
void DD_ACCPOWER_vPowerOn(void) {}
void DD_ACCPOWER_vPowerOff(void) {}
void H_ACCPOWER_vPowerOn(void) { DD_ACCPOWER_vPowerOn(); }
void H_ACCPOWER_vPowerOff(void) { DD_ACCPOWER_vPowerOff(); }
void DD_ADC_vStartConversion(U32) {}
U16 DD_ADC_u16Read(void) { return 0; }
void DD_ADC_vPrepareForDMA(void) {}
void DD_ADC_vWaitForConversionReady(void) {}

// The converter's interrupt number on the older board.
constexpr U32 ADC_INTERRUPT = 31;

U16 H_ADC_u16Read(U32 u32Channel) {
  DD_ISR_vEnableInterrupt(ADC_INTERRUPT);
  DD_ADC_vStartConversion(u32Channel);
  (void)L_SEMA_WaitTicks(SEMA_ADC_COMPLETE, H_ADC_WAIT_MS);
  const U16 value = DD_ADC_u16Read();
  DD_ISR_vDisableInterrupt(ADC_INTERRUPT);
  return value;
}

// ------------------------------------------------------------ receiver
void DD_BPF_vSetupPin(void) {}
void DD_BPF_vSetHigh(void) {}
void DD_BPF_vSetLow(void) {}

void H_BPF_vSetReceiverCenterFrequency(U32 u32Beam, U32 u32Frequency) {
  (void)u32Frequency;
  switch (u32Beam) {
    case 1:
    case 255:
      DD_BPF_vSetHigh();
      break;
    case 2:
    case 3:
      DD_BPF_vSetLow();
      break;
    default:
      FATAL_ERROR("Invalid beam");
  }
}

void DD_RECSELECT_vSetupPins(void) {}
void DD_RECSELECT_vDualBeam(void) {}
void DD_RECSELECT_vLeftBeam(void) {}
void DD_RECSELECT_vRightBeam(void) {}
void DD_RECSELECT_v800KHzBeam(void) {}

void H_RECSELECT_vConnectElementToReceiver(U32 u32Beam, U32 u32Frequency) {
  switch (u32Beam) {
    case 1:
    case 2:
    case 255:
      DD_RECSELECT_vDualBeam();
      break;
    case 3:
      if (u32Frequency == 800000) {
        DD_RECSELECT_v800KHzBeam();
      } else {
        DD_RECSELECT_vRightBeam();
      }
      break;
    default:
      FATAL_ERROR("Invalid beam");
  }
}

void DD_LPM_vClearLPM(void) {}
void DD_LPM_vSetLPM(void) {}
void DD_LPM_vHighImpedanceLPM(void) {}
void DD_MUTE_vSetupPin(void) {}

namespace {
constexpr U32 BANDWIDTHS = 4;
std::atomic<U32> s_u32Bandwidth{0};
}  // namespace

void DD_MUTE_vRequestBandwidth(U32 u32Bandwidth) { s_u32Bandwidth.store(u32Bandwidth); }
void DD_MUTE_vSetBandwidth(U32 u32Bandwidth) {
  if (u32Bandwidth >= BANDWIDTHS) FATAL_ERROR("Invalid bandwidth");
}
void DD_PING_vRestoreBandwidth(void) { DD_MUTE_vSetBandwidth(s_u32Bandwidth.load()); }
U32 DD_MUTE_u32RequestedBandwidth(void) { return s_u32Bandwidth.load(); }

// ------------------------------------------------------------ motor, PWM, power drive, DMA
void DD_PPI_MOTOR_vInitialize(void) {}
void DD_PPI_MOTOR_vStep(S32) {}
void DD_PPI_MOTOR_vGoToHome(void) {}
void DD_PPI_MOTOR_vStartRSXISwitchControl(void) {}
void DD_PPI_MOTOR_vSetEN(BOOLEAN) {}
void DD_PPI_MOTOR_vSetupSteps(U32) {}
void DD_PWM_vInitPrescalers(void) {}
void DD_PWM_vInitTimer0_1(void) {}
void DD_PWM_vInitTimer2_3_4(void) {}
void DD_PWM_vInitDeadZone(void) {}
void DD_PWM_vSetupPWM0(U32, U32) {}
void DD_PWM_vSetupPWM1(U32, U32) {}
void DD_PWM_vSetupPWM2(U32, U32) {}
void DD_PWM_vSetupPWM3(U32, U32) {}
void DD_PWM_vStopPWM0(void) {}
void DD_PWM_vStopPWM1(void) {}
void DD_PWM_vStopPWM2(void) {}
void DD_PWM_vStopPWM3(void) {}
void DD_PWM_vMaxPWM0(void) {}
void DD_PWM_vMaxPWM1(void) {}
void DD_PWM_vMaxPWM2(void) {}
void DD_PWM_vMaxPWM3(void) {}
void DD_PWM_vMinPWM0(void) {}
void DD_PWM_vMinPWM1(void) {}
void DD_PWM_vMinPWM2(void) {}
void DD_PWM_vMinPWM3(void) {}
BOOLEAN DD_PWM_bSpecifyPWM0(U32, U32) { return FALSE; }
BOOLEAN DD_PWM_bSpecifyPWM1(U32, U32) { return FALSE; }
BOOLEAN DD_PWM_bSpecifyPWM2(U32, U32) { return FALSE; }
BOOLEAN DD_PWM_bSpecifyPWM3(U32, U32) { return FALSE; }
void DD_PWM_vCalculateCounts(U32, U32, U32* pu32Period, U32* pu32Compare) {
  if (pu32Period) *pu32Period = 0;
  if (pu32Compare) *pu32Compare = 0;
}
void H_PWRDRIVE_vSetup(U32) {}
void H_PWRDRIVE_vInit(void) { DD_PWM_vInitPrescalers(); }
void H_BDMA1_vSetupSourceAndDestination(const void*, void*, U32) {}

// ------------------------------------------------------------ buzzer
namespace {
std::mutex s_toneMutex;
int s_toneFd = -1;
}  // namespace

void H_TONE_vInit(void) {}

void H_TONE_vStartTone(U32 u32Frequency) {
  if (opt_notone) return;
  std::lock_guard<std::mutex> lock(s_toneMutex);
  if (s_toneFd < 0) {
    s_toneFd = open(PLATFORM_sResolvePath("/dev/buzzer0").c_str(), O_WRONLY | O_CLOEXEC);
    if (s_toneFd < 0) s_toneFd = open(PLATFORM_sResolvePath("/dev/buzzer").c_str(), O_WRONLY | O_CLOEXEC);
  }
  if (s_toneFd < 0) return;
  const S32 frequency = (S32)u32Frequency;
  ssize_t n = write(s_toneFd, &frequency, sizeof frequency);
  (void)n;
}

void H_TONE_vStopTone(void) {
  std::lock_guard<std::mutex> lock(s_toneMutex);
  if (s_toneFd >= 0) close(s_toneFd);
  s_toneFd = -1;
}
