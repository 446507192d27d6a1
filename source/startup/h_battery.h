// The battery monitor (task BATTTASK, mailbox 25, key TBAT): turns the
// supply-voltage reading AD05 (ADC count x 64) into IVLT in volts, raises
// "Low Voltage" at the set point SLBV, warns of a too-high input voltage
// and asks the keyboard task to power the unit down when two readings in a
// row lie below 8 V.
#pragma once

#include "common/types.h"

// The task's entry.
void T_BATTERY_vTask(void);
// Supply voltage in hundredths of a volt for an AD05 value (count x 64).
U32 H_BATTERY_u32Hundredths(U32 u32Ad05);
