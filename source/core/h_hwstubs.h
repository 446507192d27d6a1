// Hardware services of the older board design that have no effect on this
// board: cache, interrupt and memory control, the embedded card driver,
// power pins, accessory power, the converter, receiver filters and element
// selection, the low-power and mute lines, a scanning motor, PWM outputs,
// the transmitter power drive, DMA and the buzzer. Their callers still call
// them. The service functions built on them keep their logic (beam and
// bandwidth checks). Also the choice of sonar transmit power by depth.
#pragma once

#include <stddef.h>

#include "common/types.h"

enum TXPOWER : S32 {
  TXPOWER_AUTO = 0,
  TXPOWER_LOW = 1,
  TXPOWER_MED = 2,
  TXPOWER_HI = 3,
};
// Below 15 m low, from 15 m up to 55 m medium, above 55 m high.
TXPOWER H_XMITPOWER_eSelectTransmitPower(F32 fDepthInMetres);

// ------------------------------------------------------------ cache, interrupts, memory
void H_CACHE_vEnable(void);
void H_CACHE_vFlush(void);
// Area 1 or 2: passes the area's first and last address to the driver.
void H_CACHE_vSetNonCacheableArea(U32 u32Area, U32 u32Address, U32 u32Size);
void H_CACHE_vReinstateCacheableArea(U32 u32Area);
void DD_CACHE_vEnable(void);
void DD_CACHE_vDisable(void);
void DD_CACHE_vFlush(void);
void DD_CACHE_vSetNonCacheableArea0(U32 u32First, U32 u32Last);
void DD_CACHE_vSetNonCacheableArea1(U32 u32First, U32 u32Last);
void DD_CACHE_vResetNonCacheableArea0(void);
void DD_CACHE_vResetNonCacheableArea1(void);

void DD_ISR_vInit(void);
void DD_ISR_vClearAllpendingInterrupts(void);
void DD_ISR_vClearPendingEINTs(void);
void DD_ISR_vEnableInterrupt(U32 u32Interrupt);
void DD_ISR_vEnableSubInterrupt(U32 u32Interrupt);
void DD_ISR_vEnableExtInterrupt(U32 u32Interrupt);
void DD_ISR_vDisableInterrupt(U32 u32Interrupt);
void DD_ISR_vDisableSubInterrupt(U32 u32Interrupt);
void DD_ISR_vDisableExtInterrupt(U32 u32Interrupt);
void DD_ISR_vMakeFIQ(U32 u32Interrupt);
void DD_ISR_vMakeIRQ(U32 u32Interrupt);
void DD_ISR_vSetInterruptVector(U32 u32Interrupt, void (*handler)(void));
void DD_ISR_vSetSubInterruptVector(U32 u32Interrupt, void (*handler)(void));
void DD_ISR_vSetExtInterruptVector(U32 u32Interrupt, void (*handler)(void));
void DD_ISR_vFIQMasterEnable(void);
void DD_ISR_vFIQMasterDisable(void);

void H_MMU_vInit(void);
void H_MMU_vSetMTT(U32 u32Start, U32 u32End, U32 u32Attributes);
void H_MMU_vDisableAll(void);
// An ordinary block of that size from the process heap.
U32* H_MMU_pu32AllocateNonCachedArea(size_t size);

// The embedded card driver: -1.
int FS__MMC_Init(U32 u32Unit);
int FS__MMC_CheckStatus(U32 u32Unit);
void DD_POWER_vSetupPins(void);

// ------------------------------------------------------------ accessory power, converter
void DD_ACCPOWER_vPowerOn(void);
void DD_ACCPOWER_vPowerOff(void);
void H_ACCPOWER_vPowerOn(void);
void H_ACCPOWER_vPowerOff(void);
void DD_ADC_vStartConversion(U32 u32Channel);
U16 DD_ADC_u16Read(void);
void DD_ADC_vPrepareForDMA(void);
void DD_ADC_vWaitForConversionReady(void);
// One conversion: interrupt on, start, wait for SEMA_ADC_COMPLETE, read,
// interrupt off. No converter answers on this board: the wait is bounded.
U16 H_ADC_u16Read(U32 u32Channel);
constexpr U32 H_ADC_WAIT_MS = 100;

// ------------------------------------------------------------ receiver
void DD_BPF_vSetupPin(void);
void DD_BPF_vSetHigh(void);
void DD_BPF_vSetLow(void);
// Beams 1 and 255 the high filter, 2 and 3 the low one; another is fatal.
void H_BPF_vSetReceiverCenterFrequency(U32 u32Beam, U32 u32Frequency);
void DD_RECSELECT_vSetupPins(void);
void DD_RECSELECT_vDualBeam(void);
void DD_RECSELECT_vLeftBeam(void);
void DD_RECSELECT_vRightBeam(void);
void DD_RECSELECT_v800KHzBeam(void);
// Beams 1, 2 and 255 dual beam; beam 3 the 800 kHz element at 800000 Hz,
// else the right beam; another beam is fatal.
void H_RECSELECT_vConnectElementToReceiver(U32 u32Beam, U32 u32Frequency);
void DD_LPM_vClearLPM(void);
void DD_LPM_vSetLPM(void);
void DD_LPM_vHighImpedanceLPM(void);
void DD_MUTE_vSetupPin(void);
// Receiver bandwidth 0-3: the request is stored; setting or restoring a
// value of 4 or more is fatal.
void DD_MUTE_vRequestBandwidth(U32 u32Bandwidth);
void DD_MUTE_vSetBandwidth(U32 u32Bandwidth);
void DD_PING_vRestoreBandwidth(void);
U32 DD_MUTE_u32RequestedBandwidth(void);

// ------------------------------------------------------------ motor, PWM, power drive, DMA
void DD_PPI_MOTOR_vInitialize(void);
void DD_PPI_MOTOR_vStep(S32 s32Steps);
void DD_PPI_MOTOR_vGoToHome(void);
void DD_PPI_MOTOR_vStartRSXISwitchControl(void);
void DD_PPI_MOTOR_vSetEN(BOOLEAN bEnable);
void DD_PPI_MOTOR_vSetupSteps(U32 u32Steps);
void DD_PWM_vInitPrescalers(void);
void DD_PWM_vInitTimer0_1(void);
void DD_PWM_vInitTimer2_3_4(void);
void DD_PWM_vInitDeadZone(void);
void DD_PWM_vSetupPWM0(U32 u32Period, U32 u32Duty);
void DD_PWM_vSetupPWM1(U32 u32Period, U32 u32Duty);
void DD_PWM_vSetupPWM2(U32 u32Period, U32 u32Duty);
void DD_PWM_vSetupPWM3(U32 u32Period, U32 u32Duty);
void DD_PWM_vStopPWM0(void);
void DD_PWM_vStopPWM1(void);
void DD_PWM_vStopPWM2(void);
void DD_PWM_vStopPWM3(void);
void DD_PWM_vMaxPWM0(void);
void DD_PWM_vMaxPWM1(void);
void DD_PWM_vMaxPWM2(void);
void DD_PWM_vMaxPWM3(void);
void DD_PWM_vMinPWM0(void);
void DD_PWM_vMinPWM1(void);
void DD_PWM_vMinPWM2(void);
void DD_PWM_vMinPWM3(void);
BOOLEAN DD_PWM_bSpecifyPWM0(U32 u32Frequency, U32 u32Duty);
BOOLEAN DD_PWM_bSpecifyPWM1(U32 u32Frequency, U32 u32Duty);
BOOLEAN DD_PWM_bSpecifyPWM2(U32 u32Frequency, U32 u32Duty);
BOOLEAN DD_PWM_bSpecifyPWM3(U32 u32Frequency, U32 u32Duty);
void DD_PWM_vCalculateCounts(U32 u32Frequency, U32 u32Duty, U32* pu32Period, U32* pu32Compare);
void H_PWRDRIVE_vSetup(U32 u32DutyCycle);
void H_PWRDRIVE_vInit(void);
void H_BDMA1_vSetupSourceAndDestination(const void* pvSource, void* pvDestination, U32 u32Count);

// ------------------------------------------------------------ buzzer
// Unless the option notone is given, the first start opens "/dev/buzzer0"
// (else "/dev/buzzer") write-only and each start writes the frequency as a
// 32-bit number; stop closes it.
void H_TONE_vInit(void);
void H_TONE_vStartTone(U32 u32Frequency);
void H_TONE_vStopTone(void);
