#pragma once
// The store's full-text index: the texts of chosen properties of a database
// (text properties, and blob properties through a reader that the layer
// above registers, such as the journal's note) kept in an SQLite FTS5 table
// with the trigram tokenizer inside the store file. A "contains" search of
// three or more characters is then an index look-up instead of a walk over
// every record; shorter texts are searched by walking the records.
//
// A database's index is built by CeBuildFullTextIndex and from then on kept
// in step by every record write and delete and every change of the database,
// inside the same transaction. The index knows the database version it
// matches: a change made without keeping it in step (by a process that has
// no reader for an indexed blob property, or by an older program) leaves it
// behind, and searches walk the records until it is built again. Searches
// answer exactly alike with and without the index: the record's text
// contains the searched text, compared upper-cased code point by code point
// unless case-sensitive, as CeFindText compares; a record lacking the
// property or holding an empty text never matches.
//
// Calls follow the service's conventions (CeDatabase.h): FALSE / 0xFFFFFFFF
// plus GetLastError on failure. Thread-safe like the other Ce* calls.

#include "CeDbTypes.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Turns a blob property's bytes into the text that is searched.
using FullTextBlobReader = std::u16string (*)(const BYTE* data, std::size_t size);

// Registers the reader of blob property `prop` for this process (null
// removes it). Readers must be pure functions of the bytes.
void CeSetFullTextReader(CEPROPID prop, FullTextBlobReader reader);

// At most this many properties per database.
inline constexpr WORD kMaxFullTextProps = 8;

// Told how many records a build has read so far, every few hundred records:
// on the calling thread, inside the build's transaction (it may read the
// store, never write it).
using FullTextBuildProgress = std::function<void(DWORD recordsRead)>;

// Builds (or builds again) the index of database `db` over `props`, in one
// transaction. FALSE with 87 for a property that is neither a text nor a
// blob with a registered reader, or more than kMaxFullTextProps of them;
// 2 when there is no such database; 112 when the disk is full.
BOOL CeBuildFullTextIndex(
    CEOID db, WORD count, const CEPROPID* props, const FullTextBuildProgress& progress = {});

// Leaves the index of `db` behind: writes from now on do not keep it, and
// searches walk the records until CeBuildFullTextIndex builds it again. For
// bulk writes, after which building the index afresh is much faster than
// keeping it in step write by write. TRUE also when `db` has no index.
BOOL CeSuspendFullTextIndex(CEOID db);

// TRUE when the index of `db` covers `prop` and is in step with the
// database (searches of three or more characters will use it).
BOOL CeFullTextIndexReady(CEOID db, CEPROPID prop);

// Every record whose property `prop` contains `text`, from the record under
// the cursor on, in the handle's current order, into `found` (replaced). The
// cursor does not move. FALSE with 87 when `text` is null or `prop` is
// neither a text nor a blob with a registered reader; 6 for a bad handle.
BOOL CeFindAllText(HANDLE db, CEPROPID prop, LPCWSTR text, BOOL caseSensitive, std::vector<CEOID>& found);

// The number of records of the handle's database (whatever the cursor)
// whose property `prop` contains `text`; 0xFFFFFFFF on failure (as above).
DWORD CeCountText(HANDLE db, CEPROPID prop, LPCWSTR text, BOOL caseSensitive);

// Where a count of CeCountTextSome stands. Start with a new one ({}) and pass
// it, with the same handle, property, text and case, to every call until
// `done`; then `count` is what CeCountText gives.
struct CeTextCount {
    // Matching records counted so far: a lower bound until done.
    DWORD count = 0;
    BOOL done = FALSE;
    // The store's own: the last index row counted (record and property, so
    // a stop between two properties of one record neither skips nor counts
    // twice) and the version of the database the count is of.
    std::int64_t position = -1;
    std::int64_t version = -1;
};

// Goes on with the count of CeCountText for about `budgetMs` milliseconds, so
// that a window can count while the user types without waiting for the
// whole count. With the index usable it counts index rows on from where the
// last call stopped (every call gets on by at least a few dozen rows, even
// with no budget); otherwise (a text shorter than three characters, an index
// missing or behind) it counts the whole walk at once and is done. When the
// database changed since the last call (here or in another process), the
// count starts again from the beginning. A finished count is left as it is.
// FALSE on failure as CeCountText (87 also for a null `progress`).
BOOL CeCountTextSome(
    HANDLE db, CEPROPID prop, LPCWSTR text, BOOL caseSensitive, DWORD budgetMs, CeTextCount* progress);
