#include "FullText.h"

#include "SortKey.h"
#include "TextMatch.h"

#include <QChar>
#include <QString>

#include <sqlite3.h>

#include <algorithm>
#include <mutex>
#include <unordered_map>

namespace objectstore {

namespace {

// Readers are registered once per process by the layer above, before or
// after the store opens; the store's lock does not cover registration.
std::mutex& ReadersMutex()
{
    static std::mutex mutex;
    return mutex;
}

std::unordered_map<CEPROPID, FullTextBlobReader>& Readers()
{
    static std::unordered_map<CEPROPID, FullTextBlobReader> readers;
    return readers;
}

FullTextBlobReader ReaderOf(CEPROPID prop)
{
    std::lock_guard lock(ReadersMutex());
    const auto it = Readers().find(prop);
    return it == Readers().end() ? nullptr : it->second;
}

std::string TableName(CEOID db)
{
    return "fulltext_" + std::to_string(db);
}

std::int64_t RowId(CEOID oid, std::size_t slot)
{
    return std::int64_t(oid) * kMaxFullTextProps + std::int64_t(slot);
}

std::vector<BYTE> PropBytes(const std::vector<CEPROPID>& props)
{
    std::vector<BYTE> out;
    for (CEPROPID p : props)
        AppendLittleEndian(out, p, 4);
    return out;
}

std::vector<CEPROPID> PropsOf(std::span<const BYTE> bytes)
{
    std::vector<CEPROPID> props;
    for (std::size_t at = 0; at + 4 <= bytes.size(); at += 4)
        props.push_back(static_cast<CEPROPID>(ReadLittleEndian(bytes.subspan(at, 4))));
    return props;
}

// An index `name``suffix` over the texts of `name`_text that keeps no copy
// of them.
std::string IndexSql(const std::string& name, const char* suffix)
{
    return "CREATE VIRTUAL TABLE " + name + suffix + " USING fts5(original, content = '" + name
        + "_text', content_rowid = 'id', tokenize = 'trigram case_sensitive 1');";
}

// The text as the folded index holds it: upper-cased as the search compares.
std::string Folded(std::string_view utf8)
{
    std::u16string text = QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())).toStdU16String();
    MakeUpper(text);
    return Utf8(text);
}

// An FTS5 phrase of the whole text.
std::string PhraseQuery(const std::string& text)
{
    std::string phrase = "\"";
    for (char c : text) {
        phrase += c;
        if (c == '"')
            phrase += '"';
    }
    return phrase + "\"";
}

} // namespace

// The statements of one database's tables: `folded` is the index of the
// upper-cased texts, `exact` the index of the texts as written.
struct FullText::Tables {
    Tables(sqlite3* db, const std::string& name)
        : texts(db, "SELECT id, original FROM " + name + "_text WHERE id BETWEEN ? AND ?")
        , removeTexts(db, "DELETE FROM " + name + "_text WHERE id BETWEEN ? AND ?")
        , insertText(db, "INSERT INTO " + name + "_text(id, original) VALUES(?, ?)")
        , folded(db, name)
        , exact(db, name + "_exact")
    {
    }
    bool Ready() const
    {
        return texts.PrepareResult() == SQLITE_OK && removeTexts.PrepareResult() == SQLITE_OK
            && insertText.PrepareResult() == SQLITE_OK && folded.Ready() && exact.Ready();
    }

    struct Index {
        Index(sqlite3* db, const std::string& table)
            : add(db, "INSERT INTO " + table + "(rowid, original) VALUES(?, ?)")
            , remove(db, "INSERT INTO " + table + "(" + table + ", rowid, original) VALUES('delete', ?, ?)")
            , match(db, "SELECT rowid FROM " + table + " WHERE " + table + " MATCH ? AND rowid > ? ORDER BY rowid")
        {
        }
        bool Ready() const
        {
            return add.PrepareResult() == SQLITE_OK && remove.PrepareResult() == SQLITE_OK
                && match.PrepareResult() == SQLITE_OK;
        }
        Statement add, remove, match;
    };

    Statement texts, removeTexts, insertText;
    Index folded, exact;
};

FullText::FullText(Connection& conn)
    : conn_(conn)
{
}

FullText::~FullText() = default;

void FullText::SetReader(CEPROPID prop, FullTextBlobReader reader)
{
    std::lock_guard lock(ReadersMutex());
    if (reader)
        Readers()[prop] = reader;
    else
        Readers().erase(prop);
}

bool FullText::Searchable(CEPROPID prop)
{
    if (NumberFromPropID(prop) == 0)
        return false;
    const WORD type = TypeFromPropID(prop);
    return type == CEVT_LPWSTR || (type == CEVT_BLOB && ReaderOf(prop) != nullptr);
}

bool FullText::TextOf(CEPROPID prop, const PropView* value, std::u16string& out)
{
    out.clear();
    if (TypeFromPropID(prop) == CEVT_LPWSTR) {
        if (value)
            out = DecodeText(value->payload);
        return true;
    }
    const FullTextBlobReader reader = ReaderOf(prop);
    if (!reader)
        return false;
    if (value && !value->payload.empty())
        out = reader(value->payload.data(), value->payload.size());
    return true;
}

bool FullText::UsableFor(const std::u16string& text)
{
    std::size_t codePoints = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && QChar::isLowSurrogate(text[i + 1]))
            ++i;
        else if (QChar::isSurrogate(c) || c == 0xFFFD)
            return false;
        ++codePoints;
    }
    return codePoints >= 3;
}

bool FullText::PrepareMeta()
{
    if (advance_ && ready_)
        return true;
    // Missing tables (no index was ever built) fail to prepare. Preparing
    // is tried again only once the schema has changed (this process or
    // another may build an index): a failed prepare on every write of a
    // journal without an index took a sixth of the time of its writes.
    if (!schemaVersion_)
        schemaVersion_ = std::make_unique<Statement>(conn_.Raw(), "PRAGMA schema_version");
    std::int64_t schema = -1;
    if (schemaVersion_->Step())
        schema = schemaVersion_->Int(0);
    schemaVersion_->Reset();
    if (schema >= 0 && schema == failedAtSchema_)
        return false;
    auto advance = std::make_unique<Statement>(conn_.Raw(),
        "UPDATE fulltext_dbs SET version = version + 1 WHERE db = ?1 AND version = "
        "(SELECT version FROM databases WHERE oid = ?1) RETURNING props");
    auto ready = std::make_unique<Statement>(conn_.Raw(),
        "SELECT f.props FROM fulltext_dbs f JOIN databases d ON d.oid = f.db "
        "WHERE f.db = ? AND f.version = d.version");
    if (advance->PrepareResult() != SQLITE_OK || ready->PrepareResult() != SQLITE_OK) {
        failedAtSchema_ = schema;
        return false;
    }
    advance_ = std::move(advance);
    ready_ = std::move(ready);
    return true;
}

FullText::Tables* FullText::TablesOf(CEOID db)
{
    auto it = tables_.find(db);
    if (it == tables_.end()) {
        auto t = std::make_unique<Tables>(conn_.Raw(), TableName(db));
        if (!t->Ready())
            return nullptr;
        it = tables_.emplace(db, std::move(t)).first;
    }
    return it->second.get();
}

void FullText::Forget(CEOID db)
{
    tables_.erase(db);
}

int FullText::Advance(CEOID db, std::vector<CEPROPID>& props)
{
    props.clear();
    if (!PrepareMeta())
        return SQLITE_OK;
    Statement& q = *advance_;
    q.Bind(1, db);
    if (q.Step())
        props = PropsOf(q.Blob(0));
    const int rc = q.Error();
    q.Reset();
    return rc;
}

int FullText::Insert(Tables& t, CEOID db, CEOID oid, const std::vector<CEPROPID>& props,
    const std::vector<PropView>& values, bool now)
{
    std::u16string text;
    for (std::size_t slot = 0; slot < props.size(); ++slot) {
        const PropView* value = nullptr;
        for (const PropView& v : values)
            if (v.id == props[slot])
                value = &v;
        TextOf(props[slot], value, text);
        if (text.empty())
            continue;
        QueuedChange added { db, true, RowId(oid, slot), Utf8(text) };
        if (const int rc = t.insertText.Bind(1, added.row).Bind(2, added.original).Run())
            return rc;
        if (now) {
            if (const int rc = Apply(t, added))
                return rc;
        } else {
            queued_.push_back(std::move(added));
        }
    }
    return SQLITE_OK;
}

int FullText::Remove(Tables& t, CEOID db, CEOID oid)
{
    // The indexes keep no text of their own: each row is taken out with the
    // very text (folded for the folded index) it was made from.
    const std::size_t before = queued_.size();
    Statement& q = t.texts;
    q.Bind(1, RowId(oid, 0)).Bind(2, RowId(oid, kMaxFullTextProps - 1));
    while (q.Step())
        queued_.push_back({ db, false, q.Int(0), std::string(q.Text(1)) });
    int rc = q.Error();
    q.Reset();
    if (rc == SQLITE_OK && queued_.size() > before)
        rc = t.removeTexts.Bind(1, RowId(oid, 0)).Bind(2, RowId(oid, kMaxFullTextProps - 1)).Run();
    return rc;
}

int FullText::Apply(Tables& t, const QueuedChange& change)
{
    const std::string folded = Folded(change.original);
    if (change.add) {
        if (const int rc = t.folded.add.Bind(1, change.row).Bind(2, folded).Run())
            return rc;
        return t.exact.add.Bind(1, change.row).Bind(2, change.original).Run();
    }
    if (const int rc = t.folded.remove.Bind(1, change.row).Bind(2, folded).Run())
        return rc;
    return t.exact.remove.Bind(1, change.row).Bind(2, change.original).Run();
}

int FullText::Flush()
{
    std::vector<QueuedChange> changes = std::exchange(queued_, {});
    for (const QueuedChange& change : changes) {
        Tables* t = TablesOf(change.db);
        if (!t)
            return SQLITE_CORRUPT;
        if (const int rc = Apply(*t, change))
            return rc;
    }
    return SQLITE_OK;
}

void FullText::DropAfter(std::size_t mark)
{
    if (mark < queued_.size())
        queued_.resize(mark);
}

// Changes queued for a database that is dropped or built anew have nothing
// left to change.
void FullText::DropQueuedOf(CEOID db)
{
    std::erase_if(queued_, [db](const QueuedChange& change) { return change.db == db; });
}

int FullText::Written(CEOID db, CEOID oid, const std::vector<PropView>& props)
{
    std::vector<CEPROPID> indexed;
    if (const int rc = Advance(db, indexed))
        return rc;
    if (indexed.empty())
        return SQLITE_OK;
    // A process without the reader of an indexed blob cannot keep the index:
    // it leaves it behind instead of writing a wrong text.
    for (CEPROPID p : indexed)
        if (!Searchable(p))
            return LeaveBehind(db);
    Tables* t = TablesOf(db);
    if (!t)
        return SQLITE_CORRUPT;
    if (const int rc = Remove(*t, db, oid))
        return rc;
    return Insert(*t, db, oid, indexed, props, false);
}

int FullText::LeaveBehind(CEOID db)
{
    DropQueuedOf(db);
    if (!PrepareMeta())
        return SQLITE_OK;
    return conn_.Exec(("UPDATE fulltext_dbs SET version = -1 WHERE db = " + std::to_string(db)).c_str());
}

int FullText::Deleted(CEOID db, CEOID oid)
{
    std::vector<CEPROPID> indexed;
    if (const int rc = Advance(db, indexed))
        return rc;
    if (indexed.empty())
        return SQLITE_OK;
    Tables* t = TablesOf(db);
    return t ? Remove(*t, db, oid) : SQLITE_CORRUPT;
}

int FullText::Changed(CEOID db)
{
    std::vector<CEPROPID> indexed;
    return Advance(db, indexed);
}

int FullText::Dropped(CEOID db)
{
    Forget(db);
    DropQueuedOf(db);
    if (!PrepareMeta())
        return SQLITE_OK;
    const std::string sql = "DELETE FROM fulltext_dbs WHERE db = " + std::to_string(db) + "; DROP TABLE IF EXISTS "
        + TableName(db) + "; DROP TABLE IF EXISTS " + TableName(db) + "_exact; DROP TABLE IF EXISTS "
        + TableName(db) + "_text;";
    return conn_.Exec(sql.c_str());
}

int FullText::Build(
    CEOID db, const std::vector<CEPROPID>& props, Statement& records, const FullTextBuildProgress& progress)
{
    Forget(db);
    DropQueuedOf(db);
    const std::string name = TableName(db);
    const std::string create = "CREATE TABLE IF NOT EXISTS fulltext_dbs("
                               "db INTEGER PRIMARY KEY, props BLOB NOT NULL, version INTEGER NOT NULL);"
                               "DROP TABLE IF EXISTS "
        + name + "; DROP TABLE IF EXISTS " + name + "_exact; DROP TABLE IF EXISTS " + name + "_text; CREATE TABLE "
        + name + "_text(id INTEGER PRIMARY KEY, original TEXT NOT NULL);" + IndexSql(name, "")
        + IndexSql(name, "_exact");
    if (const int rc = conn_.Exec(create.c_str())) {
        records.Reset();
        return rc;
    }
    Tables* t = TablesOf(db);
    if (!t) {
        records.Reset();
        return SQLITE_ERROR;
    }
    constexpr DWORD kProgressEvery = 256;
    std::vector<PropView> values;
    int rc = SQLITE_OK;
    DWORD read = 0;
    while (rc == SQLITE_OK && records.Step()) {
        // A damaged record has no text to offer; reading it reports the damage.
        if (ParseRecord(records.Blob(1), values))
            rc = Insert(*t, db, static_cast<CEOID>(records.Int(0)), props, values, true);
        if (progress && ++read % kProgressEvery == 0)
            progress(read);
    }
    if (rc == SQLITE_OK)
        rc = records.Error();
    records.Reset();
    if (rc)
        return rc;
    Statement mark(conn_.Raw(),
        "INSERT OR REPLACE INTO fulltext_dbs(db, props, version) "
        "SELECT oid, ?, version FROM databases WHERE oid = ?");
    return mark.Bind(1, PropBytes(props)).Bind(2, db).Run();
}

int FullText::ReadySlot(CEOID db, CEPROPID prop)
{
    if (!PrepareMeta())
        return -1;
    Statement& q = *ready_;
    q.Bind(1, db);
    std::vector<CEPROPID> props;
    if (q.Step())
        props = PropsOf(q.Blob(0));
    q.Reset();
    const auto it = std::find(props.begin(), props.end(), prop);
    return it == props.end() ? -1 : static_cast<int>(it - props.begin());
}

int FullText::Scan(CEOID db, const std::u16string& text, bool caseSensitive, std::int64_t& position,
    const std::function<bool(std::int64_t row)>& visit, bool& finished)
{
    finished = false;
    // Writes of the open transaction are searched too.
    if (const int rc = Flush())
        return rc;
    Tables* t = TablesOf(db);
    if (!t)
        return SQLITE_ERROR;
    // Each index answers its search exactly: the folded one the search that
    // ignores case, the exact one the case-sensitive search. The index seeks
    // to the rowid bound, so going on from a position costs no more than
    // the rows after it.
    const std::string wanted = Utf8(text);
    const std::string phrase = PhraseQuery(caseSensitive ? wanted : Folded(wanted));
    Statement& q = caseSensitive ? t->exact.match : t->folded.match;
    q.Bind(1, phrase).Bind(2, position);
    bool more = true;
    while (more && q.Step()) {
        position = q.Int(0);
        more = visit(position);
    }
    finished = more;
    const int rc = q.Error();
    q.Reset();
    return rc;
}

int FullText::Query(
    CEOID db, int slot, const std::u16string& text, bool caseSensitive, std::vector<CEOID>& out)
{
    out.clear();
    std::int64_t position = -1; // before the first row (rowids are never negative)
    bool finished = false;
    return Scan(db, text, caseSensitive, position, [&](std::int64_t row) {
        if (row % kMaxFullTextProps == slot)
            out.push_back(static_cast<CEOID>(row / kMaxFullTextProps));
        return true;
    }, finished);
}

int FullText::Count(CEOID db, int slot, const std::u16string& text, bool caseSensitive,
    std::optional<std::chrono::steady_clock::time_point> deadline, CeTextCount& progress)
{
    // Reading the clock costs more than a row; a few dozen rows take some
    // microseconds, so the budget is kept to well under a millisecond.
    constexpr int kRowsPerClockLook = 32;
    int rows = 0;
    bool finished = false;
    const int rc = Scan(db, text, caseSensitive, progress.position, [&](std::int64_t row) {
        if (row % kMaxFullTextProps == slot)
            ++progress.count;
        return !deadline || ++rows % kRowsPerClockLook != 0 || std::chrono::steady_clock::now() < *deadline;
    }, finished);
    progress.done = rc == SQLITE_OK && finished;
    return rc;
}

} // namespace objectstore
