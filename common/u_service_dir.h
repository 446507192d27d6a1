// The service directory: a growing set of owned strings (the service
// descriptions the service-location client collects), and one global
// directory shared by the tasks under resource mutex RES_GLOBAL_SERVICE_DIRECTORY.
#pragma once

#include "common/types.h"

// Opaque to callers.
typedef void ServiceDirectoryType;

ServiceDirectoryType* U_SERVICE_DIRECTORY_pNew(void);
// Appends the string and takes it over (it must come from H_MEMORY_pvMalloc
// or U_UTILS_strdup). FALSE, and the string freed, without a directory or
// a string, or when the array cannot grow.
BOOLEAN U_SERVICE_DIRECTORY_bAddElement(ServiceDirectoryType* pDirectory, char* pcString);
// Removes and frees the first string equal to the text; FALSE when none is
// held.
BOOLEAN U_SERVICE_DIRECTORY_bRemoveElement(ServiceDirectoryType* pDirectory, const char* pcString);
U32 U_SERVICE_DIRECTORY_u32GetNumberOfItems(const ServiceDirectoryType* pDirectory);
// The string at the index (still owned by the directory); none past the end.
const char* U_SERVICE_DIRECTORY_u32GetItem(const ServiceDirectoryType* pDirectory, U32 u32Index);
BOOLEAN U_SERVICE_DIRECTORY_pcContainsItem(const ServiceDirectoryType* pDirectory, const char* pcString);
void U_SERVICE_DIRECTORY_vFree(ServiceDirectoryType* pDirectory);
void U_SERVICE_DIRECTORY_vPrint(const ServiceDirectoryType* pDirectory);
// New directories of copies; none when nothing matches.
ServiceDirectoryType* U_SERVICE_DIRECTORY_pcFindElementsMatchingAttribute(const ServiceDirectoryType* pDirectory,
                                                                          const char* pcText);
// Every text must be contained; the list of texts ends with a null pointer.
ServiceDirectoryType* U_SERVICE_DIRECTORY_pcFindElementsMatchingAttributes(const ServiceDirectoryType* pDirectory,
                                                                           const char* pcText, ...);
// Copies of the strings of A that B does not hold; none when either is none.
ServiceDirectoryType* U_SERVICE_DIRECTORY_pcSetDifference(const ServiceDirectoryType* pA,
                                                          const ServiceDirectoryType* pB);

// The global directory with its mutex held, or none (and no lock held)
// when there is none; every non-null result is given back with
// U_SERVICE_DIRECTORY_vReleaseGobalServiceDirectory.
ServiceDirectoryType* U_SERVICE_DIRECTORY_pObtainGobalServiceDirectory(void);
void U_SERVICE_DIRECTORY_vReleaseGobalServiceDirectory(ServiceDirectoryType* pDirectory);
// Installs the directory (taken over) as the global one and frees the old.
BOOLEAN U_SERVICE_DIRECTORY_bSetGobalServiceDirectory(ServiceDirectoryType* pDirectory);
