// The parts of the file search that both builds share: the attribute filter and the
// list of names the search reads when it opens.
#include "host/host.h"
#include "host/search_internal.h"

#ifdef _WIN32
const Status kStatusNoMoreEntries = 18;  // ERROR_NO_MORE_FILES
#else
#include <errno.h>
const Status kStatusNoMoreEntries = ENODATA;
#endif

bool EntryAccepted(unsigned long attributes, unsigned long selection) {
  const unsigned long filtered = kAttributeHidden | kAttributeSystem | kAttributeVolumeLabel |
                                 kAttributeDirectory | kAttributeArchive;
  unsigned long excluded = filtered & ~selection;
  return (attributes & excluded) == 0;
}

void InitNameList(NameList* list) {
  list->data = nullptr;
  list->used = 0;
  list->capacity = 0;
  list->readAt = 0;
}

static bool Reserve(NameList* list, unsigned long extra) {
  if (list->capacity - list->used >= extra) return true;
  unsigned long capacity = list->capacity == 0 ? 4096 : list->capacity;
  while (capacity - list->used < extra) {
    if (capacity > 0x7fffffffUL) return false;
    capacity *= 2;
  }
  char* grown = static_cast<char*>(HostAllocate(capacity));
  if (grown == nullptr) return false;
  if (list->data != nullptr) {
    CopyBytes(grown, list->data, list->used);
    HostFree(list->data);
  }
  list->data = grown;
  list->capacity = capacity;
  return true;
}

bool AddName(NameList* list, const ShortText& systemName, const ShortText& consoleName) {
  if (!Reserve(list, 2UL + systemName.length + consoleName.length)) return false;
  char* at = list->data + list->used;
  *at++ = static_cast<char>(systemName.length);
  CopyBytes(at, systemName.bytes, systemName.length);
  at += systemName.length;
  *at++ = static_cast<char>(consoleName.length);
  CopyBytes(at, consoleName.bytes, consoleName.length);
  list->used += 2UL + systemName.length + consoleName.length;
  return true;
}

bool TakeName(NameList* list, ShortText* systemName, ShortText* consoleName) {
  if (list->readAt >= list->used) return false;
  const char* at = list->data + list->readAt;
  unsigned systemLength = static_cast<unsigned char>(*at++);
  *systemName = TextFromBytes(at, systemLength);
  at += systemLength;
  unsigned consoleLength = static_cast<unsigned char>(*at++);
  *consoleName = TextFromBytes(at, consoleLength);
  list->readAt += 2UL + systemLength + consoleLength;
  return true;
}

void FreeNameList(NameList* list) {
  if (list->data != nullptr) HostFree(list->data);
  InitNameList(list);
}

Status StartWalk(SearchState* state) {
  state->open = true;
  Status status = FindNextMatch(state);
  if (status != kStatusOk) CloseSearch(state);
  return status;
}

Status FindNextMatch(SearchState* state) {
  if (!state->open || !TakeName(&state->names, &state->SystemName, &state->Name))
    return kStatusNoMoreEntries;
  return kStatusOk;
}

Status CloseSearch(SearchState* state) {
  if (!state->open) return kStatusOk;
  FreeNameList(&state->names);
  state->open = false;
  return kStatusOk;
}

void BeginListing(SearchState* state, unsigned long selection) {
  state->open = false;
  state->selection = selection;
  InitNameList(&state->names);
  state->Name.length = 0;
  state->SystemName.length = 0;
}
