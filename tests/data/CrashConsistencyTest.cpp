// A process that dies in the middle of writing or deleting an entry leaves
// the journal and its relation index consistent: all of the change or none.

#include "DataFaultPoints.h"
#include "JournalFixture.h"
#include "ObjectStore.h"

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

namespace {

void DieHere(DataFault)
{
    raise(SIGKILL);
}

// Runs `work` in a child process that is killed at the fault point; returns
// true when the child died of SIGKILL.
template <typename Work> bool RunAndKill(Work work)
{
    ObjectStore::Close(); // the child must not share the parent's connection
    pid_t child = fork();
    if (child == 0) {
        SetDataFaultHandler(DieHere);
        work();
        _exit(0); // reaching here means the fault point was never hit
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
}

} // namespace

class CrashConsistency : public ::testing::Test {
protected:
    TempHome home;
    RecordingUiHooks hooks;
    ScopedUiHooks scoped { hooks };
};

TEST_F(CrashConsistency, DeathBetweenRecordAndReferencesLeavesNoTrace)
{
    {
        DbKestrin db;
        ASSERT_EQ(db.Open(nullptr), 1);
    }
    bool killed = RunAndKill([] {
        DbKestrin db;
        db.Open(nullptr);
        ZJITEMS set = MakeEntry({ .subject = u"half", .categories = { u"Work" }, .contacts = { u"Ann" } });
        db.Write(0, &set);
    });
    ASSERT_TRUE(killed);

    DbKestrin db;
    ASSERT_EQ(db.Open(nullptr), 1);
    EXPECT_EQ(db.GetRecCount(KIND_ENTRY), 0u);
    EXPECT_EQ(db.GetRelX().Find(u"Work", KIND_CATEGORY), 0u);
    EXPECT_EQ(db.GetRelX().Find(u"Ann", KIND_CONTACT), 0u);
}

TEST_F(CrashConsistency, DeathBeforeTheRecordGoesKeepsEntryAndReferences)
{
    CEOID entry = 0;
    {
        DbKestrin db;
        ASSERT_EQ(db.Open(nullptr), 1);
        ZJITEMS set = MakeEntry({ .subject = u"kept", .categories = { u"Work" }, .contacts = { u"Ann" } });
        entry = db.Write(0, &set);
        ASSERT_NE(entry, 0u);
    }
    bool killed = RunAndKill([entry] {
        DbKestrin db;
        db.Open(nullptr);
        db.DeleteEntry(entry);
    });
    ASSERT_TRUE(killed);

    DbKestrin db;
    ASSERT_EQ(db.Open(nullptr), 1);
    ZJITEMS set;
    EXPECT_EQ(db.Read(entry, &set, FALSE), entry);
    ZOidsProp list;
    ASSERT_TRUE(db.GetRelX().GetOidList(u"Work", list, KIND_CATEGORY));
    EXPECT_TRUE(list.Contains(entry));
    ASSERT_TRUE(db.GetRelX().GetOidList(u"Ann", list, KIND_CONTACT));
    EXPECT_TRUE(list.Contains(entry));
}
