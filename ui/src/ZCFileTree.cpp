#include "ZCFileTree.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QStyle>
#include <QTreeWidget>
#include <QUrl>

#include <algorithm>
#include <vector>

namespace {

constexpr int kFolderRole = Qt::UserRole;
constexpr int kFilledRole = Qt::UserRole + 1;

struct DirEntry {
    QString name;
    bool folder;
    bool hasEntries;
};

// Folders first, then files, each in name order ignoring case (equal names
// in case order, so the order is total).
bool ComesBefore(const DirEntry& a, const DirEntry& b)
{
    if (a.folder != b.folder)
        return a.folder;
    const int byName = a.name.compare(b.name, Qt::CaseInsensitive);
    return byName != 0 ? byName < 0 : a.name < b.name;
}

QDir::Filters EntryFilters(bool showHidden)
{
    QDir::Filters filters = QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System;
    return showHidden ? filters | QDir::Hidden : filters;
}

bool FolderHasEntries(const QString& path, bool showHidden)
{
    return QDirIterator(path, EntryFilters(showHidden)).hasNext();
}

} // namespace

QWidget* ZCFileTree::CreateWidget(QWidget* parent)
{
    auto* tree = new QTreeWidget(parent);
    tree->setHeaderHidden(true);
    tree->setColumnCount(1);
    tree->setUniformRowHeights(true);
    tree->setIconSize(QSize(16, 16));
    QStyle* style = QApplication::style();
    folderIcon_ = QIcon::fromTheme(QStringLiteral("folder"), style->standardIcon(QStyle::SP_DirClosedIcon));
    openFolderIcon_
        = QIcon::fromTheme(QStringLiteral("folder-open"), style->standardIcon(QStyle::SP_DirOpenIcon));
    plainFileIcon_
        = QIcon::fromTheme(QStringLiteral("text-x-generic"), style->standardIcon(QStyle::SP_FileIcon));
    QObject::connect(tree, &QTreeWidget::itemExpanded, tree, [this](QTreeWidgetItem* item) {
        Fill(item);
        item->setIcon(0, openFolderIcon_);
    });
    QObject::connect(tree, &QTreeWidget::itemCollapsed, tree,
        [this](QTreeWidgetItem* item) { item->setIcon(0, folderIcon_); });
    return tree;
}

QTreeWidget* ZCFileTree::Tree() const
{
    return qobject_cast<QTreeWidget*>(GetHandle());
}

QTreeWidgetItem* ZCFileTree::MakeItem(const QString& name, bool folder, bool hasEntries)
{
    auto* item = new QTreeWidgetItem(QStringList { name });
    item->setData(0, kFolderRole, folder);
    item->setIcon(0, folder ? folderIcon_ : FileIcon(name));
    item->setChildIndicatorPolicy(
        hasEntries ? QTreeWidgetItem::ShowIndicator : QTreeWidgetItem::DontShowIndicator);
    return item;
}

QIcon ZCFileTree::FileIcon(const QString& name)
{
    const QString suffix = QFileInfo(name).suffix().toLower();
    if (suffix.isEmpty())
        return plainFileIcon_;
    auto known = fileIcons_.find(suffix);
    if (known != fileIcons_.end())
        return known->second;
    static const QMimeDatabase mimes;
    const QMimeType type = mimes.mimeTypeForFile(name, QMimeDatabase::MatchExtension);
    QIcon icon = QIcon::fromTheme(type.iconName(), QIcon::fromTheme(type.genericIconName(), plainFileIcon_));
    fileIcons_.emplace(suffix, icon);
    return icon;
}

QTreeWidgetItem* ZCFileTree::InsertRoot(const QString& path)
{
    QTreeWidget* tree = Tree();
    if (!tree)
        return nullptr;
    tree->clear();
    QTreeWidgetItem* root = MakeItem(path, true, true);
    tree->addTopLevelItem(root);
    Fill(root);
    root->setExpanded(true);
    return root;
}

int ZCFileTree::Fill(QTreeWidgetItem* item)
{
    if (!item || !IsFolder(item))
        return 0;
    if (item->data(0, kFilledRole).toBool())
        return item->childCount();
    item->setData(0, kFilledRole, true);
    const QString path = GetPath(item);
    std::vector<DirEntry> entries;
    QDirIterator it(path, EntryFilters(showHidden_));
    while (it.hasNext()) {
        it.next();
        const QFileInfo info = it.fileInfo();
        const bool folder = info.isDir();
        if (!folder)
            totalSize_ += static_cast<quint64>(std::max<qint64>(info.size(), 0));
        entries.push_back({ info.fileName(), folder, folder && FolderHasEntries(info.filePath(), showHidden_) });
    }
    std::sort(entries.begin(), entries.end(), ComesBefore);
    QList<QTreeWidgetItem*> children;
    children.reserve(static_cast<qsizetype>(entries.size()));
    for (const DirEntry& entry : entries)
        children.append(MakeItem(entry.name, entry.folder, entry.hasEntries));
    item->addChildren(children);
    if (children.isEmpty())
        item->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicator);
    return item->childCount();
}

QString ZCFileTree::GetPath(const QTreeWidgetItem* item) const
{
    if (!item)
        return {};
    const QTreeWidgetItem* parent = item->parent();
    if (!parent)
        return item->text(0);
    QString path = GetPath(parent);
    if (!path.endsWith(u'/'))
        path += u'/';
    return path + item->text(0);
}

bool ZCFileTree::IsFolder(const QTreeWidgetItem* item) const
{
    return item && item->data(0, kFolderRole).toBool();
}

QTreeWidgetItem* ZCFileTree::FindPath(QTreeWidgetItem* start, const QString& path)
{
    QTreeWidget* tree = Tree();
    if (!start)
        start = tree ? tree->topLevelItem(0) : nullptr;
    if (!start)
        return nullptr;
    QString rest = path;
    const QString startPath = GetPath(start);
    if (rest.startsWith(u'/')) {
        if (!(rest + u'/').startsWith(startPath.endsWith(u'/') ? startPath : startPath + u'/'))
            return nullptr;
        rest = rest.mid(startPath.size());
    }
    QTreeWidgetItem* item = start;
    for (const QString& component : rest.split(u'/', Qt::SkipEmptyParts)) {
        Fill(item);
        QTreeWidgetItem* found = nullptr;
        QTreeWidgetItem* foldedMatch = nullptr;
        for (int i = 0; i < item->childCount() && !found; ++i) {
            QTreeWidgetItem* child = item->child(i);
            if (child->text(0) == component)
                found = child;
            else if (!foldedMatch && child->text(0).compare(component, Qt::CaseInsensitive) == 0)
                foldedMatch = child;
        }
        if (!found)
            found = foldedMatch;
        if (!found)
            return nullptr;
        item->setExpanded(true);
        item = found;
    }
    return item;
}

bool ZCFileTree::Open(const QString& path)
{
    return !path.isEmpty() && QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}
