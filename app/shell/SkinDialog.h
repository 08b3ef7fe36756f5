#pragma once
// SkinDialog: the skin chooser. A list of the skins ("Windows Standard" and
// every skin found; see Skin.h) under a preview of the selected one: its
// background with "Menu Text" and "Menu Text Selected" written in its two
// colours, or "Error Displaying Skin" when it cannot be loaded. OK with a
// new choice stores its name in "Skin" and puts it in force in the program's
// skin, marking that skin changed so the main window re-applies it; Cancel
// (or OK without a change) leaves everything as it was.
//
// The dialog refers to the settings store and the program's skin; it owns
// only its preview skin. UI thread only.

#include "Skin.h"
#include "ZDialog.h"
#include "ZRegistry.h"

class QListWidget;

class SkinDialog : public ZDialog {
public:
    enum : int { kListId = 1022 };

    SkinDialog(ZRegistry& store, Skin& programSkin);

    // Runs the chooser over `owner`; 1 when closed with OK.
    int Run(QWidget* owner);

    // The name selected in the list (empty when none).
    QString Selected() const;
    bool Changed() const { return changed_; }
    // The chooser's own skin, as the preview shows it, and whether it loaded.
    const Skin& Preview() const { return preview_; }
    bool PreviewLoaded() const { return previewLoaded_; }
    // Paints the preview of the chooser's skin into `rect`.
    void PaintPreview(QPainter& painter, const QRect& rect) const;

protected:
    BOOL OnInitDialog() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void LoadPreview();

    ZRegistry& store_;
    Skin& programSkin_;
    Skin preview_;
    bool previewLoaded_ = false;
    bool changed_ = false;
    QListWidget* list_ = nullptr;
    QWidget* previewArea_ = nullptr;
};
