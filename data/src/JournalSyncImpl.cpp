#include "JournalSyncImpl.h"

namespace journal_sync {

unsigned long long Fingerprint(const VjournalEntry& entry)
{
    unsigned long long hash = 1469598103934665603ull;
    auto add = [&](const void* data, std::size_t size) {
        hash = Fnv(&size, sizeof size, hash);
        hash = Fnv(data, size, hash);
    };
    auto text = [&](const std::u16string& value) { add(value.data(), value.size() * sizeof(char16_t)); };
    text(entry.subject);
    add(&entry.date, sizeof entry.date);
    add(&entry.type, sizeof entry.type);
    text(entry.company);
    for (const std::u16string& category : entry.categories)
        text(category);
    add("|", 1);
    for (const VjournalContact& contact : entry.contacts)
        text(contact.name);
    text(entry.attachment);
    add(&entry.hasDuration, sizeof entry.hasDuration);
    add(&entry.duration, sizeof entry.duration);
    add(&entry.sensitivity, sizeof entry.sensitivity);
    add(&entry.priority, sizeof entry.priority);
    add(entry.note.data(), entry.note.size());
    return hash ? hash : 1;
}

} // namespace journal_sync
