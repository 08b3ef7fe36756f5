#pragma once
// The full-text index behind FullTextIndex.h, owned by the store. Tables:
//
//   fulltext_dbs(db, props, version)  one row per indexed database: the
//                                     indexed property ids (u32 each) and
//                                     the database version the index matches
//   fulltext_<db>_text(id, original)  one row per record and property that
//                                     has a text: id = OID * 8 + the
//                                     property's slot, the text as UTF-8
//   fulltext_<db>, fulltext_<db>_exact
//                                     FTS5 indexes over those rows (external
//                                     content, so they keep no copy of the
//                                     texts), trigram tokenizer,
//                                     case-sensitive: the first fed with each
//                                     text upper-cased (searches that ignore
//                                     case), the second with the text as
//                                     written (case-sensitive searches). A
//                                     row is taken out with the very text it
//                                     was made from, read back from the
//                                     texts table, so they always agree.
//
// The tables are made by the first build; a store without them simply has no
// index. Every change the store makes to a database calls one of the hooks
// below inside its write transaction, before the database's version is
// raised: an index that matched the version before the change is brought to
// the version after it; one that did not stays behind (and is not used).
// The texts table changes with each write; the FTS5 indexes are fed at the
// end of the transaction (Flush), in one run: FTS5 writes out what it holds
// in memory at every savepoint, and the store opens one per write, so
// feeding them write by write made a restore over an indexed journal eight
// times slower. Queued changes are dropped with the savepoint or transaction
// that made them (Mark / DropAfter). Searches flush first.
// Not thread-safe: the store serialises all calls.

#include "FullTextIndex.h"
#include "RecordCodec.h"
#include "Sqlite.h"

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace objectstore {

class FullText {
public:
    explicit FullText(Connection& conn);
    ~FullText();
    FullText(const FullText&) = delete;
    FullText& operator=(const FullText&) = delete;

    static void SetReader(CEPROPID prop, FullTextBlobReader reader);
    // A text property, or a blob property with a reader.
    static bool Searchable(CEPROPID prop);
    // The searched text of a property value (null: the record lacks it);
    // false when it has none to offer (a blob without reader).
    static bool TextOf(CEPROPID prop, const PropView* value, std::u16string& out);

    // Feeds the indexes what the writes since the last flush queued; the
    // store calls it before its transaction commits. Returns a SQLite
    // result code (the transaction must then be rolled back).
    int Flush();
    // Where the queue stands, and dropping what was queued after that (the
    // savepoint or transaction that queued it was rolled back).
    std::size_t Mark() const { return queued_.size(); }
    void DropAfter(std::size_t mark);

    // Hooks of the writes; each returns a SQLite result code.
    int Written(CEOID db, CEOID oid, const std::vector<PropView>& props);
    int Deleted(CEOID db, CEOID oid);
    // Marks the index of `db` as behind (kept no more until built again).
    int LeaveBehind(CEOID db);
    // A change of the database that touches no record's text.
    int Changed(CEOID db);
    int Dropped(CEOID db);

    // Builds the index of `db` over `props` from `records` (rows of OID and
    // stored record, as Statements::recordsOf gives them, already bound).
    int Build(CEOID db, const std::vector<CEPROPID>& props, Statement& records,
        const FullTextBuildProgress& progress);

    // The slot of `prop` in the in-step index of `db`, or -1.
    int ReadySlot(CEOID db, CEPROPID prop);
    // OIDs (ascending) whose slot text contains `text` (three or more code
    // points; see UsableFor). Returns a SQLite result code.
    int Query(CEOID db, int slot, const std::u16string& text, bool caseSensitive, std::vector<CEOID>& out);
    // Counts the records whose slot text contains `text` on from where
    // `progress` stands, until the rows run out (done) or `deadline` passes
    // (the clock is read every few dozen rows, so every call gets on by at
    // least that many). Returns a SQLite result code.
    int Count(CEOID db, int slot, const std::u16string& text, bool caseSensitive,
        std::optional<std::chrono::steady_clock::time_point> deadline, CeTextCount& progress);
    // Can the index answer a search for `text`? Shorter texts than a trigram,
    // and texts with unpaired surrogates (which do not survive the index's
    // UTF-8), are searched by walking instead.
    static bool UsableFor(const std::u16string& text);

private:
    struct Tables;
    // One change of an index row waiting for Flush: added, or taken out
    // with the text it was made from.
    struct QueuedChange {
        CEOID db;
        bool add;
        std::int64_t row;
        std::string original;
    };
    Tables* TablesOf(CEOID db);
    int Apply(Tables& t, const QueuedChange& change);
    void DropQueuedOf(CEOID db);
    // Steps through the index rows whose text contains `text`, rowid
    // ascending from after `position`, calling `visit` with each rowid until
    // it returns false. `position` is left at the last row visited;
    // `finished` says whether the rows ran out. Returns a SQLite result code.
    int Scan(CEOID db, const std::u16string& text, bool caseSensitive, std::int64_t& position,
        const std::function<bool(std::int64_t row)>& visit, bool& finished);
    // Raises the index of `db` to the database's next version when it is in
    // step; sets `props` to its properties then (else leaves it empty).
    int Advance(CEOID db, std::vector<CEPROPID>& props);
    // Adds the record's texts; the index rows are queued, or written at once
    // when `now` (a build, which opens no savepoints).
    int Insert(Tables& t, CEOID db, CEOID oid, const std::vector<CEPROPID>& props,
        const std::vector<PropView>& values, bool now);
    // Takes the rows of record `oid` out of the texts and the index.
    int Remove(Tables& t, CEOID db, CEOID oid);
    bool PrepareMeta();
    void Forget(CEOID db);

    Connection& conn_;
    std::unique_ptr<Statement> advance_, ready_;
    // The schema's version when preparing advance_ and ready_ last failed
    // (-1: not failed): until the schema changes there is nothing to retry.
    std::unique_ptr<Statement> schemaVersion_;
    std::int64_t failedAtSchema_ = -1;
    std::map<CEOID, std::unique_ptr<Tables>> tables_;
    std::vector<QueuedChange> queued_;
};

} // namespace objectstore
