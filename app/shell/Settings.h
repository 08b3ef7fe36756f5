#pragma once
// Settings: the catalogue of the program's persistent settings, with every
// default, in one place. All values live in the section "Options" of the
// profile key. Each accessor reads (or writes) the store at the moment it is
// called: nothing is cached, so a value changed or deleted behind the
// program's back takes effect at the next read. Reads never fail: a missing
// or malformed value gives the default (the factory setting).
//
// The filter's values ("fActive", "fMonths", ..., "flt%d") are read and
// written by the filter itself (ZFilter) through the same store.
//
// A Settings object only refers to the store (usually the application
// object); it owns nothing. UI thread only, like the store.

#include "WinTypes.h"
#include "ZRegistry.h"
#include "ZString.h"

class Settings {
public:
    // Value names.
    static constexpr WCHAR kPreviewPane[] = u"Preview Pane";
    static constexpr WCHAR kTreeView[] = u"TreeView";
    static constexpr WCHAR kSortBy[] = u"SortBy";
    static constexpr WCHAR kSortType[] = u"SortType";
    static constexpr WCHAR kVSplit[] = u"vSplit";
    static constexpr WCHAR kVSplitHeight[] = u"vSplitHeight";
    static constexpr WCHAR kSkin[] = u"Skin";
    static constexpr WCHAR kDateFormat[] = u"Date Format";
    static constexpr WCHAR kConfirmDeletes[] = u"Confirm Deletes";
    static constexpr WCHAR kConfirmDelete[] = u"ConfirmDelete";
    static constexpr WCHAR kUpgrade[] = u"Upgrade";
    static constexpr WCHAR kPasswordActive[] = u"pwActive";
    static constexpr WCHAR kPassword[] = u"vacc";
    static constexpr WCHAR kSubjectCount[] = u"scount";
    static constexpr WCHAR kSubjectPrefix[] = u"subj";
    static constexpr WCHAR kZoom[] = u"iZoom";
    static constexpr WCHAR kEditorView[] = u"iView";
    static constexpr WCHAR kSearchBy[] = u"SearchBy";
    static constexpr WCHAR kSearchFrom[] = u"SearchFrom";
    static constexpr WCHAR kMatchCase[] = u"MatchCase";
    static constexpr WCHAR kLastSearch[] = u"Last";
    static constexpr WCHAR kSearchPrefix[] = u"Find";

    // Defaults (factory settings).
    static constexpr int kDefaultSortBy = 101; // the Date field
    static constexpr int kDefaultSortType = 0x006E0041; // group the tree by contacts
    static constexpr WCHAR kDefaultSkin[] = u"Plum Fairy";
    static constexpr int kDefaultDateFormat = 40160; // "MM/dd/yy"
    static constexpr int kFirstDateFormat = 40160;
    static constexpr int kLastDateFormat = 40168;
    static constexpr int kDefaultZoom = 100;
    static constexpr int kDefaultSearchBy = 1078; // search by date
    static constexpr int kDefaultSearchFrom = 1073; // from the top
    // The longest skin name stored.
    static constexpr int kMaxSkinChars = 99;

    explicit Settings(ZRegistry& store)
        : store_(store)
    {
    }

    // Window and view.
    bool PreviewPane() const { return ReadInt(kPreviewPane, 1) != 0; }
    void SetPreviewPane(bool on) { WriteInt(kPreviewPane, on ? 1 : 0); }
    bool TreeView() const { return ReadInt(kTreeView, 0) != 0; }
    void SetTreeView(bool on) { WriteInt(kTreeView, on ? 1 : 0); }
    int SortBy() const { return ReadInt(kSortBy, kDefaultSortBy); }
    void SetSortBy(int field) { WriteInt(kSortBy, field); }
    DWORD SortType() const { return static_cast<DWORD>(ReadInt(kSortType, kDefaultSortType)); }
    void SetSortType(DWORD property) { WriteInt(kSortType, static_cast<int>(property)); }
    // The splitter position; its default depends on the window's size, so
    // the caller gives it.
    int VSplit(int defaultPosition) const { return ReadInt(kVSplit, defaultPosition); }
    void SetVSplit(int position) { WriteInt(kVSplit, position); }
    // The client height the splitter position was set in (0: not known), so
    // a window of a very different height can scale the position.
    int VSplitHeight() const { return ReadInt(kVSplitHeight, 0); }
    void SetVSplitHeight(int height) { WriteInt(kVSplitHeight, height); }
    ZString Skin() const { return ReadText(kSkin, kDefaultSkin); }
    // Stores at most kMaxSkinChars characters of `name`.
    void SetSkin(LPCWSTR name);
    // The string id of the date format (40160..40168 are defined; any other
    // id is returned as stored and formats as an empty format).
    int DateFormat() const { return ReadInt(kDateFormat, kDefaultDateFormat); }
    void SetDateFormat(int id) { WriteInt(kDateFormat, id); }
    // The date format's pattern ("MM/dd/yy"); empty for an unknown id.
    ZString DateFormatPattern() const;

    // Behaviour.
    bool ConfirmDeletes() const { return ReadInt(kConfirmDeletes, 1) != 0; }
    void SetConfirmDeletes(bool on) { WriteInt(kConfirmDeletes, on ? 1 : 0); }
    bool ConfirmSubjectDelete() const { return ReadInt(kConfirmDelete, 1) != 0; }
    bool Upgrade() const { return ReadInt(kUpgrade, 1) != 0; }
    void SetUpgrade(bool pending) { WriteInt(kUpgrade, pending ? 1 : 0); }

    // Password (see PasswordLock, which alone interprets the stored record).
    bool PasswordActive() const { return ReadInt(kPasswordActive, 0) != 0; }
    void SetPasswordActive(bool on) { WriteInt(kPasswordActive, on ? 1 : 0); }
    ZString PasswordRecord() const { return ReadText(kPassword, u""); }
    bool SetPasswordRecord(LPCWSTR record)
    {
        return store_.WriteString(kOptionsName, kPassword, record) != 0;
    }
    bool DeletePasswordRecord() { return store_.DeleteValue(kOptionsName, kPassword) != 0; }

    // Quick subjects: "scount" and "subj0" ... "subj<scount-1>".
    int SubjectCount() const { return ReadInt(kSubjectCount, 0); }
    void SetSubjectCount(int count) { WriteInt(kSubjectCount, count); }
    ZString Subject(int index) const { return ReadText(IndexedName(kSubjectPrefix, index), u""); }
    void SetSubject(int index, LPCWSTR text);

    // Entry editor.
    int Zoom() const { return ReadInt(kZoom, kDefaultZoom); }
    void SetZoom(int percent) { WriteInt(kZoom, percent); }
    int EditorView() const { return ReadInt(kEditorView, 0); }
    void SetEditorView(int view) { WriteInt(kEditorView, view); }

    // Find.
    int SearchBy() const { return ReadInt(kSearchBy, kDefaultSearchBy); }
    void SetSearchBy(int control) { WriteInt(kSearchBy, control); }
    int SearchFrom() const { return ReadInt(kSearchFrom, kDefaultSearchFrom); }
    void SetSearchFrom(int control) { WriteInt(kSearchFrom, control); }
    bool MatchCase() const { return ReadInt(kMatchCase, 1) != 0; }
    void SetMatchCase(bool on) { WriteInt(kMatchCase, on ? 1 : 0); }
    ZString LastSearch() const { return ReadText(kLastSearch, u""); }
    void SetLastSearch(LPCWSTR text) { store_.WriteString(kOptionsName, kLastSearch, text); }
    ZString SearchHistory(int index) const { return ReadText(IndexedName(kSearchPrefix, index), u""); }
    void SetSearchHistory(int index, LPCWSTR text);

    // "<prefix><index>" as the indexed lists name their items ("subj0").
    static ZString IndexedName(LPCWSTR prefix, int index);

    // The section every value lives in.
    static constexpr WCHAR kOptionsName[] = u"Options";

private:
    int ReadInt(LPCWSTR name, int defaultValue) const
    {
        return store_.ReadInt(kOptionsName, name, defaultValue);
    }
    void WriteInt(LPCWSTR name, int value) { store_.WriteInt(kOptionsName, name, value); }
    ZString ReadText(LPCWSTR name, LPCWSTR defaultText) const;

    ZRegistry& store_;
};
