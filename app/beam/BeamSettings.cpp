#include "BeamSettings.h"

#include "ProgramText.h"
#include "UiHooks.h"
#include "ZHandles.h"

namespace {

constexpr WCHAR kNetworkQuestion[]
    = u"To find the other computer, Kestrin asks on your local network, and other computers on it "
      u"can see that this one is sending or receiving entries.\n\nUse the local network for beaming?\n"
      u"(No: beam only between journals on this computer.)";

} // namespace

IrdaScope ApplyBeamScope(ZRegistry& store, QWidget* owner)
{
    int scope = store.ReadInt(kOptionsSection, BeamSettings::kScope, BeamSettings::kLocalNetwork);
    if (scope == BeamSettings::kLocalNetwork
        && store.ReadInt(kOptionsSection, BeamSettings::kNetworkOk, 0) == 0) {
        // No is the default answer: nothing goes on the network unless the
        // user says so.
        const int answer = MessageBoxW(
            ToHwnd(owner), kNetworkQuestion, kWindowTitle, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2);
        if (answer == IDYES) {
            store.WriteInt(kOptionsSection, BeamSettings::kNetworkOk, 1);
        } else {
            scope = BeamSettings::kThisComputer;
            store.WriteInt(kOptionsSection, BeamSettings::kScope, scope);
        }
    }
    const int port = store.ReadInt(kOptionsSection, BeamSettings::kPort, kIrdaDefaultDiscoveryPort);
    const IrdaScope chosen = scope == BeamSettings::kLocalNetwork ? IrdaScope::LocalNetwork : IrdaScope::ThisComputer;
    IrdaConfigure(chosen, static_cast<std::uint16_t>(port > 0 && port < 65536 ? port : kIrdaDefaultDiscoveryPort));
    return chosen;
}
