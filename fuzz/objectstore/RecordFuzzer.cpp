// Stored records are outside input: a damaged or foreign store file may hold
// any bytes where a record belongs. This target hands arbitrary bytes to the
// record decoder and, when it accepts them, exercises everything a read does
// with the result: the read buffer is sized and filled, texts are decoded,
// and the record is stored again and must decode to the same properties.

#include "RecordCodec.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

using objectstore::PropView;

namespace {

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::vector<PropView> props;
    if (!objectstore::ParseRecord({ data, size }, props))
        return 0;

    std::vector<const PropView*> chosen;
    std::vector<CEPROPID> ids;
    for (const PropView& p : props) {
        chosen.push_back(&p);
        ids.push_back(p.id);
        if (TypeFromPropID(p.id) == CEVT_LPWSTR)
            Check(objectstore::DecodeText(p.payload).size() * 2 == p.payload.size());
    }
    // One property the record lacks, as a caller asking for it would get it.
    chosen.push_back(nullptr);
    ids.push_back(0xFFFF001F);
    std::vector<std::uint64_t> buffer((objectstore::ReadBufferSize(chosen) + 7) / 8);
    objectstore::FillReadBuffer(chosen, ids, buffer.data());
    const auto* values = reinterpret_cast<const CEPROPVAL*>(buffer.data());
    Check(values[props.size()].wFlags == CEDB_PROPNOTFOUND);

    const std::vector<BYTE> again = objectstore::SerializeRecord(props);
    Check(again.size() == size && std::memcmp(again.data(), data, size) == 0);
    return 0;
}
