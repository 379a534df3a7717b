#pragma once
// Plain-function access to the arrays (CSArray, CSArrayString, CSArrayCP) for
// code written as plain functions. The array comes first; indexes and cps
// travel as unsigned 32-bit values and "not found" as 0xFFFFFFFF. Arrays made
// by a Create or Copy function belong to the caller, who frees them with the
// matching Free function. Every function accepts a null array and then does
// nothing (answering 0, null or not found).

#include <QString>
#include <cstdint>

#include "support/CSArray.h"
#include "support/CSArrayCP.h"
#include "support/CSArrayString.h"

constexpr uint32_t kDynamicArrayNotFound = 0xFFFFFFFF;

// ---- CSArray ---------------------------------------------------------------------

// Answers true when `a` belongs after `b`.
using DynamicArrayCompare = bool (*)(const void* a, const void* b, int64_t context);

CSArray* CreateDynamicArray(uint64_t entrySize, uint64_t allocation);
// Every one of the `allocation` entries in use (zero-filled).
CSArray* CreateAndExpandDynamicArray(uint64_t entrySize, uint64_t allocation);
CSArray* CopyDynamicArray(const CSArray* array);
void FreeDynamicArray(CSArray* array);  // any of the three kinds
uint32_t AppendToDynamicArray(CSArray* array, const void* entry);
bool InsertInDynamicArray(CSArray* array, uint32_t index, const void* entry);
void DeleteFromDynamicArray(CSArray* array, uint32_t index);
void* DynamicArrayEntry(CSArray* array, uint32_t index);
void FetchDynamicArrayEntry(const CSArray* array, uint32_t index, void* buffer);
void ReplaceDynamicArrayEntry(CSArray* array, uint32_t index, const void* entry);
uint32_t SizeOfDynamicArray(const CSArray* array);
void ClearDynamicArray(CSArray* array);
void SetDynamicArrayCount(CSArray* array, uint32_t count);
uint32_t DynamicArrayEntryLength(const CSArray* array);
void SortDynamicArray(CSArray* array, DynamicArrayCompare function, int64_t context);

// ---- CSArrayString -----------------------------------------------------------------

// Answers true when (a, entryA) belongs after (b, entryB). A missing string
// arrives as the empty string.
using DynamicStringArrayCompare = bool (*)(const QString& a, const void* entryA, const QString& b, const void* entryB,
                                           int64_t context);

CSArrayString* CreateDynamicStringArray(uint64_t entrySize, uint64_t allocation);
CSArrayString* CopyDynamicStringArray(const CSArrayString* array);
void FreeDynamicStringArray(CSArrayString* array);
void ClearDynamicStringArray(CSArrayString* array);
// Copies the entry into `buffer` when given and answers the string.
QString FetchDynamicStringArrayEntry(const CSArrayString* array, uint32_t index, void* buffer);
void* DynamicStringArrayEntry(CSArrayString* array, uint32_t index);
uint32_t AppendToDynamicStringArray(CSArrayString* array, const QString& string, const void* entry);
bool InsertInSortedDynamicArray(CSArrayString* array, const QString& string, const void* entry);
bool InsertInDynamicStringArray(CSArrayString* array, uint32_t index, const QString& string, const void* entry);
bool ReplaceDynamicStringArrayEntry(CSArrayString* array, uint32_t index, const QString& string, const void* entry);
void ReplaceDynamicStringArrayData(CSArrayString* array, uint32_t index, const void* entry);
void DeleteFromDynamicStringArray(CSArrayString* array, uint32_t index);
// A null function sorts by case-insensitive string order.
void SortDynamicStringArray(CSArrayString* array, DynamicStringArrayCompare function, int64_t context);
bool FindInDynamicStringArray(const CSArrayString* array, const QString& string, uint32_t* index, bool sorted);
uint32_t DynamicStringArrayEntryLength(const CSArrayString* array);

// ---- CSArrayCP -------------------------------------------------------------------------

CSArrayCP* CreateDynamicCPArray(uint64_t entrySize, uint64_t allocation, uint32_t maxCp, uint64_t options);
uint32_t DynamicCPArrayEntryLength(const CSArrayCP* array);
bool InsertInDynamicCPArray(CSArrayCP* array, uint32_t index, uint32_t cp, const void* entry);
bool ExpandDynamicCPArray(CSArrayCP* array, uint32_t index, uint32_t n);
void DeleteFromDynamicCPArray(CSArrayCP* array, uint32_t index, uint32_t n);
uint32_t IndexOfCp(const CSArrayCP* array, uint32_t cp);
uint32_t IndexOfCpReturningCp(const CSArrayCP* array, uint32_t cp, uint32_t* actual);
uint32_t IndexOfCpSafe(const CSArrayCP* array, uint32_t cp);
uint32_t IndexOfCpAfter(const CSArrayCP* array, uint32_t cp);
uint32_t SizeOfDynamicCPArray(const CSArrayCP* array);
void ClearDynamicCPArray(CSArrayCP* array, uint32_t maxCp);
void SetDynamicCPArrayCount(CSArrayCP* array, uint32_t count, uint32_t maxCp);
// A start of 0xFFFFFFFF means: find it from the cp.
void AdjustDynamicCPArray(CSArrayCP* array, uint32_t cp, int32_t delta, uint32_t start);
uint32_t FetchDynamicCPArrayEntry(const CSArrayCP* array, uint32_t index, void* buffer);
void ReplaceDynamicCPArrayEntry(CSArrayCP* array, uint32_t index, const void* entry);
uint32_t CpAtIndex(const CSArrayCP* array, uint32_t index);
uint32_t CpAfterCp(const CSArrayCP* array, uint32_t cp, uint32_t* index);
uint32_t MaxCp(const CSArrayCP* array);
void SetMaxCp(CSArrayCP* array, uint32_t cp);
void ReplaceCp(CSArrayCP* array, uint32_t index, uint32_t cp);
void* DynamicCPArrayEntry(CSArrayCP* array, uint32_t index);
