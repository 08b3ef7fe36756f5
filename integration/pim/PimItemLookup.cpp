#include "PimItemLookup.h"

// This build has no address book (platform/pim): items can be handed over
// only by kind and object id.

bool FindPimItemByUid(DWORD, const std::string&, PimItemRef&, std::string& error)
{
    error = "this build has no address book; use --kind and --oid";
    return false;
}

bool FindPimItemByFile(const std::string&, PimItemRef&, std::string& error)
{
    error = "this build has no address book; use --kind and --oid";
    return false;
}
