#pragma once
// The question a receiver answers before beamed entries are written: who
// sends, how many entries arrived whole (and how many the sender announced,
// when that differs), and the fields of the first entry, read-only. Accept
// writes them; Cancel (or closing the question) writes nothing.
//
// Object names: "beamAccept" (the dialog), "beamAcceptText", "beamAcceptFields"
// (the first entry's labels and values), "beamAcceptYes", "beamAcceptNo".
// UI thread only.

#include "ZJITEMS.h"

#include <QString>

class QWidget;

struct BeamOffer {
    QString sender;
    DWORD whole = 0;
    DWORD announced = 0;
    // The first whole entry (not owned).
    const ZJITEMS* first = nullptr;
};

// The question's text.
QString BeamOfferText(const BeamOffer& offer);
// Shows the question modally over `owner`; true when the user accepted.
bool AskToAcceptBeam(QWidget* owner, const BeamOffer& offer);
