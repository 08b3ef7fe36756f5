#pragma once
// The settings of beaming, in the program's "Options" section:
//   "IrScope"      where discovery goes: 0 this computer only, 1 the local
//                  network (the default for users)
//   "IrNetworkOk"  1 once the user agreed to use the local network
//   "IrPort"       the UDP port of discovery (both sides must agree)
// ApplyBeamScope puts them into the transport before an exchange: the local
// network is used only after the user agreed, which the program asks once
// (No keeps beaming on this computer and is remembered). UI thread only.

#include "IrdaSockets.h"
#include "ZRegistry.h"

class QWidget;

struct BeamSettings {
    static constexpr WCHAR kScope[] = u"IrScope";
    static constexpr WCHAR kNetworkOk[] = u"IrNetworkOk";
    static constexpr WCHAR kPort[] = u"IrPort";
    static constexpr int kThisComputer = 0;
    static constexpr int kLocalNetwork = 1;
};

// Asks the first time the local network would be used, then configures the
// transport. Returns the scope in force.
IrdaScope ApplyBeamScope(ZRegistry& store, QWidget* owner);
