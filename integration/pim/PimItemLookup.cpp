#include "PimItemLookup.h"

#include "AddressBook.h"
#include "AtomicFileWriter.h"
#include "CodePage.h"
#include "ICalendarReader.h"
#include "IntegrationExports.h"
#include "PimIdMap.h"
#include "ProgramNames.h"
#include "VCard.h"
#include "ZFile.h"
#include "ZRegistry.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <sstream>

namespace {

// Contact and calendar files are small; anything larger is not one.
constexpr std::uintmax_t kMaxFileBytes = 16u << 20;

struct FileItem {
    DWORD kind = 0;
    std::u16string uid;
};

bool ReadWhole(const std::filesystem::path& file, std::string& bytes, std::string& error)
{
    std::error_code failed;
    const std::uintmax_t size = std::filesystem::file_size(file, failed);
    if (failed) {
        error = "cannot read " + file.string() + ": " + failed.message();
        return false;
    }
    if (size > kMaxFileBytes) {
        error = file.string() + " is too large for a contact or calendar file";
        return false;
    }
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    if (!in) {
        error = "cannot read " + file.string();
        return false;
    }
    bytes = text.str();
    return true;
}

std::string LowerExtension(const std::filesystem::path& file)
{
    std::string extension = file.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
        [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension;
}

bool FirstContact(
    const std::string& bytes, const std::filesystem::path& file, FileItem& item, std::string& error)
{
    const VCardReadResult read = ReadVCards(bytes);
    if (read.contacts.empty()) {
        error = file.string() + ": " + (read.error.empty() ? "no contact card" : read.error);
        return false;
    }
    item.kind = PIM_KIND_CONTACT;
    // A card without UID is known by its file's name, as the address book knows it.
    item.uid = read.contacts.front().uid.empty() ? DecodeSystemCodePage(file.stem().string())
                                                 : read.contacts.front().uid;
    return true;
}

bool FirstCalendarItem(
    const std::string& bytes, const std::filesystem::path& file, FileItem& item, std::string& error)
{
    std::string problem;
    const std::vector<PimCalendarItem> items = ReadCalendarItems(bytes, problem);
    if (items.empty()) {
        error = file.string() + ": " + (problem.empty() ? "no event or task" : problem);
        return false;
    }
    item.kind = items.front().isTask ? PIM_KIND_TASK : PIM_KIND_APPOINTMENT;
    item.uid = items.front().uid.empty() ? DecodeSystemCodePage(file.stem().string()) : items.front().uid;
    return true;
}

PimIdMap::Kind MapKind(DWORD kind)
{
    switch (kind) {
    case PIM_KIND_APPOINTMENT:
        return PimIdMap::kEvent;
    case PIM_KIND_TASK:
        return PimIdMap::kTask;
    default:
        return PimIdMap::kContact;
    }
}

// The program's settings, open for one lookup. A store kept in a static
// would be closed at exit after the registry itself had gone, and say so.
class ProgramSettings : public ZRegistry {
public:
    ProgramSettings() { Open(kProgramProfileKey); }
};

std::filesystem::path FolderOf(DWORD kind)
{
    ProgramSettings settings;
    const VdirPimStore::Folders folders = AddressBook::Folders(settings);
    switch (kind) {
    case PIM_KIND_APPOINTMENT:
        return folders.calendar;
    case PIM_KIND_TASK:
        return folders.tasks;
    default:
        return folders.contacts;
    }
}

// True when the address book (or calendar, or task list) holds the item.
bool StoreHolds(DWORD kind, DWORD oid)
{
    ProgramSettings settings;
    PimStore& store = AddressBook::Store(settings);
    if (!store.Logon())
        return false;
    PimCalendarItem item;
    const bool held = kind == PIM_KIND_CONTACT
        ? store.ContactFromOid(oid) != nullptr
        : store.CalendarItemFromOid(oid, item) && item.isTask == (kind == PIM_KIND_TASK);
    store.Logoff();
    return held;
}

// Copies the item's file into its folder as "<uid><extension>", whole or
// not at all and never over a file that is there already.
bool Import(const FileItem& item, const std::string& bytes, const std::string& extension, std::string& error)
{
    const std::filesystem::path folder = FolderOf(item.kind);
    std::error_code failed;
    std::filesystem::create_directories(folder, failed);
    std::string name = EncodeSystemCodePage(item.uid);
    std::replace(name.begin(), name.end(), '/', '_');
    if (name.empty() || name[0] == '.')
        name.insert(0, "item");
    const std::filesystem::path target = folder / (name + extension);
    if (std::filesystem::exists(target, failed)) {
        error = target.string() + " exists already and holds another item";
        return false;
    }
    AtomicFileWriter writer(DecodeSystemCodePage(target.string()).c_str());
    if (!writer.Open() || writer.File().Write(bytes.data(), static_cast<DWORD>(bytes.size())) != bytes.size()
        || !writer.Commit()) {
        error = "cannot write " + target.string();
        return false;
    }
    return true;
}

} // namespace

bool FindPimItemByUid(DWORD kind, const std::string& uid, PimItemRef& item, std::string& error)
{
    PimIdMap ids;
    const DWORD oid = ids.Find(MapKind(kind), DecodeSystemCodePage(uid));
    if (oid == 0 || !StoreHolds(kind, oid)) {
        error = "no item with UID " + uid + " in " + FolderOf(kind).string();
        return false;
    }
    item.kind = kind;
    item.oid = oid;
    return true;
}

bool FindPimItemByFile(const std::string& name, PimItemRef& item, std::string& error)
{
    const std::filesystem::path file = std::filesystem::absolute(name);
    std::string bytes;
    if (!ReadWhole(file, bytes, error))
        return false;
    const std::string extension = LowerExtension(file);
    FileItem found;
    bool read = false;
    if (extension == ".ics")
        read = FirstCalendarItem(bytes, file, found, error);
    else if (extension == ".vcf" || extension == ".vcard")
        read = FirstContact(bytes, file, found, error);
    else
        error = file.string() + " is not a contact (.vcf) or calendar (.ics) file";
    if (!read)
        return false;

    PimIdMap ids;
    std::vector<DWORD> assigned;
    if (!ids.Assign(MapKind(found.kind), { found.uid }, assigned) || assigned.empty() || assigned[0] == 0) {
        error = "the object store cannot give the item an id";
        return false;
    }
    // An item handed over from elsewhere (a file manager, another program's
    // export) joins the address book, so the program finds it there.
    if (!StoreHolds(found.kind, assigned[0])) {
        if (!Import(found, bytes, extension == ".ics" ? ".ics" : ".vcf", error))
            return false;
        if (!StoreHolds(found.kind, assigned[0])) {
            error = "the address book does not read " + file.string();
            return false;
        }
    }
    item.kind = found.kind;
    item.oid = assigned[0];
    return true;
}
