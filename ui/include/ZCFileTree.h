#pragma once
// ZCFileTree: a tree of the file system's folders and files, filled lazily:
// a folder's entries are read the first time it is expanded (or walked by
// FindPath). Folders come before files, each group in name order ignoring
// case; hidden entries (names starting with ".") are left out unless
// SetShowHidden(true). A folder shows an expand button only when it has
// entries. Icons come from the desktop's icon theme (folder, open folder, a
// file's type by its name), with the style's icons where the theme has none.
//
// Paths are Linux paths: the root item is "/", every other item's path is
// its parent's path, one "/" and its name (never a doubled separator).
//
// The tree's window (a QTreeWidget) and its items are owned by the object;
// each item keeps what the tree needs of its entry (folder or file, size) in
// its own data, freed with the item. UI thread only.

#include "ZWindow.h"

#include <QIcon>
#include <QString>

#include <unordered_map>

class QTreeWidget;
class QTreeWidgetItem;

class ZCFileTree : public ZWindow {
public:
    QTreeWidget* Tree() const;

    // Empties the tree and inserts the root folder `path` (default "/"),
    // filled. Returns the root item (null without a window).
    QTreeWidgetItem* InsertRoot(const QString& path = QStringLiteral("/"));
    // Reads folder `item`'s entries into its children, once. Returns the
    // number of children.
    int Fill(QTreeWidgetItem* item);
    // The full path of `item` (empty for null).
    QString GetPath(const QTreeWidgetItem* item) const;
    // Walks `path` (absolute, or relative to `start`'s path) component by
    // component below `start` (null: the root), filling and expanding each
    // folder on the way. A component matches a child's name exactly or,
    // when no child has that exact name, ignoring case. Returns the item of
    // the last component, or null when one is missing.
    QTreeWidgetItem* FindPath(QTreeWidgetItem* start, const QString& path);
    bool IsFolder(const QTreeWidgetItem* item) const;

    void SetShowHidden(bool show) { showHidden_ = show; }
    bool ShowHidden() const { return showHidden_; }
    // The sum of the sizes of all files found while filling, since
    // construction.
    quint64 TotalSize() const { return totalSize_; }

    // Asks the desktop to open `path` with its associated program. True when
    // the desktop accepted.
    static bool Open(const QString& path);

protected:
    QWidget* CreateWidget(QWidget* parent) override;

private:
    QTreeWidgetItem* MakeItem(const QString& name, bool folder, bool hasEntries);
    QIcon FileIcon(const QString& name);

    bool showHidden_ = false;
    quint64 totalSize_ = 0;
    QIcon folderIcon_;
    QIcon openFolderIcon_;
    QIcon plainFileIcon_;
    // Icons of file types, by the name's suffix.
    std::unordered_map<QString, QIcon> fileIcons_;
};
