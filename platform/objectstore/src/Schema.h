#pragma once
// The object store's tables and their versions. The schema version lives in
// PRAGMA user_version and the file is marked with its own application_id, so
// a foreign SQLite file is recognised and left alone. Migrations run inside
// the caller's transaction, one step per version.
//
//   store_meta(key, value)   next_oid: the one counter every database and
//                            record OID is taken from (never reused);
//                            first_oid: where it started (stores made
//                            before it was kept started at kFirstOid)
//   databases                one row per database: name (UTF-16LE), folded
//                            name (unique), type, sort orders, record count,
//                            size, last-modified time, change version
//   records                  one row per record: OID, database, properties
//                            (RecordCodec.h)
//   sort_keys                one narrow row per record, clustered by
//                            (database, OID): its sort keys k0..k3
//                            (SortKey.h; NULL for unused slots), each slot
//                            indexed by (database, key, OID). Kept apart so
//                            that re-sorting rewrites keys, not records.

#include "Sqlite.h"

#include <string>

namespace objectstore {

inline constexpr int kSchemaVersion = 1;
inline constexpr int kApplicationId = 0x4B53544F; // "KSTO"
// New stores start their OIDs at a random point of [kFirstOid,
// kLastFirstOid], so that two journals rarely share an OID (a backup of one
// restored into another then meets few entries of the same OID). Below
// 2^30, so that three thousand million OIDs stay free for growth and the
// first thousand million stay below 2^31, where a reader taking them for
// signed numbers still reads them right. Older stores began at kFirstOid and
// keep counting from where they are.
inline constexpr std::int64_t kFirstOid = 0x10000;
inline constexpr std::int64_t kLastFirstOid = 0x3FFF0000;

// A random first OID for a new store, in [kFirstOid, kLastFirstOid].
std::int64_t RandomFirstOid();

// The index of sort slot `slot`: records of one database by key (rows that
// do not use the slot hold NULL there and stay out of it).
std::string KeyIndexSql(int slot);

// Checks that an existing file may be used: readable, passes the integrity
// check, belongs to the object store and is not newer than this code. Reads
// only. Returns "" when fine, else the reason.
std::string CheckExistingFile(Connection& db);

// True when the file still needs its tables (new or empty) or a migration:
// the work of the first writer. Reads only; a file that cannot be read
// counts as needing it.
bool NeedsSetup(Connection& db);

// Brings the schema to kSchemaVersion inside the open transaction. Sets
// `created` when the store was empty. Returns "" or the reason of failure.
std::string MigrateSchema(Connection& db, bool& created);

} // namespace objectstore
