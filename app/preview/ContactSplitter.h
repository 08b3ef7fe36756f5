#pragma once
// ContactSplitter: the bar between the entry list and the preview pane. It
// shows the focused entry's linked contacts (the first one's name, and a
// drop-down arrow listing all of them when there are several) and is the
// handle that sizes the pane: a drag that starts on the grip at its right end
// (the rightmost 15 pixels) moves the boundary. The bar tells its owner the
// new position (in the owner's coordinates, taken from real, unclipped
// coordinates) and the owner decides whether it fits. A tap on the name asks
// the owner to show that contact (the address book's card, once there is
// one). Child of the main window's client area (Qt parent); UI thread only.

#include "CeDbTypes.h"
#include "DbAItem.h"

#include <QWidget>

#include <functional>
#include <vector>

class QMenu;
class Skin;

class ContactSplitter : public QWidget {
public:
    static constexpr int kGripWidth = 15;

    // moved(y): the bar's new top in the parent; shown(contact): a contact
    // was tapped or chosen from the menu.
    // The bar is drawn in `skin`'s colours (the program's, which outlives it).
    ContactSplitter(QWidget* parent, const Skin& skin, std::function<void(int y)> moved,
        std::function<void(const DbAItem& contact)> shown);
    ~ContactSplitter() override;

    // Replaces the contacts with those of a Contacts blob (null: none) and
    // shows the first. Returns their number.
    int Load(const CEBLOB* contacts);
    int Count() const { return static_cast<int>(contacts_.size()); }
    const std::vector<DbAItem>& Contacts() const { return contacts_; }
    // The contact shown (null when none).
    const DbAItem* Current() const;
    // Where the arrow was drawn (empty with fewer than two contacts).
    QRect ArrowRect() const { return arrow_; }
    bool Dragging() const { return dragging_; }
    // The contact menu while it is open.
    QMenu* ContactMenu() const { return menu_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    // The skin's brush, the system's button face without a skin picture.
    QBrush Background() const;
    // The contacts as a menu drawn like the bar (ContactMenuStyle).
    void OpenMenu();

    const Skin& skin_;
    std::function<void(int)> moved_;
    std::function<void(const DbAItem&)> shown_;
    std::vector<DbAItem> contacts_;
    std::size_t current_ = 0;
    QRect arrow_;
    bool dragging_ = false;
    int grab_ = 0;
    QMenu* menu_ = nullptr;
};
