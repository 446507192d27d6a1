// Standard operations of the typed serialisation and the platform's
// descriptors.
#include "common/g_datatype.h"

#include <stdint.h>
#include <string.h>

#include <algorithm>

#include "lsvc/lsvc.h"

namespace {

constexpr U32 POINTER_MARKER = 0x87654321u;
constexpr S32 MEMBER_LIMIT = 8;  // largest alignment of a member
constexpr S32 MEMORY_LIMIT = 4;  // largest alignment asked of a value's address

const G_DATA_TYPE* s_pElement(const G_DATA_TYPE* t) { return t->DataTypes ? t->DataTypes[0] : nullptr; }

// Wire size of a scalar format; -1 for the others.
S32 s_nScalarWire(const G_DATA_TYPE* t) {
  switch (t->eDataFormat) {
    case G_DF_UNSIGNED64: case G_DF_SIGNED64: case G_DF_DOUBLE: return 8;
    case G_DF_UNSIGNED32: case G_DF_SIGNED32: case G_DF_FLOAT: case G_DF_VOID_POINTER: return 4;
    case G_DF_ENUM: case G_DF_OPAQUE: return t->nSizeofType >= 0 ? t->nSizeofType : -1;
    case G_DF_BOOLEAN: case G_DF_UNSIGNED8: case G_DF_SIGNED8: return 1;
    case G_DF_UNSIGNED16: case G_DF_SIGNED16: return 2;
    case G_DF_EXCLUDED: return 0;
    default: return -1;
  }
}

// Fewest wire bytes one value of the descriptor can take (bounds counts read
// from the wire before anything is allocated).
S64 s_nMinWire(const G_DATA_TYPE* t, int depth = 0) {
  if (t == nullptr || depth > 16) return 0;
  const S32 scalar = s_nScalarWire(t);
  if (scalar >= 0) return scalar;
  switch (t->eDataFormat) {
    case G_DF_STRING: return 1;
    case G_DF_WSTRING: case G_DF_BUFFER: case G_DF_DYNAMIC_ARRAY: case G_DF_NULL_TERM_PTR_ARRAY:
    case G_DF_POINTER_TO_TYPE: return 4;
    case G_DF_FIXED_ARRAY: {
      const G_DATA_TYPE* e = s_pElement(t);
      if (e == nullptr || e->nSizeofType <= 0) return 0;
      return (S64)(t->nSizeofType / e->nSizeofType) * s_nMinWire(e, depth + 1);
    }
    case G_DF_STRUCT: {
      S64 n = 4;
      for (const G_DATA_TYPE* const* m = t->DataTypes; m && *m; ++m) n += s_nMinWire(*m, depth + 1);
      return n;
    }
    default: return 0;
  }
}

S32 s_nMemberOffset(S32 offset, const G_DATA_TYPE* m) {
  const S32 a = m->pfAlignment ? m->pfAlignment(ALIGN_STRUCT, m) : 1;
  if (a <= 1) return offset;
  return (offset + a - 1) / a * a;
}

// ---------------------------------------------------------------- writing
struct Out {
  U8** ppOut;
  S32* pnRoom;
  S32* pnCount;
  bool Put(const void* p, S32 n) {
    if (n < 0 || *pnRoom < n) return false;
    if (n > 0) memcpy(*ppOut + *pnCount, p, (size_t)n);
    *pnRoom -= n;
    *pnCount += n;
    return true;
  }
  bool Word(U32 w) {
    U8 b[4] = {(U8)w, (U8)(w >> 8), (U8)(w >> 16), (U8)(w >> 24)};
    return Put(b, 4);
  }
};

S32 s_nCallSerialize(const G_DATA_TYPE* t, const void* v, Out& o) {
  if (t == nullptr || t->pfSerialize == nullptr) return DATATYPE_ERR_FORMAT;
  const S32 r = t->pfSerialize(v, o.ppOut, o.pnRoom, o.pnCount, t);
  return r < 0 ? r : 0;
}

S32 s_nEncode(const void* v, Out& o, const G_DATA_TYPE* t) {
  const U8* p = static_cast<const U8*>(v);
  switch (t->eDataFormat) {
    case G_DF_VOID_POINTER: {
      uintptr_t addr;
      memcpy(&addr, p, sizeof addr);
      return o.Word((U32)addr) ? 0 : DATATYPE_ERR_ROOM;
    }
    case G_DF_STRING:
      return o.Put(p, (S32)strlen((const char*)p) + 1) ? 0 : DATATYPE_ERR_ROOM;
    case G_DF_WSTRING: {
      const U32* w = static_cast<const U32*>(v);
      do {
        if (!o.Word(*w)) return DATATYPE_ERR_ROOM;
      } while (*w++ != 0);
      return 0;
    }
    case G_DF_BUFFER: {
      const C_BUFFER* b = static_cast<const C_BUFFER*>(v);
      if (!o.Word((U32)b->nSize) || !o.Put(b->pData, b->nSize)) return DATATYPE_ERR_ROOM;
      return 0;
    }
    case G_DF_FIXED_ARRAY: {
      const G_DATA_TYPE* e = s_pElement(t);
      const S32 n = t->nSizeofType / e->nSizeofType;
      for (S32 i = 0; i < n; ++i) {
        if (S32 r = s_nCallSerialize(e, p + (size_t)i * e->nSizeofType, o); r < 0) return r;
      }
      return 0;
    }
    case G_DF_DYNAMIC_ARRAY: {
      const DYNAMIC_ARRAY* a = static_cast<const DYNAMIC_ARRAY*>(v);
      const G_DATA_TYPE* e = s_pElement(t);
      const S32 n = a->nMembers > 0 ? a->nMembers : 0;
      if (!o.Word((U32)n)) return DATATYPE_ERR_ROOM;
      for (S32 i = 0; i < n; ++i) {
        if (S32 r = s_nCallSerialize(e, static_cast<const U8*>(a->pData) + (size_t)i * e->nSizeofType, o); r < 0) return r;
      }
      return 0;
    }
    case G_DF_NULL_TERM_PTR_ARRAY: {
      void* const* slots = *static_cast<void* const* const*>(v);
      S32 n = 0;
      while (slots && slots[n]) ++n;
      if (!o.Word((U32)n)) return DATATYPE_ERR_ROOM;
      for (S32 i = 0; i < n; ++i) {
        if (S32 r = s_nCallSerialize(s_pElement(t), &slots[i], o); r < 0) return r;
      }
      return 0;
    }
    case G_DF_POINTER_TO_TYPE: {
      const void* target = *static_cast<const void* const*>(v);
      if (target == nullptr) return o.Word(0) ? 0 : DATATYPE_ERR_ROOM;
      if (!o.Word(POINTER_MARKER)) return DATATYPE_ERR_ROOM;
      return s_nCallSerialize(s_pElement(t), target, o);
    }
    case G_DF_STRUCT: {
      if (!o.Word((U32)t->nVersion)) return DATATYPE_ERR_ROOM;
      S32 offset = 0;
      for (const G_DATA_TYPE* const* m = t->DataTypes; m && *m; ++m) {
        offset = s_nMemberOffset(offset, *m);
        if (S32 r = s_nCallSerialize(*m, p + offset, o); r < 0) return r;
        offset += (*m)->nSizeofType;
      }
      return 0;
    }
    default: {
      const S32 n = s_nScalarWire(t);
      if (n < 0) return DATATYPE_ERR_FORMAT;
      return o.Put(p, n) ? 0 : DATATYPE_ERR_ROOM;
    }
  }
}

// ---------------------------------------------------------------- reading
struct In {
  const U8* pIn;
  S32* pnRoom;
  S32* pnCount;
  bool Get(void* p, S32 n) {
    if (n < 0 || *pnRoom < n) return false;
    if (n > 0) memcpy(p, pIn + *pnCount, (size_t)n);
    *pnRoom -= n;
    *pnCount += n;
    return true;
  }
  bool Word(U32* w) {
    U8 b[4];
    if (!Get(b, 4)) return false;
    *w = (U32)b[0] | ((U32)b[1] << 8) | ((U32)b[2] << 16) | ((U32)b[3] << 24);
    return true;
  }
};

void* s_pvZeroed(S64 size) {
  if (size <= 0 || size > (S64)DATATYPE_MAX_DECODED_BLOCK) return nullptr;
  void* p = H_MEMORY_pvMalloc((size_t)size);
  if (p) memset(p, 0, (size_t)size);
  return p;
}

S32 s_nCallDeserialize(const G_DATA_TYPE* t, void** pp, In& in) {
  if (t == nullptr || t->pfDeserialize == nullptr) return DATATYPE_ERR_FORMAT;
  const S32 r = t->pfDeserialize(pp, in.pIn, in.pnRoom, in.pnCount, t);
  return r < 0 ? r : 0;
}

// Checks a count read from the wire against the input left and the largest
// block, before the block is allocated.
S32 s_nCheckCount(S32 count, const G_DATA_TYPE* e, S64 memory_each, const In& in) {
  const S64 wire = s_nMinWire(e);
  if (wire > 0 && (S64)count > *in.pnRoom / wire) return DATATYPE_ERR_SHORT_INPUT;
  if ((S64)count * memory_each > (S64)DATATYPE_MAX_DECODED_BLOCK) return DATATYPE_ERR_TOO_LARGE;
  return 0;
}

// Length of the NUL-ended string at the reading position, or -1 when the
// input ends first.
S32 s_nStringOnWire(const In& in) {
  if (*in.pnRoom <= 0) return -1;
  const U8* start = in.pIn + *in.pnCount;
  const void* nul = memchr(start, 0, (size_t)*in.pnRoom);
  return nul ? (S32)(static_cast<const U8*>(nul) - start) : -1;
}

// Decodes the members of a structure into *ppBlock. A string member is held
// in place: when the block is the decoder's own (bGrow), the block is first
// enlarged by the string's length plus one so that the last member's
// characters run on past the structure's own size; otherwise, and for a
// string with members after it, the characters must fit the member's room.
S32 s_nDecodeStruct(void** ppBlock, bool bGrow, In& in, const G_DATA_TYPE* t) {
  S32 offset = 0;
  for (const G_DATA_TYPE* const* m = t->DataTypes; m && *m; ++m) {
    offset = s_nMemberOffset(offset, *m);
    if ((*m)->eDataFormat == G_DF_STRING) {
      const S32 length = s_nStringOnWire(in);
      if (length < 0) return DATATYPE_ERR_SHORT_INPUT;
      const bool last = m[1] == nullptr;
      if (bGrow && last) {
        const S64 size = (S64)t->nSizeofType + length + 1;
        if (size > (S64)DATATYPE_MAX_DECODED_BLOCK) return DATATYPE_ERR_TOO_LARGE;
        void* grown = H_MEMORY_pvRealloc(*ppBlock, (size_t)size);
        if (grown == nullptr) return DATATYPE_ERR_ALLOC;
        *ppBlock = grown;
        bGrow = false;  // grown once, for its last member
      } else if (length + 1 > (*m)->nSizeofType) {
        return DATATYPE_ERR_TOO_LARGE;
      }
      in.Get(static_cast<U8*>(*ppBlock) + offset, length + 1);
      offset += (*m)->nSizeofType;
      continue;
    }
    void* member = static_cast<U8*>(*ppBlock) + offset;
    if (S32 r = s_nCallDeserialize(*m, &member, in); r < 0) return r;
    offset += (*m)->nSizeofType;
  }
  return 0;
}

// ppOwned: the value's block when the decoder allocated it (it may move).
S32 s_nDecode(void* v, In& in, const G_DATA_TYPE* t, void** ppOwned = nullptr) {
  U8* p = static_cast<U8*>(v);
  switch (t->eDataFormat) {
    case G_DF_VOID_POINTER: {
      U32 w;
      if (!in.Word(&w)) return DATATYPE_ERR_SHORT_INPUT;
      const uintptr_t addr = w;
      memcpy(p, &addr, sizeof addr);
      return 0;
    }
    case G_DF_EXCLUDED:
      if (t->nSizeofType > 0) memset(p, 0, (size_t)t->nSizeofType);
      return 0;
    case G_DF_BUFFER: {
      C_BUFFER* b = static_cast<C_BUFFER*>(v);
      U32 w;
      b->pData = nullptr;
      b->nSize = 0;
      if (!in.Word(&w)) return DATATYPE_ERR_SHORT_INPUT;
      const S32 n = (S32)w;
      if (n < 0) return DATATYPE_ERR_TOO_LARGE;
      if (n > *in.pnRoom) return DATATYPE_ERR_SHORT_INPUT;
      if (n > 0) {
        if ((U32)n > DATATYPE_MAX_DECODED_BLOCK) return DATATYPE_ERR_TOO_LARGE;
        b->pData = static_cast<U8*>(s_pvZeroed(n));
        if (b->pData == nullptr) return DATATYPE_ERR_ALLOC;
        b->nSize = n;
        in.Get(b->pData, n);
      }
      return 0;
    }
    case G_DF_FIXED_ARRAY: {
      const G_DATA_TYPE* e = s_pElement(t);
      const S32 n = t->nSizeofType / e->nSizeofType;
      for (S32 i = 0; i < n; ++i) {
        void* slot = p + (size_t)i * e->nSizeofType;
        if (S32 r = s_nCallDeserialize(e, &slot, in); r < 0) return r;
      }
      return 0;
    }
    case G_DF_DYNAMIC_ARRAY: {
      DYNAMIC_ARRAY* a = static_cast<DYNAMIC_ARRAY*>(v);
      const G_DATA_TYPE* e = s_pElement(t);
      U32 w;
      a->nMembers = 0;
      a->pData = nullptr;
      if (!in.Word(&w)) return DATATYPE_ERR_SHORT_INPUT;
      const S32 n = (S32)w;
      if (n <= 0) {
        a->nMembers = n;
        return 0;
      }
      if (S32 r = s_nCheckCount(n, e, e->nSizeofType, in); r < 0) return r;
      a->pData = s_pvZeroed((S64)n * e->nSizeofType);
      if (a->pData == nullptr) return DATATYPE_ERR_ALLOC;
      a->nMembers = n;
      for (S32 i = 0; i < n; ++i) {
        void* slot = static_cast<U8*>(a->pData) + (size_t)i * e->nSizeofType;
        if (S32 r = s_nCallDeserialize(e, &slot, in); r < 0) return r;
      }
      return 0;
    }
    case G_DF_NULL_TERM_PTR_ARRAY: {
      void*** out = static_cast<void***>(v);
      U32 w;
      *out = nullptr;
      if (!in.Word(&w)) return DATATYPE_ERR_SHORT_INPUT;
      const S32 n = (S32)w;
      if (n <= 0) return 0;
      if (S32 r = s_nCheckCount(n, s_pElement(t), sizeof(void*), in); r < 0) return r;
      void** slots = static_cast<void**>(s_pvZeroed((S64)(n + 1) * (S64)sizeof(void*)));
      if (slots == nullptr) return DATATYPE_ERR_ALLOC;
      *out = slots;
      for (S32 i = 0; i < n; ++i) {
        void* slot = &slots[i];
        if (S32 r = s_nCallDeserialize(s_pElement(t), &slot, in); r < 0) return r;
      }
      return 0;
    }
    case G_DF_POINTER_TO_TYPE: {
      void** slot = static_cast<void**>(v);
      U32 w;
      *slot = nullptr;
      if (!in.Word(&w)) return DATATYPE_ERR_SHORT_INPUT;
      if (w == 0) return 0;
      void* target = nullptr;
      if (S32 r = s_nCallDeserialize(s_pElement(t), &target, in); r < 0) return r;
      *slot = target;
      return 0;
    }
    case G_DF_STRUCT: {
      U32 w;
      if (!in.Word(&w)) return DATATYPE_ERR_SHORT_INPUT;
      if ((S32)w == t->nVersion) {
        void* block = v;
        return s_nDecodeStruct(ppOwned ? ppOwned : &block, ppOwned != nullptr, in, t);
      }
      const G_DATA_TYPE* older = t->pPreviousVersionType;
      for (int guard = 0; older && older->nVersion != (S32)w && guard < 64; ++guard) older = older->pPreviousVersionType;
      if (older == nullptr || older->nVersion != (S32)w || older->pfVersionConvert == nullptr) return DATATYPE_ERR_VERSION;
      void* block = s_pvZeroed(older->nSizeofType);
      if (block == nullptr) return DATATYPE_ERR_ALLOC;
      S32 r = s_nDecodeStruct(&block, true, in, older);
      if (r >= 0) r = older->pfVersionConvert(v, block, t, older);
      H_MEMORY_vFree(block);
      return r < 0 ? r : 0;
    }
    default: {
      const S32 n = s_nScalarWire(t);
      if (n < 0) return DATATYPE_ERR_FORMAT;
      return in.Get(p, n) ? 0 : DATATYPE_ERR_SHORT_INPUT;
    }
  }
}

// Strings decode into exactly their own size when the decoder allocates.
S32 s_nDecodeString(void** ppValue, In& in, const G_DATA_TYPE* t) {
  const bool wide = t->eDataFormat == G_DF_WSTRING;
  const S32 unit = wide ? 4 : 1;
  const U8* start = in.pIn + *in.pnCount;
  S32 chars = -1;
  for (S32 i = 0; i + unit <= *in.pnRoom; i += unit) {
    U32 c = start[i];
    if (wide) c |= (U32)start[i + 1] << 8 | (U32)start[i + 2] << 16 | (U32)start[i + 3] << 24;
    if (c == 0) {
      chars = i / unit;
      break;
    }
  }
  if (chars < 0) return DATATYPE_ERR_SHORT_INPUT;
  const S32 bytes = (chars + 1) * unit;
  if (*ppValue == nullptr) {
    *ppValue = s_pvZeroed(bytes);
    if (*ppValue == nullptr) return bytes > (S32)DATATYPE_MAX_DECODED_BLOCK ? DATATYPE_ERR_TOO_LARGE : DATATYPE_ERR_ALLOC;
  }
  in.Get(*ppValue, bytes);
  return bytes;
}

S32 s_nCheckAligned(const void* v, const G_DATA_TYPE* t) {
  const S32 a = t->pfAlignment ? t->pfAlignment(ALIGN_MEMORY, t) : 1;
  if (a < 0) return a;
  if (a > 1 && (uintptr_t)v % (uintptr_t)a != 0) return DATATYPE_ERR_ALIGN;
  return 0;
}

}  // namespace

// ---------------------------------------------------------------- standard operations
S32 DATATYPE_nStandardSerializedLength(const void* v, const G_DATA_TYPE* t) {
  if (t == nullptr || v == nullptr) return DATATYPE_ERR_FORMAT;
  const U8* p = static_cast<const U8*>(v);
  S64 n = 0;
  auto add = [&n](const G_DATA_TYPE* e, const void* value) -> S32 {
    if (e == nullptr || e->pfLength == nullptr) return DATATYPE_ERR_FORMAT;
    const S32 r = e->pfLength(value, e);
    if (r < 0) return r;
    n += r;
    return n > INT32_MAX ? DATATYPE_ERR_TOO_LARGE : 0;
  };
  switch (t->eDataFormat) {
    case G_DF_STRING: n = (S64)strlen((const char*)p) + 1; break;
    case G_DF_WSTRING: {
      const U32* w = static_cast<const U32*>(v);
      while (*w++ != 0) n += 4;
      n += 4;
      break;
    }
    case G_DF_BUFFER: {
      const C_BUFFER* b = static_cast<const C_BUFFER*>(v);
      if (b->nSize < 0) return DATATYPE_ERR_FORMAT;
      n = 4 + (S64)b->nSize;
      break;
    }
    case G_DF_FIXED_ARRAY: {
      const G_DATA_TYPE* e = s_pElement(t);
      if (e == nullptr || e->nSizeofType <= 0) return DATATYPE_ERR_FORMAT;
      for (S32 i = 0; i < t->nSizeofType / e->nSizeofType; ++i) {
        if (S32 r = add(e, p + (size_t)i * e->nSizeofType); r < 0) return r;
      }
      break;
    }
    case G_DF_DYNAMIC_ARRAY: {
      const DYNAMIC_ARRAY* a = static_cast<const DYNAMIC_ARRAY*>(v);
      const G_DATA_TYPE* e = s_pElement(t);
      if (e == nullptr) return DATATYPE_ERR_FORMAT;
      n = 4;
      for (S32 i = 0; i < a->nMembers; ++i) {
        if (S32 r = add(e, static_cast<const U8*>(a->pData) + (size_t)i * e->nSizeofType); r < 0) return r;
      }
      break;
    }
    case G_DF_NULL_TERM_PTR_ARRAY: {
      void* const* slots = *static_cast<void* const* const*>(v);
      n = 4;
      for (S32 i = 0; slots && slots[i]; ++i) {
        if (S32 r = add(s_pElement(t), &slots[i]); r < 0) return r;
      }
      break;
    }
    case G_DF_POINTER_TO_TYPE: {
      const void* target = *static_cast<const void* const*>(v);
      n = 4;
      if (target != nullptr) {
        if (S32 r = add(s_pElement(t), target); r < 0) return r;
      }
      break;
    }
    case G_DF_STRUCT: {
      n = 4;
      S32 offset = 0;
      for (const G_DATA_TYPE* const* m = t->DataTypes; m && *m; ++m) {
        offset = s_nMemberOffset(offset, *m);
        if (S32 r = add(*m, p + offset); r < 0) return r;
        offset += (*m)->nSizeofType;
      }
      break;
    }
    default:
      n = s_nScalarWire(t);
      if (n < 0) return DATATYPE_ERR_FORMAT;
  }
  return n > INT32_MAX ? DATATYPE_ERR_TOO_LARGE : (S32)n;
}

S32 DATATYPE_nStandardSerializer(const void* v, U8** ppOut, S32* pnRoom, S32* pnCount, const G_DATA_TYPE* t) {
  if (t == nullptr || v == nullptr || ppOut == nullptr || pnRoom == nullptr || pnCount == nullptr) {
    return DATATYPE_ERR_FORMAT;
  }
  if (S32 r = s_nCheckAligned(v, t); r < 0) return r;
  const S32 length = t->pfLength(v, t);
  if (length < 0) return length;
  bool allocated = false;
  if (*ppOut == nullptr) {
    if ((U32)length > DATATYPE_MAX_DECODED_BLOCK) return DATATYPE_ERR_ALLOC;
    *ppOut = static_cast<U8*>(H_MEMORY_pvMalloc(length > 0 ? (size_t)length : 1));
    if (*ppOut == nullptr) return DATATYPE_ERR_ALLOC;
    *pnRoom = length;
    *pnCount = 0;
    allocated = true;
  }
  if (*pnRoom < length) return DATATYPE_ERR_ROOM;
  const S32 before = *pnCount;
  Out o{ppOut, pnRoom, pnCount};
  S32 r = s_nEncode(v, o, t);
  if (r >= 0 && *pnCount - before != length) r = DATATYPE_ERR_LENGTH;
  if (r < 0) {
    if (allocated) {
      H_MEMORY_vFree(*ppOut);
      *ppOut = nullptr;
    }
    return r;
  }
  return length;
}

S32 DATATYPE_nStandardDeserializer(void** ppValue, const U8* pIn, S32* pnRoom, S32* pnCount, const G_DATA_TYPE* t) {
  if (t == nullptr || ppValue == nullptr || pnRoom == nullptr || pnCount == nullptr || (pIn == nullptr && *pnRoom > 0)) {
    return DATATYPE_ERR_FORMAT;
  }
  if (*pnRoom < 0) return DATATYPE_ERR_SHORT_INPUT;
  In in{pIn, pnRoom, pnCount};
  if (*ppValue != nullptr) {
    if (S32 r = s_nCheckAligned(*ppValue, t); r < 0) return r;
  }
  if (t->eDataFormat == G_DF_STRING || t->eDataFormat == G_DF_WSTRING) return s_nDecodeString(ppValue, in, t);
  if (s_nScalarWire(t) < 0 && (t->eDataFormat < G_DF_BUFFER || t->eDataFormat > G_DF_STRUCT)) return DATATYPE_ERR_FORMAT;
  bool allocated = false;
  if (*ppValue == nullptr) {
    *ppValue = s_pvZeroed(t->nSizeofType > 0 ? t->nSizeofType : 1);
    if (*ppValue == nullptr) return DATATYPE_ERR_ALLOC;
    allocated = true;
  }
  const S32 before = *pnCount;
  const S32 r = s_nDecode(*ppValue, in, t, allocated ? ppValue : nullptr);
  if (r < 0) {
    if (allocated) {
      t->pfDeallocate(*ppValue, TRUE, t);
      *ppValue = nullptr;
    }
    return r;
  }
  return *pnCount - before;
}

S32 DATATYPE_nStandardDeallocator(void* v, BOOLEAN bAllocated, const G_DATA_TYPE* t) {
  if (t == nullptr) return DATATYPE_ERR_FORMAT;
  if (v == nullptr) return 0;
  if (S32 r = s_nCheckAligned(v, t); r < 0) return r;
  U8* p = static_cast<U8*>(v);
  auto release = [](const G_DATA_TYPE* e, void* value, BOOLEAN allocated) {
    if (e && e->pfDeallocate) e->pfDeallocate(value, allocated, e);
  };
  switch (t->eDataFormat) {
    case G_DF_FIXED_ARRAY: {
      const G_DATA_TYPE* e = s_pElement(t);
      for (S32 i = 0; e && e->nSizeofType > 0 && i < t->nSizeofType / e->nSizeofType; ++i) {
        release(e, p + (size_t)i * e->nSizeofType, FALSE);
      }
      break;
    }
    case G_DF_DYNAMIC_ARRAY: {
      DYNAMIC_ARRAY* a = static_cast<DYNAMIC_ARRAY*>(v);
      const G_DATA_TYPE* e = s_pElement(t);
      for (S32 i = 0; a->pData && i < a->nMembers; ++i) {
        release(e, static_cast<U8*>(a->pData) + (size_t)i * e->nSizeofType, FALSE);
      }
      H_MEMORY_vFree(a->pData);
      a->pData = nullptr;
      break;
    }
    case G_DF_NULL_TERM_PTR_ARRAY: {
      void** slots = *static_cast<void***>(v);
      for (S32 i = 0; slots && slots[i]; ++i) release(s_pElement(t), &slots[i], FALSE);
      H_MEMORY_vFree(slots);
      *static_cast<void***>(v) = nullptr;
      break;
    }
    case G_DF_POINTER_TO_TYPE: {
      void** slot = static_cast<void**>(v);
      if (*slot) release(s_pElement(t), *slot, TRUE);
      *slot = nullptr;
      break;
    }
    case G_DF_STRUCT: {
      S32 offset = 0;
      for (const G_DATA_TYPE* const* m = t->DataTypes; m && *m; ++m) {
        offset = s_nMemberOffset(offset, *m);
        release(*m, p + offset, FALSE);
        offset += (*m)->nSizeofType;
      }
      break;
    }
    case G_DF_BUFFER: {
      C_BUFFER* b = static_cast<C_BUFFER*>(v);
      H_MEMORY_vFree(b->pData);
      b->pData = nullptr;
      break;
    }
    default:
      break;
  }
  if (bAllocated) H_MEMORY_vFree(v);
  return 0;
}

S32 DATATYPE_nStandardAlignment(ALIGN_TYPE eAlign, const G_DATA_TYPE* t) {
  if (t == nullptr) return DATATYPE_ERR_FORMAT;
  const S32 limit = eAlign == ALIGN_STRUCT ? MEMBER_LIMIT : MEMORY_LIMIT;
  switch (t->eDataFormat) {
    case G_DF_UNSIGNED64: case G_DF_SIGNED64: case G_DF_DOUBLE: return limit;
    case G_DF_ENUM: return std::max(1, std::min(t->nSizeofType, limit));
    case G_DF_BOOLEAN: case G_DF_UNSIGNED8: case G_DF_SIGNED8: return 1;
    case G_DF_UNSIGNED16: case G_DF_SIGNED16: return 2;
    case G_DF_OPAQUE: case G_DF_EXCLUDED: return std::max(1, std::min(t->nAlignment, limit));
    case G_DF_UNSIGNED32: case G_DF_SIGNED32: case G_DF_FLOAT: case G_DF_STRING: case G_DF_WSTRING: return 4;
    // Members that hold a pointer sit where this machine puts pointers.
    case G_DF_VOID_POINTER: case G_DF_BUFFER: case G_DF_DYNAMIC_ARRAY: case G_DF_NULL_TERM_PTR_ARRAY:
    case G_DF_POINTER_TO_TYPE:
      if (t->eDataFormat != G_DF_VOID_POINTER && t->eDataFormat != G_DF_BUFFER && s_pElement(t) == nullptr) {
        return DATATYPE_ERR_FORMAT;
      }
      return eAlign == ALIGN_STRUCT ? (S32)alignof(void*) : std::min((S32)alignof(void*), MEMORY_LIMIT);
    case G_DF_FIXED_ARRAY: {
      const G_DATA_TYPE* e = s_pElement(t);
      if (e == nullptr || e->pfAlignment == nullptr) return DATATYPE_ERR_FORMAT;
      return e->pfAlignment(eAlign, e);
    }
    case G_DF_STRUCT: {
      S32 a = 1;
      for (const G_DATA_TYPE* const* m = t->DataTypes; m && *m; ++m) {
        const S32 r = (*m)->pfAlignment ? (*m)->pfAlignment(eAlign, *m) : DATATYPE_ERR_FORMAT;
        if (r < 0) return r;
        a = std::max(a, r);
      }
      return a;
    }
    default:
      return DATATYPE_ERR_FORMAT;
  }
}

S32 DATATYPE_nStandardXmlWriter(const void*, char*, S32, const G_DATA_TYPE*) { return DATATYPE_ERR_XML_WRITE; }
S32 DATATYPE_nStandardXmlReader(void*, const char*, S32, const G_DATA_TYPE*) { return DATATYPE_ERR_XML_READ; }

// ---------------------------------------------------------------- units
namespace {
struct DATA_UNIT_CONVERSION_INFO {
  F64 dConversionRatio;
  F64 dConversionOffset;
};
const G_DATA_DIMENSION s_DataDimensionTable[G_DU_COUNT] = {
    G_DD_SCALAR, G_DD_DISTANCE_DEPTH_ALTITUDE, G_DD_DISTANCE_DEPTH_ALTITUDE, G_DD_DISTANCE_DEPTH_ALTITUDE,
    G_DD_DISTANCE_DEPTH_ALTITUDE, G_DD_DISTANCE_DEPTH_ALTITUDE, G_DD_DISTANCE_DEPTH_ALTITUDE,
    G_DD_DISTANCE_DEPTH_ALTITUDE, G_DD_SPEED, G_DD_SPEED, G_DD_SPEED, G_DD_SPEED, G_DD_TIME, G_DD_TIME,
    G_DD_TIME, G_DD_TIME, G_DD_PRESSURE, G_DD_PRESSURE, G_DD_PRESSURE, G_DD_PRESSURE, G_DD_VOLUME,
    G_DD_VOLUME, G_DD_VOLUME, G_DD_VOLUME, G_DD_POTENTIAL, G_DD_CURRENT, G_DD_CURRENT, G_DD_TEMPERATURE,
    G_DD_TEMPERATURE, G_DD_HEADING, G_DD_RATEOFTURN, G_DD_LATITUDE, G_DD_LONGITUDE};
// Single-precision constants, as the tables hold them.
const DATA_UNIT_CONVERSION_INFO s_DataConversionTable[G_DU_COUNT] = {
    {1.0f, 0}, {1.0f, 0}, {1609.347f, 0}, {1852.0f, 0}, {1000.0f, 0}, {0.0254f, 0}, {0.3048f, 0},
    {1.8288037f, 0}, {1.0f, 0}, {0.5144456f, 0}, {0.44704f, 0}, {0.2777778f, 0}, {1.0f, 0}, {60.0f, 0},
    {3600.0f, 0}, {86400.0f, 0}, {1.0f, 0}, {1.0f, 0}, {33.8639f, 0}, {1.33322f, 0}, {1.0f, 0}, {0.001f, 0},
    {0.0037854118f, 0}, {0.004546092f, 0}, {1.0f, 0}, {1.0f, 0}, {0.001f, 0}, {1.0f, 0},
    {0.5555556f, -17.777779f}, {1.0f, 0}, {1.0f, 0}, {1.0f, 0}, {1.0f, 0}};
bool s_bUnitValid(G_DATA_UNIT u) { return (S32)u >= 0 && (S32)u < G_DU_COUNT; }
}  // namespace

F64 DATATYPE_dConvertUnitToUnit(F64 dValue, G_DATA_UNIT eFrom, G_DATA_UNIT eTo) {
  if (!s_bUnitValid(eFrom) || !s_bUnitValid(eTo) || s_DataDimensionTable[eFrom] != s_DataDimensionTable[eTo]) {
    log_me("DATATYPE_dConvertDataToUnit: Incompatible unit conversion - returning 0.0");
    return 0.0;
  }
  const DATA_UNIT_CONVERSION_INFO& f = s_DataConversionTable[eFrom];
  const DATA_UNIT_CONVERSION_INFO& t = s_DataConversionTable[eTo];
  return (dValue * f.dConversionRatio + f.dConversionOffset - t.dConversionOffset) / t.dConversionRatio;
}

F64 DATATYPE_dConvertDataToUnit(F64 dValue, const G_DATA_TYPE* pType, G_DATA_UNIT eUnit) {
  return DATATYPE_dConvertUnitToUnit(dValue, pType ? pType->eDataUnit : G_DU_NONE, eUnit);
}

F64 DATATYPE_dConvertUnitToData(F64 dValue, G_DATA_UNIT eUnit, const G_DATA_TYPE* pType) {
  return DATATYPE_dConvertUnitToUnit(dValue, eUnit, pType ? pType->eDataUnit : G_DU_NONE);
}

BOOLEAN DATATYPE_bCompatibleTypes(const G_DATA_TYPE* a, const G_DATA_TYPE* b) {
  if (a == b) return TRUE;
  if (a == nullptr || b == nullptr || a->eDataFormat != b->eDataFormat) return FALSE;
  if (a->eDataFormat < G_DF_UNSIGNED64 || a->eDataFormat > G_DF_STRUCT) return FALSE;
  switch (a->eDataFormat) {
    case G_DF_ENUM: case G_DF_OPAQUE: case G_DF_EXCLUDED: return a->nSizeofType == b->nSizeofType;
    case G_DF_FIXED_ARRAY: case G_DF_DYNAMIC_ARRAY: case G_DF_NULL_TERM_PTR_ARRAY: case G_DF_POINTER_TO_TYPE:
      return DATATYPE_bCompatibleTypes(s_pElement(a), s_pElement(b));
    case G_DF_STRUCT: {
      const G_DATA_TYPE* const* m = a->DataTypes;
      const G_DATA_TYPE* const* n = b->DataTypes;
      for (; m && n && *m && *n; ++m, ++n) {
        if (!DATATYPE_bCompatibleTypes(*m, *n)) return FALSE;
      }
      return (m == nullptr || *m == nullptr) && (n == nullptr || *n == nullptr);
    }
    default: return TRUE;
  }
}

// ---------------------------------------------------------------- descriptors
#define DT_SCALAR(name, format, unit, size) \
  const G_DATA_TYPE name = G_DATA_TYPE_STANDARD(#name, format, unit, 0, size, 0, nullptr)
#define DT_ELEMENT(name, format, size, element)                                          \
  static const G_DATA_TYPE* const name##_elements[] = {&element, nullptr};              \
  const G_DATA_TYPE name = G_DATA_TYPE_STANDARD(#name, format, G_DU_NONE, 0, size, 0, name##_elements)
#define DT_STRUCTURE(name, size, ...)                                                   \
  static const G_DATA_TYPE* const name##_members[] = {__VA_ARGS__, nullptr};           \
  const G_DATA_TYPE name = G_DATA_TYPE_STANDARD(#name, G_DF_STRUCT, G_DU_NONE, 1, size, 0, name##_members)

const G_DATA_TYPE DT_DEFAULT = G_DATA_TYPE_STANDARD("DT_DEFAULT", G_DF_UNDEFINED, G_DU_NONE, 0, 0, 0, nullptr);
DT_SCALAR(DT_UNSIGNED64, G_DF_UNSIGNED64, G_DU_NONE, 8);
DT_SCALAR(DT_UNSIGNED32, G_DF_UNSIGNED32, G_DU_NONE, 4);
DT_SCALAR(DT_UNSIGNED16, G_DF_UNSIGNED16, G_DU_NONE, 2);
DT_SCALAR(DT_UNSIGNED8, G_DF_UNSIGNED8, G_DU_NONE, 1);
DT_SCALAR(DT_SIGNED64, G_DF_SIGNED64, G_DU_NONE, 8);
DT_SCALAR(DT_SIGNED32, G_DF_SIGNED32, G_DU_NONE, 4);
DT_SCALAR(DT_SIGNED16, G_DF_SIGNED16, G_DU_NONE, 2);
DT_SCALAR(DT_SIGNED8, G_DF_SIGNED8, G_DU_NONE, 1);
DT_SCALAR(DT_DOUBLE, G_DF_DOUBLE, G_DU_NONE, 8);
DT_SCALAR(DT_FLOAT, G_DF_FLOAT, G_DU_NONE, 4);
DT_SCALAR(DT_POINTER, G_DF_VOID_POINTER, G_DU_NONE, (S32)sizeof(void*));
DT_SCALAR(DT_BOOLEAN, G_DF_BOOLEAN, G_DU_NONE, 1);
DT_SCALAR(DT_STRING, G_DF_STRING, G_DU_NONE, 4);
DT_SCALAR(DT_WSTRING, G_DF_WSTRING, G_DU_NONE, 8);
DT_SCALAR(DT_BUFFER, G_DF_BUFFER, G_DU_NONE, (S32)sizeof(C_BUFFER));
DT_ELEMENT(DT_PTR_TO_UNSIGNED64, G_DF_POINTER_TO_TYPE, (S32)sizeof(void*), DT_UNSIGNED64);
DT_ELEMENT(DT_PTR_TO_UNSIGNED32, G_DF_POINTER_TO_TYPE, (S32)sizeof(void*), DT_UNSIGNED32);
DT_ELEMENT(DT_PTR_TO_UNSIGNED16, G_DF_POINTER_TO_TYPE, (S32)sizeof(void*), DT_UNSIGNED16);
DT_ELEMENT(DT_PTR_TO_UNSIGNED8, G_DF_POINTER_TO_TYPE, (S32)sizeof(void*), DT_UNSIGNED8);
DT_ELEMENT(DT_PTR_TO_SIGNED64, G_DF_POINTER_TO_TYPE, (S32)sizeof(void*), DT_SIGNED64);
DT_ELEMENT(DT_PTR_TO_SIGNED32, G_DF_POINTER_TO_TYPE, (S32)sizeof(void*), DT_SIGNED32);
DT_ELEMENT(DT_PTR_TO_SIGNED16, G_DF_POINTER_TO_TYPE, (S32)sizeof(void*), DT_SIGNED16);
DT_ELEMENT(DT_PTR_TO_SIGNED8, G_DF_POINTER_TO_TYPE, (S32)sizeof(void*), DT_SIGNED8);
DT_ELEMENT(DT_PTR_TO_DOUBLE, G_DF_POINTER_TO_TYPE, (S32)sizeof(void*), DT_DOUBLE);
DT_ELEMENT(DT_PTR_TO_FLOAT, G_DF_POINTER_TO_TYPE, (S32)sizeof(void*), DT_FLOAT);
DT_ELEMENT(DT_PTR_TO_POINTER, G_DF_POINTER_TO_TYPE, (S32)sizeof(void*), DT_POINTER);
DT_ELEMENT(DT_PTR_TO_BOOLEAN, G_DF_POINTER_TO_TYPE, (S32)sizeof(void*), DT_BOOLEAN);
DT_ELEMENT(DT_PTR_TO_STRING, G_DF_POINTER_TO_TYPE, (S32)sizeof(void*), DT_STRING);
DT_ELEMENT(DT_PTR_TO_WSTRING, G_DF_POINTER_TO_TYPE, (S32)sizeof(void*), DT_WSTRING);
DT_ELEMENT(DT_PTR_TO_BUFFER, G_DF_POINTER_TO_TYPE, (S32)sizeof(void*), DT_BUFFER);
DT_SCALAR(DT_DISTANCE, G_DF_FLOAT, G_DU_METERS, 4);
DT_SCALAR(DT_DEPTH, G_DF_FLOAT, G_DU_METERS, 4);
DT_SCALAR(DT_ALTITUDE, G_DF_FLOAT, G_DU_METERS, 4);
DT_SCALAR(DT_SPEED, G_DF_FLOAT, G_DU_MPS, 4);
DT_SCALAR(DT_TIME, G_DF_FLOAT, G_DU_SECONDS, 4);
DT_SCALAR(DT_PRESSURE, G_DF_FLOAT, G_DU_HECTOPASCALS, 4);
DT_SCALAR(DT_VOLUME, G_DF_FLOAT, G_DU_M3, 4);
DT_SCALAR(DT_POTENTIAL, G_DF_FLOAT, G_DU_VOLTS, 4);
DT_SCALAR(DT_CURRENT, G_DF_FLOAT, G_DU_AMPERES, 4);
DT_SCALAR(DT_TEMPERATURE, G_DF_FLOAT, G_DU_CELSIUS, 4);
DT_SCALAR(DT_HEADING, G_DF_FLOAT, G_DU_DEG_TRUE, 4);
DT_SCALAR(DT_MAGVAR, G_DF_FLOAT, G_DU_DEG_TRUE, 4);
DT_SCALAR(DT_RATEOFTURN, G_DF_FLOAT, G_DU_DEG_PER_MINUTE, 4);
DT_SCALAR(DT_LATITUDE, G_DF_FLOAT, G_DU_DEG_LATITUDE, 4);
DT_SCALAR(DT_LONGITUDE, G_DF_FLOAT, G_DU_DEG_LONGITUDE, 4);
DT_SCALAR(DT_DATETIME, G_DF_UNSIGNED32, G_DU_SECONDS, 4);


DT_STRUCTURE(DT_GMSG_STATUS, 16, &DT_UNSIGNED32, &DT_UNSIGNED32, &DT_UNSIGNED64);
DT_STRUCTURE(DT_GSOCKET_ADDRESS, 16, &DT_UNSIGNED32, &DT_UNSIGNED32, &DT_UNSIGNED32, &DT_UNSIGNED32);
DT_STRUCTURE(DT_GMSG_ADDRESS, 20, &DT_UNSIGNED32, &DT_GSOCKET_ADDRESS);
DT_STRUCTURE(D_GMSG_DATABASE_FETCH, (S32)sizeof(GMSG_DATABASE_FETCH), &DT_PTR_TO_STRING);
DT_STRUCTURE(D_GMSG_DATABASE_REGISTER, (S32)sizeof(GMSG_DATABASE_REGISTER), &DT_PTR_TO_STRING, &DT_UNSIGNED32);
DT_STRUCTURE(D_GMSG_DATABASE_UNREGISTER, (S32)sizeof(GMSG_DATABASE_UNREGISTER), &DT_PTR_TO_STRING);
DT_STRUCTURE(D_GMSG_DATABASE_UPDATE, (S32)sizeof(GMSG_DATABASE_UPDATE), &DT_PTR_TO_STRING, &DT_BUFFER);
DT_STRUCTURE(D_GMSG_DATABASE_NEW_DATA, (S32)sizeof(GMSG_DATABASE_NEW_DATA), &DT_PTR_TO_STRING, &DT_UNSIGNED32, &DT_BUFFER);
DT_ELEMENT(DT_ARRAY_U8, G_DF_DYNAMIC_ARRAY, (S32)sizeof(DYNAMIC_ARRAY), DT_UNSIGNED8);
DT_SCALAR(DT_CMD_ID, G_DF_ENUM, G_DU_NONE, 4);
DT_SCALAR(DT_DATASTR, G_DF_STRING, G_DU_NONE, 4);
