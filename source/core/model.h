// The unit model the software runs as (key SMDL) and what that model has.
#pragma once

#include "common/types.h"

// Model numbers; only the two this software is built for are listed.
typedef enum : U32 {
  MODEL_DOMESTIC = 344,
  MODEL_DEFAULT = 345,
} MODEL_TYPE;

// TRUE for the models this software is built for; stores nothing.
BOOLEAN MODEL_bRegisterModel(U32 u32Model);

// The model's display name; five blanks for 0 and for an unknown model.
const char* MODEL_pcFetchModelText(U32 u32Model);

// Features of the current model (SMDL, MODEL_DEFAULT when absent); FALSE for
// a model not in the table, except MODEL_bDomesticModel, which is TRUE then.
BOOLEAN MODEL_bSupportsCartography(void);
BOOLEAN MODEL_bIsColor(void);
BOOLEAN MODEL_bIsNadscan(void);
BOOLEAN MODEL_bDisplay240x320(void);
BOOLEAN MODEL_bDisplay240x240(void);
BOOLEAN MODEL_bDisplay160x240(void);
BOOLEAN MODEL_bFishFinderSeries(void);
// International variants; the key SIMT (1 when absent) chooses between the
// first and second variant of a model that has both.
BOOLEAN MODEL_bInternationalModel1(void);
BOOLEAN MODEL_bInternationalModel2(void);
BOOLEAN MODEL_bInternationalModel3(void);
BOOLEAN MODEL_bInternationalModel4(void);
BOOLEAN MODEL_bDomesticModel(void);
