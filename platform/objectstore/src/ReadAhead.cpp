#include "ReadAhead.h"

#include <algorithm>

namespace objectstore {

namespace {

constexpr std::size_t kFirstStretch = 32;
// At 700 bytes a record, stretches grow to about 22,000.
constexpr std::size_t kMostRecords = 32768;
// Copies beyond this size are freed when the walk ends, not kept for later.
constexpr std::size_t kKeptBytes = 1u << 20;
// The size assumed for records before any were read.
constexpr std::size_t kGuessedRecordBytes = 1024;

} // namespace

bool ReadAhead::Continues(const void* walker, std::size_t pos)
{
    const bool continues = walker == walker_ && pos == lastPos_ + 1;
    if (!continues) {
        stretch_ = 0;
        if (bytes_.capacity() > kKeptBytes)
            Release();
    }
    walker_ = walker;
    lastPos_ = pos;
    return continues;
}

std::optional<std::span<const BYTE>> ReadAhead::Find(CEOID db, CEOID oid) const
{
    if (db != db_ || held_.empty())
        return std::nullopt;
    const auto it = std::lower_bound(
        held_.begin(), held_.end(), oid, [](const Held& h, CEOID wanted) { return h.oid < wanted; });
    if (it == held_.end() || it->oid != oid)
        return std::nullopt;
    return std::span<const BYTE>(bytes_.data() + it->at, it->size);
}

std::size_t ReadAhead::AverageRecord() const
{
    return held_.empty() ? kGuessedRecordBytes : std::max<std::size_t>(1, bytes_.size() / held_.size());
}

std::size_t ReadAhead::NextStretch() const
{
    if (stretch_ == 0 || held_.empty())
        return kFirstStretch;
    // A stretch that overflowed left holes, and each hole the walk meets
    // starts a stretch of its own: the next one is halved. Otherwise the
    // stretch is sized to fill three quarters of the budget at the sizes
    // seen so far, so that records a little larger than those still fit.
    if (overflowed_)
        return std::max<std::size_t>(1, stretch_ / 2);
    const std::size_t withinBudget = std::max<std::size_t>(1, kBudgetBytes / 4 * 3 / AverageRecord());
    return std::min({ stretch_ * 2, withinBudget, kMostRecords });
}

std::size_t ReadAhead::Start(CEOID db)
{
    // Sized once from the records seen so far: growing the copies while
    // adding would move them and touch fresh memory twice.
    const std::size_t expectedBytes = std::min(NextStretch() * AverageRecord() * 5 / 4, 2 * kBudgetBytes);
    stretch_ = NextStretch();
    overflowed_ = false;
    db_ = db;
    bytes_.clear();
    bytes_.reserve(expectedBytes);
    held_.clear();
    held_.reserve(stretch_);
    return stretch_;
}

bool ReadAhead::Add(CEOID oid, std::span<const BYTE> record)
{
    if (bytes_.size() + record.size() > kBudgetBytes && !held_.empty()) {
        overflowed_ = true;
        return false;
    }
    held_.push_back({ oid, bytes_.size(), record.size() });
    bytes_.insert(bytes_.end(), record.begin(), record.end());
    return true;
}

std::size_t ReadAhead::HeldBytes() const
{
    return bytes_.size();
}

void ReadAhead::Clear()
{
    walker_ = nullptr;
    stretch_ = 0;
    Release();
}

void ReadAhead::Forget(const void* walker)
{
    if (walker == walker_)
        Clear();
}

void ReadAhead::Release()
{
    db_ = 0;
    bytes_ = {};
    held_ = {};
}

} // namespace objectstore
