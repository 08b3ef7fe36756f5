#pragma once
// The fields of an entry record read straight from its properties, for the
// bulk readers (backup, export) that visit every entry once and need no
// property set: a field the record lacks has the value a property set
// starts with (DbJItem's no-value markers, empty text and blob). Private to
// the data layer; plain functions.

#include "RecordProps.h"
#include "ZFilter.h"

// The value of field `propId` in `props`, or its no-value default.
CEPROPVAL EntryValue(const RecordProps& props, CEPROPID propId);
// The record holds no record type, or the entry kind.
bool IsEntryRecord(const RecordProps& props);
// The entry passes `filter` (always when it is inactive).
bool PassesFilter(const ZFilter& filter, const RecordProps& props);
