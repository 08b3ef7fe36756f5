#include "VdirPimStore.h"

#include "CodePage.h"
#include "ICalendarReader.h"
#include "StampedFileCache.h"
#include "VCard.h"

#include <QString>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <random>
#include <unordered_map>
#include <utility>

namespace {

std::u16string Folded(std::u16string_view text)
{
    const QString folded
        = QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size())).toCaseFolded();
    return std::u16string(
        reinterpret_cast<const char16_t*>(folded.utf16()), static_cast<std::size_t>(folded.size()));
}

// One row of the file-as order.
struct SortedContact {
    std::u16string key; // the folded file-as name
    const PimContact* contact;
};

bool WriteAll(int fd, const std::string& bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t written = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (written < 0)
            return false;
        done += static_cast<std::size_t>(written);
    }
    return true;
}

// Writes `bytes` as `target` whole or not at all, and never over a file that
// exists: a hidden temporary file is synced, then linked under the name.
bool WriteNewFileAtomically(const std::filesystem::path& target, const std::string& bytes, std::string& error)
{
    const std::filesystem::path temporary
        = target.parent_path() / ("." + target.filename().string() + ".tmp");
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) {
        error = "cannot create " + temporary.string();
        return false;
    }
    const bool written = WriteAll(fd, bytes) && ::fsync(fd) == 0;
    const bool closed = ::close(fd) == 0;
    const bool linked = written && closed && ::link(temporary.c_str(), target.c_str()) == 0;
    ::unlink(temporary.c_str());
    if (!linked) {
        error = "cannot write " + target.string();
        return false;
    }
    if (const int folder = ::open(target.parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
    return true;
}

} // namespace

std::u16string NewPimUid()
{
    std::random_device device;
    std::uniform_int_distribution<int> nibble(0, 15);
    static constexpr char kHex[] = "0123456789abcdef";
    std::u16string uid;
    for (int i = 0; i < 32; ++i) {
        if (i == 8 || i == 12 || i == 16 || i == 20)
            uid += u'-';
        int value = nibble(device);
        if (i == 12)
            value = 4; // version 4: random
        else if (i == 16)
            value = 8 | (value & 3); // the RFC 4122 variant
        uid += static_cast<char16_t>(kHex[value]);
    }
    return uid;
}

struct VdirPimStore::State {
    PimIdMap ids;
    StampedFileCache<std::vector<PimContact>> contacts;
    StampedFileCache<std::vector<PimCalendarItem>> calendar;
    StampedFileCache<std::vector<PimCalendarItem>> tasks;
    std::vector<SortedContact> sorted;
    std::unordered_map<DWORD, const PimContact*> byOid;
    std::vector<std::string> problems;
    long parsed = 0;
    bool idsPending = false;

    void Report(const std::string& file, const std::string& problem)
    {
        problems.push_back(file + ": " + problem);
    }

    // Reads one card file; cards without UID take the file's name.
    void ReadCards(const std::filesystem::path& path, const std::string& bytes,
        StampedFileCache<std::vector<PimContact>>::Entry& entry)
    {
        ++parsed;
        VCardReadResult result = ReadVCards(bytes);
        entry.problem = std::move(result.error);
        const std::string stem = path.stem().string();
        for (std::size_t i = 0; i < result.contacts.size(); ++i) {
            PimContact& contact = result.contacts[i];
            if (contact.uid.empty()) {
                contact.uid = DecodeSystemCodePage(stem);
                if (i > 0)
                    contact.uid += u'#' + DecodeSystemCodePage(std::to_string(i));
            }
            contact.file = path;
        }
        entry.items = std::move(result.contacts);
    }

    void RebuildOrder()
    {
        sorted.clear();
        byOid.clear();
        for (auto& [name, entry] : contacts.Entries()) {
            for (const PimContact& contact : entry.items) {
                sorted.push_back({ Folded(contact.fileAs), &contact });
                byOid.emplace(contact.oid, &contact);
            }
        }
        std::sort(sorted.begin(), sorted.end(), [](const SortedContact& a, const SortedContact& b) {
            if (a.key != b.key)
                return a.key < b.key;
            return a.contact->uid < b.contact->uid;
        });
    }

    bool UpdateContacts(const std::filesystem::path& folder)
    {
        std::error_code error;
        std::filesystem::create_directories(folder, error);
        const bool listed = contacts.Update(
            folder, ".vcf", [this](const std::filesystem::path& path, const std::string& bytes, auto& entry) {
                ReadCards(path, bytes, entry);
            });
        if (!listed)
            return false;
        // Only files read anew hold problems to report and contacts without
        // an id (or a batch of ids failed last time).
        if (!contacts.AnyChange() && !idsPending)
            return true;
        // Contacts read anew have no id yet.
        std::vector<PimContact*> fresh;
        for (auto& [name, entry] : contacts.Entries()) {
            if (!entry.problem.empty() && !entry.reported) {
                Report(name, entry.problem);
                entry.reported = true;
            }
            for (PimContact& contact : entry.items)
                if (contact.oid == 0)
                    fresh.push_back(&contact);
        }
        idsPending = !AssignIds(PimIdMap::kContact, fresh);
        RebuildOrder();
        return true;
    }

    void UpdateCalendar(
        StampedFileCache<std::vector<PimCalendarItem>>& cache, const std::filesystem::path& folder)
    {
        std::error_code error;
        std::filesystem::create_directories(folder, error);
        cache.Update(
            folder, ".ics", [](const std::filesystem::path& path, const std::string& bytes, auto& entry) {
                entry.items = ReadCalendarItems(bytes, entry.problem);
                for (PimCalendarItem& item : entry.items) {
                    if (item.uid.empty())
                        item.uid = DecodeSystemCodePage(path.stem().string());
                    item.file = path;
                }
            });
        std::vector<PimCalendarItem*> fresh[2];
        for (auto& [name, entry] : cache.Entries()) {
            if (!entry.problem.empty() && !entry.reported) {
                Report(name, entry.problem);
                entry.reported = true;
            }
            for (PimCalendarItem& item : entry.items)
                if (item.oid == 0)
                    fresh[item.isTask ? 1 : 0].push_back(&item);
        }
        AssignIds(PimIdMap::kEvent, fresh[0]);
        AssignIds(PimIdMap::kTask, fresh[1]);
    }

    // Gives items read anew their object ids, in one batch.
    // False when some could not be given.
    template <typename Item> bool AssignIds(PimIdMap::Kind kind, const std::vector<Item*>& fresh)
    {
        if (fresh.empty())
            return true;
        std::vector<std::u16string> uids;
        uids.reserve(fresh.size());
        for (const Item* item : fresh)
            uids.push_back(item->uid);
        std::vector<DWORD> oids;
        ids.Assign(kind, uids, oids);
        for (std::size_t i = 0; i < fresh.size(); ++i)
            fresh[i]->oid = oids[i];
        return std::find(oids.begin(), oids.end(), DWORD(0)) == oids.end();
    }
};

VdirPimStore::VdirPimStore()
    : state_(std::make_unique<State>())
{
}

VdirPimStore::~VdirPimStore() = default;

void VdirPimStore::SetFolders(const Folders& folders)
{
    if (folders == folders_)
        return;
    folders_ = folders;
    const long parsed = state_->parsed;
    state_ = std::make_unique<State>();
    state_->parsed = parsed;
}

bool VdirPimStore::Logon()
{
    return state_->UpdateContacts(folders_.contacts);
}

void VdirPimStore::Logoff()
{
    // What was read stays for the next Logon, which reads only what changed.
}

int VdirPimStore::ContactCount() const
{
    return static_cast<int>(state_->sorted.size());
}

const PimContact* VdirPimStore::ContactAt(int position) const
{
    if (position < 1 || position > ContactCount())
        return nullptr;
    return state_->sorted[static_cast<std::size_t>(position - 1)].contact;
}

int VdirPimStore::FindContact(std::u16string_view fileAs, int after) const
{
    const std::u16string key = Folded(fileAs);
    const auto& sorted = state_->sorted;
    auto it = std::lower_bound(sorted.begin(), sorted.end(), key,
        [](const SortedContact& row, const std::u16string& wanted) { return row.key < wanted; });
    const auto skip = static_cast<std::ptrdiff_t>(std::max(0, after));
    if (it - sorted.begin() < skip)
        it = sorted.begin() + std::min<std::ptrdiff_t>(skip, static_cast<std::ptrdiff_t>(sorted.size()));
    if (it == sorted.end() || it->key != key)
        return 0;
    return static_cast<int>(it - sorted.begin()) + 1;
}

const PimContact* VdirPimStore::ContactFromOid(DWORD oid) const
{
    if (oid == 0)
        return nullptr;
    const auto found = state_->byOid.find(oid);
    return found != state_->byOid.end() ? found->second : nullptr;
}

DWORD VdirPimStore::AddContact(const PimNewContact& added, std::string& error)
{
    std::error_code made;
    std::filesystem::create_directories(folders_.contacts, made);
    PimContact card;
    card.uid = NewPimUid();
    card.fileAs = added.fileAs;
    card.given = added.firstName;
    card.family = added.lastName;
    card.company = added.company;
    if (added.firstName == added.lastName)
        card.formattedName = added.fileAs;
    else
        card.formattedName = added.firstName.empty() || added.lastName.empty()
            ? added.firstName + added.lastName
            : added.firstName + u' ' + added.lastName;
    if (card.formattedName.empty())
        card.formattedName = added.fileAs;
    const std::filesystem::path target = folders_.contacts / (EncodeSystemCodePage(card.uid) + ".vcf");
    if (!WriteNewFileAtomically(target, WriteVCard30(card), error))
        return 0;
    if (!Logon()) {
        error = "cannot read the contacts folder again";
        return 0;
    }
    const DWORD oid = state_->ids.Find(PimIdMap::kContact, card.uid);
    if (oid == 0)
        error = "the new contact has no object id";
    return oid;
}

bool VdirPimStore::CalendarItemFromOid(DWORD oid, PimCalendarItem& item)
{
    if (oid == 0)
        return false;
    // Reading the folders gives new items their ids; unchanged files are
    // not parsed again.
    state_->UpdateCalendar(state_->calendar, folders_.calendar);
    state_->UpdateCalendar(state_->tasks, folders_.tasks);
    for (auto* cache : { &state_->calendar, &state_->tasks }) {
        for (auto& [name, entry] : cache->Entries()) {
            for (const PimCalendarItem& candidate : entry.items) {
                if (candidate.oid == oid) {
                    item = candidate;
                    return true;
                }
            }
        }
    }
    return false;
}

std::vector<std::string> VdirPimStore::TakeProblems()
{
    std::vector<std::string> problems = std::exchange(state_->problems, {});
    std::sort(problems.begin(), problems.end());
    return problems;
}

long VdirPimStore::ParsedFiles() const
{
    return state_->parsed;
}
