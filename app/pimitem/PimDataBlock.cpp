#include "PimDataBlock.h"

#include "PimStore.h"
#include "ZTime.h"

namespace {

constexpr SHORT kConversation = 0;
constexpr SHORT kMeeting = 5;
constexpr SHORT kTask = 8;

} // namespace

bool ReadPimItem(PimStore& store, int kind, DWORD oid, PimDataBlock& block)
{
    if (kind == 0) {
        const PimContact* contact = store.ContactFromOid(oid);
        if (!contact)
            return false;
        block.itemOid = oid;
        block.subject = contact->fileAs;
        block.company = contact->company;
        block.contactName = contact->fileAs;
        block.fourthText = contact->formattedName;
        block.date = 0;
        block.entryType = kConversation;
        block.kind = 0;
        return true;
    }
    PimCalendarItem item;
    if ((kind != 1 && kind != 2) || !store.CalendarItemFromOid(oid, item) || item.isTask != (kind == 2))
        return false;
    block.itemOid = oid;
    block.subject = item.summary;
    block.company.clear();
    block.contactName.clear();
    block.fourthText = item.location;
    block.date = item.hasDate ? ZTime(item.date).Ticks() : 0;
    block.entryType = kind == 2 ? kTask : kMeeting;
    block.kind = kind;
    return true;
}
