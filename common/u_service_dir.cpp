// The service directory.
#include "common/u_service_dir.h"

#include <stdarg.h>
#include <string.h>

#include "lsvc/lsvc.h"

namespace {

constexpr U32 DIRECTORY_GROWTH = 32;
// Far above any network's services; keeps the array inside one memory block.
constexpr U32 DIRECTORY_MAX_ITEMS = 8192;

struct RealServiceDirectoryType {
  U32 u32Allocated;
  U32 u32Used;
  char** pValueArray;
};

ServiceDirectoryType* pGlobalServiceDirectory = nullptr;

RealServiceDirectoryType* s_pReal(ServiceDirectoryType* p) { return static_cast<RealServiceDirectoryType*>(p); }
const RealServiceDirectoryType* s_pReal(const ServiceDirectoryType* p) {
  return static_cast<const RealServiceDirectoryType*>(p);
}

BOOLEAN s_bAddCopy(ServiceDirectoryType* pDirectory, const char* pcString) {
  char* copy = U_UTILS_strdup(pcString);
  return copy ? U_SERVICE_DIRECTORY_bAddElement(pDirectory, copy) : FALSE;
}

// The result when it holds something, else none (the empty one freed).
ServiceDirectoryType* s_pNoneWhenEmpty(ServiceDirectoryType* pDirectory) {
  if (pDirectory && s_pReal(pDirectory)->u32Used == 0) {
    U_SERVICE_DIRECTORY_vFree(pDirectory);
    return nullptr;
  }
  return pDirectory;
}

}  // namespace

ServiceDirectoryType* U_SERVICE_DIRECTORY_pNew(void) {
  auto* p = static_cast<RealServiceDirectoryType*>(H_MEMORY_pvMallocNoWait(sizeof(RealServiceDirectoryType)));
  if (p) memset(p, 0, sizeof *p);
  return p;
}

BOOLEAN U_SERVICE_DIRECTORY_bAddElement(ServiceDirectoryType* pDirectory, char* pcString) {
  RealServiceDirectoryType* d = s_pReal(pDirectory);
  if (!d || !pcString) {
    H_MEMORY_vFree(pcString);
    return FALSE;
  }
  if (d->u32Used == d->u32Allocated) {
    if (d->u32Allocated >= DIRECTORY_MAX_ITEMS) {
      H_MEMORY_vFree(pcString);
      return FALSE;
    }
    U32 grown = d->u32Allocated + DIRECTORY_GROWTH;
    auto* array = static_cast<char**>(H_MEMORY_pvRealloc(d->pValueArray, grown * sizeof(char*)));
    if (!array) {
      H_MEMORY_vFree(pcString);
      return FALSE;
    }
    d->pValueArray = array;
    d->u32Allocated = grown;
  }
  d->pValueArray[d->u32Used++] = pcString;
  return TRUE;
}

BOOLEAN U_SERVICE_DIRECTORY_bRemoveElement(ServiceDirectoryType* pDirectory, const char* pcString) {
  RealServiceDirectoryType* d = s_pReal(pDirectory);
  if (!d || !pcString) return FALSE;
  for (U32 i = 0; i < d->u32Used; i++) {
    if (strcmp(d->pValueArray[i], pcString) == 0) {
      H_MEMORY_vFree(d->pValueArray[i]);
      memmove(&d->pValueArray[i], &d->pValueArray[i + 1], (d->u32Used - i - 1) * sizeof(char*));
      d->u32Used--;
      return TRUE;
    }
  }
  return FALSE;
}

U32 U_SERVICE_DIRECTORY_u32GetNumberOfItems(const ServiceDirectoryType* pDirectory) {
  return pDirectory ? s_pReal(pDirectory)->u32Used : 0;
}

const char* U_SERVICE_DIRECTORY_u32GetItem(const ServiceDirectoryType* pDirectory, U32 u32Index) {
  const RealServiceDirectoryType* d = s_pReal(pDirectory);
  if (!d || u32Index >= d->u32Used) return nullptr;
  return d->pValueArray[u32Index];
}

BOOLEAN U_SERVICE_DIRECTORY_pcContainsItem(const ServiceDirectoryType* pDirectory, const char* pcString) {
  const RealServiceDirectoryType* d = s_pReal(pDirectory);
  if (!d || !pcString) return FALSE;
  for (U32 i = 0; i < d->u32Used; i++)
    if (strcmp(d->pValueArray[i], pcString) == 0) return TRUE;
  return FALSE;
}

void U_SERVICE_DIRECTORY_vFree(ServiceDirectoryType* pDirectory) {
  RealServiceDirectoryType* d = s_pReal(pDirectory);
  if (!d) return;
  for (U32 i = 0; i < d->u32Used; i++) H_MEMORY_vFree(d->pValueArray[i]);
  H_MEMORY_vFree(d->pValueArray);
  H_MEMORY_vFree(d);
}

void U_SERVICE_DIRECTORY_vPrint(const ServiceDirectoryType* pDirectory) {
  const RealServiceDirectoryType* pRealDirectory = s_pReal(pDirectory);
  if (!pRealDirectory) return;
  if (!pRealDirectory->pValueArray) {
    log_me("pRealDirectory is EMPTY!\n");
    return;
  }
  for (U32 i = 0; i < pRealDirectory->u32Used; i++)
    log_me("pRealDirectory->pValueArray[%d] = %s\n", (int)i, pRealDirectory->pValueArray[i]);
}

ServiceDirectoryType* U_SERVICE_DIRECTORY_pcFindElementsMatchingAttribute(const ServiceDirectoryType* pDirectory,
                                                                          const char* pcText) {
  const RealServiceDirectoryType* d = s_pReal(pDirectory);
  if (!d || !pcText) return nullptr;
  ServiceDirectoryType* found = U_SERVICE_DIRECTORY_pNew();
  if (!found) return nullptr;
  for (U32 i = 0; i < d->u32Used; i++) {
    if (strstr(d->pValueArray[i], pcText) && !s_bAddCopy(found, d->pValueArray[i])) {
      U_SERVICE_DIRECTORY_vFree(found);
      return nullptr;
    }
  }
  return s_pNoneWhenEmpty(found);
}

ServiceDirectoryType* U_SERVICE_DIRECTORY_pcFindElementsMatchingAttributes(const ServiceDirectoryType* pDirectory,
                                                                           const char* pcText, ...) {
  if (!pDirectory || !pcText) return nullptr;
  ServiceDirectoryType* current = U_SERVICE_DIRECTORY_pcFindElementsMatchingAttribute(pDirectory, pcText);
  va_list args;
  va_start(args, pcText);
  for (const char* next = va_arg(args, const char*); current && next; next = va_arg(args, const char*)) {
    ServiceDirectoryType* narrower = U_SERVICE_DIRECTORY_pcFindElementsMatchingAttribute(current, next);
    U_SERVICE_DIRECTORY_vFree(current);
    current = narrower;
  }
  va_end(args);
  return current;
}

ServiceDirectoryType* U_SERVICE_DIRECTORY_pcSetDifference(const ServiceDirectoryType* pA,
                                                          const ServiceDirectoryType* pB) {
  const RealServiceDirectoryType* a = s_pReal(pA);
  if (!a || !pB) return nullptr;
  ServiceDirectoryType* out = U_SERVICE_DIRECTORY_pNew();
  if (!out) return nullptr;
  for (U32 i = 0; i < a->u32Used; i++) {
    if (!U_SERVICE_DIRECTORY_pcContainsItem(pB, a->pValueArray[i]) && !s_bAddCopy(out, a->pValueArray[i])) {
      U_SERVICE_DIRECTORY_vFree(out);
      return nullptr;
    }
  }
  return out;
}

ServiceDirectoryType* U_SERVICE_DIRECTORY_pObtainGobalServiceDirectory(void) {
  L_MUTEX_LockWait(RES_GLOBAL_SERVICE_DIRECTORY);
  if (!pGlobalServiceDirectory) {
    L_MUTEX_Unlock(RES_GLOBAL_SERVICE_DIRECTORY);
    return nullptr;
  }
  return pGlobalServiceDirectory;
}

void U_SERVICE_DIRECTORY_vReleaseGobalServiceDirectory(ServiceDirectoryType* pDirectory) {
  if (pDirectory) L_MUTEX_Unlock(RES_GLOBAL_SERVICE_DIRECTORY);
}

BOOLEAN U_SERVICE_DIRECTORY_bSetGobalServiceDirectory(ServiceDirectoryType* pDirectory) {
  L_MUTEX_LockWait(RES_GLOBAL_SERVICE_DIRECTORY);
  ServiceDirectoryType* old = pGlobalServiceDirectory;
  pGlobalServiceDirectory = pDirectory;
  L_MUTEX_Unlock(RES_GLOBAL_SERVICE_DIRECTORY);
  if (old != pDirectory) U_SERVICE_DIRECTORY_vFree(old);
  return TRUE;
}
