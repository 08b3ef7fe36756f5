// kestrin-pim: the host of the "Add Kestrin Entry" menu extension. It names
// one contact, appointment or task and hands it to the journal program
// through CePimCommand, which starts the program when it does not run:
//
//     kestrin-pim FILE.vcf | FILE.ics
//     kestrin-pim --contact UID | --appointment UID | --task UID
//     kestrin-pim --kind contact|appointment|task --oid ID
//
// A file or UID is given the object id the address book gives its UID; a
// file from outside the address-book, calendar and task folders is copied
// into the folder of its kind first (see PimItemLookup.h). Exit status 0 when the
// item was handed over, 1 when it was not (the reason is shown), 2 for bad
// usage.

#include "IntegrationExports.h"
#include "PimCommand.h"
#include "PimItemLookup.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

int Usage()
{
    std::fprintf(stderr,
        "usage: kestrin-pim FILE.vcf | FILE.ics\n"
        "       kestrin-pim --contact UID | --appointment UID | --task UID\n"
        "       kestrin-pim --kind contact|appointment|task --oid ID\n");
    return 2;
}

bool ParseKind(const std::string& name, DWORD& kind)
{
    if (name == "contact")
        kind = PIM_KIND_CONTACT;
    else if (name == "appointment")
        kind = PIM_KIND_APPOINTMENT;
    else if (name == "task")
        kind = PIM_KIND_TASK;
    else
        return false;
    return true;
}

bool ParseOid(const std::string& text, DWORD& oid)
{
    char* end = nullptr;
    const unsigned long long value = std::strtoull(text.c_str(), &end, 0);
    if (text.empty() || *end != '\0' || value == 0 || value > 0xFFFFFFFFull || text[0] == '-')
        return false;
    oid = static_cast<DWORD>(value);
    return true;
}

int HandOver(DWORD kind, DWORD oid)
{
    return HandPimItem(kind, 1, &oid, PimCommandWait {}) == PimHandOver::Posted ? 0 : 1;
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc == 5 && std::string(argv[1]) == "--kind" && std::string(argv[3]) == "--oid") {
        DWORD kind = 0;
        DWORD oid = 0;
        if (!ParseKind(argv[2], kind) || !ParseOid(argv[4], oid))
            return Usage();
        return HandOver(kind, oid);
    }
    PimItemRef item;
    std::string error;
    bool found = false;
    if (argc == 3 && argv[1][0] == '-' && argv[1][1] == '-') {
        DWORD kind = 0;
        if (!ParseKind(argv[1] + 2, kind))
            return Usage();
        found = FindPimItemByUid(kind, argv[2], item, error);
    } else if (argc == 2 && argv[1][0] != '-') {
        found = FindPimItemByFile(argv[1], item, error);
    } else {
        return Usage();
    }
    if (!found) {
        std::fprintf(stderr, "kestrin-pim: %s\n", error.c_str());
        return 1;
    }
    return HandOver(item.kind, item.oid);
}
