#pragma once
// EntryHeader: the band at the top of the quick view (window class
// "ZC_DETAIL") that shows one entry's subject, date, priority and
// sensitivity pictures, type, duration and, when present, its company,
// contacts and categories with their labels. It lays its visible fields out
// in rows of 17 pixels and takes the height of its rows (19 pixels each):
// 57 pixels for the three fixed rows, 114 with company, contacts and
// categories. A tap on a field reports the field's control id (1009 subject,
// 1010 date, 1011 duration, 1012 categories, 1013 contacts, 1015 type, 1016
// priority, 1017 sensitivity, 1018 company).
//
// Texts come from the entry as stored, including entries from backups or
// other devices: a type, priority or sensitivity outside its table shows no
// name and no picture. The subject is elided with the font's own metrics to
// the width it has. Child widgets are owned by the header (Qt parent); UI
// thread only.

#include "ZJITEMS.h"

#include <QWidget>

#include <functional>

class QLabel;

class EntryHeader : public QWidget {
public:
    // Control ids of the fields.
    enum Field : int {
        kSubject = 1009,
        kDate = 1010,
        kDuration = 1011,
        kCategories = 1012,
        kContacts = 1013,
        kType = 1015,
        kPriority = 1016,
        kSensitivity = 1017,
        kCompany = 1018,
    };
    static constexpr int kRowHeight = 19;

    EntryHeader(QWidget* parent, std::function<void(int field)> tapped);

    // Shows the entry's fields (a set read by DbKestrin::Read).
    void Fill(const ZJITEMS& entry);
    // Places the visible fields for the current width and takes the height
    // of the rows used. Returns that height.
    int LayOut();
    // The subject as fitted into `width` pixels of `font`.
    static QString FitSubject(const QString& subject, const QFont& font, int width);
    // The picture of a priority or sensitivity value; null outside its table.
    static QPixmap PriorityPicture(int priority);
    static QPixmap SensitivityPicture(int sensitivity);

    QLabel* FieldLabel(int field) const;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QLabel* AddField(int field, const char* name);
    QLabel* AddCaption(const QString& text, const char* name);
    void SetOptional(int field, QLabel* caption, const QString& text);

    std::function<void(int)> tapped_;
    QString subject_;
    QLabel *date_, *priority_, *sensitivity_, *subjectLabel_, *type_, *duration_;
    QLabel *companyCaption_, *company_, *contactsCaption_, *contacts_, *categoriesCaption_, *categories_;
};
