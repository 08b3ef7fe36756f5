#include "OrderIndex.h"

#include <algorithm>

namespace objectstore {

namespace {

// A build fills blocks to kBlockSize; inserts fill them up to the capacity,
// then the block is split in two.
constexpr std::size_t kBlockSize = 512;
constexpr std::size_t kBlockCapacity = 2 * kBlockSize;
constexpr std::size_t kSampleKeys = 256;

} // namespace

bool OrderIndex::Before(const Slot& s, std::string_view key, CEOID oid) const
{
    // string_view compares its chars as unsigned bytes, as SQLite compares blobs.
    const int c = KeyOf(s).compare(key);
    return c < 0 || (c == 0 && s.oid < oid);
}

std::size_t OrderIndex::BlockOf(std::size_t pos) const
{
    return static_cast<std::size_t>(std::upper_bound(starts_.begin(), starts_.end(), pos) - starts_.begin())
        - 1;
}

OrderEntry OrderIndex::At(std::size_t pos) const
{
    const std::size_t b = BlockOf(pos);
    const Slot& s = Begin(blocks_[b])[pos - starts_[b]];
    return { KeyOf(s), s.oid };
}

std::size_t OrderIndex::LowerBound(std::string_view key, CEOID oid) const
{
    // The first block whose last entry is not below the pair holds the answer.
    const auto block = std::partition_point(
        blocks_.begin(), blocks_.end(), [&](const Block& b) { return Before(Last(b), key, oid); });
    if (block == blocks_.end())
        return size_;
    const Slot* first = Begin(*block);
    const Slot* slot = std::partition_point(
        first, first + block->size, [&](const Slot& s) { return Before(s, key, oid); });
    return starts_[static_cast<std::size_t>(block - blocks_.begin())]
        + static_cast<std::size_t>(slot - first);
}

std::size_t OrderIndex::Find(std::string_view key, CEOID oid, std::size_t hint) const
{
    if (hint < size_) {
        const OrderEntry e = At(hint);
        if (e.oid == oid && e.key == key)
            return hint;
    }
    const std::size_t pos = LowerBound(key, oid);
    if (pos < size_) {
        const OrderEntry e = At(pos);
        if (e.oid == oid && e.key == key)
            return pos;
    }
    return npos;
}

OrderIndex::Block OrderIndex::NewBlock()
{
    if (!freeBlocks_.empty()) {
        const std::size_t at = freeBlocks_.back();
        freeBlocks_.pop_back();
        return { at, 0 };
    }
    const std::size_t at = pool_.size();
    pool_.resize(at + kBlockCapacity);
    return { at, 0 };
}

OrderIndex::Slot OrderIndex::Keep(std::string_view key, CEOID oid)
{
    const Slot s { keys_.size(), static_cast<std::uint32_t>(key.size()), oid };
    keys_.insert(keys_.end(), key.begin(), key.end());
    return s;
}

void OrderIndex::Renumber(std::size_t fromBlock)
{
    starts_.resize(blocks_.size());
    std::size_t at = fromBlock == 0 ? 0 : starts_[fromBlock - 1] + blocks_[fromBlock - 1].size;
    for (std::size_t b = fromBlock; b < blocks_.size(); ++b) {
        starts_[b] = at;
        at += blocks_[b].size;
    }
    size_ = at;
}

void OrderIndex::Insert(std::string_view key, CEOID oid)
{
    const std::size_t pos = LowerBound(key, oid);
    const Slot s = Keep(key, oid);
    if (blocks_.empty()) {
        blocks_.push_back(NewBlock());
        Renumber(0);
    }
    // The end goes to the last block; any other position to the block holding it.
    std::size_t b = pos == size_ ? blocks_.size() - 1 : BlockOf(pos);
    std::size_t offset = pos - starts_[b];
    if (blocks_[b].size == kBlockCapacity) {
        Block upper = NewBlock(); // may move the pool: take pointers afterwards
        Block& lower = blocks_[b];
        std::copy(Begin(lower) + kBlockSize, Begin(lower) + kBlockCapacity, Begin(upper));
        upper.size = kBlockCapacity - kBlockSize;
        lower.size = kBlockSize;
        blocks_.insert(blocks_.begin() + static_cast<std::ptrdiff_t>(b) + 1, upper);
        if (offset > kBlockSize) {
            ++b;
            offset -= kBlockSize;
        }
    }
    Block& block = blocks_[b];
    Slot* first = Begin(block);
    std::copy_backward(first + offset, first + block.size, first + block.size + 1);
    first[offset] = s;
    ++block.size;
    Renumber(b);
}

void OrderIndex::Erase(std::string_view key, CEOID oid)
{
    const std::size_t pos = Find(key, oid);
    if (pos == npos)
        return;
    const std::size_t b = BlockOf(pos);
    Block& block = blocks_[b];
    Slot* first = Begin(block);
    std::copy(first + (pos - starts_[b]) + 1, first + block.size, first + (pos - starts_[b]));
    if (--block.size == 0) {
        freeBlocks_.push_back(block.at);
        blocks_.erase(blocks_.begin() + static_cast<std::ptrdiff_t>(b));
    }
    Renumber(b);
    garbage_ += key.size();
    if (garbage_ > 4096 && garbage_ > keys_.size() / 2)
        DropGarbage();
}

void OrderIndex::DropGarbage()
{
    std::vector<char, BulkAllocator<char>> kept;
    kept.reserve(keys_.size() - garbage_);
    for (const Block& block : blocks_)
        for (Slot* s = Begin(block); s != Begin(block) + block.size; ++s) {
            const std::string_view key = KeyOf(*s);
            s->keyAt = kept.size();
            kept.insert(kept.end(), key.begin(), key.end());
        }
    keys_ = std::move(kept);
    garbage_ = 0;
}

void OrderIndex::Clear(std::size_t expected)
{
    expected_ = expected;
    pool_.reserve((expected / kBlockSize + 1) * kBlockCapacity);
    keys_.clear();
    garbage_ = 0;
    pool_.clear();
    freeBlocks_.clear();
    blocks_.clear();
    starts_.clear();
    size_ = 0;
}

void OrderIndex::Append(std::string_view key, CEOID oid)
{
    if (blocks_.empty() || blocks_.back().size >= kBlockSize) {
        blocks_.push_back(NewBlock());
        starts_.push_back(size_);
    }
    // The first keys tell how long keys are: room for all of them at once.
    if (size_ == kSampleKeys && expected_ > size_)
        keys_.reserve(keys_.size() / kSampleKeys * expected_ * 9 / 8);
    const Slot s = Keep(key, oid);
    Begin(blocks_.back())[blocks_.back().size++] = s;
    ++size_;
}

} // namespace objectstore
