#include "FindRequest.h"

#include "Settings.h"

void FindRequest::LoadSettings(ZRegistry& store)
{
    const Settings settings(store);
    const int searchBy = settings.SearchBy();
    by = searchBy == int(FindBy::Date) ? FindBy::Date
        : searchBy == int(FindBy::Subject) ? FindBy::Subject
                                            : FindBy::Note;
    from = settings.SearchFrom() == kFromTop ? kFromTop : kFromCurrent;
    matchCase = settings.MatchCase();
}

void FindRequest::SaveSettings(ZRegistry& store) const
{
    Settings settings(store);
    settings.SetSearchBy(int(by));
    settings.SetSearchFrom(from);
    settings.SetMatchCase(matchCase);
}

FindQuery FindRequest::Query(CEOID focused) const
{
    return { .by = by, .day = day, .text = text, .matchCase = matchCase, .after = from == kFromCurrent ? focused : 0 };
}

QStringList ReadFindHistory(ZRegistry& store)
{
    const Settings settings(store);
    QStringList history;
    for (int i = 0; i < FindRequest::kHistorySize; ++i) {
        const ZString text = settings.SearchHistory(i);
        if (text.IsEmpty())
            break;
        history << text.ToQString();
    }
    return history;
}

QString WriteFindHistory(ZRegistry& store, const QString& text, const QStringList& shown)
{
    Settings settings(store);
    QString taken = text;
    while (taken.endsWith(u' '))
        taken.chop(1);
    int written = 0;
    auto write = [&](const QString& value) {
        settings.SetSearchHistory(written++, reinterpret_cast<LPCWSTR>(value.utf16()));
    };
    if (!taken.isEmpty())
        write(taken);
    for (const QString& older : shown) {
        if (written == FindRequest::kHistorySize)
            break;
        if (older.compare(taken, Qt::CaseInsensitive) != 0)
            write(older);
    }
    return taken;
}
