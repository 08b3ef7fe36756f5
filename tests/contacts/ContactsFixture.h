#pragma once
// The contact and category tests' world: a journal opened in a fresh data
// folder (message boxes recorded and answered by the test), an address book
// on that folder's "contacts" folder, and helpers to write cards into it and
// to run a modal dialog while the test acts on it.

#include "AddressBook.h"
#include "GuiApp.h"
#include "OpenJournalTest.h"
#include "VdirPimStore.h"

#include <QDialog>
#include <QTimer>
#include <QWidget>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

class ContactsTest : public OpenJournalTest {
protected:
    ContactsTest()
    {
        GuiApp();
        folders.contacts = home.path() / "contacts";
        folders.calendar = home.path() / "calendar";
        folders.tasks = home.path() / "tasks";
        std::filesystem::create_directories(folders.contacts);
        store.SetFolders(folders);
        owner.resize(240, 320);
    }

    // Writes a 3.0 card with that UID, file-as name (as N when it has a
    // comma, else as X-FILE-AS) and company.
    void WriteCard(const std::string& uid, const std::string& fileAs, const std::string& company = {})
    {
        std::string card = "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:" + uid + "\r\nFN:" + fileAs + "\r\n";
        const std::size_t comma = fileAs.find(", ");
        if (comma != std::string::npos)
            card += "N:" + fileAs.substr(0, comma) + ";" + fileAs.substr(comma + 2) + ";;;\r\n";
        else
            card += "X-FILE-AS:" + fileAs + "\r\n";
        if (!company.empty())
            card += "ORG:" + company + "\r\n";
        card += "END:VCARD\r\n";
        std::ofstream(folders.contacts / (uid + ".vcf"), std::ios::binary) << card;
    }

    // The id the store gave the card of `uid` (after a Logon).
    DWORD IdOf(const std::u16string& uid)
    {
        PimIdMap ids;
        return ids.Find(PimIdMap::kContact, uid);
    }

    // Runs `run` (which shows a modal dialog) and calls `act` with the
    // dialog once it is up; `act` ends it. A dialog that `act` left open (a
    // failed assertion returns early) is cancelled.
    template <typename Dialog>
    int RunModal(Dialog& dialog, const std::function<int()>& run, const std::function<void(QDialog&)>& act)
    {
        QTimer::singleShot(0, &owner, [&dialog, act] {
            if (QDialog* shown = dialog.Dialog()) {
                act(*shown);
                if (dialog.Dialog() && !dialog.IsEnding() && shown->isVisible())
                    shown->reject();
            }
        });
        const int result = run();
        PumpAll();
        return result;
    }

    VdirPimStore::Folders folders;
    VdirPimStore store;
    QWidget owner;
};
