// The view task's layer list: registration and removal (in the view task),
// the display and split-position keys of the layers, the choice of the next
// view, and the list queries other tasks make under RES_VIEW_LIST.
#include <ctype.h>
#include <string.h>

#include <atomic>

#include "common/language.h"
#include "source/core/h_database.h"
#include "source/graphics/graphics_upcalls.h"
#include "source/graphics/t_view_int.h"

LAYER_ITEM* s_playerHeadPointer = nullptr;

namespace {

// Holds RES_VIEW_LIST for a scope; the owning task may lock it again.
class ListLock {
 public:
  ListLock() { (void)L_MUTEX_LockWait(RES_VIEW_LIST); }
  ~ListLock() { (void)L_MUTEX_Unlock(RES_VIEW_LIST); }
  ListLock(const ListLock&) = delete;
  ListLock& operator=(const ListLock&) = delete;
};

// Every node of the split chain that begins at the list node gets next.
void vSetChainNext(LAYER_ITEM* pListNode, LAYER_ITEM* pNext) {
  for (LAYER_ITEM* p = pListNode; p != nullptr; p = p->pSplit) p->next = pNext;
}

// The list node in front of the layer's place (null: the head), and the
// list node with the layer itself (null: none).
void vLocate(LAYER_ID layer, LAYER_ITEM** ppPrevious, LAYER_ITEM** ppNode) {
  LAYER_ITEM* pPrevious = nullptr;
  LAYER_ITEM* p = s_playerHeadPointer;
  while (p != nullptr && (S32)p->layer < (S32)layer) {
    pPrevious = p;
    p = p->next;
  }
  *ppPrevious = pPrevious;
  *ppNode = (p != nullptr && p->layer == layer) ? p : nullptr;
}

// Puts pReplacement in the place of the list node after pPrevious.
void vRelink(LAYER_ITEM* pPrevious, LAYER_ITEM* pReplacement) {
  if (pPrevious == nullptr) {
    s_playerHeadPointer = pReplacement;
  } else {
    vSetChainNext(pPrevious, pReplacement);
  }
}

BOOLEAN bIsShownView(const LAYER_ITEM* p) { return p->where_used == USED_BY_NONE && p->bCurrentDisplayMode; }

// Split percentages outside 0-100 (a corrupt key) would put the windows off
// the page; they are held to that range.
S32 s32Percentage(U32 u32Value) {
  const S32 s32Value = (S32)u32Value;
  if (s32Value < 0) return 0;
  if (s32Value > 100) return 100;
  return s32Value;
}

// A new list node: its display key and split-position key.
void vTakeKeys(LAYER_ITEM* pItem) {
  if (pItem->fcidDisplay == 0) {
    pItem->bCurrentDisplayMode = TRUE;
  } else {
    BOOLEAN bShown = FALSE;
    DB_ATTRIBUTES attributes = {};
    // The layer follows its key from now on, also when the key is written
    // only later; until then it stands as the registrant's default.
    (void)H_DATABASE_bRegisterForDataWithConditions(pItem->fcidDisplay, M_VIEW, TRUE, FALSE, FALSE);
    if (H_DATABASE_bFetchBoolean(pItem->fcidDisplay, &bShown, nullptr, &attributes)) {
      pItem->bCurrentDisplayMode = bShown ? TRUE : FALSE;
      pItem->pString = attributes.ppcText;
      if (pItem->pString != nullptr) {
        // A view with a name can be chosen by it (menus, scripts).
        if (pItem->where_used == USED_BY_NONE && pItem->pString[LANGUAGE_ENGLISH] != nullptr) {
          log_me("VIEW: selectable view %d \"%s\"\n", (int)pItem->layer, pItem->pString[LANGUAGE_ENGLISH]);
        }
        VIEW_SEAM_vRegisterViewsMenuItem(pItem->layer, pItem->fcidDisplay, pItem->pString);
        GUI_vSetViewRegisteration(pItem->layer, TRUE);
      } else {
        log_me("!!!Error!!! Try to register menu with null pointer! %s,%u\n", __FILE__, (unsigned)__LINE__);
      }
    } else {
      pItem->bCurrentDisplayMode = pItem->bDefault ? TRUE : FALSE;
    }
  }
  if (pItem->fcidSplitControl != 0) {
    U32 u32Percentage = 0;
    (void)H_DATABASE_bRegisterForDataWithConditions(pItem->fcidSplitControl, M_VIEW, TRUE, FALSE, FALSE);
    if (H_DATABASE_bFetchU32(pItem->fcidSplitControl, &u32Percentage)) {
      pItem->s32SplitPercentage = s32Percentage(u32Percentage);
    }
  }
}

// A further side of the list node's identifier: TRUE when it is taken.
BOOLEAN bAddSplitSide(LAYER_ITEM* pNode, LAYER_ITEM* pItem) {
  if (pItem->eSplit == SPLIT_FULL_WINDOW) return FALSE;
  if (pItem->fcidSplitControl != pNode->fcidSplitControl) return FALSE;
  LAYER_ITEM* pLast = pNode;
  for (LAYER_ITEM* p = pNode; p != nullptr; p = p->pSplit) {
    if (p->eSplit == SPLIT_FULL_WINDOW || p->eSplit == pItem->eSplit) return FALSE;
    pLast = p;
  }
  pItem->next = pLast->next;
  pItem->where_used = pLast->where_used;
  pItem->fcidDisplay = pLast->fcidDisplay;
  pItem->bDefault = pLast->bDefault;
  pItem->bCurrentDisplayMode = pLast->bCurrentDisplayMode;
  pItem->s32SplitPercentage = pLast->s32SplitPercentage;
  pItem->pString = pLast->pString;
  pLast->pSplit = pItem;
  return TRUE;
}

LAYER_ID eChooseNext(LAYER_ID current) {
  LAYER_ITEM* pCurrent = T_VIEW_pFindShownListNode(current);
  if (pCurrent != nullptr) {
    for (LAYER_ITEM* p = pCurrent->next; p != nullptr; p = p->next) {
      if (bIsShownView(p)) return p->layer;
    }
  }
  for (LAYER_ITEM* p = s_playerHeadPointer; p != nullptr; p = p->next) {
    if (bIsShownView(p)) return p->layer;
  }
  return NO_VIEW_PRIORITY;
}

void vWriteCurrentView(LAYER_ID layer) { (void)H_DATABASE_bUpdateValueS32(VIEW_KEY_CURRENT, (S32)layer, P_NORMAL); }

// The name of a view in the current language, or null.
const char* pcNameIn(DB_TEXT_RECORD pString, int language) {
  if (pString == nullptr) return nullptr;
  return pString[language];
}

}  // namespace

// ------------------------------------------------------------ list lookups
LAYER_ITEM* T_VIEW_pFindListNode(LAYER_ID layer) {
  for (LAYER_ITEM* p = s_playerHeadPointer; p != nullptr; p = p->next) {
    if (p->layer == layer) return p;
    if ((S32)p->layer > (S32)layer) break;
  }
  return nullptr;
}

LAYER_ITEM* T_VIEW_pFindShownListNode(LAYER_ID layer) {
  LAYER_ITEM* p = T_VIEW_pFindListNode(layer);
  return (p != nullptr && p->bCurrentDisplayMode) ? p : nullptr;
}

// ------------------------------------------------------------ registration (view task)
void T_VIEW_vHandleRegisterLayer(MSG_REGISTER_LAYER* pMsg) {
  pMsg->flag = FALSE;
  // A layer without a callback would be called at the next page.
  if (pMsg->pDrawFunction == nullptr) {
    log_me("VIEW: layer %d has no draw function; not registered\n", (int)pMsg->layer);
    return;
  }
  LAYER_ITEM* pItem = static_cast<LAYER_ITEM*>(H_MEMORY_pvCalloc(1, sizeof(LAYER_ITEM)));
  if (pItem == nullptr) {
    log_me("VIEW: no memory for layer %d\n", (int)pMsg->layer);
    return;
  }
  pItem->layer = pMsg->layer;
  pItem->where_used = pMsg->where_used;
  pItem->pDrawFunction = pMsg->pDrawFunction;
  pItem->fcidDisplay = pMsg->fcidDisplayFlag;
  pItem->bDefault = pMsg->bDisplay;
  pItem->pPlaybackString = pMsg->pPlaybackString;
  pItem->pSimString = pMsg->pSimString;
  pItem->pPOSString = pMsg->pPOSString;
  pItem->user = pMsg->user;
  pItem->fcidSplitControl = pMsg->fcidSplitControl;
  pItem->eSplit = pMsg->eLocation;

  BOOLEAN bAccepted = FALSE;
  {
    ListLock lock;
    LAYER_ITEM* pPrevious = nullptr;
    LAYER_ITEM* pNode = nullptr;
    vLocate(pItem->layer, &pPrevious, &pNode);
    if (pNode == nullptr) {
      pItem->next = (pPrevious == nullptr) ? s_playerHeadPointer : pPrevious->next;
      vTakeKeys(pItem);
      vRelink(pPrevious, pItem);
      bAccepted = TRUE;
    } else {
      bAccepted = bAddSplitSide(pNode, pItem);
    }
    pMsg->flag = bAccepted;
    // The menu task replaces items of the same title, so a refused side
    // registers them again without harm.
    if (pMsg->eLocation != SPLIT_FULL_WINDOW) {
      VIEW_SEAM_vRegisterSplitMenus(pMsg->layer, pMsg->eLocation, pMsg->fcidSplitControl);
    }
  }
  if (bAccepted) {
    T_VIEW_vRequestPage();
  } else {
    H_MEMORY_vFree(pItem);
  }
}

void T_VIEW_vHandleUnregisterLayer(MSG_UNREGISTER_LAYER* pMsg) {
  pMsg->flag = FALSE;
  ListLock lock;
  LAYER_ITEM* pPrevious = nullptr;
  LAYER_ITEM* pNode = nullptr;
  vLocate(pMsg->layer, &pPrevious, &pNode);
  if (pNode == nullptr) return;

  LAYER_ITEM* pRemoved = nullptr;
  if (pNode->eSplit == pMsg->eLocation) {
    pRemoved = pNode;
    if (pNode->pSplit != nullptr) {
      vRelink(pPrevious, pNode->pSplit);
    } else {
      vRelink(pPrevious, pNode->next);
      if (pNode->fcidDisplay != 0 && pNode->pString != nullptr) {
        VIEW_SEAM_vUnregisterViewsMenuItem(pNode->pString);
        GUI_vSetViewRegisteration(pNode->layer, FALSE);
      }
    }
  } else {
    for (LAYER_ITEM* p = pNode; p->pSplit != nullptr; p = p->pSplit) {
      if (p->pSplit->eSplit == pMsg->eLocation) {
        pRemoved = p->pSplit;
        p->pSplit = pRemoved->pSplit;
        break;
      }
    }
  }
  if (pRemoved == nullptr) return;

  if (pRemoved->eSplit != SPLIT_FULL_WINDOW) VIEW_SEAM_vUnregisterSplitMenus(pRemoved->layer, pRemoved->eSplit);
  H_MEMORY_vFree(pRemoved);
  pMsg->flag = TRUE;
  if (pMsg->layer == s_windowSpec.currentLayer) T_VIEW_vSetNextBackgroundLayer();
  T_VIEW_vRequestPage();
}

BOOLEAN T_VIEW_bHandleLayerKeyNotice(FOURCHARID key, U32 u32Value) {
  if (key == 0) return FALSE;
  BOOLEAN bFound = FALSE;
  ListLock lock;
  // Every layer that has the key follows it (layers may share a key).
  for (LAYER_ITEM* p = s_playerHeadPointer; p != nullptr; p = p->next) {
    if (p->fcidDisplay != key) continue;
    for (LAYER_ITEM* q = p; q != nullptr; q = q->pSplit) q->bCurrentDisplayMode = u32Value != 0 ? TRUE : FALSE;
    bFound = TRUE;
  }
  if (bFound) {
    T_VIEW_vRequestPage();
    return TRUE;
  }
  for (LAYER_ITEM* p = s_playerHeadPointer; p != nullptr; p = p->next) {
    if (p->fcidSplitControl != key) continue;
    for (LAYER_ITEM* q = p; q != nullptr; q = q->pSplit) q->s32SplitPercentage = s32Percentage(u32Value);
    bFound = TRUE;
  }
  if (bFound) T_VIEW_vRequestPage();
  return bFound;
}

void T_VIEW_vResetDisplayKeys(void) {
  S32 state = 0;
  // The factory test's and the status page's own views keep their keys.
  if (H_DATABASE_bFetchS32(VIEW_KEY_STATE, &state) && (state == STATE_INLINE_TEST || state == STATE_DIAGNOSTIC)) {
    return;
  }
  for (LAYER_ITEM* p = s_playerHeadPointer; p != nullptr; p = p->next) {
    if (p->where_used == USED_BY_NONE && p->fcidDisplay != 0) {
      (void)H_DATABASE_bUpdateValueBoolean(p->fcidDisplay, p->bDefault, P_NORMAL);
    }
  }
}

// ------------------------------------------------------------ queries (any task)
const LAYER_ITEM* T_VIEW_pGetLayerList(void) { return s_playerHeadPointer; }

BOOLEAN T_VIEW_bIsLayerActive(LAYER_ID layer) {
  ListLock lock;
  return T_VIEW_pFindListNode(layer) != nullptr ? TRUE : FALSE;
}

LAYER_ID T_VIEW_eChooseNextBackgroundLayer(void) {
  ListLock lock;
  return eChooseNext(T_VIEW_eShownLayer());
}

void T_VIEW_vSetNextBackgroundLayer(void) { vWriteCurrentView(T_VIEW_eChooseNextBackgroundLayer()); }

void T_VIEW_vSetBackgroundLayer(LAYER_ID layer) {
  vWriteCurrentView(layer);
  T_VIEW_vMarkViewChanged();
}

void T_VIEW_vSetSpcifiedBackgroundLayer(LAYER_ID layer) {
  {
    ListLock lock;
    const LAYER_ITEM* p = T_VIEW_pFindListNode(layer);
    vWriteCurrentView((p != nullptr && bIsShownView(p)) ? layer : NO_VIEW_PRIORITY);
  }
  T_VIEW_vMarkViewChanged();
}

LAYER_ID T_VIEW_GetSelectableView(const char* pcName) {
  if (pcName == nullptr) return UNKNOWN_VIEW;
  const int language = nCurrentLanguage();
  ListLock lock;
  for (const LAYER_ITEM* p = s_playerHeadPointer; p != nullptr; p = p->next) {
    if (p->fcidDisplay == 0) continue;
    const char* pcViewName = pcNameIn(p->pString, language);
    if (pcViewName == nullptr) {
      log_me("VIEW: view %d has no name to select it by\n", (int)p->layer);
      continue;
    }
    char acUpper[40];
    size_t i = 0;
    for (; i < sizeof acUpper - 1 && pcViewName[i] != '\0'; ++i) acUpper[i] = (char)toupper((unsigned char)pcViewName[i]);
    acUpper[i] = '\0';
    if (strcmp(acUpper, pcName) == 0) {
      (void)H_DATABASE_bUpdateValueBoolean(p->fcidDisplay, TRUE, P_NORMAL);
      return p->layer;
    }
  }
  return UNKNOWN_VIEW;
}
