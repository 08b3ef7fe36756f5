#pragma once
// AttachmentPicker: the "Kestrin Attachment" page, where the user picks the
// file attached to an entry from a tree of the file system (ZCFileTree),
// opened at the attached file or, without one, at the user's home folder.
// "Clear" removes the attachment, "Run" opens the selected file with the
// desktop's program for it, OK stores the selected item's path (as it is)
// in the field. An attached file that no longer exists is offered for
// removal when the picker opens.
//
// The field is not owned and must outlive the picker. UI thread only.

#include "ZCFileTree.h"
#include "ZCToolbar.h"
#include "ZDialog.h"

#include <QString>

class DbJItem;

class AttachmentPicker : public ZDialog {
public:
    enum : WORD {
        CMD_RUN = 1148,
        CMD_CLEAR = 1149,
    };
    enum : int { kTreeId = 1150 };

    explicit AttachmentPicker(DbJItem& field);

    // Runs the picker over `parent`. Nonzero when the field changed.
    int Open(QWidget* parent);
    // The folder the tree opens at without an attachment.
    static void SetStartFolder(const QString& folder);

    ZCFileTree& Tree() { return tree_; }

protected:
    BOOL OnInitDialog() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void ShowAttached();
    void Clear();
    void StoreSelection();
    QString SelectedPath() const;
    QString StoredPath() const;

    DbJItem& field_;
    ZCFileTree tree_;
    ZCToolbar bar_;
    bool changed_ = false;
};
