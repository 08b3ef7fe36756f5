// Arbitrary bytes as a received beam message: the decoder must stay inside
// them, count sensibly, and every entry it hands out must encode to a record
// that decodes to the same fields again.

#include "BeamMessage.h"
#include "JournalProps.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

void Require(bool condition)
{
    if (!condition)
        std::abort();
}

void RequireSameBlob(const DbJItem& a, const DbJItem& b)
{
    const CEBLOB* x = a.GetBlob();
    const CEBLOB* y = b.GetBlob();
    const DWORD xn = x && x->lpb ? x->dwCount : 0;
    const DWORD yn = y && y->lpb ? y->dwCount : 0;
    Require(xn == yn);
    Require(xn == 0 || std::memcmp(x->lpb, y->lpb, xn) == 0);
}

void CheckReencodes(const ZJITEMS& entry)
{
    ZStream message;
    message.WriteShort(kBeamVersion);
    message.WriteShort(1);
    EncodeBeamRecord(message, entry);
    BeamDecoded again = DecodeBeamMessage(message.Data(), message.Size());
    Require(again.entries.size() == 1 && !again.truncated && again.dropped == 0);
    for (const DbJItem* field : entry) {
        const DbJItem* copy = again.entries[0].GetItem(field->GetPropID());
        Require(copy != nullptr);
        switch (field->GetPropType()) {
        case CEVT_BLOB:
            RequireSameBlob(*field, *copy);
            break;
        case CEVT_I2:
            Require(field->GetShort() == copy->GetShort());
            break;
        case CEVT_LPWSTR:
            Require(std::u16string(field->GetStrValue() ? field->GetStrValue() : u"")
                == std::u16string(copy->GetStrValue() ? copy->GetStrValue() : u""));
            break;
        default:
            break;
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > kBeamMessageCap)
        return 0;
    BeamDecoded decoded = DecodeBeamMessage(data, static_cast<DWORD>(size));
    if (decoded.outcome != BeamDecoded::Outcome::Decoded) {
        Require(decoded.entries.empty());
        return 0;
    }
    Require(decoded.entries.size() + decoded.dropped <= decoded.announced);
    // Each whole record takes at least 44 bytes (eleven ids).
    Require(decoded.entries.size() * 44 <= size);
    for (const ZJITEMS& entry : decoded.entries) {
        Require(entry.Count() == ENTRY_FIELD_COUNT);
        CheckReencodes(entry);
    }
    return 0;
}
