#pragma once
// Registration of the journal with the rest of the system: the work behind
// DllRegisterServer and DllUnregisterServer.
//
// Registering writes, under HKEY_LOCAL_MACHINE
// "Software\Microsoft\PimApps\PimExtensions", the sub-keys
// "Contacts\AddIns\Ozm Kestrin", "Tasks\AddIns\Ozm Kestrin" and
// "Calendar\AddIns\Ozm Kestrin" with "Dll" and "Menu" ("Add Kestrin Entry");
// then, in the program's "Options", the seven default quick subjects with
// "scount" = 7 while "scount" is missing or 0 (so a user's own subjects
// survive a second registration), and "Upgrade" = 1 always (the program's
// integrity check runs once at its next start).
//
// Unregistering removes those three sub-keys and the program's settings key,
// then asks "Delete the Ozm Kestrin Database". On Yes the journal is checked
// silently and deleted; only once it is gone are the journal's use counters
// of the shared categories reset (a journal that could not be deleted keeps
// counters that match it, and the user is told). "KestrinX" and the
// integrity check's safety copies (also those kept from checks that did not
// finish) are removed too.
//
// Any thread that may use the registry and the object store; the question
// goes through the UI hooks.

#include "RapiStream.h"

inline constexpr WCHAR kExtensionsKey[] = u"Software\\Microsoft\\PimApps\\PimExtensions";
inline constexpr WCHAR kMenuText[] = u"Add Kestrin Entry";
inline constexpr WCHAR kDeleteQuestion[] = u"Delete the Ozm Kestrin Database";
inline constexpr WCHAR kDeleteFailedText[]
    = u"The Ozm Kestrin Database could not be deleted. The categories keep its use counts.";

HRESULT RegisterJournal();
HRESULT UnregisterJournal();
