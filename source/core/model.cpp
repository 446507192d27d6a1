#include "source/core/model.h"

#include "source/core/h_database.h"

namespace {

// Feature bits of a model's feature word (bit 0 the least significant).
constexpr U32 BIT(int n) { return 1u << n; }
constexpr U32 F_INTERNATIONAL_1_2 = BIT(0);  // first and second international variant
constexpr U32 F_INTERNATIONAL_2 = BIT(1);
constexpr U32 F_INTERNATIONAL_3 = BIT(2);
constexpr U32 F_INTERNATIONAL_4 = BIT(3);
constexpr U32 F_DISPLAY_160X240 = BIT(8);
constexpr U32 F_DISPLAY_240X240 = BIT(9);
constexpr U32 F_DISPLAY_240X320 = BIT(10);
constexpr U32 F_COLOR = BIT(19);
constexpr U32 F_CARTOGRAPHY = BIT(22);
constexpr U32 F_FISH_FINDER_SERIES = BIT(24);
constexpr U32 F_DOWN_IMAGING = BIT(25);
constexpr U32 F_INTERNATIONAL_ANY = F_INTERNATIONAL_1_2 | F_INTERNATIONAL_2 | F_INTERNATIONAL_3 | F_INTERNATIONAL_4;

// Bits set for every model of this family and tested by nothing.
constexpr U32 F_FAMILY = BIT(4) | BIT(6) | BIT(20) | BIT(21) | BIT(29);

struct MODEL_FEATURES {
  U32 u32Model;
  U32 u32Features;
  const char* pcName;
};

constexpr MODEL_FEATURES s_modelFeatures[] = {
    {MODEL_DOMESTIC, F_FAMILY | F_COLOR | F_CARTOGRAPHY | F_DOWN_IMAGING, "4470"},
    {MODEL_DEFAULT, F_FAMILY | F_INTERNATIONAL_1_2 | F_COLOR | F_CARTOGRAPHY | F_DOWN_IMAGING, "4470"},
};

constexpr const char* kUnknownModelText = "     ";

const MODEL_FEATURES* Find(U32 u32Model) {
  for (const MODEL_FEATURES& row : s_modelFeatures) {
    if (row.u32Model == u32Model) {
      return &row;
    }
  }
  return nullptr;
}

const MODEL_FEATURES* CurrentModel() {
  U32 model = MODEL_DEFAULT;
  if (!H_DATABASE_bFetchU32(FCID("SMDL"), &model, nullptr, nullptr)) {
    model = MODEL_DEFAULT;
  }
  return Find(model);
}

BOOLEAN Has(U32 bits) {
  const MODEL_FEATURES* row = CurrentModel();
  return (row != nullptr && (row->u32Features & bits) != 0) ? TRUE : FALSE;
}

U32 InternationalVariant() {
  U32 variant = 1;
  if (!H_DATABASE_bFetchU32(FCID("SIMT"), &variant, nullptr, nullptr)) {
    variant = 1;
  }
  return variant;
}

}  // namespace

BOOLEAN MODEL_bRegisterModel(U32 u32Model) {
  return (u32Model == MODEL_DOMESTIC || u32Model == MODEL_DEFAULT) ? TRUE : FALSE;
}

const char* MODEL_pcFetchModelText(U32 u32Model) {
  const MODEL_FEATURES* row = Find(u32Model);
  return row != nullptr ? row->pcName : kUnknownModelText;
}

BOOLEAN MODEL_bSupportsCartography(void) { return Has(F_CARTOGRAPHY); }
BOOLEAN MODEL_bIsColor(void) { return Has(F_COLOR); }
BOOLEAN MODEL_bIsNadscan(void) { return Has(F_DOWN_IMAGING); }
BOOLEAN MODEL_bDisplay240x320(void) { return Has(F_DISPLAY_240X320); }
BOOLEAN MODEL_bDisplay240x240(void) { return Has(F_DISPLAY_240X240); }
BOOLEAN MODEL_bDisplay160x240(void) { return Has(F_DISPLAY_160X240); }
BOOLEAN MODEL_bFishFinderSeries(void) { return Has(F_FISH_FINDER_SERIES); }

BOOLEAN MODEL_bInternationalModel1(void) {
  return (Has(F_INTERNATIONAL_1_2) && InternationalVariant() == 1) ? TRUE : FALSE;
}

BOOLEAN MODEL_bInternationalModel2(void) {
  return (Has(F_INTERNATIONAL_2) || (Has(F_INTERNATIONAL_1_2) && InternationalVariant() == 2)) ? TRUE : FALSE;
}

BOOLEAN MODEL_bInternationalModel3(void) { return Has(F_INTERNATIONAL_3); }
BOOLEAN MODEL_bInternationalModel4(void) { return Has(F_INTERNATIONAL_4); }

BOOLEAN MODEL_bDomesticModel(void) {
  const MODEL_FEATURES* row = CurrentModel();
  return (row == nullptr || (row->u32Features & F_INTERNATIONAL_ANY) == 0) ? TRUE : FALSE;
}
