#include "Schema.h"

#include <sqlite3.h>

#include <random>

namespace objectstore {

namespace {

// Runs a query of one integer; returns the SQLite result.
int QueryInt(Connection& db, const char* sql, std::int64_t& value)
{
    Statement st(db.Raw(), sql);
    if (st.PrepareResult() != SQLITE_OK)
        return st.PrepareResult();
    if (!st.Step())
        return st.Error() ? st.Error() : SQLITE_ERROR;
    value = st.Int(0);
    return SQLITE_OK;
}

std::string Failure(Connection& db, const char* what)
{
    return std::string(what) + ": " + db.LastMessage();
}

const char* const kCreateV1 = R"sql(
CREATE TABLE store_meta(key TEXT PRIMARY KEY, value INTEGER NOT NULL) WITHOUT ROWID;
CREATE TABLE databases(
    oid INTEGER PRIMARY KEY,
    name BLOB NOT NULL,
    name_key TEXT NOT NULL UNIQUE,
    type INTEGER NOT NULL,
    sort_specs BLOB NOT NULL,
    record_count INTEGER NOT NULL DEFAULT 0,
    size INTEGER NOT NULL DEFAULT 0,
    modified INTEGER NOT NULL,
    version INTEGER NOT NULL DEFAULT 0);
CREATE TABLE records(
    oid INTEGER PRIMARY KEY,
    db INTEGER NOT NULL,
    props BLOB NOT NULL);
CREATE TABLE sort_keys(
    db INTEGER NOT NULL,
    oid INTEGER NOT NULL,
    k0 BLOB, k1 BLOB, k2 BLOB, k3 BLOB,
    PRIMARY KEY(db, oid)) WITHOUT ROWID;
)sql";

} // namespace

std::int64_t RandomFirstOid()
{
    std::random_device entropy;
    std::uniform_int_distribution<std::int64_t> pick(kFirstOid, kLastFirstOid);
    return pick(entropy);
}

std::string KeyIndexSql(int slot)
{
    const std::string k { 'k', static_cast<char>('0' + slot) };
    return "CREATE INDEX sort_keys_" + k + " ON sort_keys(db, " + k + ") WHERE " + k + " IS NOT NULL";
}

std::string CheckExistingFile(Connection& db)
{
    Statement check(db.Raw(), "PRAGMA quick_check");
    if (check.PrepareResult() != SQLITE_OK)
        return Failure(db, "cannot be read as an object store");
    if (!check.Step())
        return Failure(db, "cannot be read as an object store");
    if (check.Text(0) != "ok")
        return "is damaged (" + std::string(check.Text(0)) + ")";
    check.Reset();

    std::int64_t appId = 0, version = 0, tables = 0;
    if (QueryInt(db, "PRAGMA application_id", appId) != SQLITE_OK
        || QueryInt(db, "PRAGMA user_version", version) != SQLITE_OK
        || QueryInt(db, "SELECT count(*) FROM sqlite_schema", tables) != SQLITE_OK)
        return Failure(db, "cannot be read as an object store");
    if (appId != kApplicationId && !(appId == 0 && tables == 0))
        return "is a database of another program, not an object store";
    if (version > kSchemaVersion)
        return "was written by a newer version of the program (schema " + std::to_string(version) + ")";
    return {};
}

bool NeedsSetup(Connection& db)
{
    std::int64_t version = 0;
    return QueryInt(db, "PRAGMA user_version", version) != SQLITE_OK || version < kSchemaVersion;
}

std::string MigrateSchema(Connection& db, bool& created)
{
    created = false;
    std::int64_t version = 0;
    if (QueryInt(db, "PRAGMA user_version", version) != SQLITE_OK)
        return Failure(db, "cannot read the schema version");
    if (version > kSchemaVersion)
        return "was written by a newer version of the program";
    if (version == 0) {
        if (db.Exec(kCreateV1) != SQLITE_OK)
            return Failure(db, "cannot create the tables");
        for (int slot = 0; slot < 4; ++slot)
            if (db.Exec(KeyIndexSql(slot).c_str()) != SQLITE_OK)
                return Failure(db, "cannot create the tables");
        Statement seed(
            db.Raw(), "INSERT INTO store_meta(key, value) VALUES('next_oid', ?1), ('first_oid', ?1)");
        if (seed.Bind(1, RandomFirstOid()).Run() != SQLITE_OK)
            return Failure(db, "cannot create the tables");
        created = true;
    }
    // Later versions add their steps here, each from the one before.
    const std::string pragmas = "PRAGMA application_id = " + std::to_string(kApplicationId)
        + "; PRAGMA user_version = " + std::to_string(kSchemaVersion) + ";";
    if (db.Exec(pragmas.c_str()) != SQLITE_OK)
        return Failure(db, "cannot record the schema version");
    return {};
}

} // namespace objectstore
